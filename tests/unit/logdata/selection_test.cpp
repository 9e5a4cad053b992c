#include "core/msg_box.h"
#include "log_fixture.h"
#include "logdata/qso_selection.h"
#include "test_support.h"

#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class SelectionTest : public ::testing::Test {
protected:
    Sandbox box;
    ZkwHandle log;
    UserHandle users;

    void SetUp() override {
        writeBytes(box.path(u"UserList.usr"_s),
                   "2025/11/01\r\nJA1ABC\r\nJR2XYZ\r\nJH3AAA\r\n7K4BBB\r\nJA5OLD\r\n");
        ASSERT_TRUE(BuildUserListIndex(box.path(u"UserList.usr"_s)));
        ASSERT_EQ(User_open(0, 0, users, box.path(u"UserList.usr"_s)), 0);
        ASSERT_EQ(users.status, 0);
    }

    void useLog(const std::vector<QsoRecord>& qsos) {
        makeLog(box.path(u"ZELKOV.mst"_s), qsos);
        ASSERT_EQ(ZelkovOpen(0, log, box.path(u"ZELKOV.mst"_s), 1), 0);
    }

    static QStringList calls(const Selection& s) {
        QStringList out;
        for (const QString& c : s.candidates)
            out.append(c.section(u',', 2, 2));
        return out;
    }
};

TEST_F(SelectionTest, UserListEditionLookUpAndStaleIndex) {
    EXPECT_EQ(users.edition, u"2025/11/01"_s);
    EXPECT_GT(User_Seek(users, u"JA1ABC      "_s), 0);
    EXPECT_GT(User_Seek(users, u"ja1abc"_s), 0);
    EXPECT_EQ(User_Seek(users, u"JA9ZZZ"_s), 0);
    User_close(users);

    // A list changed after its index was made must be opened by the log first.
    QThread::msleep(20);
    writeBytes(box.path(u"UserList.usr"_s), "2025/12/01\r\nJA9ZZZ\r\n");
    ASSERT_EQ(User_open(0, 0, users, box.path(u"UserList.usr"_s)), 0);
    EXPECT_EQ(users.edition, u"2025/12/01"_s);
    EXPECT_NE(users.status, 0);
    EXPECT_EQ(User_Seek(users, u"JA9ZZZ"_s), 0);
    QFile::remove(userListIndexPath(box.path(u"UserList.usr"_s)));
    ASSERT_EQ(User_open(0, 0, users, box.path(u"UserList.usr"_s)), 0);
    EXPECT_NE(users.status, 0);
    EXPECT_EQ(User_open(0, 0, users, box.path(u"nothing.usr"_s)), -1);
}

TEST_F(SelectionTest, WithoutAListEveryPartnerIsAskedAndTheConfirmedAreKept) {
    const QString kept = box.path(u"ServiceUsers.usr"_s);
    UserHandle service;
    // Not there yet: every call is sought, with no edition.
    ASSERT_EQ(User_open(0, 0, service, kept), 0);
    EXPECT_TRUE(service.serviceDecides);
    EXPECT_TRUE(service.edition.isEmpty());
    useLog(
        {qso(u"JA9ZZZ"_s, u"25/06/01"_s, u"10:00"_s), qso(u"JA1ABC"_s, u"25/06/01"_s, u"11:00"_s)});
    SelectionRules rules;
    rules.today = u"25/06/15"_s;
    EXPECT_EQ(calls(SelectCandidates(log, service, 1, 2, 0, rules)),
              (QStringList{u"JA9ZZZ"_s, u"JA1ABC"_s}));
    // The confirmed stations are kept, once each, dated by the last answer.
    ASSERT_TRUE(keepServiceMembers(kept, {u"ja9zzz"_s, u"JA1ABC "_s}, QDate(2026, 12, 1)));
    ASSERT_TRUE(keepServiceMembers(kept, {u"JA1ABC"_s, u"7K4BBB"_s}, QDate(2026, 12, 9)));
    EXPECT_EQ(readBytes(kept), QByteArray("2026/12/09\r\nJA9ZZZ\r\nJA1ABC\r\n7K4BBB\r\n"));
    ASSERT_EQ(User_open(0, 0, service, kept), 0);
    EXPECT_EQ(service.edition, u"2026/12/09"_s);
    // Kept stations are no filter: a call not among them is still asked.
    EXPECT_GT(User_Seek(service, u"JR9NEW"_s), 0);
    // A kept list that cannot be written says so.
    QString why;
    EXPECT_FALSE(keepServiceMembers(box.path(u"gone/ServiceUsers.usr"_s), {u"JA5OLD"_s},
                                    QDate(2026, 12, 10), &why));
    EXPECT_TRUE(why.contains(u"ServiceUsers.usr"_s)) << why.toStdString();
    User_close(service);
}

