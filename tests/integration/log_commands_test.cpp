// The log commands of sendvik-cli and the logging-program stand-in, as a
// script runs them.

#include "core/folder_lock.h"
#include "log_fixture.h"
#include "logdata/user_list.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>

#include <tuple>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

QString run(const QString& program, const QStringList& args, int* code = nullptr) {
    QProcess p;
    p.start(program, args);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(30000));
    if (code) *code = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

TEST(LogCommands, ImportShowCountAndSelectOnTheSettingsLog) {
    Sandbox box;
    const QString home = box.path(u"home"_s);
    const QString cli = QStringLiteral(SENDVIK_CLI);
    const QString adif =
        dataFile(u"adif/ja_station_js2iiu_adifmaster_v2_25_one_record_per_line.adi"_s);
    int code = -1;
    // The import starts the program folder, and says so.
    EXPECT_EQ(run(cli, {u"--home"_s, home, u"log"_s, u"import"_s, adif}, &code),
              u"added=126\nduplicates=0\nskipped=0\n"
              u"sendvik-cli: 新しいプログラムフォルダを作成しました: "_s +
                  QDir::toNativeSeparators(home) + u'\n');
    EXPECT_EQ(code, 0);
    EXPECT_EQ(run(cli, {u"--home"_s, home, u"log"_s, u"count"_s}), u"126\n"_s);
    const QString shown = run(cli, {u"--home"_s, home, u"log"_s, u"show"_s, u"1"_s});
    EXPECT_TRUE(shown.contains(u"call=JA4FJR\n"_s)) << shown.toStdString();
    EXPECT_TRUE(shown.contains(u"date=21/02/06\ntime=05:08\nzone=U\n"_s.section(u'\n', 0, 0)));
    EXPECT_TRUE(shown.contains(u"freq=7.043701\n"_s));
    run(cli, {u"--home"_s, home, u"log"_s, u"show"_s, u"999"_s}, &code);
    EXPECT_EQ(code, 1);

    // The user list lets two stations through; its index is made on first use.
    writeBytes(home + u"/UserList.usr"_s, "2025/11/01\r\nJA4FJR\r\nJH7OTG\r\n");
    EXPECT_FALSE(QFileInfo::exists(home + u"/UserList.usx"_s));
    const QString selected = run(cli, {u"--home"_s, home, u"select"_s, u"1"_s, u"1"_s});
    EXPECT_TRUE(
        selected.startsWith(u"key,recno,call,date,time,report,freq,mode,remarks1,"
                            u"remarks2\nJA4FJR,1,JA4FJR,210206,1408,-07,7.043,FT8,"_s))
        << selected.toStdString();
    EXPECT_TRUE(
        selected.endsWith(u"not-in-user-list=0\nnot-a-member=0\ntoo-old=0\nalready-sent=0\n"
                          u"excluded-route=0\ninvalid-date=0\n"_s));
    EXPECT_TRUE(
        run(QStringLiteral(ZKWIN_SIM), {u"--log"_s, home + u"/ZELKOV.mst"_s, u"--show"_s, u"2"_s})
            .startsWith(u"2 JH7OTG 21/02/06 05:14U 7.043701 FT8"_s));
}

