#include "archive/received_marks.h"

#include "core/message_ports.h"
#include "core/msg_box.h"
#include "core/progress_port.h"
#include "exchange/logging_program.h"
#include "log_fixture.h"
#include "logdata/dbf_table.h"
#include "logdata/zelkov50.h"
#include "test_support.h"

#include <QDate>
#include <QElapsedTimer>
#include <QTime>

#include <iostream>
#include <numeric>

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
    RecordingProgressPort progress;
    const MarkWriting marks =
        writeReceivedMarks(log, {1, 0, 2, 3, 99}, u"H;*=W;"_s, true, progress, [&](int recno) {
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

namespace {

// The list's command: asked first, written between the logging program's
// brackets, areas confirmed in the master of the same log, then told.
TEST(ReceivedMarks, TheListsPassAsksWritesConfirmsAndTells) {
    Sandbox box;
    const QString mst = box.path(u"ZELKOV.mst"_s);
    QsoRecord ward = qso(u"JA1AAA"_s, u"26/11/20"_s, u"12:00"_s);
    ward.code = u"100105"_s;
    makeLog(mst, {ward});
    writeBytes(box.path(u"areas.csv"_s), "1055,Tokyo 23 wards,\r\n100105,Bunkyo,\r\n");
    ASSERT_EQ(importAreas(mst, box.path(u"areas.csv"_s)).added, 2);

    struct CountingProgram : AbsentLoggingProgram {
        int begun = 0, ended = 0;
        void beginLogAccess() override { ++begun; }
        void endLogAccess() override { ++ended; }
    } program;
    ScriptedMessagePort port;
    const ScopedMessagePort installed(&port);
    const MarkWritingJob job{mst, u"H;*=W;"_s, true, true};
    RecordingProgressPort progress;

    port.answer(mb::IdNo);
    EXPECT_EQ(WriteMarksOfList(job, {1}, program, progress, true), std::nullopt);
    EXPECT_EQ(program.begun, 0);  // declined: the log is not touched

    port.answer(mb::IdYes);
    const std::optional<MarkWriting> done = WriteMarksOfList(job, {1}, program, progress, true);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->written, 1);
    EXPECT_EQ(done->areas, 2);  // the ward and the city it counts in
    EXPECT_EQ(program.begun, 1);
    EXPECT_EQ(program.ended, 1);
    EXPECT_EQ(
        port.messages().back().text,
        u"1 件のデータに\r［H;*=W;］\rを書き込みました。\r\rZelkov.mstに\"C\"(Confirmed)を2個書き込みました。"_s);

    // Again: no mark, no area left to confirm.
    const std::optional<MarkWriting> again = WriteMarksOfList(job, {1}, program, progress, false);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->written + again->areas, 0);
    EXPECT_EQ(port.messages().back().text, u"すべて受領済みマーク記入済みです。"_s);

    // A log that cannot be opened: said, nothing written, brackets closed.
    const MarkWritingJob missing{box.path(u"none/ZELKOV.mst"_s), u"H;*=W;"_s, true, false};
    EXPECT_EQ(WriteMarksOfList(missing, {1}, program, progress, false), std::nullopt);
    EXPECT_EQ(port.messages().back().text, u"ファイルメニューからQSOデータを開いてください。"_s);
    EXPECT_EQ(program.begun, program.ended);
}

}  // namespace

// A list's marks go in together: ten thousand in well under five seconds,
// the bar following; a stop keeps every mark before it, whole.
TEST(ReceivedMarks, TenThousandGoInTogetherAndAStopKeepsThoseBefore) {
    Sandbox box;
    std::vector<QsoRecord> qsos;
    for (int i = 0; i < 10000; ++i)
        qsos.push_back(qso(QStringLiteral("JA%1AA").arg(i % 10) + QChar(u'A' + i % 26),
                           QDate(2026, 1, 1).addDays(i / 1440).toString(u"yy/MM/dd"_s),
                           QTime(0, 0).addSecs(60 * (i % 1440)).toString(u"HH:mm"_s)));
    makeLog(box.path(u"ZELKOV.mst"_s), qsos);
    std::vector<int> recnos(10000);
    std::iota(recnos.begin(), recnos.end(), 1);
    ZkwHandle log;
    ASSERT_EQ(ZelkovOpen(0, log, box.path(u"ZELKOV.mst"_s), 0), 0);
    RecordingProgressPort stopping;
    stopping.abortAtPosition(6000);
    MarkWriting done = writeReceivedMarks(log, recnos, u"H"_s, true, stopping);
    EXPECT_TRUE(done.stopped);
    EXPECT_EQ(done.written, 6000);
    EXPECT_NE(markWritingSummary(done, u"H"_s).indexOf(u"中断しました。"_s), -1);
    ZelkovClose(log, 0);
    const auto marked = [&] {
        ZkwHandle check;
        EXPECT_EQ(ZelkovOpen(0, check, box.path(u"ZELKOV.mst"_s), 0), 0);
        int n = 0;
        for (int recno = 1; recno <= 10000; ++recno)
            n += ZKW_read(check, recno, read_mode::List) == 0 && check.rec.qslRcvd == u'H';
        ZelkovClose(check, 0);
        return n;
    };
    EXPECT_EQ(marked(), 6000);

    // The rest, and all of them again as another list would: timed.
    ASSERT_EQ(ZelkovOpen(0, log, box.path(u"ZELKOV.mst"_s), 0), 0);
    RecordingProgressPort progress;
    QElapsedTimer timer;
    timer.start();
    done = writeReceivedMarks(log, recnos, u"W;H=W;"_s, true, progress);
    const qint64 ms = timer.elapsed();
    ZelkovClose(log, 0);
    EXPECT_EQ(done.written, 10000);  // 4,000 new marks, 6,000 H turned into W
    EXPECT_FALSE(done.stopped);
    EXPECT_TRUE(done.failure.isEmpty());
    EXPECT_LT(ms, 5000);
    std::cerr << "10000 received marks: " << ms << " ms\n";
    EXPECT_EQ(progress.steps().back(),
              (RecordingProgressPort::Step{RecordingProgressPort::Step::Visible, 0, {}}));
}
