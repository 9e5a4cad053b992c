// The downloaded setup archive: unpacked with the installer found, and every
// hostile or broken archive refused with a message naming it.

#include "server/setup_archive.h"

#include "tar_gz.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using tar_gz::Entry;

namespace {

struct Unpacked {
    UnpackedSetup result;
    QString folder;
};

class SetupArchive : public ::testing::Test {
protected:
    QTemporaryDir dir;
    int runs = 0;

    Unpacked unpack(const std::vector<Entry>& entries, const SetupArchiveLimits& limits = {}) {
        const QString archive = dir.filePath(QStringLiteral("a%1.tgz").arg(++runs));
        EXPECT_TRUE(tar_gz::write(archive, entries));
        const QString folder = dir.filePath(QStringLiteral("out%1").arg(runs));
        QDir().mkpath(folder);
        return {unpackSetupArchive(archive, folder, limits), folder};
    }
};

}  // namespace

TEST_F(SetupArchive, UnpacksTheSetupFolderAndFindsTheInstaller) {
    const QByteArray program(100000, 'p');
    const Unpacked u = unpack({{"sendvik-5.12/", {}, 0755, AE_IFDIR},
                               {"sendvik-5.12/sendvik-setup", "#!/bin/sh\n", 0755},
                               {"sendvik-5.12/sendvik-setup.inf", "[Install]\r\n1=sendvik\r\n"},
                               {"./sendvik-5.12/sendvik", program, 0700},
                               {"sendvik-5.12/doc/readme.txt", "r"}});
    ASSERT_EQ(u.result.error, QString());
    EXPECT_EQ(u.result.setupProgram, u.folder + QStringLiteral("/sendvik-5.12/sendvik-setup"));
    EXPECT_TRUE(QFileInfo(u.result.setupProgram).isExecutable());
    EXPECT_TRUE(QFileInfo(u.folder + QStringLiteral("/sendvik-5.12/sendvik")).isExecutable());
    EXPECT_FALSE(
        QFileInfo(u.folder + QStringLiteral("/sendvik-5.12/sendvik-setup.inf")).isExecutable());
    QFile big(u.folder + QStringLiteral("/sendvik-5.12/sendvik"));
    ASSERT_TRUE(big.open(QIODevice::ReadOnly));
    EXPECT_EQ(big.readAll(), program);
    EXPECT_TRUE(QFile::exists(u.folder + QStringLiteral("/sendvik-5.12/doc/readme.txt")));

    // The installer knows the private folder it was started from.
    const QString updates = dir.filePath(QStringLiteral("tmp"));
    QDir().mkpath(updates + QStringLiteral("/sendvik-update-AbC123/sendvik-5.12"));
    QDir().mkpath(updates + QStringLiteral("/other/sendvik-5.12"));
    QFile::copy(u.result.setupProgram,
                updates + QStringLiteral("/sendvik-update-AbC123/sendvik-5.12/sendvik-setup"));
    QFile::copy(u.result.setupProgram,
                updates + QStringLiteral("/other/sendvik-5.12/sendvik-setup"));
    EXPECT_EQ(
        updateFolderOf(
            updates + QStringLiteral("/sendvik-update-AbC123/sendvik-5.12/sendvik-setup"), updates),
        QDir(updates).canonicalPath() + QStringLiteral("/sendvik-update-AbC123"));
    EXPECT_EQ(
        updateFolderOf(updates + QStringLiteral("/other/sendvik-5.12/sendvik-setup"), updates),
        QString());
    EXPECT_EQ(updateFolderOf(u.result.setupProgram, updates), QString());

    // At the top works as well.
    EXPECT_EQ(unpack({{"sendvik-setup", "x", 0755}}).result.error, QString());
    EXPECT_TRUE(isSetupArchive(dir.filePath(QStringLiteral("a1.tgz"))));
}

TEST_F(SetupArchive, RefusesWhatIsHostileOrBroken) {
    auto refused = [&](const std::vector<Entry>& entries, const QString& why,
                       const SetupArchiveLimits& limits = {}) {
        const Unpacked u = unpack(entries, limits);
        EXPECT_TRUE(u.result.setupProgram.isEmpty()) << why.toStdString();
        EXPECT_TRUE(u.result.error.contains(why)) << u.result.error.toStdString();
        EXPECT_TRUE(u.result.error.startsWith(dir.filePath(QStringLiteral("a%1.tgz").arg(runs))));
        return u;
    };
    const Entry setup{"sendvik-setup", "x", 0755};
    const Unpacked outside = refused({setup, {"../evil", "e"}},
                                     QStringLiteral("フォルダの外を指す名前があります: ../evil"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("evil"))));
    refused({{"/etc/evil", "e"}, setup}, QStringLiteral("/etc/evil"));
    refused({{"a/../../evil", "e"}}, QStringLiteral("a/../../evil"));
    // A link could lead a later entry out of the folder.
    refused({{"lib", "/etc", 0777, AE_IFLNK}, setup},
            QStringLiteral("ファイルでもフォルダでもない項目があります: lib"));
    refused({setup, {"sendvik", "x"}, {"more", "x"}},
            QStringLiteral("項目が多すぎます（2 個まで）"), {2, 1000, 10000});
    refused({{"sendvik-setup", QByteArray(5000, 'x'), 0755}},
            QStringLiteral("sendvik-setup が大きすぎます（4096 バイトまで）"), {10, 4096, 10000});
    refused({{"a", QByteArray(3000, 'x')}, {"b", QByteArray(3000, 'x')}, setup},
            QStringLiteral("中身が大きすぎます（5000 バイトまで）"), {10, 4096, 5000});
    refused({{"sendvik", "x", 0755}}, QStringLiteral("sendvik-setup が入っていません"));
    // Two top folders: which installer would be meant is unclear.
    refused({{"one/sendvik-setup", "x", 0755}, {"two/sendvik-setup", "x", 0755}},
            QStringLiteral("sendvik-setup が入っていません"));
    refused({{"sendvik-setup", "x", 0644}}, QStringLiteral("実行できるファイルではありません"));

    // Not an archive, and an archive cut short.
    const QString plain = dir.filePath(QStringLiteral("plain.exe"));
    QFile f(plain);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(3000, 'M'));
    f.close();
    EXPECT_FALSE(isSetupArchive(plain));
    EXPECT_FALSE(isSetupArchive(dir.filePath(QStringLiteral("missing"))));
    const QString cut = dir.filePath(QStringLiteral("cut.tgz"));
    ASSERT_TRUE(tar_gz::write(cut, {setup, {"big", QByteArray(200000, 'b')}}));
    QFile c(cut);
    ASSERT_TRUE(c.open(QIODevice::ReadWrite));
    c.resize(c.size() / 2);
    c.close();
    QDir().mkpath(dir.filePath(QStringLiteral("cutout")));
    const UnpackedSetup broken = unpackSetupArchive(cut, dir.filePath(QStringLiteral("cutout")));
    EXPECT_TRUE(broken.setupProgram.isEmpty());
    EXPECT_FALSE(broken.error.isEmpty());
}