// A command that sends, receives or writes the marks is refused while
// another run holds the program folder, and says which run that is; a
// command that only reads goes on, and so does the log import (its one
// transaction keeps the log whole beside a running window, which follows
// the new QSOs). A holder that was killed holds nothing.
TEST(LogCommands, ARunOnAFolderAnotherRunHoldsIsRefusedWithItsHolder) {
    Sandbox box;
    const QString home = box.path(u"home"_s);
    QDir().mkpath(home);
    const QString cli = QStringLiteral(SENDVIK_CLI);
    const QString adif =
        dataFile(u"adif/ja_station_js2iiu_adifmaster_v2_25_one_record_per_line.adi"_s);
    int code = -1;
    {
        FolderLock held(home);
        ASSERT_EQ(held.take(), std::nullopt);
        for (const QStringList& args : {QStringList{u"receive"_s, u"--yes"_s},
                                        QStringList{u"send"_s, u"1"_s, u"2"_s, u"--yes"_s},
                                        QStringList{u"match"_s, u"--write-marks"_s}}) {
            const QString said = run(cli, QStringList{u"--home"_s, home} + args, &code);
            EXPECT_EQ(code, 1) << args.join(u' ').toStdString();
            EXPECT_TRUE(said.contains(
                u"integration_tests（プロセス番号 %1"_s.arg(QCoreApplication::applicationPid())))
                << said.toStdString();
        }
        // Reading goes on, and the import.
        EXPECT_FALSE(
            run(cli, {u"--home"_s, home, u"log"_s, u"count"_s}, &code).contains(u"使用中"_s));
        EXPECT_TRUE(run(cli, {u"--home"_s, home, u"log"_s, u"import"_s, adif}, &code)
                        .startsWith(u"added=126\n"_s));
        EXPECT_EQ(code, 0);
        // A copy of the folder made meanwhile is not held by anyone.
        const QString copy = box.path(u"copy"_s);
        QDir().mkpath(copy);
        ASSERT_TRUE(QFile::copy(FolderLock::fileNameIn(home), FolderLock::fileNameIn(copy)));
        run(cli, {u"--home"_s, copy, u"log"_s, u"import"_s, adif}, &code);
        EXPECT_EQ(code, 0);
    }
    // A lock left by a run that no longer exists.
    QProcess gone;
    gone.start(u"true"_s);
    ASSERT_TRUE(gone.waitForStarted(5000));
    const qint64 pid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished(5000));
    writeBytes(FolderLock::fileNameIn(home), QByteArray::number(pid) + "\nsendvik-cli\n" +
                                                 QSysInfo::machineHostName().toUtf8() + "\n");
    run(cli, {u"--home"_s, home, u"match"_s, u"--write-marks"_s}, &code);
    EXPECT_FALSE(QFileInfo::exists(FolderLock::fileNameIn(home)));
}

TEST(LogCommands, ASelectionStoppedAtAnImpossibleDateIsNoSuccess) {
    Sandbox box;
    const QString home = box.path(u"home"_s);
    QDir().mkpath(home);
    const QString recent = QDate::currentDate().addDays(-10).toString(u"yy/MM/dd"_s);
    makeLog(home + u"/ZELKOV.mst"_s,
            {qso(u"JA1ABC"_s, recent, u"12:00"_s), qso(u"JR2XYZ"_s, u"26/13/01"_s, u"25:61"_s),
             qso(u"JH3AAA"_s, recent, u"12:00"_s)});
    writeBytes(home + u"/UserList.usr"_s, "2025/11/01\r\nJA1ABC\r\nJR2XYZ\r\nJH3AAA\r\n");
    ASSERT_TRUE(BuildUserListIndex(home + u"/UserList.usr"_s));
    QProcess p;
    p.start(QStringLiteral(SENDVIK_CLI), {u"--home"_s, home, u"select"_s, u"1"_s, u"3"_s});
    p.closeWriteChannel();  // nobody to answer: the question takes its default
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(out.section(u'\n', 1).startsWith(u"JA1ABC,1,"_s)) << out.toStdString();
    EXPECT_FALSE(out.contains(u"JR2XYZ,2"_s));
    EXPECT_TRUE(err.contains(u"不正な日付時間です。"_s)) << err.toStdString();
    EXPECT_TRUE(err.contains(
        u"sendvik-cli: レコード 2 の日付または時刻が不正なため、選択を中止しました。"_s))
        << err.toStdString();
}

}  // namespace

