// The two programs as a person or a script runs them.

#include "core/sjis.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>

#include <gtest/gtest.h>

using testing_support::readBytes;
using testing_support::Sandbox;

namespace {

struct ProgramRun {
    int code = -1;
    QString out;
    QString err;
};

ProgramRun cli(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(QStringLiteral(SENDVIK_CLI), args);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

TEST(Cli, VersionPrintsTitleAndVersion) {
    const ProgramRun r = cli({u"--version"_s});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QStringLiteral("ZELKOV E-Mail QSL Ver5.12\n"));
}

TEST(Cli, SettingsCommandsReadAndWriteTheProgramsSettingsFile) {
    Sandbox box;
    const QString home = box.path(u"home"_s);
    auto run = [&](QStringList args) {
        return cli(QStringList{u"--home"_s, home, u"settings"_s} + args);
    };

    // A folder that is not there: only a command that writes starts it, and
    // says so.
    const ProgramRun none = run({u"get"_s, u"Config"_s, u"FontName"_s, u"ＭＳ Ｐ明朝"_s});
    EXPECT_EQ(none.code, 1);
    EXPECT_TRUE(
        none.err.contains(u"プログラムフォルダがありません: "_s + QDir::toNativeSeparators(home)))
        << none.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home));
    // A writer that fails leaves no folder behind.
    testing_support::writeBytes(box.path(u"notes.adi"_s), "no fields here\n");
    const ProgramRun failed =
        cli({u"--home"_s, home, u"log"_s, u"import"_s, box.path(u"notes.adi"_s)});
    EXPECT_EQ(failed.code, 1);
    EXPECT_FALSE(failed.err.contains(u"作成しました"_s));
    EXPECT_FALSE(QFileInfo::exists(home));
    const ProgramRun made = run({u"set"_s, u"Config"_s, u"FontName"_s, u"ＭＳ ゴシック"_s});
    EXPECT_EQ(made.code, 0);
    EXPECT_TRUE(made.err.contains(u"新しいプログラムフォルダを作成しました"_s));
    EXPECT_EQ(run({u"get"_s, u"Config"_s, u"Font2"_s, u"ＭＳ Ｐ明朝"_s}).out,
              QStringLiteral("ＭＳ Ｐ明朝\n"));
    EXPECT_EQ(run({u"set"_s, u"Config"_s, u"Alpha"_s, u"20"_s}).code, 0);
    EXPECT_EQ(run({u"words-set"_s, u"Option"_s, u"Pass1"_s, u"abc"_s}).code, 0);
    EXPECT_EQ(readBytes(home + u"/Sendvik.ini"_s),
              sjis::fromUnicode(u"[Config]\r\nFontName=ＭＳ ゴシック\r\nAlpha=20\r\n\r\n"
                                u"[Option]\r\nPass1=25185x99x\r\n\r\n"));
    EXPECT_EQ(run({u"get"_s, u"config"_s, u"fontname"_s}).out, QStringLiteral("ＭＳ ゴシック\n"));
    EXPECT_EQ(run({u"words-get"_s, u"Option"_s, u"Pass1"_s}).out, QStringLiteral("abc\n"));
    EXPECT_EQ(run({u"delete"_s, u"Config"_s, u"Alpha"_s}).code, 0);
    // Not set, and no value given to take then: said, not printed as empty.
    const ProgramRun unset = run({u"get"_s, u"Config"_s, u"Alpha"_s});
    EXPECT_EQ(unset.code, 1);
    EXPECT_TRUE(unset.out.isEmpty());
    EXPECT_TRUE(unset.err.contains(u"[Config] Alpha は設定されていません"_s));

    const ProgramRun bad = run({u"frobnicate"_s, u"A"_s, u"B"_s});
    EXPECT_EQ(bad.code, 2);
    EXPECT_TRUE(bad.err.contains(u"usage"_s));
    EXPECT_EQ(cli({u"--home"_s, home, u"nothing"_s}).code, 2);
}

TEST(Cli, ASettingsFileThatCannotBeWrittenIsReported) {
    Sandbox box;
    const QString home = box.path(u"home"_s);
    QDir().mkpath(home + u"/Sendvik.ini"_s);  // a folder where the file should be
    const ProgramRun r =
        cli({u"--home"_s, home, u"settings"_s, u"set"_s, u"Config"_s, u"Alpha"_s, u"1"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(u"次のファイルが書き込めません！ ファイル属性を確認してください"_s))
        << r.err.toStdString();
}

// Offscreen, as a user of its own: one copy runs per user.
QProcessEnvironment guiEnvironment(const QString& user) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"USER"_s, user + QString::number(QCoreApplication::applicationPid()));
    return env;
}

