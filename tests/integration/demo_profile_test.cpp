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
    for (const char16_t* f : {u"ZELKOV.zdb", u"UserList.usr", u"UserList.usx", u"Rigant.dat",
                              u"QslMessage.txt", u"photo.jpg", u"Sendvik.ini"})
        EXPECT_TRUE(QFileInfo::exists(home + u'/' + QString::fromUtf16(f)))
            << QString::fromUtf16(f).toStdString();
    QProcess select;
    select.start(QStringLiteral(SENDVIK_CLI), {u"--home"_s, home, u"select"_s, u"126"_s, u"126"_s});
    ASSERT_TRUE(select.waitForFinished(30000));
    const QString out = QString::fromUtf8(select.readAllStandardOutput());
    // The last QSO of the log, as one candidate (a one-record range skips the age limit).
    EXPECT_EQ(out.section(u'\n', 0, 0).section(u',', 1, 1), u"126"_s) << out.toStdString();
    EXPECT_TRUE(out.contains(u"not-in-user-list=0"_s));
}

}  // namespace
