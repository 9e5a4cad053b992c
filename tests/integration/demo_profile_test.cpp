// The demo profile a newcomer starts the program on.

#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(DemoProfile, IsMadeWithALogUsersRigsAndSettings) {
    Sandbox box;
    const QString home = box.path(u"demo"_s);
    const QString build = QFileInfo(QStringLiteral(SENDVIK_CLI)).dir().absolutePath() + u"/.."_s;
    const QString root = QStringLiteral(SENDVIK_TEST_DATA "/../..");
    QProcess make;
    make.setWorkingDirectory(root);
    make.start(u"bash"_s, {root + u"/scripts/make-demo-profile.sh"_s, build, home});
    ASSERT_TRUE(make.waitForFinished(60000));
    ASSERT_EQ(make.exitCode(), 0) << make.readAllStandardError().toStdString();
    for (const char16_t* f : {u"ZELKOV.zdb", u"UserList.usr", u"UserList.usx", u"RigAnt.dat",
                              u"QslMessage.txt", u"photo.jpg", u"demo_card.mQSL", u"Sendvik.ini"})
        EXPECT_TRUE(QFileInfo::exists(home + u'/' + QString::fromUtf16(f)))
            << QString::fromUtf16(f).toStdString();
    auto cli = [&](const QStringList& arguments) {
        QProcess p;
        p.start(QStringLiteral(SENDVIK_CLI), QStringList{u"--home"_s, home} + arguments);
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    // Two logs, and the contacts with the partner stations, the window's
    // range ending with them.
    EXPECT_EQ(cli({u"log"_s, u"count"_s}), u"422\n"_s);
    EXPECT_EQ(cli({u"settings"_s, u"get"_s, u"Config"_s, u"Recno1"_s}), u"403\n"_s);
    // The season: most partners take part, some do not, the first week is
    // too old by now.
    const QString out = cli({u"select"_s, u"127"_s, u"416"_s});
    EXPECT_GT(out.count(u'\n'), 200) << out.toStdString();
    EXPECT_FALSE(out.contains(u"not-in-user-list=0\n"_s));
    // The reference server's members: the station and the user list's stations.
    const QByteArray members = readBytes(home + u"/novq-users.json"_s);
    EXPECT_TRUE(members.contains("\"JS2IIU\": {\n  \"password\": \"demo-novq-password\""));
    EXPECT_TRUE(members.contains("\"address\": \"ja4fjr@qsl.test\",\n  \"edit\": true"));
    // The partner stations go without a user list.
    EXPECT_TRUE(QFileInfo::exists(home + u"/JH3KMT/ZELKOV.zdb"_s));
    EXPECT_FALSE(QFileInfo::exists(home + u"/JA4FJR/UserList.usr"_s));
}

}  // namespace
