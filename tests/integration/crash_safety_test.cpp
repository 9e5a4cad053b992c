// Crash safety: a worker writing the settings file, the log's marks and the
// backup is killed (SIGKILL) at random moments, many times; what it leaves
// is always whole: the old settings or the new, every mark with its date or
// neither and in the order written, every backup file a whole copy. And a
// full disk under the settings and the backup.

#include "crash_worker/card_content.h"

#include "archive/backup.h"
#include "core/text_files.h"
#include "core/whole_file.h"
#include "core/zkw_ini.h"
#include "exchange/send_journal.h"
#include "log_fixture.h"
#include "logdata/adif.h"
#include "logdata/log_store.h"
#include "logdata/qso_record.h"
#include "mail/undelivered_cards.h"
#include "render/jpeg_io.h"
#include "small_disk.h"
#include "test_support.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <csignal>

#include <gtest/gtest.h>

using namespace testing_support;
using namespace Qt::Literals::StringLiterals;

namespace {

// Starts the worker, waits for its first round, lets it run a random while
// (up to `maxMs`) and kills it. False when it never got ready.
bool killAtRandom(const QStringList& args, int maxMs, QRandomGenerator& random) {
    QProcess p;
    p.start(QStringLiteral(CRASH_WORKER), args);
    if (!p.waitForStarted(5000)) return false;
    QByteArray out;
    for (int i = 0; i < 200 && !out.contains("ready"); ++i) {
        p.waitForReadyRead(50);
        out += p.readAllStandardOutput();
        if (p.state() != QProcess::Running) break;
    }
    if (!out.contains("ready")) {
        p.kill();
        p.waitForFinished(5000);
        return false;
    }
    QThread::usleep(random.bounded(maxMs * 1000));
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished(5000);
    return true;
}

constexpr int kKills = 40;

}  // namespace

TEST(CrashSafety, TheSettingsFileIsTheOldOrTheNewNeverPartial) {
    Sandbox box;
    QRandomGenerator random(20261209);
    const QString file = box.path(u"Sendvik.ini"_s);
    for (int n = 0; n < kKills; ++n) {
        ASSERT_TRUE(killAtRandom({u"settings"_s, file}, 80, random)) << "kill " << n;
        const TZkwIni ini(file);
        const int g = ini.readInteger(u"Gen", u"Value", 0);
        ASSERT_GE(g, 1) << "kill " << n;
        for (int k = 1; k <= 40; ++k)
            ASSERT_EQ(ini.readString(u"Keys", QStringLiteral("K%1").arg(k), QString()),
                      QStringLiteral("%1-").arg(g) + QString((g * k) % 97, u'x'))
                << "kill " << n << " key " << k;
    }
}

TEST(CrashSafety, EveryMarkIsWrittenWithItsDateOrNotAtAllInOrder) {
    Sandbox box;
    QRandomGenerator random(1209);
    const QString mst = box.path(u"ZELKOV.mst"_s);
    std::vector<QsoRecord> qsos;
    for (int i = 0; i < 3000; ++i)
        qsos.push_back(qso(QStringLiteral("JA%1ZZ").arg(i % 10) + QChar(u'A' + i % 26),
                           QStringLiteral("24/%1/%2")
                               .arg(1 + i % 12, 2, 10, QChar(u'0'))
                               .arg(1 + i % 28, 2, 10, QChar(u'0')),
                           QStringLiteral("%1:%2")
                               .arg(i % 24, 2, 10, QChar(u'0'))
                               .arg(i % 60, 2, 10, QChar(u'0'))));
    makeLog(mst, qsos);
    int lastHighest = 0;
    for (int n = 0; n < kKills; ++n) {
        // Each run goes on after the last mark, so the kills land all over.
        ASSERT_TRUE(killAtRandom(
            {u"marks"_s, mst, QString::number(std::max(1, lastHighest)), u"3000"_s}, 60, random))
            << "kill " << n;
        QProcess check;
        check.start(u"sqlite3"_s, {mst, u"PRAGMA integrity_check;"_s});
        ASSERT_TRUE(check.waitForFinished(10000));
        ASSERT_EQ(check.readAllStandardOutput().trimmed(), QByteArray("ok")) << "kill " << n;
        LogStore log;
        ASSERT_TRUE(log.open(mst, false)) << log.errorText().toStdString();
        int highest = 0;
        for (int r = 1; r <= 3000; ++r) {
            QsoRecord q;
            ASSERT_TRUE(log.read(r, q));
            const bool marked = q.qslSent == u'H';
            ASSERT_EQ(marked, !q.sentDate.isEmpty())
                << "a torn record " << r << " after kill " << n;
            if (marked) {
                ASSERT_EQ(highest, r - 1) << "a mark out of order at " << r;
                highest = r;
            }
        }
        ASSERT_GE(highest, lastHighest);
        lastHighest = highest;
        if (highest == 3000) break;
    }
    EXPECT_GT(lastHighest, 1);
}

