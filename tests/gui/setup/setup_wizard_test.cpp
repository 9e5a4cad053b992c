// The installer's wizard, offscreen, into a temporary home: a fresh
// install, a second one reading the first back, a folder refused.

#include "setup/ui/setup_wizard.h"

#include "core/message_ports.h"
#include "core/msg_box.h"
#include "setup/setup_registry.h"
#include "setup/ui/uninstall_dialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
}

}  // namespace

class SetupWizardTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void installsReinstallsAndRefusesAFolder() {
        QTemporaryDir dir;
        const QString setup = dir.filePath(u"setup/sendvik-setup"_s);
        write(setup, "setup");
        write(dir.filePath(u"setup/sendvik"_s), "program");
        write(dir.filePath(u"setup/demo.mQSL"_s), "demo");
        write(dir.filePath(u"setup/sendvik-setup.inf"_s),
              "[Install]\r\n1=sendvik\r\n2=demo.mQSL,QSL/demo.mQSL\r\n"
              "[Group]\r\n1=ZELKOV E-Mail QSL,sendvik\r\n");
        SetupRegistry registry(dir.filePath(u"registry.ini"_s));
        const ShortcutPlaces places{dir.filePath(u"apps"_s), dir.filePath(u"Desktop"_s),
                                    dir.filePath(u"autostart"_s)};
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        const QString folder = dir.filePath(u"Zelkov"_s);
        {
            TSetupWizard wizard({setup, u"5.12"_s, registry, places});
            wizard.show();
            QCOMPARE(wizard.windowTitle(), u"ZELKOV E-Mail QSL5.12 のインストール"_s);
            auto* edit = wizard.findChild<QLineEdit*>(u"Edit1"_s);
            edit->setText(u"Zelkov"_s);  // not a path from the root
            wizard.next();
            QCOMPARE(wizard.currentId(), 100);
            QVERIFY(port.messages().back().text.contains(u"ルートからの正しいパス名"_s));
            edit->setText(folder);
            wizard.next();
            QCOMPARE(wizard.currentId(), 107);
            wizard.findChild<QCheckBox*>(u"CheckBox2"_s)->setChecked(false);
            wizard.next();
            QTRY_VERIFY_WITH_TIMEOUT(wizard.finishedCopying(), 10000);
            QVERIFY(!wizard.failed());
            QVERIFY(wizard.button(QWizard::FinishButton)->isEnabled());
        }
        QCOMPARE(QFile(folder + u"/QSL/demo.mQSL"_s).exists(), true);
        QVERIFY(QFile::exists(folder + u"/sendvik-setup.inf"_s));
        QVERIFY(QFile::exists(dir.filePath(u"apps/ZELKOV E-Mail QSL/ZELKOV E-Mail QSL.desktop"_s)));
        QVERIFY(!QFile::exists(dir.filePath(u"Desktop/ZELKOV E-Mail QSL.desktop"_s)));
        QCOMPARE(registry.value(kUninstallKey, u"UninstallString"_s),
                 u"\""_s + folder + u"/sendvik-setup\" /r 2"_s);

        // Again: the folder and the options read back.
        TSetupWizard again({setup, QString(), registry, places});
        again.show();
        QCOMPARE(again.findChild<QLineEdit*>(u"Edit1"_s)->text(), folder + u'/');
        QVERIFY(again.findChild<QCheckBox*>(u"CheckBox1"_s)->isChecked());
        QVERIFY(!again.findChild<QCheckBox*>(u"CheckBox2"_s)->isChecked());
        again.close();

