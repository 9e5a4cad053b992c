// The installer's wizard, offscreen, into a temporary home: a fresh
// install, a second one reading the first back, a folder refused.

#include "setup/ui/setup_wizard.h"

#include "core/message_ports.h"
#include "setup/setup_registry.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

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
    }
};

QTEST_MAIN(SetupWizardTest)
#include "setup_wizard_test.moc"
