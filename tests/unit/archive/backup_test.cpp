#include "archive/backup.h"

#include "core/message_ports.h"
#include "core/progress_port.h"
#include "core/zkw_ini.h"
#include "test_support.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

struct Archive {
    Sandbox box;
    CardFolders folders{box.path(u"受信"_s), box.path(u"送信"_s), box.path(u"QslMsg"_s)};
    QString ini = box.path(u"Sendvik.ini"_s);
    BackupSettings settings;
    ScriptedMessagePort port;
    ScopedMessagePort installed{&port};

    Archive() {
        for (const QString& d :
             {folders.receivedDir, folders.sentDir, folders.messageDir, box.path(u"bak"_s)})
            QDir().mkpath(d);
        writeBytes(ini, "[Config]\r\nJpeg=photo.jpg\r\n");
        writeBytes(folders.receivedDir + u"/A_1.jpg"_s, QByteArray(2049, 'a'));
        writeBytes(folders.receivedDir + u"/B_2.jpg"_s, QByteArray(2048, 'b'));  // no card
        writeBytes(folders.sentDir + u"/C_3.jpg"_s, QByteArray(3000, 'c'));
        writeBytes(folders.messageDir + u"/A_1.txt"_s, "eleven byte");
        writeBytes(folders.messageDir + u"/B_2.txt"_s, "ten bytes.");
        settings.folder = box.path(u"bak"_s);
    }
    QStringList backedUp() const {
        QStringList out;
        QDirIterator it(box.path(u"bak"_s), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            out << it.next().mid(box.path(u"bak/"_s).size());
        out.sort();
        return out;
    }
};

// What a run copies: by size, by scope and the boxes, newer files only.
TEST(Backup, CopiesWhatIsNewerByScopeAndSize) {
    Archive a;
    a.settings.alsoSent = a.settings.alsoTexts = true;
    RecordingProgressPort progress;
    // From the menu (scope 0): the settings file and the received cards only.
    BackupResult r = runBackup(a.settings, a.ini, a.folders, 0, &progress);
    EXPECT_EQ(r.copied, 2);
    EXPECT_EQ(a.backedUp(), (QStringList{u"Sendvik.ini"_s, u"受信/A_1.jpg"_s}));
    EXPECT_EQ(a.port.messages().back().text, u"2 個のファイルをコピーしました。"_s);
    EXPECT_EQ(r.looked, (std::array<int, 3>{1, 0, 0}));
    EXPECT_EQ(QFileInfo(a.box.path(u"bak/受信/A_1.jpg"_s)).lastModified(),
              QFileInfo(a.folders.receivedDir + u"/A_1.jpg"_s).lastModified());

    // Again: nothing newer, nothing copied.
    r = runBackup(a.settings, a.ini, a.folders, 0, &progress);
    EXPECT_EQ(r.copied, 0);
    EXPECT_EQ(a.port.messages().back().text, u"0 個のファイルをコピーしました。"_s);

    // At the end after sending only: the sent cards, not the texts.
    r = runBackup(a.settings, a.ini, a.folders, backup_scope::Sent, nullptr);
    EXPECT_EQ(r.copied, 1);
    EXPECT_TRUE(a.backedUp().contains(u"送信/C_3.jpg"_s));
    // After receiving: the texts over ten bytes.
    r = runBackup(a.settings, a.ini, a.folders, backup_scope::Received, nullptr);
    EXPECT_EQ(r.copied, 1);
    EXPECT_TRUE(a.backedUp().contains(u"QslMsg/A_1.txt"_s));
    EXPECT_FALSE(a.backedUp().contains(u"QslMsg/B_2.txt"_s));

    // A changed card is copied again.
    QFile card(a.folders.receivedDir + u"/A_1.jpg"_s);
    ASSERT_TRUE(card.open(QIODevice::ReadWrite));
    card.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
    card.close();
    EXPECT_EQ(runBackup(a.settings, a.ini, a.folders, 0, nullptr).copied, 1);
}

// A copy that fails, and one a kill left half done, never spoil the good
// backup; a stop ends the run between files; a missing folder is told.
TEST(Backup, AnInterruptedCopyLeavesTheOldBackupWhole) {
    Archive a;
    ASSERT_EQ(runBackup(a.settings, a.ini, a.folders, 0, nullptr).copied, 2);
    const QString kept = a.box.path(u"bak/受信/A_1.jpg"_s);
    writeBytes(a.folders.receivedDir + u"/A_1.jpg"_s, QByteArray(5000, 'n'));
    QFile card(a.folders.receivedDir + u"/A_1.jpg"_s);
    ASSERT_TRUE(card.open(QIODevice::ReadWrite));
    card.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
    card.close();
    // The copy cannot be written (its temporary name is taken by a folder).
    QDir().mkpath(kept + u".part/x"_s);
    EXPECT_EQ(runBackup(a.settings, a.ini, a.folders, 0, nullptr).copied, 0);
    EXPECT_EQ(readBytes(kept), QByteArray(2049, 'a'));
    // A kill's leftover is replaced, and the copy made whole.
    QDir(kept + u".part"_s).removeRecursively();
    writeBytes(kept + u".part"_s, "half");
    EXPECT_EQ(runBackup(a.settings, a.ini, a.folders, 0, nullptr).copied, 1);
    EXPECT_EQ(readBytes(kept), QByteArray(5000, 'n'));
    EXPECT_FALSE(QFileInfo::exists(kept + u".part"_s));

    // Stopped at once: nothing more, nothing told.
    for (int i = 0; i < 30; ++i)
        writeBytes(a.folders.receivedDir + QStringLiteral("/N_%1.jpg").arg(i),
                   QByteArray(3000, 'x'));
    RecordingProgressPort progress;
    progress.abortAtPosition(5);
    a.port.clear();
    const BackupResult stopped = runBackup(a.settings, a.ini, a.folders, 0, &progress);
    EXPECT_TRUE(stopped.aborted);
    EXPECT_LT(stopped.copied, 30);
    EXPECT_TRUE(a.port.messages().empty());

    a.settings.folder = a.box.path(u"none"_s);
    const BackupResult missing = runBackup(a.settings, a.ini, a.folders, 0, nullptr);
    EXPECT_TRUE(missing.folderMissing);
    EXPECT_EQ(a.port.messages().back().text,
              u"バックアップ先フォルダが見つかりません！\r"_s + a.box.path(u"none"_s));
    EXPECT_FALSE(QFileInfo::exists(a.box.path(u"none"_s)));  // maybe a disk not plugged in

    // The default folder is offered to be made; "はい" makes it and goes on.
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", a.box.path(u"home"_s).toUtf8());
    a.settings.folder = BackupSettings::defaultFolder();
    EXPECT_TRUE(a.settings.folder.startsWith(a.box.path(u"home"_s)));
    a.port.clear();
    a.port.answer(mb::IdYes);
    const BackupResult made = runBackup(a.settings, a.ini, a.folders, 0, nullptr);
    EXPECT_FALSE(made.folderMissing);
    EXPECT_TRUE(
        a.port.messages().front().text.endsWith(u"このフォルダを作成してバックアップしますか？"_s));
    EXPECT_TRUE(QFileInfo(a.settings.folder + u"/受信"_s).isDir());
    qputenv("HOME", home);
}

TEST(Backup, SettingsAndTheRunAtTheEnd) {
    Sandbox box;
    TZkwIni ini(box.path(u"Sendvik.ini"_s));
    BackupSettings s;
    s.load(ini);
    EXPECT_EQ(s.counts, (std::array<int, 3>{0, 0, 400}));  // none stored
    EXPECT_TRUE(s.folder.endsWith(u"ZelkovBak"_s));
    s.alsoSent = true;
    s.atExit = true;
    s.counts = {7, 3, 2};
    s.save(ini);
    s.saveCounts(ini);
    EXPECT_EQ(ini.readInteger(u"Config", u"BakChk", 0), 40);
    BackupSettings again;
    again.load(ini);
    EXPECT_EQ(again.counts, (std::array<int, 3>{7, 3, 2}));
    EXPECT_TRUE(again.alsoSent && again.atExit && !again.alsoTexts);

    EXPECT_FALSE(backupAtExitDue(again, 0));                  // nothing exchanged
    EXPECT_TRUE(backupAtExitDue(again, backup_scope::Sent));  // sent, sent cards kept
    again.alsoSent = false;
    EXPECT_FALSE(backupAtExitDue(again, backup_scope::Sent));  // sent only
    EXPECT_TRUE(backupAtExitDue(again, backup_scope::Received));
    again.atExit = false;
    EXPECT_FALSE(backupAtExitDue(again, backup_scope::Received));
}

}  // namespace