namespace {

TEST(LogCommands, ANetworkCommandWithoutItsCompanionSaysWhy) {
    Sandbox box;
    const QString lone = box.path(u"bin/sendvik-cli"_s);
    QDir().mkpath(box.path(u"bin"_s));
    ASSERT_TRUE(QFile::copy(QStringLiteral(SENDVIK_CLI), lone));
    int code = -1;
    const QString said = run(lone, {u"--home"_s, box.path(u"home"_s), u"mail"_s, u"list"_s}, &code);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(
        said.startsWith(u"sendvik-cli: sendvik-cli-net を起動できません（sendvik-cli と同じ"
                        u"フォルダに置いてください）: "_s))
        << said.toStdString();
    // Where it was looked for, and the system's reason.
    EXPECT_TRUE(said.contains(QDir::toNativeSeparators(u"/sendvik-cli-net（No such file"_s)))
        << said.toStdString();
}

}  // namespace

namespace {

// Every wrong command line is answered on its first line, with the exit code
// a script can act on: 2 for a command line that is no command, 1 for what
// the command found wrong.
TEST(LogCommands, WrongInputIsNamedWithItsExitCode) {
    Sandbox box;
    const QString home = box.path(u"home"_s);
    const QString cli = QStringLiteral(SENDVIK_CLI);
    run(cli, {u"--home"_s, home, u"log"_s, u"import"_s,
              dataFile(u"adif/ja_station_js2iiu_adifmaster_v2_25_one_record_per_line.adi"_s)});
    writeBytes(box.path(u"notes.mQSL"_s), "Just some notes, nothing drawn.\r\n");
    writeBytes(box.path(u"photo.adi"_s), readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s)));
    const QString range = u"（QSOデータはレコード 1～126 です）"_s;
    const auto shown = [&box](const QString& name) {
        return QDir::toNativeSeparators(box.path(name));
    };
    const struct {
        QStringList args;
        int code;
        QString firstLine;
    } cases[] = {
        {{}, 2, u"usage: sendvik-cli [--home DIR] COMMAND ..."_s},
        {{u"bogus"_s}, 2, u"sendvik-cli: そのようなコマンドはありません: bogus"_s},
        {{u"render"_s, u"0"_s, u"-o"_s, box.path(u"c.jpg"_s)},
         1,
         u"sendvik-cli: レコード 0 はありません"_s + range},
        {{u"render"_s, u"9999"_s, u"-o"_s, box.path(u"c.jpg"_s)},
         1,
         u"sendvik-cli: レコード 9999 はありません"_s + range},
        {{u"log"_s, u"show"_s, u"abc"_s},
         1,
         u"sendvik-cli: 「abc」はレコード番号ではありません"_s + range},
        {{u"select"_s, u"100"_s, u"50"_s}, 1, u"sendvik-cli: 範囲 100～50 が逆順です"_s + range},
        {{u"render"_s, u"1"_s, u"-o"_s, box.path(u"c.jpg"_s), u"--definition"_s,
          box.path(u"gone.mQSL"_s)},
         1,
         u"sendvik-cli: QSL定義ファイルを読めません: "_s + shown(u"gone.mQSL"_s)},
        {{u"render"_s, u"1"_s, u"-o"_s, box.path(u"c.jpg"_s), u"--definition"_s,
          box.path(u"notes.mQSL"_s)},
         1,
         u"sendvik-cli: "_s + shown(u"notes.mQSL"_s) +
             u" はQSL定義ファイルではありません（#Print, #Jpg, #Text などの描画命令がありません）"_s},
        {{u"log"_s, u"export"_s, box.path(u"log.csv"_s)},
         1,
         u"sendvik-cli: QSOデータはADIFでのみ書き出せます。ファイル名を .adi（.adif）か .adx "
         u"にしてください: "_s +
             shown(u"log.csv"_s)},
        {{u"confirm"_s, u"--view"_s, u"5"_s},
         2,
         u"sendvik-cli confirm: --view には 0、1、2 のいずれかを指定してください"_s},
        {{u"confirm"_s, u"--view"_s, u"0"_s, u"--band"_s, u"99"_s},
         2,
         u"sendvik-cli confirm: そのようなバンドはありません: 99"_s},
        {{u"confirm"_s, u"--view"_s, u"0"_s},
         1,
         u"sendvik-cli confirm: 通信設定にコールサインがありません"_s},
        {{u"sent-list"_s, u"--tolerance"_s, u"60"_s},
         2,
         u"sendvik-cli sent-list: --tolerance には 0～59 の分数を指定してください"_s},
        {{u"backup"_s, u"--to"_s}, 2, u"sendvik-cli backup: --to にはフォルダを指定してください"_s},
        {{u"log"_s, u"import"_s, box.path(u"photo.adi"_s)},
         1,
         u"sendvik-cli: ADIFファイルではありません（ADIFのフィールドがありません）: "_s +
             shown(u"photo.adi"_s)},
        {{u"log"_s, u"follow"_s, box.path(u"photo.adi"_s), u"--bogus"_s},
         2,
         u"sendvik-cli log follow: 使えない引数です: --bogus"_s},
        {{u"wsjtx"_s, u"listen"_s, u"--port"_s, u"99999"_s},
         2,
         u"sendvik-cli wsjtx: --port には 1～65535 を指定してください"_s},
        {{u"wsjtx"_s, u"listen"_s, u"extra"_s}, 2, u"sendvik-cli wsjtx: 使えない引数です: extra"_s},
        // Each command's usage is its own; a log is no area list.
        {{u"select"_s, u"1"_s}, 2, u"usage: sendvik-cli select FIRST LAST"_s},
        {{u"areas"_s, u"import"_s,
          dataFile(u"adif/ja_station_js2iiu_adifmaster_v2_25_one_record_per_line.adi"_s)},
         1,
         u"sendvik-cli: "_s +
             QDir::toNativeSeparators(
                 dataFile(u"adif/ja_station_js2iiu_adifmaster_v2_25_one_record_per_line.adi"_s)) +
             u" には地域コードの行がありません（「コード,地域名」または JARL のリストの形式で"
             u"指定してください）"_s},
    };
    for (const auto& c : cases) {
        QProcess p;
        p.start(cli, QStringList{u"--home"_s, home} + c.args);
        p.closeWriteChannel();
        ASSERT_TRUE(p.waitForFinished(30000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), c.code) << c.args.join(u' ').toStdString();
        EXPECT_EQ(err.section(u'\n', 0, 0), c.firstLine) << err.toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty()) << c.args.join(u' ').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(box.path(u"c.jpg"_s)));
    EXPECT_FALSE(QFileInfo::exists(box.path(u"log.csv"_s)));
    // Help asked for: the whole usage on standard output, and success.
    for (const QString& ask : {u"--help"_s, u"-h"_s, u"help"_s}) {
        int code = -1;
        QProcess p;
        p.start(cli, {ask});
        ASSERT_TRUE(p.waitForFinished(30000));
        code = p.exitCode();
        const QString said = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_EQ(code, 0) << ask.toStdString();
        for (const QString& part : {u"send --check FIRST LAST"_s, u"--resume"_s,
                                    u"--undelivered [--take-back-marks]"_s, u"--explain"_s})
            EXPECT_TRUE(said.contains(part)) << ask.toStdString() << " " << part.toStdString();
    }
    // A command's help is its own usage, and nothing is done: no card goes
    // back with "resend --help", no folder is made.
    for (const QStringList& ask : {QStringList{u"resend"_s, u"--help"_s},
                                   {u"send"_s, u"1"_s, u"5"_s, u"-h"_s},
                                   {u"settings"_s, u"--help"_s}}) {
        QProcess p;
        p.start(cli, QStringList{u"--home"_s, box.path(u"none"_s)} + ask);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << ask.join(u' ').toStdString();
        EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput())
                        .startsWith(u"usage: sendvik-cli "_s + ask[0] + u' '))
            << ask.join(u' ').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(box.path(u"none"_s)));
    QProcess noFolder;
    noFolder.start(cli, {u"--home"_s});
    ASSERT_TRUE(noFolder.waitForFinished(30000));
    EXPECT_EQ(noFolder.exitCode(), 2);
    EXPECT_TRUE(noFolder.readAllStandardError().startsWith(
        u"sendvik-cli: --home にはプログラムフォルダを指定してください\n"_s.toUtf8()));
}

}  // namespace

