// The backup dialog, offscreen, by its controls' names: a run, the boxes
// kept, a run that finds no folder.

#include "archive/ui/backup_dialog.h"

#include "core/message_ports.h"
#include "core/zkw_ini.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class BackupDialogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aRunCopiesAndTheBoxesAreKept() {
        QTemporaryDir dir;
        const CardFolders folders{dir.filePath(u"受信"_s), dir.filePath(u"送信"_s),
                                  dir.filePath(u"QslMsg"_s)};
        QDir().mkpath(folders.receivedDir);
        QDir().mkpath(dir.filePath(u"bak"_s));
        QFile card(folders.receivedDir + u"/JA1ABC_261120_1200_7.024_CW_JS2IIU.jpg"_s);
        QVERIFY(card.open(QIODevice::WriteOnly));
        card.write(QByteArray(3000, 'x'));
        card.close();
        TZkwIni settings(dir.filePath(u"Sendvik.ini"_s));
        settings.writeString(u"Config", u"BackUp", dir.filePath(u"bak"_s));
        QVERIFY(settings.flush());
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);

        TForm2 backup(settings, dir.filePath(u"Sendvik.ini"_s), folders);
        backup.show();
        QCOMPARE(backup.findChild<QLabel*>(u"Label1"_s)->text(),
                 QDir::toNativeSeparators(dir.filePath(u"bak"_s)));
        backup.findChild<QCheckBox*>(u"Check3"_s)->setChecked(true);
        backup.findChild<QPushButton*>(u"Speed1"_s)->click();
        QCOMPARE(port.messages().back().text, u"2 個のファイルをコピーしました。"_s);
        QVERIFY(QFile::exists(dir.filePath(u"bak/受信/JA1ABC_261120_1200_7.024_CW_JS2IIU.jpg"_s)));
        QVERIFY(!backup.isVisible());  // closed after the run
        QCOMPARE(settings.readInteger(u"Config", u"BakChk", 0), 32);
        QCOMPARE(settings.readString(u"Config", u"Progres", QString()), u"1,0,0"_s);

        // The folder gone: told, the dialog stays.
        QDir(dir.filePath(u"bak"_s)).removeRecursively();
        TForm2 again(settings, dir.filePath(u"Sendvik.ini"_s), folders);
        again.show();
        QTest::qWait(50);
        const int pathHeight = again.findChild<QLabel*>(u"Label1"_s)->height();
        const QSize windowSize = again.size();
        const int boxTop = again.findChild<QCheckBox*>(u"Check1"_s)->y();
        again.findChild<QPushButton*>(u"Speed1"_s)->click();
        QTest::qWait(50);
        // The layout stays as it was: the path one line, the boxes in place.
        QCOMPARE(again.findChild<QLabel*>(u"Label1"_s)->height(), pathHeight);
        QCOMPARE(again.findChild<QCheckBox*>(u"Check1"_s)->y(), boxTop);
        QCOMPARE(again.size(), windowSize);
        QVERIFY(port.messages().back().text.startsWith(
            u"バックアップ先フォルダが見つかりません！\r"_s));
        QVERIFY(again.isVisible());
        QCOMPARE(again.findChild<QPushButton*>(u"Speed1"_s)->text(), u"バックアップ"_s);
        QVERIFY(again.findChild<QPushButton*>(u"BitBtn1"_s)->isEnabled());
    }
};

QTEST_MAIN(BackupDialogTest)
#include "backup_dialog_test.moc"