TEST(CrashSafety, EveryBackupFileIsAWholeCopy) {
    Sandbox box;
    QRandomGenerator random(91);
    const QString source = box.path(u"受信"_s), backup = box.path(u"ZelkovBak"_s);
    QDir().mkpath(source);
    QDir().mkpath(backup);
    writeBytes(source + u"/Sendvik.ini"_s, "[Config]\r\n");
    int wholeCopies = 0;
    for (int n = 0; n < kKills; ++n) {
        ASSERT_TRUE(killAtRandom({u"backup"_s, source, backup}, 150, random)) << "kill " << n;
        const QString cards = backup + u"/受信"_s;
        for (const QString& name : QDir(cards).entryList({u"*.jpg"_s}, QDir::Files)) {
            const QByteArray bytes = readBytes(cards + u'/' + name);
            const QByteArray head = bytes.left(bytes.indexOf('\n'));
            const int g = head.mid(4, head.indexOf(' ') - 4).toInt();
            ASSERT_GE(g, 1) << name.toStdString() << " after kill " << n;
            ASSERT_EQ(bytes, crash_worker::cardContent(name, g))
                << name.toStdString() << " is not a whole copy after kill " << n;
            ++wholeCopies;
        }
        // The sources, rewritten while being killed, are whole too.
        for (const QString& name : QDir(source).entryList({u"*.jpg"_s}, QDir::Files)) {
            const QByteArray bytes = readBytes(source + u'/' + name);
            const int g = bytes.mid(4, bytes.indexOf(' ') - 4).toInt();
            ASSERT_EQ(bytes, crash_worker::cardContent(name, g)) << name.toStdString();
        }
    }
    EXPECT_GT(wholeCopies, 100);
}

// A full disk: the settings flush and the backup say so and keep what was
// there whole.
TEST(FullDisk, TheSettingsFlushSaysSoAndKeepsTheOldFile) {
    Sandbox box;
    // Bytes and file entries both run out (a temporary file cannot even be
    // made beside the settings).
    SmallDisk disk(box.path(u"disk"_s), u"size=256k,nr_inodes=4"_s);
    if (!disk.mounted()) GTEST_SKIP() << disk.why();
    const QString file = box.path(u"disk/Sendvik.ini"_s);
    {
        TZkwIni ini(file);
        for (int k = 0; k < 50; ++k)
            ini.writeString(u"Keys", QStringLiteral("K%1").arg(k), QString(40, u'v'));
    }
    const QByteArray before = readBytes(file);
    ASSERT_FALSE(before.isEmpty());
    // Every file entry taken (fewer than eight are left).
    for (int i = 0; i < 8; ++i)
        QFile(box.path(u"disk/taken%1"_s.arg(i))).open(QIODevice::WriteOnly);
    disk.fill(0);
    {
        TZkwIni ini(file);
        for (int k = 0; k < 50; ++k)
            ini.writeString(u"Keys", QStringLiteral("K%1").arg(k), QString(400, u'w'));
        EXPECT_FALSE(ini.flush());
    }
    EXPECT_EQ(readBytes(file), before);
    ASSERT_FALSE(box.messages.messages().empty());
    EXPECT_TRUE(
        box.messages.messages().front().text.startsWith(u"次のファイルが書き込めません！"_s));
}