TEST_F(SelectionTest, RangeFiltersCountWhatTheyDrop) {
    useLog({qso(u"JA1ABC"_s, u"25/06/01"_s, u"10:00"_s),                // 1 candidate
            qso(u"JA9ZZZ"_s, u"25/06/01"_s, u"10:05"_s),                // 2 not in the list
            qso(u"JR2XYZ"_s, u"24/12/31"_s, u"23:00"_s),                // 3 month index 300: fine
            qso(u"JH3AAA"_s, u"24/11/30"_s, u"23:00"_s),                // 4 299: too old
            qso(u"JA5OLD"_s, u"99/01/01"_s, u"00:00"_s),                // 5 19xx: too old
            qso(u"7K4BBB/4"_s, u"25/06/02"_s, u"10:00"_s, u'J'),        // 6 already sent
            qso(u"JA1ABC"_s, u"25/06/02"_s, u"11:00"_s, u'N'),          // 7 "N" may be sent again
            qso(u"JR2XYZ"_s, u"25/06/03"_s, u"12:00"_s, u' ', u'D')});  // 8 route D
    SelectionRules rules;
    rules.today = u"25/06/15"_s;
    rules.onlyUnsent = true;
    rules.excludedRoutes = u"DM"_s;
    const Selection s = SelectCandidates(log, users, 1, 8, 0, rules);
    EXPECT_EQ(calls(s), (QStringList{u"JA1ABC"_s, u"JR2XYZ"_s, u"JA1ABC"_s}));
    EXPECT_EQ(s.counters.notInUserList, 1);
    EXPECT_EQ(s.counters.tooOld, 2);
    EXPECT_EQ(s.counters.alreadySent, 1);
    EXPECT_EQ(s.counters.excludedRoute, 1);
    EXPECT_EQ(s.lastAdded, 7);
    // Fields: key, record, call, date and time in Japan time, report, frequency, mode, remarks.
    EXPECT_EQ(s.candidates[0], u"JA1ABC,1,JA1ABC,250601,1000,599,7.024,CW,,"_s);

    // Without the only-unsent switch the sent QSO goes too; an empty exclusion set excludes
    // nothing.
    rules.onlyUnsent = false;
    rules.excludedRoutes.clear();
    const Selection all = SelectCandidates(log, users, 1, 8, 0, rules);
    EXPECT_EQ(all.candidates.size(), 5);
    EXPECT_EQ(all.candidates[2].section(u',', 0, 2), u"7K4BBB,6,7K4BBB/4"_s);
}

TEST_F(SelectionTest, OneRecordRangeSkipsRouteAndAgeButKeepsTheOtherRules) {
    useLog({qso(u"JH3AAA"_s, u"20/01/01"_s, u"10:00"_s, u' ', u'D'),
            qso(u"JA5OLD"_s, u"99/01/01"_s, u"10:00"_s),
            qso(u"JA9ZZZ"_s, u"25/06/01"_s, u"10:00"_s)});
    SelectionRules rules;
    rules.today = u"25/06/15"_s;
    rules.excludedRoutes = u"D"_s;
    EXPECT_EQ(calls(SelectCandidates(log, users, 1, 1, 0, rules)), QStringList{u"JH3AAA"_s});
    const Selection old = SelectCandidates(log, users, 2, 2, 0, rules);
    EXPECT_TRUE(old.candidates.isEmpty());
    EXPECT_EQ(old.counters.tooOld, 1);
    EXPECT_EQ(SelectCandidates(log, users, 3, 3, 0, rules).counters.notInUserList, 1);
}