        // The installed installer run onto its own folder: everything stays.
        {
            TSetupWizard itself({folder + u"/sendvik-setup"_s, QString(), registry, places});
            itself.show();
            QCOMPARE(itself.findChild<QLineEdit*>(u"Edit1"_s)->text(), folder + u'/');
            itself.next();
            itself.next();
            QTRY_VERIFY_WITH_TIMEOUT(itself.finishedCopying(), 10000);
            QVERIFY(!itself.failed());
        }
        for (const auto& [name, bytes] :
             {std::pair{u"sendvik"_s, "program"}, std::pair{u"sendvik-setup"_s, "setup"},
              std::pair{u"QSL/demo.mQSL"_s, "demo"}}) {
            QFile file(folder + u'/' + name);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
            QCOMPARE(file.readAll(), QByteArray(bytes));
        }
        QVERIFY(QFile::exists(folder + u"/sendvik-setup.inf"_s));
    }

    // The uninstall's window says what it does while it works; it cannot be
    // closed until the work is over, then "終了" closes it.
    void theUninstallWindowWaitsForItsWork() {
        bool seenWhileWorking = false;
        TUninstallDialog* shown = nullptr;
        TUninstallDialog window([&] {
            seenWhileWorking =
                shown->isVisible() &&
                shown->findChild<QLabel*>(u"Label1"_s)->text() == u"削除しています..."_s &&
                !shown->findChild<QPushButton*>(u"BitBtn1"_s)->isEnabled();
            shown->reject();  // Esc meanwhile
            return u"ZELKOV E-Mail QSLは正常に削除されました。"_s;
        });
        shown = &window;
        QCOMPARE(window.windowTitle(), u"ZELKOV E-Mail QSLの削除"_s);
        QTimer::singleShot(2000, &window, [&] {
            QVERIFY(window.isVisible());
            QCOMPARE(window.findChild<QLabel*>(u"Label1"_s)->text(),
                     u"ZELKOV E-Mail QSLは正常に削除されました。"_s);
            window.findChild<QPushButton*>(u"BitBtn1"_s)->click();
        });
        QCOMPARE(window.runAndWait(), int(QDialog::Accepted));
        QVERIFY(seenWhileWorking);
        QVERIFY(window.workDone());
    }

    // The free-space question (No stays, Yes goes on), a standard definition
    // the person changed (kept on Yes), and the installed copy runs.
    void asksAboutSpaceAndAChangedDefinitionAndTheCopyRuns() {
        QTemporaryDir dir;
        const QString setup = dir.filePath(u"setup/sendvik-setup"_s);
        write(setup, "setup");
        QVERIFY(QFile::copy(QStringLiteral(SENDVIK_CLI), dir.filePath(u"setup/sendvik-cli"_s)));
        write(dir.filePath(u"setup/std.qsl"_s), "shipped");
        write(dir.filePath(u"setup/sendvik-setup.inf"_s),
              "[Install]\r\n1=sendvik-cli\r\n2=std.qsl,QSL/std.qsl\r\n");
        const QString folder = dir.filePath(u"Zelkov"_s);
        write(folder + u"/QSL/std.qsl"_s, "mine");
        QFile mine(folder + u"/QSL/std.qsl"_s);
        QVERIFY(mine.open(QIODevice::ReadWrite));
        mine.setFileTime(QDateTime::currentDateTime().addDays(1),
                         QFileDevice::FileModificationTime);
        mine.close();
        SetupRegistry registry(dir.filePath(u"registry.ini"_s));
        const ShortcutPlaces places{dir.filePath(u"apps"_s), dir.filePath(u"Desktop"_s),
                                    dir.filePath(u"autostart"_s)};
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        SetupWizardParts parts{setup, QString(), registry, places};
        QStringList spaceAskedFor;
        parts.freeSpace = [&](const QString& f) {
            spaceAskedFor << f;
            return qint64(50) << 20;
        };
        TSetupWizard wizard(parts);
        wizard.show();
        wizard.findChild<QLineEdit*>(u"Edit1"_s)->setText(folder);
        port.answer(mb::IdNo);
        wizard.next();
        QCOMPARE(wizard.currentId(), 100);
        QCOMPARE(spaceAskedFor, QStringList{folder + u'/'});
        QVERIFY(port.messages().back().text.startsWith(
            u"指定されたドライブの残り容量が 50メガバイトしかありません。"_s));
        port.answer(mb::IdYes);
        wizard.next();
        QCOMPARE(wizard.currentId(), 107);
        port.clear();
        port.answer(mb::IdYes);  // keep my definition
        wizard.next();
        QTRY_VERIFY_WITH_TIMEOUT(wizard.finishedCopying(), 10000);
        QVERIFY(!wizard.failed());
        QCOMPARE(port.messages().size(), size_t(1));
        QVERIFY(port.messages()[0].text.contains(folder + u"/QSL/std.qsl"_s));
        QFile kept(folder + u"/QSL/std.qsl"_s);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("mine"));

        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, dir.path());
        cli.setProcessEnvironment(env);
        cli.start(folder + u"/sendvik-cli"_s, {u"--version"_s});
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(cli.readAllStandardOutput().trimmed(), QByteArray("ZELKOV E-Mail QSL Ver5.12"));
    }
};

QTEST_MAIN(SetupWizardTest)
#include "setup_wizard_test.moc"
