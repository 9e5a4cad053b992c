// The about box against the reference service server: the check for a newer
// build and the download of the new version, offscreen by the controls' names.

#include "server/ui/about_dialog.h"

#include "core/file_dialogs.h"
#include "core/message_ports.h"
#include "core/msg_box.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "server/httplib.h"

#include "env_file.h"

#include "gui_files.h"
#include "tar_gz.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;
using gui_files::readAll;
using gui_files::writeAll;

namespace {

QString envValue(const char* file, const QString& name) {
    return testing_support::envFileVars(QString::fromUtf8(file)).value(name);
}

}  // namespace

class AboutDialogServersTest : public QObject {
    Q_OBJECT

    QString base = envValue(SENDVIK_NOVQ_ENV, u"NOVQ_BASE"_s);
    QTemporaryDir dir;

    AboutInfo info() const {
        AboutInfo i;
        i.call = u"js2iiu"_s;
        i.libraryDate = u"2025/10/01 12:00:00 extra"_s;
        i.programPath = u"/opt/sendvik/sendvik"_s;
        i.qsoData = u"/home/ham/ZELKOV.mst"_s;
        i.recordCount = 12345;
        i.userListEdition = u"2026/12/01"_s;
        i.receivedDir = u"/home/ham/RcvQSL"_s;
        i.sentDir = u"/home/ham/SntQSL"_s;
        return i;
    }