TEST_F(SelectionTest, UtcRecordsBecomeJapanTimeAndBackwardsStopsAtTheFirst) {
    QsoRecord u = qso(u"JR2XYZ"_s, u"25/06/01"_s, u"20:30"_s);
    u.zone = u'U';
    u.freq = u"144/430.0500"_s;
    useLog({qso(u"JA1ABC"_s, u"25/06/01"_s, u"10:00"_s), u,
            qso(u"JA9ZZZ"_s, u"25/06/02"_s, u"10:00"_s)});
    SelectionRules rules;
    rules.today = u"25/06/15"_s;
    // Backwards from record 3 (not in the list) to the first candidate.
    const Selection s = SelectCandidates(log, users, 3, 3, 1, rules);
    ASSERT_EQ(s.candidates.size(), 1);
    EXPECT_EQ(s.lastAdded, 2);
    EXPECT_EQ(s.counters.notInUserList, 1);
    EXPECT_EQ(s.candidates[0], u"JR2XYZ,2,JR2XYZ,250602,0530,599,144-430.050,CW,,"_s);
}

TEST_F(SelectionTest, AnImpossibleDateIsNeverACandidateAndAStopIsSaid) {
    useLog({qso(u"JA1ABC"_s, u"24/03/01"_s, u"12:00"_s),
            qso(u"JR2XYZ"_s, u"26/13/01"_s, u"25:61"_s),
            qso(u"JH3AAA"_s, u"24/03/02"_s, u"12:00"_s)});
    SelectionRules rules;
    rules.today = u"24/04/01"_s;
    // Going on skips it and counts it.
    box.messages.answer(mb::IdOk);
    Selection s = SelectCandidates(log, users, 1, 3, 0, rules);
    EXPECT_EQ(calls(s), (QStringList{u"JA1ABC"_s, u"JH3AAA"_s}));
    EXPECT_EQ(s.counters.invalidDate, 1);
    EXPECT_EQ(s.stoppedAt, 0);
    ASSERT_EQ(box.messages.messages().size(), 1u);
    EXPECT_TRUE(box.messages.messages()[0].text.endsWith(u"\r\r不正な日付時間です。"_s));
    // Stopping (also what a run without a person answers) says where.
    box.messages.answer(mb::IdCancel);
    s = SelectCandidates(log, users, 1, 3, 0, rules);
    EXPECT_EQ(calls(s), QStringList{u"JA1ABC"_s});
    EXPECT_EQ(s.stoppedAt, 2);
    box.messages.clear();
    s = SelectCandidates(log, users, 1, 3, 0, rules);  // Enter: the default button
    EXPECT_EQ(s.stoppedAt, 2);
}

TEST(NormalizeFrequency, KeepsDigitsAndThreeDecimals) {
    EXPECT_EQ(NormalizeFrequency(u"14.07400", false), u"14.074"_s);
    EXPECT_EQ(NormalizeFrequency(u"7,05", false), u"7.05"_s);
    EXPECT_EQ(NormalizeFrequency(u"430/1200", true), u"430-1200"_s);
    EXPECT_EQ(NormalizeFrequency(u"430/1200", false), u"430/1200"_s);
    EXPECT_EQ(NormalizeFrequency(u"50.1MHz", true), u"50.1"_s);
    EXPECT_EQ(NormalizeFrequency(u"", true), QString());
    EXPECT_EQ(NormalizeFrequency(u"MHz7", true), QString());
}

}  // namespace