namespace {

// An import names the records it leaves out in the person's words, while the
// counts keep the keys scripts read; a log that is not there says so.
TEST(LogCommands, ImportProblemsAreNamedByLineAndTheCountsKeepTheirKeys) {
    Sandbox box;
    const QString home = box.path(u"home"_s);
    QDir().mkpath(home);
    const QString cli = QStringLiteral(SENDVIK_CLI);
    const auto runCli = [&](const QStringList& args) {
        QProcess p;
        p.start(cli, QStringList{u"--home"_s, home} + args);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(30000));
        return std::make_tuple(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                               QString::fromUtf8(p.readAllStandardError()));
    };

    const auto [noLog, noCount, noLogSaid] = runCli({u"log"_s, u"count"_s});
    EXPECT_EQ(noLog, 1);
    EXPECT_TRUE(noCount.isEmpty());
    EXPECT_EQ(noLogSaid, u"sendvik-cli: QSOデータを開けません: "_s +
                             QDir::toNativeSeparators(home + u"/ZELKOV.zdb"_s) +
                             u"（ファイルがありません）\n"_s);

    const QString adif = box.path(u"broken.adi"_s);
    const QString shown = QDir::toNativeSeparators(adif);
    writeBytes(adif,
               "<EOH><CALL:6>JA9AAA<QSO_DATE:8>20240101<TIME_ON:4>0000<EOR>\n"
               "<CALL:6>JA9AAB<QSO_DATE:x>20240101<TIME_ON:4>0000<EOR>\n"
               "<CALL:6>JA9AAC<QSO_DATE:8>20241301<TIME_ON:4>0000<EOR>\n"
               "<QSO_DATE:8>20240101<TIME_ON:4>0000<EOR>\n"
               "<CALL:6>JA9AAD<QSO_DATE:8>20240101<TIME_ON:4>0000<EOR>\n<CALL:30>X");
    // Strict: the first malformed field fails it all.
    const auto [strict, strictOut, strictSaid] =
        runCli({u"log"_s, u"import"_s, adif, u"--strict"_s});
    EXPECT_EQ(strict, 1);
    EXPECT_TRUE(strictOut.isEmpty()) << strictOut.toStdString();
    EXPECT_EQ(strictSaid, u"sendvik-cli: "_s + shown +
                              u" の 2行目: フィールドの長さが不正です: <QSO_DATE:x>\n"_s);
    // The log made for it goes again.
    EXPECT_FALSE(QFileInfo::exists(home + u"/ZELKOV.zdb"_s));
    EXPECT_FALSE(QFileInfo::exists(home + u"/ZELKOV.mst"_s));

