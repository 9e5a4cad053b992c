#include "setup/installation.h"

#include "setup/setup_registry.h"
#include "small_disk.h"
#include "test_support.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// The file list, the registry stand-in and the earlier installation read
// back from its uninstall entry.
TEST(Setup, TheListTheRegistryAndTheEarlierInstallation) {
    Sandbox box;
    writeBytes(box.path(u"sendvik-setup.inf"_s),
               "[Install]\r\n1=sendvik\r\n2=demo_card.mQSL,QSL/demo.mQSL\r\n3=,old.txt\r\n5=gap\r\n"
               "[Group]\r\n1=ZELKOV E-Mail QSL,sendvik\r\n2=Help,sendvik,-S x\r\n");
    EXPECT_EQ(installListPath(box.path(u"sendvik-setup"_s)), box.path(u"sendvik-setup.inf"_s));
    const InstallList list = readInstallList(box.path(u"sendvik-setup.inf"_s));
    ASSERT_EQ(list.files.size(), 3u);  // up to the first missing key
    EXPECT_EQ(list.files[0].source, u"sendvik"_s);
    EXPECT_EQ(list.files[0].target, u"sendvik"_s);
    EXPECT_EQ(list.files[1].target, u"QSL/demo.mQSL"_s);
    EXPECT_TRUE(list.files[2].source.isEmpty());
    ASSERT_EQ(list.group.size(), 2u);
    EXPECT_EQ(list.group[1].arguments, u"-S x"_s);
    EXPECT_TRUE(readInstallList(box.path(u"none.inf"_s)).files.empty());
    EXPECT_TRUE(
        readInstallList(box.path(u"none.inf"_s)).error.contains(u"none.inf を読めません"_s));
    // Only read: the packager's file stays as it is, byte for byte and mode.
    const QByteArray plain = "[Install]\n1=sendvik\n";
    writeBytes(box.path(u"plain.inf"_s), plain);
    QFile::setPermissions(box.path(u"plain.inf"_s),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    EXPECT_TRUE(readInstallList(box.path(u"plain.inf"_s)).error.isEmpty());
    EXPECT_EQ(readBytes(box.path(u"plain.inf"_s)), plain);
    EXPECT_TRUE(QFileInfo(box.path(u"plain.inf"_s)).permissions() & QFile::ReadOther);
    // A list that names nothing to copy is no installation.
    writeBytes(box.path(u"empty.inf"_s), "[Group]\r\n1=x,y\r\n");
    EXPECT_TRUE(
        readInstallList(box.path(u"empty.inf"_s)).error.contains(u"ファイルがありません"_s));
    // The command line: a leading "/" goes from any first argument.
    EXPECT_EQ(setupCommandOf({u"/V5.12"_s}).argument, u"5.12"_s);
    EXPECT_EQ(setupCommandOf({u"V5.12"_s}).action, SetupCommand::Install);
    EXPECT_EQ(setupCommandOf({u"/r"_s}).action, SetupCommand::Uninstall);
    EXPECT_EQ(setupCommandOf({u"x"_s, u"/opt/z/sendvik-setup"_s}).argument,
              u"/opt/z/sendvik-setup"_s);
    EXPECT_EQ(setupCommandOf({u"/Reinstall"_s}).action, SetupCommand::Install);

    SetupRegistry registry(box.path(u"registry.ini"_s));
    PreviousInstallation previous = readPreviousInstallation(registry);
    EXPECT_FALSE(previous.found);
    EXPECT_EQ(previous.options, 6);
    writeUninstallEntry(registry, u"/opt/my zelkov/"_s, u"sendvik-setup"_s, 2);
    EXPECT_EQ(registry.value(kUninstallKey, u"UninstallString"_s),
              u"\"/opt/my zelkov/sendvik-setup\" /r 2"_s);
    previous = readPreviousInstallation(registry);
    EXPECT_TRUE(previous.found);
    EXPECT_EQ(previous.folder, u"/opt/my zelkov/"_s);
    EXPECT_EQ(previous.options, 2);  // the Start menu only
    writeUninstallEntry(registry, u"/opt/z/"_s, u"sendvik-setup"_s, 1);
    EXPECT_EQ(readPreviousInstallation(registry).options, 6);  // below 2: both

    registry.setValue(kSettingsKey + u"\\Sub"_s, u"A"_s, u"1"_s);
    registry.setValue(kSettingsKey, u"B"_s, u"2"_s);
    registry.removeTree(kSettingsKey);
    EXPECT_FALSE(registry.hasKey(kSettingsKey));
    EXPECT_FALSE(registry.hasKey(kSettingsKey + u"\\Sub"_s));
    EXPECT_TRUE(registry.hasKey(kUninstallKey));
}

TEST(Setup, FoldersSpaceCopiesAndShortcuts) {
    QString message;
    EXPECT_EQ(installFolderOf(u"Zelkov"_s, &message), std::nullopt);
    EXPECT_TRUE(message.contains(u"ルートからの正しいパス名"_s));
    EXPECT_EQ(installFolderOf(u"/opt/zelkov"_s, nullptr), u"/opt/zelkov/"_s);
    EXPECT_EQ(installFolderOf(u"/opt/zelkov//"_s, nullptr), u"/opt/zelkov/"_s);
    EXPECT_TRUE(freeSpaceQuestion(104857600).isEmpty());
    EXPECT_TRUE(freeSpaceQuestion(50ll << 20).contains(u"残り容量が 50メガバイト"_s));

    Sandbox box;
    const QString setup = box.path(u"setup"_s), folder = box.path(u"inst/"_s);
    QDir().mkpath(setup);
    writeBytes(setup + u"/std.qsl"_s, "shipped");
    writeBytes(setup + u"/prog"_s, "program");
    EXPECT_TRUE(copyInstallEntry(setup, folder, {u"prog"_s, u"bin/prog"_s}, {}));
    EXPECT_EQ(readBytes(folder + u"bin/prog"_s), QByteArray("program"));
    // A standard definition the person changed: asked, and kept on Yes.
    EXPECT_TRUE(copyInstallEntry(setup, folder, {u"std.qsl"_s, u"std.qsl"_s}, {}));
    writeBytes(folder + u"std.qsl"_s, "mine");
    QFile changed(folder + u"std.qsl"_s);
    ASSERT_TRUE(changed.open(QIODevice::ReadWrite));
    changed.setFileTime(QDateTime::currentDateTime().addDays(1), QFileDevice::FileModificationTime);
    changed.close();
    QStringList asked;
    EXPECT_TRUE(
        copyInstallEntry(setup, folder, {u"std.qsl"_s, u"std.qsl"_s}, [&](const QString& t) {
            asked << t;
            return true;
        }));
    EXPECT_EQ(asked, QStringList{folder + u"std.qsl"_s});
    EXPECT_EQ(readBytes(folder + u"std.qsl"_s), QByteArray("mine"));
    EXPECT_TRUE(copyInstallEntry(setup, folder, {u"std.qsl"_s, u"std.qsl"_s},
                                 [](const QString&) { return false; }));
    EXPECT_EQ(readBytes(folder + u"std.qsl"_s), QByteArray("shipped"));
    // Copies keep the source's time: a reinstall of an unchanged standard
    // definition asks nothing.
    EXPECT_EQ(QFileInfo(folder + u"std.qsl"_s).lastModified(),
              QFileInfo(setup + u"/std.qsl"_s).lastModified());
    asked.clear();
    EXPECT_TRUE(
        copyInstallEntry(setup, folder, {u"std.qsl"_s, u"std.qsl"_s}, [&](const QString& t) {
            asked << t;
            return true;
        }));
    EXPECT_TRUE(asked.isEmpty());
    // Installed over itself (the installer run from its own folder): each
    // file stays.
    EXPECT_TRUE(copyInstallEntry(folder, folder, {u"std.qsl"_s, u"std.qsl"_s}, {}));
    EXPECT_EQ(readBytes(folder + u"std.qsl"_s), QByteArray("shipped"));
    // Deleting, a missing source, and never outside the folder.
    EXPECT_TRUE(copyInstallEntry(setup, folder, {QString(), u"bin/prog"_s}, {}));
    EXPECT_FALSE(QFile::exists(folder + u"bin/prog"_s));
    EXPECT_FALSE(copyInstallEntry(setup, folder, {u"missing"_s, u"missing"_s}, {}));
    EXPECT_FALSE(copyInstallEntry(setup, folder, {u"prog"_s, u"../escape"_s}, {}));
    EXPECT_FALSE(QFile::exists(box.path(u"escape"_s)));

    EXPECT_EQ(
        desktopEntry(u"ZELKOV E-Mail QSL"_s, u"/opt/z/sendvik"_s, u"/opt/z/"_s, QString()),
        u"[Desktop Entry]\nType=Application\nName=ZELKOV E-Mail QSL\nExec=\"/opt/z/sendvik\"\n"
        u"Path=/opt/z/\nTerminal=false\nCategories=Network;HamRadio;\n"_s);
}

// An installation's shortcuts, and its removal with each answer to the
// question for the files left (the QSO data named so).
TEST(Setup, ShortcutsAndTheRemovalWithEachAnswer) {
    for (const DeleteAnswer answer :
         {DeleteAnswer::Yes, DeleteAnswer::All, DeleteAnswer::No, DeleteAnswer::Cancel}) {
        Sandbox box;
        const QString folder = box.path(u"Zelkov/"_s);
        QDir().mkpath(folder + u"QSL"_s);
        writeBytes(folder + u"sendvik-setup.inf"_s,
                   "[Install]\r\n1=sendvik\r\n2=demo.mQSL,QSL/demo.mQSL\r\n"
                   "[Group]\r\n1=ZELKOV E-Mail QSL,sendvik\r\n");
        writeBytes(folder + u"sendvik-setup"_s, "setup");
        writeBytes(folder + u"sendvik"_s, "program");
        writeBytes(folder + u"QSL/demo.mQSL"_s, "demo");
        writeBytes(folder + u"ZELKOV.zdb"_s, "log");
        writeBytes(folder + u"JA1ABC.jpg"_s, "card");
        writeBytes(folder + u"help.gid"_s, "gid");
        SetupRegistry registry(box.path(u"registry.ini"_s));
        writeUninstallEntry(registry, folder, u"sendvik-setup"_s, 6);
        registry.setValue(kSettingsKey, u"X"_s, u"1"_s);
        const ShortcutPlaces places{box.path(u"apps"_s), box.path(u"Desktop"_s),
                                    box.path(u"autostart"_s)};
        const InstallList list = readInstallList(folder + u"sendvik-setup.inf"_s);
        ASSERT_TRUE(createShortcuts(places, list, folder, 6));
        EXPECT_TRUE(QFile::exists(box.path(u"apps/ZELKOV E-Mail QSL/ZELKOV E-Mail QSL.desktop"_s)));
        EXPECT_TRUE(QFile::exists(box.path(u"Desktop/ZELKOV E-Mail QSL.desktop"_s)));

        QStringList asked;
        const UninstallResult r =
            uninstallFrom(folder, u"sendvik-setup"_s, registry, places, [&](const QString& path) {
                asked << leftFileQuestion(path).mid(folder.size());
                return answer;
            });
        // The installed files always go; the entry, the key and the shortcuts too.
        EXPECT_FALSE(QFile::exists(folder + u"sendvik"_s));
        EXPECT_FALSE(QFile::exists(folder + u"QSL/demo.mQSL"_s));
        EXPECT_FALSE(QFile::exists(folder + u"help.gid"_s) && answer != DeleteAnswer::Cancel);
        EXPECT_FALSE(registry.hasKey(kUninstallKey));
        EXPECT_FALSE(registry.hasKey(kSettingsKey));
        EXPECT_FALSE(QFile::exists(box.path(u"Desktop/ZELKOV E-Mail QSL.desktop"_s)));
        EXPECT_FALSE(QDir(box.path(u"apps/ZELKOV E-Mail QSL"_s)).exists());
        const bool gone = answer == DeleteAnswer::Yes || answer == DeleteAnswer::All;
        EXPECT_EQ(r.everythingRemoved, gone);
        EXPECT_EQ(QFile::exists(folder + u"ZELKOV.zdb"_s), !gone);
        // No more questions after "すべて削除" or Cancel; else the card and
        // the log (not the .gid), the log named as the QSO data.
        const bool onlyOne = answer == DeleteAnswer::All || answer == DeleteAnswer::Cancel;
        EXPECT_EQ(asked.size(), onlyOne ? 1 : 2);
        const bool logNamed = std::any_of(asked.begin(), asked.end(), [](const QString& q) {
            return q == u"ZELKOV.zdb ←このファイルも削除していいですか？（※QSOデータです！！）"_s;
        });
        EXPECT_TRUE(onlyOne || logNamed) << asked.join(u" | "_s).toStdString();
        EXPECT_EQ(r.messages.back(),
                  gone ? u"ZELKOV E-Mail QSLは正常に削除されました。"_s
                       : folder.chopped(1) +
                             u" にはまだファイルが残っています。後で削除してください。"_s);
    }
}

// A folder that cannot be removed (here a mount point) is said as it
// happens, and the last word says what is left.
TEST(Uninstall, AFolderThatCannotBeRemovedIsSaid) {
    Sandbox box;
    const QString folder = box.path(u"Zelkov/"_s);
    testing_support::SmallDisk busy(folder + u"cards"_s, u"size=64k"_s);
    if (!busy.mounted()) GTEST_SKIP() << busy.why();
    writeBytes(folder + u"sendvik-setup.inf"_s, "[Install]\r\n1=sendvik\r\n");
    writeBytes(folder + u"sendvik-setup"_s, "setup");
    writeBytes(folder + u"sendvik"_s, "program");
    SetupRegistry registry(box.path(u"registry.ini"_s));
    QStringList told;
    const UninstallResult r = uninstallFrom(
        folder, u"sendvik-setup"_s, registry,
        {box.path(u"apps"_s), box.path(u"Desktop"_s), box.path(u"autostart"_s)},
        [](const QString&) { return DeleteAnswer::All; },
        [&](const QString& failure) { told << failure; });
    EXPECT_EQ(told, QStringList{folder + u"cards - フォルダの削除に失敗しました"_s});
    EXPECT_FALSE(r.everythingRemoved);
    EXPECT_EQ(r.summary,
              folder.chopped(1) + u" にはまだファイルが残っています。後で削除してください。"_s);
}

// The uninstaller's second stage: a copy in a private folder of its own,
// never a fixed name in the shared temporary folder; only such a folder is
// taken for its stage (and removed when it ends).
TEST(Uninstall, TheSecondStageRunsFromAPrivateCopy) {
    Sandbox box;
    ASSERT_TRUE(QDir().mkpath(box.path(u"inst"_s)));
    const QString setup = box.path(u"inst/sendvik-setup"_s);
    writeBytes(setup, "#!/bin/sh\n");
    ASSERT_TRUE(QFile::setPermissions(
        setup, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther));
    QString error;
    const std::optional<QString> one = stageUninstaller(setup, &error, box.dir());
    const std::optional<QString> two = stageUninstaller(setup, &error, box.dir());
    ASSERT_TRUE(one && two) << error.toStdString();
    EXPECT_NE(*one, *two);
    EXPECT_EQ(QFileInfo(*one).fileName(), u"sendvik-setup"_s);
    EXPECT_TRUE(QFileInfo(*one).isExecutable());
    const QString stage = QFileInfo(*one).absolutePath();
    EXPECT_EQ(QFile::permissions(stage) & (QFile::ReadOther | QFile::WriteOther | QFile::ExeOther |
                                           QFile::ReadGroup | QFile::WriteGroup),
              QFile::Permissions());
    EXPECT_EQ(uninstallerStageOf(*one, box.dir()), QFileInfo(stage).canonicalFilePath());
    // The installed program, and a folder that only looks like a stage inside it, are not.
    EXPECT_TRUE(uninstallerStageOf(setup, box.dir()).isEmpty());
    QDir().mkpath(box.path(u"inst/sendvik-uninstall-x"_s));
    EXPECT_TRUE(uninstallerStageOf(box.path(u"inst/sendvik-uninstall-x/s"_s), box.dir()).isEmpty());
    // A setup that cannot be read is no copy, and says which.
    EXPECT_FALSE(stageUninstaller(box.path(u"missing"_s), &error, box.dir()));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace

// The silent copy: its request read from the command line, the files copied
// by their target names, a deletion skipped, a missing file reported, the
// desktop shortcut to the program.
TEST(Setup, TheSilentCopy) {
    EXPECT_EQ(copyModeRequestOf(u"nothing"_s), std::nullopt);
    EXPECT_EQ(copyModeRequestOf(u"name/program"_s), std::nullopt);
    EXPECT_EQ(copyModeRequestOf(u"/sendvik//tmp/x"_s), std::nullopt);
    EXPECT_EQ(copyModeRequestOf(u"n/../evil//tmp/x"_s), std::nullopt);
    const auto request = copyModeRequestOf(u"ZELKOV E-Mail QSL/sendvik//opt/z q"_s);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->name, u"ZELKOV E-Mail QSL"_s);
    EXPECT_EQ(request->program, u"sendvik"_s);
    EXPECT_EQ(request->folder, u"/opt/z q/"_s);

    Sandbox box;
    const QString setup = box.path(u"setup"_s);
    QDir().mkpath(setup + u"/QSL"_s);
    writeBytes(setup + u"/sendvik"_s, "program");
    QFile::setPermissions(setup + u"/sendvik"_s, QFile::ReadOwner | QFile::ExeOwner);
    writeBytes(setup + u"/QSL/demo.mQSL"_s, "demo");
    writeBytes(setup + u"/sendvik.svg"_s, "<svg/>");
    InstallList list;
    list.files = {{u"sendvik"_s, u"sendvik"_s},
                  {u"anything"_s, u"QSL/demo.mQSL"_s},
                  {QString(), u"old.txt"_s},
                  {u"sendvik.svg"_s, u"sendvik.svg"_s},
                  {u"gone"_s, u"gone"_s}};
    const ShortcutPlaces places{box.path(u"apps"_s), box.path(u"Desktop"_s), QString()};
    const CopyModeRequest into{u"ZQ"_s, u"sendvik"_s, box.path(u"copy/"_s)};
    const QStringList errors = copyModeInstall(setup, list, into, places);
    EXPECT_EQ(errors, QStringList{box.path(u"copy/gone"_s) + u" にコピーできませんでした。"_s});
    EXPECT_EQ(readBytes(box.path(u"copy/QSL/demo.mQSL"_s)), QByteArray("demo"));
    EXPECT_TRUE(QFileInfo(box.path(u"copy/sendvik"_s)).isExecutable());
    EXPECT_EQ(
        readBytes(box.path(u"Desktop/ZQ.desktop"_s)),
        (u"[Desktop Entry]\nType=Application\nName=ZQ\nExec=\""_s + box.path(u"copy/sendvik"_s) +
         u"\"\nPath="_s + box.path(u"copy/"_s) + u"\nIcon="_s + box.path(u"copy/sendvik.svg"_s) +
         u"\nTerminal=false\nCategories=Network;HamRadio;\n"_s)
            .toUtf8());
}