TEST(Gui, StartsOnAHomeFolderAndQuitsCleanlyWhenTheSessionEnds) {
    Sandbox box;
    const QString home = box.path(u"home"_s);
    QProcess p;
    p.setProcessEnvironment(guiEnvironment(u"quit-test"_s));
    p.start(QStringLiteral(SENDVIK_GUI), {u"--home"_s, home});
    ASSERT_TRUE(p.waitForStarted(10000));
    EXPECT_FALSE(p.waitForFinished(1500));  // running its window
    ASSERT_GT(p.processId(), 0);            // never signal the whole process group
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(QFileInfo(home).isDir());
    // Closed as the person would: the window's state is saved.
    EXPECT_TRUE(readBytes(home + u"/Sendvik.ini"_s).contains("PCheck=441"));
}

TEST(Gui, ASecondStartLeavesTheFirstRunningAndEnds) {
    Sandbox box;
    const QString home = box.path(u"home"_s);
    QProcess first;
    first.setProcessEnvironment(guiEnvironment(u"single-test"_s));
    first.start(QStringLiteral(SENDVIK_GUI), {u"--home"_s, home, u"-T"_s});
    ASSERT_TRUE(first.waitForStarted(10000));
    EXPECT_FALSE(first.waitForFinished(1500));
    QProcess second;
    second.setProcessEnvironment(guiEnvironment(u"single-test"_s));
    second.start(QStringLiteral(SENDVIK_GUI), {u"--home"_s, home});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(second.readAllStandardError())
                    .contains(u"ZELKOV E-Mail QSL はこのフォルダで既に起動しています"_s));
    EXPECT_EQ(first.state(), QProcess::Running);
    // The same user on another program folder runs a copy of its own.
    // Another user's copy on this folder is refused by the folder's lock,
    // naming the copy that holds it, and its box ends with the session.
    QProcess elsewhere;
    elsewhere.setProcessEnvironment(guiEnvironment(u"single-test"_s));
    elsewhere.start(QStringLiteral(SENDVIK_GUI), {u"--home"_s, box.path(u"elsewhere"_s), u"-T"_s});
    ASSERT_TRUE(elsewhere.waitForStarted(10000));
    EXPECT_FALSE(elsewhere.waitForFinished(1500));
    QProcess other;
    other.setProcessEnvironment(guiEnvironment(u"single-other"_s));
    other.start(QStringLiteral(SENDVIK_GUI), {u"--home"_s, home, u"-T"_s});
    ASSERT_TRUE(other.waitForStarted(10000));
    EXPECT_FALSE(other.waitForFinished(1500));
    // Ended as a session ends, so that it takes its guard with it.
    ASSERT_GT(other.processId(), 0);
    ::kill(static_cast<pid_t>(other.processId()), SIGTERM);
    ASSERT_TRUE(other.waitForFinished(10000));
    EXPECT_TRUE(QString::fromUtf8(other.readAllStandardError())
                    .contains(u"は Sendvik（プロセス番号 %1"_s.arg(first.processId())));

    // The command line leaves the running copy's settings alone: a change
    // would be written over when it closes.
    const auto settings = [&](const QStringList& args) {
        QProcess cli;
        cli.setProcessEnvironment(guiEnvironment(u"single-test"_s));
        cli.start(QStringLiteral(SENDVIK_CLI),
                  QStringList{u"--home"_s, home, u"settings"_s} + args);
        cli.waitForFinished(30000);
        return std::make_pair(cli.exitCode(), QString::fromUtf8(cli.readAllStandardError()));
    };
    const QByteArray before = readBytes(home + u"/Sendvik.ini"_s);
    const auto refused = settings({u"set"_s, u"Config"_s, u"Alpha"_s, u"5"_s});
    EXPECT_EQ(refused.first, 1);
    EXPECT_TRUE(refused.second.contains(
        u"sendvik-cli: "_s + QDir::toNativeSeparators(home) +
        u" で Sendvik が起動中です。終了してから実行してください（終了時に設定を書き戻すため、"
        u"この変更は失われます）。何も変更していません。\n"_s))
        << refused.second.toStdString();
    EXPECT_EQ(readBytes(home + u"/Sendvik.ini"_s), before);
    EXPECT_EQ(settings({u"get"_s, u"Config"_s, u"Alpha"_s, u"0"_s}).first, 0);

    for (QProcess* p : {&first, &elsewhere}) {
        ASSERT_GT(p->processId(), 0);  // never signal the whole process group
        ::kill(static_cast<pid_t>(p->processId()), SIGTERM);
        ASSERT_TRUE(p->waitForFinished(10000));
        EXPECT_EQ(p->exitCode(), 0);
    }
    // Closed: the change goes in and stays.
    EXPECT_EQ(settings({u"set"_s, u"Config"_s, u"Alpha"_s, u"5"_s}).first, 0);
    EXPECT_TRUE(readBytes(home + u"/Sendvik.ini"_s).contains("Alpha=5"));
}

}  // namespace
