#include "core/app_info.h"
#include "core/app_paths.h"
#include "core/mklink.h"
#include "core/shell_open.h"
#include "core/sjis.h"
#include "core/text_files.h"
#include "core/work_folder.h"
#include "core/zkw_ini.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using testing_support::readBytes;
using testing_support::Sandbox;

namespace {

TEST(Paths, AbsoluteAndRelativeAgainstTheProgramFolder) {
    const QString prog = u"/home/op/Zelkov/"_s;
    EXPECT_EQ(MakeAbsolutePath(u"受信"_s, prog), QStringLiteral("/home/op/Zelkov/受信"));
    EXPECT_EQ(MakeAbsolutePath(u"/data/x.jpg"_s, prog), QStringLiteral("/data/x.jpg"));
    EXPECT_EQ(MakeAbsolutePath(u"C:\\QSL\\a.jpg"_s, prog), QStringLiteral("C:\\QSL\\a.jpg"));
    EXPECT_EQ(MakeAbsolutePath(u"\\\\server\\share"_s, prog), QStringLiteral("\\\\server\\share"));
    EXPECT_EQ(MakeRelativePath(u"/home/op/Zelkov/pics/a.jpg"_s, prog),
              QStringLiteral("pics/a.jpg"));
    EXPECT_EQ(MakeRelativePath(u"pics/a.jpg"_s, prog), QStringLiteral("pics/a.jpg"));
    EXPECT_EQ(MakeRelativePath(u"/data/a.jpg"_s, prog), QStringLiteral("/data/a.jpg"));
    // Only a path that starts with the program folder is inside it.
    EXPECT_EQ(MakeRelativePath(u"/media/usb/home/op/Zelkov/a.jpg"_s, prog),
              QStringLiteral("/media/usb/home/op/Zelkov/a.jpg"));
    EXPECT_EQ(MakeAbsolutePath(MakeRelativePath(u"/home/op/Zelkov/a b.jpg"_s, prog), prog),
              QStringLiteral("/home/op/Zelkov/a b.jpg"));
    EXPECT_TRUE(EndsWithBackslash(u""));
    EXPECT_TRUE(EndsWithBackslash(u"/tmp/"));
    EXPECT_TRUE(EndsWithBackslash(u"C:\\"));
    EXPECT_FALSE(EndsWithBackslash(u"/tmp"));
    EXPECT_EQ(FolderOf(u"/a/b/c.txt"_s), QStringLiteral("/a/b/"));
    EXPECT_EQ(FolderOf(u"c.txt"_s), QString());
}

TEST(Paths, ProgramFolderFromArgumentsEnvironmentOrExecutable) {
    Sandbox box;
    const QString home = box.path(u"home one"_s);
    const AppPaths byArg = AppPaths::resolve({u"--home"_s, home}, box.dir());
    EXPECT_EQ(byArg.programDir(), home + u'/');
    EXPECT_EQ(byArg.settingsFile(), home + u"/Sendvik.ini"_s);
    EXPECT_TRUE(QFileInfo(home).isDir());  // created

    QStringList args{u"-T"_s, u"--home=/x/y"_s, u"z"_s};
    EXPECT_EQ(takeHomeArgument(args), QStringLiteral("/x/y"));
    EXPECT_EQ(args, (QStringList{u"-T"_s, u"z"_s}));

    qputenv("SENDVIK_HOME", box.path(u"env"_s).toUtf8());
    EXPECT_EQ(AppPaths::resolve({}, box.dir()).programDir(), box.path(u"env/"_s));
    qunsetenv("SENDVIK_HOME");

    // An installed copy: the executable's folder holds the settings file.
    const QString exeDir = box.path(u"bin"_s);
    QDir().mkpath(exeDir);
    testing_support::writeBytes(exeDir + u"/Sendvik.ini"_s, "[Config]\r\n");
    EXPECT_EQ(AppPaths::resolve({}, exeDir).programDir(), exeDir + u'/');
}

TEST(Paths, DirectoryExistsAndTheDocumentsFolder) {
    Sandbox box;
    EXPECT_TRUE(DirectoryExists(box.dir()));
    EXPECT_FALSE(DirectoryExists(box.path(u"nope"_s)));
    EXPECT_FALSE(DirectoryExists(QString()));
    const QString docs = GetShellFolder(kFolderPersonal);
    EXPECT_TRUE(docs.isEmpty() || EndsWithBackslash(docs));
    EXPECT_EQ(GetShellFolder(99), QString());
}

TEST(Links, WebAddressesAreCutAtBlankCommaOrJapanese) {
    auto link = [](const QString& t) { return ExtractLinkTarget(t).value_or(u"<none>"_s); };
    EXPECT_EQ(link(u"見て https://novq.example/qsl?a=1, 次"_s),
              QStringLiteral("https://novq.example/qsl?a=1"));
    EXPECT_EQ(link(u"http://a.example/x詳しくは"_s), QStringLiteral("http://a.example/x"));
    EXPECT_EQ(link(u"site: http://a.example/p q"_s), QStringLiteral("http://a.example/p"));
    EXPECT_EQ(link(u"https:/"_s + QString(300, u'a')).size(), 254);
    // http wins over https even when https comes first.
    EXPECT_EQ(link(u"https://s.example http://p.example"_s), QStringLiteral("http://p.example"));
}

TEST(Links, MailAddressesAroundTheFirstAtSign) {
    auto link = [](const QString& t) { return ExtractLinkTarget(t).value_or(u"<none>"_s); };
    EXPECT_EQ(link(u"連絡は ja1abc.qsl@example.jp! まで"_s),
              QStringLiteral("mailto:ja1abc.qsl@example.jp"));
    EXPECT_EQ(link(u"mail:jr2xyz_1@mail-x.example.ne.jp"_s),
              QStringLiteral("mailto:jr2xyz_1@mail-x.example.ne.jp"));
    EXPECT_EQ(link(u"@start.example"_s), QStringLiteral("<none>"));
    EXPECT_EQ(link(u"no address here"_s), QStringLiteral("<none>"));
    // At most 54 characters from the address's first character.
    const QString longName = QString(60, u'a') + u"@x.example"_s;
    EXPECT_EQ(link(longName), QStringLiteral("mailto:") + QString(54, u'a'));
}

TEST(Links, ProgramsAndTheirParameters) {
    ShellTarget t = SplitShellTarget(u"C:\\Tools\\app.exe -x"_s);
    EXPECT_EQ(t.file, QStringLiteral("C:\\Tools\\app.exe"));
    EXPECT_EQ(t.parameters, QStringLiteral("-x"));
    t = SplitShellTarget(u"app.exe"_s);
    EXPECT_EQ(t.file, QStringLiteral("app.exe"));
    EXPECT_EQ(t.parameters, QString());
    t = SplitShellTarget(u"My.EXE  two"_s);  // a blank after the space: no parameters
    EXPECT_EQ(t.file, QStringLiteral("My.EXE  two"));
    t = SplitShellTarget(u"a.exe b.exe -q"_s);
    EXPECT_EQ(t.file, QStringLiteral("a.exe"));
    EXPECT_EQ(t.parameters, QStringLiteral("b.exe -q"));
    EXPECT_EQ(SplitShellTarget(QString(600, u'x')).file.size(), 510);
}

TEST(Links, AFileThatCannotBeOpenedIsReported) {
    Sandbox box;
    const QString missing = box.path(u"missing.txt"_s);
    ShellOpen(missing);
    ASSERT_EQ(box.messages.messages().size(), 1u);
    EXPECT_EQ(box.messages.messages()[0].text,
              u"起動できません。（エラーNo2）\r\r見つかりません：\r"_s + missing);
    EXPECT_EQ(box.messages.messages()[0].caption, missing);
    EXPECT_EQ(box.messages.messages()[0].flags, 16u);

    // The desktop's opener finds no program for an address (no browser): the
    // address is named; when it opens it, nothing is said.
    const QByteArray path = qgetenv("PATH");
    QDir().mkpath(box.path(u"bin"_s));
    const QString opener = box.path(u"bin/xdg-open"_s);
    qputenv("PATH", QFile::encodeName(box.path(u"bin"_s)) + ':' + path);
    testing_support::writeBytes(opener, "#!/bin/sh\nexit 3\n");
    QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    box.messages.clear();
    EXPECT_FALSE(ShellOpen(u"https://www.zelkov.example/tgw/qsl/qanda.html"_s));
    ASSERT_EQ(box.messages.messages().size(), 1u);
    EXPECT_EQ(box.messages.messages()[0].text,
              u"起動できません。（エラーNo31）\r\r開くことのできるプログラムがありません：\r"
              u"https://www.zelkov.example/tgw/qsl/qanda.html"_s);
    testing_support::writeBytes(opener, "#!/bin/sh\nexit 0\n");
    box.messages.clear();
    EXPECT_TRUE(ShellOpen(u"https://www.zelkov.example/"_s));
    EXPECT_TRUE(box.messages.messages().empty());
    qputenv("PATH", path);
}

TEST(TextFiles, WriteTextFileWritesCp932AndReportsFailure) {
    Sandbox box;
    const QString file = box.path(u"msg.txt"_s);
    EXPECT_EQ(WriteTextFile(u"Subject:テスト\r\n"_s, file), 0);
    EXPECT_EQ(readBytes(file), QByteArray("Subject:\x83\x65\x83\x58\x83\x67\r\n"));
    EXPECT_EQ(WriteTextFile(u"short"_s, file), 0);  // overwrites
    EXPECT_EQ(readBytes(file), QByteArray("short"));
    // What CP932 cannot hold is not lost to "?": UTF-8, read back exactly.
    const QString memo = u"TNX QSO 😀 from José\r\n73"_s;
    EXPECT_EQ(WriteTextFile(memo, file), 0);
    EXPECT_TRUE(readBytes(file).startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(sjis::decodeUserText(readBytes(file)), memo);
    EXPECT_TRUE(box.messages.messages().empty());

    const QString bad = box.path(u"no/such/folder.txt"_s);
    EXPECT_EQ(WriteTextFile(u"x"_s, bad), 1);
    ASSERT_EQ(box.messages.messages().size(), 1u);
    // The system's reason follows in brackets.
    EXPECT_EQ(box.messages.messages()[0].text,
              bad + u"\r\r・・・を作成できません！\r\r（フォルダが見つかりません）"_s);
    EXPECT_EQ(box.messages.messages()[0].flags, 16u);

    // Written for a later sync: whole under its name, nothing beside it, the
    // older file replaced; a failure tells nobody and leaves no piece.
    const QString later = box.path(u"card.jpg_"_s);
    ASSERT_TRUE(SaveFile("old", later, FileSync::ByCaller));
    ASSERT_TRUE(SaveFile("new card", later, FileSync::ByCaller));
    EXPECT_EQ(readBytes(later), QByteArray("new card"));
    EXPECT_FALSE(SaveFile("x", bad, FileSync::ByCaller));
    QDir().mkpath(box.path(u"taken"_s));
    EXPECT_FALSE(SaveFile("x", box.path(u"taken"_s), FileSync::ByCaller));
    EXPECT_EQ(QDir(box.path(u""_s)).entryList({u"*.part"_s}, QDir::Files).size(), 0);
    EXPECT_EQ(box.messages.messages().size(), 1u);
}

TEST(Paths, AProgramFolderNamesTheServersWhereTheEnvironmentDoesNot) {
    Sandbox box;
    const QByteArray saved = qgetenv("SENDVIK_SERVER_BASE");
    const QByteArray saved2 = qgetenv("SENDVIK_SERVER_BASE2");
    qunsetenv("SENDVIK_SERVER_BASE");
    qputenv("SENDVIK_SERVER_BASE2", "https://set.example/");
    {
        TZkwIni settings(box.path(u"Sendvik.ini"_s));
        settings.writeString(u"Server"_s, u"Base"_s, u"https://localhost:11443"_s);
        settings.writeString(u"Server"_s, u"Base2"_s, u"https://other.example/"_s);
        app::useServerBasesOf(settings);
    }
    EXPECT_EQ(app::primaryServerBase(), u"https://localhost:11443/"_s);
    EXPECT_EQ(app::alternateServerBase(), u"https://set.example/"_s);
    qputenv("SENDVIK_SERVER_BASE", saved);
    qputenv("SENDVIK_SERVER_BASE2", saved2);
    if (saved.isEmpty()) qunsetenv("SENDVIK_SERVER_BASE");
    if (saved2.isEmpty()) qunsetenv("SENDVIK_SERVER_BASE2");
}

TEST(TextFiles, SetFileDateTimeChangesOnlyTheTime) {
    Sandbox box;
    const QString file = box.path(u"card.jpg"_s);
    testing_support::writeBytes(file, "jpeg bytes");
    const QDateTime when(QDate(2024, 3, 15), QTime(21, 30, 0));
    EXPECT_TRUE(SetFileDateTime(file, when));
    EXPECT_EQ(QFileInfo(file).lastModified(), when);
    EXPECT_EQ(readBytes(file), QByteArray("jpeg bytes"));
    EXPECT_FALSE(SetFileDateTime(box.path(u"none.jpg"_s), when));
    EXPECT_FALSE(QFileInfo::exists(box.path(u"none.jpg"_s)));
}

}  // namespace

// A killed run's work folder goes at the next start; a running one's stays,
// and so does anything else in the temporary folder.
TEST(WorkFolders, AKilledRunsFolderGoesAndARunningOnesStays) {
    Sandbox box;
    const QByteArray before = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(box.path(u"tmp"_s)));
    QDir().mkpath(box.path(u"tmp"_s));
    QProcess gone;
    gone.start(u"true"_s);
    ASSERT_TRUE(gone.waitForStarted(5000));
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished(5000));
    const QString dead = box.path(u"tmp/sendvik-work-%1-abcdef"_s.arg(deadPid));
    const QString running = box.path(u"tmp/sendvik-work-1-abcdef"_s);
    const QString other = box.path(u"tmp/sendvik-work-notes"_s);
    for (const QString& folder : {dead, running, other}) {
        QDir().mkpath(folder);
        testing_support::writeBytes(folder + u"/card.jpg"_s, "jpeg");
    }
    const auto own = newWorkFolder();
    ASSERT_TRUE(own->isValid());
    EXPECT_TRUE(QFileInfo(own->path())
                    .fileName()
                    .startsWith(u"sendvik-work-%1-"_s.arg(QCoreApplication::applicationPid())));
    EXPECT_EQ(removeAbandonedWorkFolders(), 1);
    EXPECT_FALSE(QFileInfo::exists(dead));
    for (const QString& folder : {running, other, own->path()})
        EXPECT_TRUE(QFileInfo::exists(folder)) << folder.toStdString();
    if (before.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", before);
}