    const auto [code, out, said] = runCli({u"log"_s, u"import"_s, adif});
    EXPECT_EQ(code, 0) << said.toStdString();
    EXPECT_EQ(out,
              u"added=2\nduplicates=0\nskipped=4\nskipped[bad QSO_DATE]=1\n"
              u"skipped[bad field length]=1\nskipped[field runs past the end of the "
              u"file]=1\nskipped[no CALL]=1\n"_s);
    const QString skipped = u"（このレコードは読み飛ばしました）"_s;
    EXPECT_EQ(said, u"sendvik-cli: "_s + shown +
                        u" の 2行目: フィールドの長さが不正です: "
                        u"<QSO_DATE:x>"_s +
                        skipped + u"\n"_s + u"sendvik-cli: "_s + shown +
                        u" の 3行目: QSO_DATEが不正です"_s + skipped + u"\n"_s +
                        u"sendvik-cli: "_s + shown + u" の 4行目: CALLがありません"_s + skipped +
                        u"\n"_s + u"sendvik-cli: "_s + shown +
                        u" の 6行目: フィールドがファイルの終わりを越えています: <CALL>"_s +
                        skipped + u"\n"_s);
}

}  // namespace

namespace {

// A log another program appends to: each run takes the complete records
// written since the last one; a record still being written waits; a file
// written anew is read from its start without adding a QSO twice.
TEST(LogCommands, AFollowedLogGivesItsNewQsosOnceWhetherAppendedOrRewritten) {
    Sandbox box;
    const QString home = box.path(u"home"_s);
    QDir().mkpath(home);
    const QString cli = QStringLiteral(SENDVIK_CLI);
    const QString adi = box.path(u"wsjtx_log.adi"_s);
    const QByteArray header = "<adif_ver:5>3.1.0 <programid:6>WSJT-X <EOH>\n";
    const QByteArray first =
        "<call:6>JA1ABC <qso_date:8>20261209 <time_on:6>120015 <band:3>40m <mode:3>FT8 <EOR>\n";
    const QByteArray second =
        "<call:6>JA1ABD <qso_date:8>20261209 <time_on:6>121015 <band:3>40m <mode:3>FT8 <EOR>\n";
    const QStringList follow = {u"--home"_s, home, u"log"_s, u"follow"_s, adi, u"--once"_s};
    writeBytes(adi, header + first + second.left(30));
    int code = -1;
    EXPECT_EQ(run(cli, follow, &code),
              u"logged=JA1ABC,20261209,1200,40m,FT8 record=1\nadded=1\n"_s);
    EXPECT_EQ(code, 0);
    writeBytes(adi, header + first + second);
    EXPECT_EQ(run(cli, follow), u"logged=JA1ABD,20261209,1210,40m,FT8 record=2\nadded=1\n"_s);
    EXPECT_EQ(run(cli, follow), u"added=0\n"_s);
    // Written anew (another header): read again, only the new QSO added.
    const QByteArray third =
        "<call:6>JR2XYZ <qso_date:8>20261209 <time_on:6>130015 <band:3>20m <mode:3>FT4 <EOR>\n";
    writeBytes(adi, "<adif_ver:5>3.1.1 <EOH>\n" + second + third);
    const QString again = run(cli, follow);
    EXPECT_TRUE(again.startsWith(u"logged=JR2XYZ,20261209,1300,20m,FT4 record=3\nadded=1\n"_s))
        << again.toStdString();
    EXPECT_TRUE(again.contains(u"書き直されました"_s));
    EXPECT_EQ(run(cli, {u"--home"_s, home, u"log"_s, u"count"_s}), u"3\n"_s);
    EXPECT_EQ(run(cli, {u"--home"_s, home, u"log"_s, u"follow"_s, box.path(u"gone.adi"_s)}, &code)
                  .section(u'\n', 0, 0),
              u"sendvik-cli: ADIFファイルがありません: "_s +
                  QDir::toNativeSeparators(box.path(u"gone.adi"_s)));
    EXPECT_EQ(code, 1);
    writeBytes(box.path(u"photo.adi"_s), readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s)));
    EXPECT_TRUE(
        run(cli, {u"--home"_s, home, u"log"_s, u"follow"_s, box.path(u"photo.adi"_s), u"--once"_s},
            &code)
            .startsWith(u"sendvik-cli: ADIFファイルではありません"_s));
    EXPECT_EQ(code, 1);
    // The file the desktop program follows is not replaced behind its back.
    EXPECT_EQ(
        run(cli, {u"--home"_s, home, u"settings"_s, u"set"_s, u"LogFollow"_s, u"Watch"_s, u"1"_s}),
        QString());
    EXPECT_TRUE(
        run(cli, {u"--home"_s, home, u"log"_s, u"follow"_s, box.path(u"photo.adi"_s), u"--once"_s},
            &code)
            .startsWith(u"sendvik-cli: デスクトップ版は "_s));
    EXPECT_EQ(code, 1);
    EXPECT_EQ(run(cli, follow), u"added=0\n"_s);  // its own file goes on
}

}  // namespace