// Bytes gone, file entries left: every kind of file the program owns is
// refused whole. The writer says so, the old file stays as it was, and no
// half-made file is left beside it.
TEST(FullDisk, EveryFileTheProgramOwnsStaysTheOldOneWhenTheDiskIsFull) {
    Sandbox box;
    SmallDisk disk(box.path(u"disk"_s), u"size=512k"_s);
    if (!disk.mounted()) GTEST_SKIP() << disk.why();
    const QDir dir(box.path(u"disk"_s));
    const QStringList names = {u"Sendvik.ini"_s, u"QSO.sending"_s, u"Undelivered.csv"_s,
                               u"memo.txt"_s,    u"card.qsl"_s,    u"export.adi"_s,
                               u"card.jpg"_s,    u"copy.jpg"_s};
    for (const QString& name : names)
        writeBytes(dir.filePath(name), "[Old]\r\nName=" + name.toUtf8() + "\r\n");
    const QString log = box.path(u"QSO.db"_s);
    makeLog(log, {qso(u"JA1ABC"_s, u"240101"_s, u"1200"_s)});
    const QString picture = box.path(u"big.jpg"_s);
    writeBytes(picture, QByteArray(64 * 1024, 'p'));
    disk.fill(0);

    {
        TZkwIni ini(dir.filePath(u"Sendvik.ini"_s));
        ini.writeString(u"Keys", u"K", u"v"_s);
        EXPECT_FALSE(ini.flush());
    }
    SendJournal journal(dir.filePath(u"QSO.db"_s));
    EXPECT_FALSE(journal.begin(1, u"JA1ABC"_s, u"JA1ABC.jpg"_s, u"ja1abc@example.jp"_s));
    EXPECT_FALSE(recordUndeliveredCard(
        dir.path(), {u"JS2IIU_240101_1200_7_CW_JA1ABC.jpg"_s, u"ja1abc@example.jp"_s, u"5.1.1"_s,
                     u"x"_s, QDateTime::currentDateTime(), u"r.txt"_s}));
    EXPECT_EQ(WriteTextFile(u"新しいメモ"_s, dir.filePath(u"memo.txt"_s)), 1);
    EXPECT_EQ(WriteTextFile(u"#Size 1024, 652\r\n"_s, dir.filePath(u"card.qsl"_s)), 1);
    {
        LogStore store;
        ASSERT_TRUE(store.open(log, false));
        EXPECT_FALSE(exportAdif(store, dir.filePath(u"export.adi"_s)).error.isEmpty());
    }
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::red);
    QString why;
    EXPECT_FALSE(writeJpeg(image, dir.filePath(u"card.jpg"_s), 80, &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(copyWholeFile(picture, dir.filePath(u"copy.jpg"_s)));

    for (const QString& name : names)
        EXPECT_EQ(readBytes(dir.filePath(name)), "[Old]\r\nName=" + name.toUtf8() + "\r\n")
            << name.toStdString();
    EXPECT_EQ(dir.entryList({u"*.part"_s}, QDir::Files | QDir::Hidden), QStringList());
    // Two boxes for the two texts, each naming its file.
    ASSERT_GE(box.messages.messages().size(), size_t(2));
}

TEST(FullDisk, TheBackupSaysWhatItCouldNotCopyAndKeepsTheOldCopies) {
    Sandbox box;
    SmallDisk disk(box.path(u"bak"_s), u"size=1m"_s);
    if (!disk.mounted()) GTEST_SKIP() << disk.why();
    const QString source = box.path(u"受信"_s);
    QDir().mkpath(source);
    writeBytes(box.path(u"Sendvik.ini"_s), "[Config]\r\nBackUp=x\r\n");
    for (int c = 0; c < 6; ++c) {
        const QString name = QStringLiteral("JA%1ABC_240101_1200_7_CW_JS2IIU.jpg").arg(c);
        writeBytes(source + u'/' + name, crash_worker::cardContent(name, 1));
    }
    BackupSettings settings;
    settings.folder = box.path(u"bak"_s);
    BackupResult r =
        runBackup(settings, box.path(u"Sendvik.ini"_s), {source, QString(), QString()}, 0, nullptr);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.copied, 7);
    // The cards change; the disk is full.
    QThread::msleep(1100);
    for (int c = 0; c < 6; ++c) {
        const QString name = QStringLiteral("JA%1ABC_240101_1200_7_CW_JS2IIU.jpg").arg(c);
        writeBytes(source + u'/' + name, crash_worker::cardContent(name, 2));
    }
    disk.fill(0);
    box.messages.clear();
    r = runBackup(settings, box.path(u"Sendvik.ini"_s), {source, QString(), QString()}, 0, nullptr);
    EXPECT_EQ(r.failed, 6);
    ASSERT_EQ(box.messages.messages().size(), size_t(1));
    EXPECT_TRUE(box.messages.messages()[0].text.startsWith(
        u"6 個のファイルがコピーできませんでした。\rバックアップ先の空き容量を確認してください。"_s))
        << box.messages.messages()[0].text.toStdString();
    for (int c = 0; c < 6; ++c) {
        const QString name = QStringLiteral("JA%1ABC_240101_1200_7_CW_JS2IIU.jpg").arg(c);
        EXPECT_EQ(readBytes(box.path(u"bak/受信/"_s + name)), crash_worker::cardContent(name, 1));
        EXPECT_FALSE(QFile::exists(box.path(u"bak/受信/"_s + name + u".part"_s)));
    }
    // Room again: the next run copies what was left out.
    disk.empty();
    r = runBackup(settings, box.path(u"Sendvik.ini"_s), {source, QString(), QString()}, 0, nullptr);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.copied, 6);
}
