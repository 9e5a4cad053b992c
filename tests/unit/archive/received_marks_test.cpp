#include "archive/received_marks.h"

#include "log_fixture.h"
#include "logdata/zelkov50.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(ReceivedMarks, TheSettingsPairsAndItsEnds) {
    const QString s = QStringLiteral("H;*=W;");
    // Marking marked QSOs too.
    EXPECT_EQ(receivedMarkFor(s, u' ', true), u'H');
    EXPECT_EQ(receivedMarkFor(s, u'*', true), u'W');
    EXPECT_EQ(receivedMarkFor(s, u'H', true), std::nullopt);  // has the first already
    EXPECT_EQ(receivedMarkFor(s, u'W', true), std::nullopt);  // no pair, the last is ";"
    EXPECT_EQ(receivedMarkFor(s, u'Q', true), std::nullopt);
    EXPECT_EQ(receivedMarkFor(QStringLiteral("H;*=W;Q=E"), u'Q', true), u'E');
    EXPECT_EQ(receivedMarkFor(QStringLiteral("H;*=W;E"), u'Z', true), u'E');        // the last
    EXPECT_EQ(receivedMarkFor(QStringLiteral("H;E=E"), u'E', true), std::nullopt);  // its own
    // Only QSOs without a mark otherwise, and a setting that starts blank.
    EXPECT_EQ(receivedMarkFor(s, u' ', false), u'H');
    EXPECT_EQ(receivedMarkFor(s, u'*', false), std::nullopt);
    EXPECT_EQ(receivedMarkFor(QStringLiteral(" H"), u' ', true), std::nullopt);
    EXPECT_EQ(receivedMarkFor(QString(), u' ', true), std::nullopt);
}

// The matched records get their marks in the log; each confirms its area.
TEST(ReceivedMarks, WrittenIntoTheLogAndTold) {
    Sandbox box;
    QsoRecord star = qso(u"JA1AAB"_s, u"26/11/20"_s, u"12:00"_s);
    star.qslRcvd = u'*';
    QsoRecord done = qso(u"JA1AAC"_s, u"26/11/20"_s, u"12:00"_s);
    done.qslRcvd = u'H';
    makeLog(box.path(u"ZELKOV.mst"_s), {qso(u"JA1AAA"_s, u"26/11/20"_s, u"12:00"_s), star, done});
    ZkwHandle log;
    ASSERT_EQ(ZelkovOpen(0, log, box.path(u"ZELKOV.mst"_s), 0), 0);
    std::vector<int> confirmed;
    const MarkWriting marks =
        writeReceivedMarks(log, {1, 0, 2, 3, 99}, u"H;*=W;"_s, true, [&](int recno) {
            confirmed.push_back(recno);
            return recno == 1 ? 2 : 0;
        });
    EXPECT_EQ(marks.written, 2);
    EXPECT_EQ(marks.areas, 2);
    EXPECT_EQ(confirmed, (std::vector<int>{1, 2, 3}));  // written or not
    for (const auto& [recno, mark] : {std::pair{1, u'H'}, {2, u'W'}, {3, u'H'}}) {
        ASSERT_EQ(ZKW_read(log, recno, read_mode::List), 0);
        EXPECT_EQ(log.rec.qslRcvd, mark) << recno;
    }
    ZelkovClose(log, 0);
    EXPECT_EQ(markWritingSummary(marks, u"H;*=W;"_s),
              u"2 件のデータに\r［H;*=W;］\rを書き込みました。\r\r"
              u"Zelkov.mstに\"C\"(Confirmed)を2個書き込みました。"_s);
    EXPECT_EQ(markWritingSummary({}, u"H"_s), u"すべて受領済みマーク記入済みです。"_s);
}

}  // namespace