    QList<QUrl> openedFiles_;

public Q_SLOTS:
    void openFile(const QUrl& url) { openedFiles_.append(url); }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(!base.isEmpty(), "the reference server is not running"); }

    void theTextAndTheCheckForANewerBuild() {
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        TZkwIni settings(dir.filePath(u"check.ini"_s));
        THTTPDown http(HttpOptions{envValue(SENDVIK_NOVQ_ENV, u"NOVQ_CA"_s)});
        WindowState boxPlaces(settings);
        TAbForm box(info(), http, base, boxPlaces, dir.path());
        QCOMPARE(box.findChild<QLabel*>(u"Label1"_s)->text(),
                 u"ZELKOV E-Mail QSL Ver5.12\nNOVQ_user：JS2IIU\nBuild\tsendvik (2025/11/30)\n"
                 u"\tZelkov50 2025/10/01 12:00:00 \n/opt/sendvik/sendvik\n"
                 u"/home/ham/ZELKOV.zdb\t\t総件数：12,345件\nZELKOVユーザーリスト\n"
                 u"　※2026/12/01版を使用中\n/home/ham/RcvQSL\n/home/ham/SntQSL"_s);
        box.show();
        auto* speed1 = box.findChild<QPushButton*>(u"Speed1"_s);
        speed1->click();
        QVERIFY(box.isVisible());
        QCOMPARE(speed1->text(), u"ダウンロード開始"_s);
        QCOMPARE(box.findChild<QLabel*>(u"Label2"_s)->text(),
                 u"最新バージョンが見つかりました！\n　Build：2026/01/15 を発見！"_s);
        QVERIFY(port.messages().empty());

        // The second press: the folder picker cancelled closes the box.
        ScriptedFileDialogPort files;
        ScopedFileDialogPort filesInstalled(&files);
        files.cancel();
        speed1->click();
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), 2);
        QCOMPARE(files.requests().at(0).title, u"最新版のダウンロード"_s);
        QCOMPARE(files.requests().at(0).startPath, dir.path());
    }

    void theDownloadGoesToThePickedFolder() {
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        ScriptedFileDialogPort files;
        ScopedFileDialogPort filesInstalled(&files);
        TZkwIni settings(dir.filePath(u"download.ini"_s));
        THTTPDown http(HttpOptions{envValue(SENDVIK_NOVQ_ENV, u"NOVQ_CA"_s)});
        WindowState boxPlaces(settings);
        TAbForm box(info(), http, base, boxPlaces, dir.path());
        box.show();
        auto* speed1 = box.findChild<QPushButton*>(u"Speed1"_s);
        speed1->click();
        const QString folder = dir.filePath(u"downloads"_s);
        QVERIFY(QDir().mkpath(folder));
        files.answer(folder);
        speed1->click();
        // A Windows setup file: saved, said where, and the program stays.
        const QString target = folder + u"/SendvikSetup.exe"_s;
        QCOMPARE(QFileInfo(target).size(), 300000);
        QCOMPARE(port.messages().size(), size_t(1));
        QCOMPARE(port.messages().at(0).text,
                 u"ダウンロードしました。\r\r"_s + target +
                     u"\r\rこのファイルはこのパソコンではインストールできません。"_s);
        QCOMPARE(settings.readString(u"Config", u"DownDir", QString()), folder);
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), 2);

        // A package this platform installs: asked, opened, and the program
        // may end for it.
        const QString offered =
            envValue(SENDVIK_NOVQ_ENV, u"NOVQ_DIR"_s) + u"/soft/SendvikSetup.exe"_s;
        const QByteArray original = readAll(offered);
        QByteArray deb =
            "!<arch>\ndebian-binary   1700000000  0     0     100644  4         `\n2.0\n";
        deb.append(QByteArray(1000, 'x'));
        writeAll(offered, deb);
        // A box of its own checks, downloads into `folder` and answers the
        // question to install; its result.
        const auto download = [&](int answer) {
            WindowState places(settings);
            TAbForm about(info(), http, base, places, dir.path());
            about.show();
            auto* press = about.findChild<QPushButton*>(u"Speed1"_s);
            press->click();
            files.answer(folder);
            port.clear();
            port.answer(answer);
            press->click();
            return about.result();
        };
        QDesktopServices::setUrlHandler(u"file"_s, this, "openFile");
        openedFiles_.clear();
        for (const int answer : {mb::IdNo, mb::IdYes}) {
            const int result = download(answer);
            QCOMPARE(port.messages().at(0).text, u"インストールを開始しますか？"_s);
            QCOMPARE(result, answer == mb::IdYes ? TAbForm::kInstallerStarted : 2);
        }
        QDesktopServices::unsetUrlHandler(u"file"_s);

        // The setup archive: unpacked into a private folder, its installer
        // started, the program ends; a broken one says what is wrong.
        const QString mark = dir.filePath(u"installer-started"_s);
        qputenv("SENDVIK_TEST_MARK", QFile::encodeName(mark));
        QVERIFY(tar_gz::write(offered, {{"sendvik-5.12/", {}, 0755, AE_IFDIR},
                                        {"sendvik-5.12/sendvik-setup",
                                         "#!/bin/sh\necho \"$0\" > \"$SENDVIK_TEST_MARK\"\n", 0755},
                                        {"sendvik-5.12/sendvik-setup.inf", "[Install]\r\n"}}));
        {
            const int result = download(mb::IdYes);
            QCOMPARE(port.messages().size(), size_t(1));
            QCOMPARE(result, TAbForm::kInstallerStarted);
            QTRY_VERIFY_WITH_TIMEOUT(readAll(mark).endsWith("/sendvik-5.12/sendvik-setup\n"),
                                     10000);
            const QString started = QString::fromUtf8(readAll(mark).trimmed());
            QVERIFY(started.contains(u"/sendvik-update-"_s));
            QVERIFY(!started.startsWith(folder));
            const QString privateFolder = QFileInfo(started).absolutePath().section(u'/', 0, -2);
            QVERIFY(!(QFile::permissions(privateFolder) & (QFile::ReadOther | QFile::ReadGroup)));
            QVERIFY(QDir(privateFolder).removeRecursively());
        }
        QByteArray broken("\x1f\x8b", 2);
        broken.append(QByteArray(5000, 'z'));
        writeAll(offered, broken);
        QCOMPARE(download(mb::IdYes), 2);
        QCOMPARE(port.messages().size(), size_t(2));
        QVERIFY(port.messages()[1].text.startsWith(target + u" - "_s));
        QVERIFY(port.messages()[1].text.endsWith(u"インストールを開始できませんでした。"_s));
        writeAll(offered, original);
        QCOMPARE(openedFiles_.size(), 1);
        QCOMPARE(openedFiles_.value(0).toLocalFile(), target);

        // Installed from the Debian package: updates come through it.
        AboutInfo packaged = info();
        packaged.programPath = u"/usr/bin/dpkg"_s;
        WindowState packagedPlaces(settings);
        TAbForm fromPackage(packaged, http, base, packagedPlaces, dir.path());
        fromPackage.show();
        fromPackage.findChild<QPushButton*>(u"Speed1"_s)->click();
        port.clear();
        const size_t picked = files.requests().size();
        fromPackage.findChild<QPushButton*>(u"Speed1"_s)->click();
        QCOMPARE(files.requests().size(), picked);
        QCOMPARE(port.messages().size(), size_t(1));
        QVERIFY(port.messages()[0].text.contains(u"パッケージ管理（apt など）"_s));
        QCOMPARE(fromPackage.result(), 2);

        // An unwritable folder: the client's box, then the about box's own.
        WindowState againPlaces(settings);
        TAbForm again(info(), http, base, againPlaces, dir.path());
        again.show();
        again.findChild<QPushButton*>(u"Speed1"_s)->click();
        port.clear();
        files.answer(dir.filePath(u"no/such/folder"_s));
        again.findChild<QPushButton*>(u"Speed1"_s)->click();
        QCOMPARE(port.messages().size(), size_t(2));
        QVERIFY(port.messages()[0].text.startsWith(u"ダウンロードファイルが書き込めません！"_s));
        QCOMPARE(port.messages()[1].text, u"ダウンロードできませんでした。"_s);
    }
};

QTEST_MAIN(AboutDialogServersTest)
#include "about_dialog_servers_test.moc"
