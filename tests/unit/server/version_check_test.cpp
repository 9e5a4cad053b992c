// The home page's build date and download link, and the download's name.

#include "server/version_check.h"
#include "core/sjis.h"
#include "logdata/dbf_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(VersionCheck, BuildDateStandsAtCharacter100OrLater) {
    const QByteArray pad(98, 'x');
    // At character 99 it does not count; at 100 it does.
    EXPECT_FALSE(findBuildDate(pad + "(2026/01/15)"));
    EXPECT_EQ(findBuildDate(pad + "x(2026/01/15)").value(), u"2026/01/15"_s);
    // The full-width parenthesis wins and is skipped as one character.
    const QByteArray wide = pad + "xx" + sjis::fromUnicode(u"（2026/02/01）(2027/01/01)"_s);
    EXPECT_EQ(findBuildDate(wide).value(), u"2026/02/01"_s);
    // A full-width one too early leaves the plain one.
    EXPECT_EQ(findBuildDate(sjis::fromUnicode(u"（2001/01/01）"_s) + pad + "(2026/03/03)").value(),
              u"2026/03/03"_s);
    EXPECT_FALSE(findBuildDate(QByteArray(300, 'y')));

    EXPECT_EQ(buildDateMessage(u"2026/01/15"_s, u"2025/11/30"_s),
              u"最新バージョンが見つかりました！\r　Build：2026/01/15 を発見！"_s);
    EXPECT_EQ(buildDateMessage(u"2025/11/30"_s, u"2025/11/30"_s),
              u"最新バージョンは見つかりませんでした。\r　Build：2025/11/30 がありました。"_s);
}

TEST(VersionCheck, DownloadLinkAndTarget) {
    EXPECT_EQ(downloadPath("<A HREF=\"soft/SendvikSetup.exe\">get</A>").value(),
              u"soft/SendvikSetup.exe"_s);
    EXPECT_FALSE(downloadPath("<A HREF='soft/x.exe'>"));
    // At most 30 characters after the quote.
    EXPECT_EQ(downloadPath("\"soft/" + QByteArray(40, 'a')).value().size(), 30);
    EXPECT_EQ(downloadTarget(u"/tmp/dl/"_s, u"soft/SendvikSetup512Full.exe"_s),
              u"/tmp/dl/SendvikSetup512F"_s);
    EXPECT_EQ(downloadTarget(u"/tmp/dl"_s, u"soft/a.exe"_s), u"/tmp/dl/a.exe"_s);
    // A name from the page never leaves the chosen folder.
    EXPECT_EQ(downloadTarget(u"/tmp/dl"_s, u"soft/../../etc/x"_s), u"/tmp/dl/x"_s);
    EXPECT_EQ(downloadTarget(u"/tmp/dl"_s, u"soft/.."_s), u"/tmp/dl/SendvikSetup"_s);
}

TEST(VersionCheck, RecordCountOfAMissingLogIsUnknown) {
    EXPECT_EQ(qsoRecordCount(u"/no/such/ZELKOV.mst"_s), -1);
    EXPECT_EQ(qsoRecordCount(QString()), -1);
}

}  // namespace
