#include "settings/kankyo.h"

#include "core/zkw_ini.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(Kankyo, DefaultsFromAnEmptyFile) {
    Sandbox box;
    TZkwIni ini(box.path(u"s.ini"_s));
    EnvironmentSettings e;
    e.load(ini, true);
    EXPECT_EQ(e.checkBits(), 304);
    EXPECT_TRUE(e.markAlreadyReceived && e.modeAliases && e.showAfterReceive);
    EXPECT_EQ(e.sentMarkRule, u"H;*=W;"_s);
    EXPECT_EQ(e.eligibleSentMarks, u"N"_s);
    EXPECT_EQ(e.toleranceMinutes, 10);
    EXPECT_EQ(e.sendMax, 25);
    EXPECT_EQ(e.messageFontSize, 12);
    EXPECT_EQ(e.deleteOlderThan, u"0000"_s);
    EXPECT_EQ(e.lineColor, static_cast<int>(0x80000005));
}

TEST(Kankyo, StoredValuesAreClampedAndRepaired) {
    Sandbox box;
    writeBytes(
        box.path(u"s.ini"_s),
        "[Kankyo]\r\nCheck=4100\r\nShowGo=2403\r\nGosa=75\r\nSendMax=1\r\nJpSize=7\r\nMsgFont=4\r\n"
        "QslSent=   \r\nQslVia=JB  \r\nQslS2= N "
        "\r\nModeTbl=\r\nOldQso=19\r\nOpName0=\r\nOpName1=JA1ABC/1\r\n\r\n");
    TZkwIni ini(box.path(u"s.ini"_s));
    EnvironmentSettings e;
    e.load(ini, true);
    EXPECT_TRUE(e.onlyUnsent);
    EXPECT_TRUE(e.alternateServer);
    EXPECT_EQ(e.oldestMatchDate, u"24/3 /  "_s);  // padded to 8, slashes forced
    EXPECT_EQ(e.toleranceMinutes, 59);
    EXPECT_EQ(e.sendMax, 3);
    EXPECT_EQ(e.photoSize, 0);  // 7 shows the first size
    EXPECT_EQ(e.messageFontSize, 12);
    EXPECT_EQ(e.sentMarkRule, u"H;*=W;"_s);
    EXPECT_EQ(e.excludedRoutes, u"JB"_s);
    EXPECT_EQ(e.eligibleSentMarks, u"N"_s);
    EXPECT_EQ(e.modeTable, u"SSB=J3E;CW=A1,A1A;FM=F3,F3E"_s);
    EXPECT_EQ(e.deleteOlderThan, u"1900"_s);
    EXPECT_EQ(e.operatorNames, QStringList{u"JA1ABC/1"_s});
}

TEST(Kankyo, SavingKeepsOldQsoOutOfTheFutureAndRoundTrips) {
    Sandbox box;
    EnvironmentSettings e;
    e.deleteOlderThan = u"9912"_s;
    e.cardTime = 2;
    e.confirmRig = true;
    e.operatorNames = {u"東京都港区"_s};
    e.sentMarkRule = QString(100, u'x') + u"  "_s;
    {
        TZkwIni ini(box.path(u"s.ini"_s));
        e.save(ini, u"2403"_s);
    }
    EXPECT_EQ(e.deleteOlderThan, u"2403"_s);
    TZkwIni ini(box.path(u"s.ini"_s));
    EXPECT_EQ(ini.readString(u"Kankyo", u"OldQso", {}), u"2403"_s);
    EXPECT_EQ(ini.readString(u"Kankyo", u"OpName1", u"-"_s), QString());
    EnvironmentSettings back;
    back.load(ini, true);
    EXPECT_EQ(back.checkBits(), e.checkBits());
    EXPECT_EQ(back.cardTime, 2);
    EXPECT_EQ(back.operatorNames, QStringList{u"東京都港区"_s});
    EXPECT_EQ(back.sentMarkRule.size(), 82);
}

TEST(Kankyo, SavedValuesAreTheOnesTheNextStartReads) {
    Sandbox box;
    TZkwIni ini(box.path(u"Sendvik.ini"_s));
    EnvironmentSettings typed;
    typed.excludedRoutes = u"JB  "_s;  // a blank typed after the routes
    typed.eligibleSentMarks = u" N "_s;
    typed.save(ini, u"2412"_s);
    EnvironmentSettings next;
    next.load(ini, true);
    // The run goes on with exactly what the next start reads.
    EXPECT_EQ(typed.excludedRoutes, u"JB"_s);
    EXPECT_EQ(typed.excludedRoutes, next.excludedRoutes);
    EXPECT_FALSE(typed.excludedRoutes.contains(u' '));
    EXPECT_EQ(typed.eligibleSentMarks, u"N"_s);
    EXPECT_EQ(typed.eligibleSentMarks, next.eligibleSentMarks);
}

TEST(Kankyo, ModeMatchesReadsOnlyTheLogModesAliases) {
    EnvironmentSettings e;
    EXPECT_TRUE(e.ModeMatches(u"CW"_s, u"CW"_s));
    EXPECT_TRUE(e.ModeMatches(u"CW"_s, u"A1A"_s));
    EXPECT_FALSE(e.ModeMatches(u"A1A"_s, u"CW"_s));
    EXPECT_TRUE(e.ModeMatches(u"FM"_s, u"F3E"_s));
    EXPECT_FALSE(e.ModeMatches(u"SSB"_s, u"CW"_s));
    e.modeTable = u"x"_s;
    EXPECT_TRUE(e.ModeMatches(u"SSB"_s, u"CW"_s));
}

}  // namespace
