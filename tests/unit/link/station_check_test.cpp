#include "link/station_check.h"

#include "server/novq_requests.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

ServerReply reply(const QString& payload, int status = 200) {
    return {status, payload};
}

// What the server's answer on one station means: told, and for a send to a
// member, the card goes (with no message).
TEST(StationCheck, TheServersAnswerTurnedIntoWhatIsToldAndDone) {
    const QString edition = u"2026/12/01"_s;
    StationCheck c = stationCheckFrom(u"JA1AB"_s, reply(u"JA1AB,Edit,ja1ab@example.jp,x"_s),
                                      StationRequest::RegistrationCheck, false, edition);
    EXPECT_TRUE(c.member);
    EXPECT_EQ(c.message,
              u"JA1AB  局は ZELKOV E-Mail QSL に登録済みです。\r2026/12/01版には未掲載です！"_s);
    c = stationCheckFrom(u"JA1ABC"_s, reply(u"JA1ABC,Edit,ja1abc@example.jp"_s),
                         StationRequest::RegistrationCheck, true, edition);
    EXPECT_EQ(c.message, u"JA1ABC 局は ZELKOV E-Mail QSL に登録済みです。\r"_s);
    c = stationCheckFrom(u"JA1ABC"_s, reply(u"JA1ABC,Edit,ja1abc@example.jp"_s),
                         StationRequest::Send, false, edition);
    EXPECT_TRUE(c.member);
    EXPECT_TRUE(c.message.isEmpty());

    // Registered but not taking part (no address), not registered, no answer.
    c = stationCheckFrom(u"JA1ABC"_s, reply(u"JA1ABC,Edit,"_s), StationRequest::Send, true,
                         edition);
    EXPECT_FALSE(c.member);
    EXPECT_EQ(
        c.message,
        u"JA1ABC 局はユーザー登録されていますが、\r\rZELKOV E-Mail QSL には参加していません。"_s);
    c = stationCheckFrom(u"JA1ABC"_s, reply(u"JA1ABC,,,"_s), StationRequest::Send, true, edition);
    EXPECT_EQ(c.message, u"JA1ABC 局は、ZELKOVユーザー登録されていません！"_s);
    c = stationCheckFrom(u"JA1ABC"_s, reply(QString(), 500), StationRequest::Send, true, edition);
    EXPECT_FALSE(c.answered);
    EXPECT_TRUE(c.message.isEmpty());
}

}  // namespace
