// The progress and card-decision ports as the command line and tests use them.

#include "core/card_decisions.h"
#include "core/off_thread.h"
#include "core/progress_port.h"
#include "core/serial_worker.h"
#include "platform/termination.h"

#include <csignal>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(TerminalProgress, OnATerminalOneLineIsRewrittenAndEndedOnce) {
    std::ostringstream out;
    {
        TerminalProgressPort port(out, true);
        port.setVisible(true);
        port.setMaximum(40);
        port.setStatus(u" NOVQサーバ問い合わせ中..."_s);
        port.setPosition(20);
        port.setPosition(20);  // unchanged: nothing drawn
        port.setStatus(u" 電子QSLの送信処理中..."_s);
        port.setPosition(99);  // shown within the maximum
        port.setVisible(false);
        port.setVisible(false);
    }
    EXPECT_EQ(out.str(),
              "\r  0/100\x1b[K"
              "\r  0/40\x1b[K"
              "\rNOVQサーバ問い合わせ中...  0/40\x1b[K"
              "\rNOVQサーバ問い合わせ中...  20/40\x1b[K"
              "\r電子QSLの送信処理中...  20/40\x1b[K"
              "\r電子QSLの送信処理中...  40/40\x1b[K"
              "\n");
}

TEST(TerminalProgress, ElsewhereEachNewStatusIsALineAndPositionsAreQuiet) {
    std::ostringstream out;
    TerminalProgressPort port(out, false);
    port.setVisible(true);
    port.setMaximum(3);
    port.setStatus(u"受信中"_s);
    port.setPosition(1);
    port.setStatus(u"受信中"_s);
    port.setStatus(QString());
    port.setStatus(u"照合中"_s);
    port.setVisible(false);
    EXPECT_EQ(out.str(), "受信中\n照合中\n");
    EXPECT_EQ(port.status(), u"照合中"_s);
}

TEST(TerminalProgress, CtrlCAsksForAStopOnceArmed) {
    std::ostringstream out;
    TerminalProgressPort port(out, false);
    platform::stopWorkOnInterrupt();
    EXPECT_FALSE(port.abortRequested());
    std::raise(SIGINT);  // the first one only asks
    EXPECT_TRUE(port.abortRequested());
    port.clearAbort();
    EXPECT_FALSE(port.abortRequested());
    std::raise(SIGINT);  // armed again by the clearing
    EXPECT_TRUE(port.abortRequested());
    port.clearAbort();
    std::signal(SIGINT, SIG_DFL);
}

TEST(RecordingProgress, StopsWhenThePositionIsReached) {
    RecordingProgressPort port;
    port.abortAtPosition(2);
    port.setMaximum(5);
    port.setPosition(1);
    EXPECT_FALSE(port.abortRequested());
    port.setPosition(2);
    EXPECT_TRUE(port.abortRequested());
    port.clearAbort();
    port.setPosition(3);
    EXPECT_FALSE(port.abortRequested());
    port.setStatus(u"a"_s);
    EXPECT_EQ(port.statusTexts(), std::vector<QString>{u"a"_s});
    EXPECT_EQ(port.steps().front(),
              (RecordingProgressPort::Step{RecordingProgressPort::Step::Maximum, 5, {}}));
}

TEST(CardDecisions, TheTerminalSendsAllOrAsksEachCard) {
    std::istringstream none;
    std::ostringstream quiet;
    TerminalCardDecisions all(none, quiet, false);
    EXPECT_EQ(all.decide(u"/tmp/a.jpg"_s, 3), CardDecision::Send);
    EXPECT_TRUE(quiet.str().empty());

    std::istringstream in("\nn\nA\nback\nwhat\nq\ns\n");
    std::ostringstream out;
    TerminalCardDecisions asking(in, out, true);
    EXPECT_EQ(asking.decide(u"/tmp/x/JS2IIU_240315_2134_7_CW_JA1ABC.jpg"_s, 12),
              CardDecision::Send);
    EXPECT_EQ(out.str(),
              "No12 JS2IIU_240315_2134_7_CW_JA1ABC.jpg: 送信[S] / スキップ[N] / 一気に[A] / "
              "前へ[B] / 中止[Q] > ");
    EXPECT_EQ(asking.decide(u"b.jpg"_s, 1), CardDecision::Skip);
    EXPECT_EQ(asking.decide(u"b.jpg"_s, 1), CardDecision::SendRest);
    EXPECT_EQ(asking.decide(u"b.jpg"_s, 1), CardDecision::Back);
    EXPECT_EQ(asking.decide(u"b.jpg"_s, 1), CardDecision::Stop);  // "what" asked again
    EXPECT_EQ(asking.decide(u"b.jpg"_s, 1), CardDecision::Send);
    // The end of the input stops rather than sending unseen cards.
    EXPECT_EQ(asking.decide(u"b.jpg"_s, 1), CardDecision::Stop);

    ScriptedCardDecisions scripted;
    scripted.answer(CardDecision::Back);
    EXPECT_EQ(scripted.decide(u"c.jpg"_s, 7), CardDecision::Back);
    EXPECT_EQ(scripted.decide(u"d.jpg"_s, 8), CardDecision::Send);
    ASSERT_EQ(scripted.asked().size(), 2u);
    EXPECT_EQ(scripted.asked()[1].recno, 8);
}

}  // namespace

namespace {

// Work off the calling thread: on a thread kept for the next call, in the
// order given, with what it throws thrown back to the caller.
TEST(OffThread, WorkRunsElsewhereOnAKeptThreadInOrder) {
    std::thread::id first, second;
    runOffThread([&] { first = std::this_thread::get_id(); });
    runOffThread([&] { second = std::this_thread::get_id(); });
    EXPECT_NE(first, std::this_thread::get_id());
    EXPECT_EQ(first, second);
    EXPECT_THROW(runOffThread([] { throw std::runtime_error("lost connection"); }),
                 std::runtime_error);

    std::vector<int> order;
    {
        SerialWorker worker;
        std::future<int> last;
        for (int i = 0; i < 50; ++i)
            last = worker.run([&order, i] {
                order.push_back(i);
                return i;
            });
        EXPECT_EQ(last.get(), 49);
        worker.post([&order] { order.push_back(50); });
    }  // the job posted last still runs before the worker ends
    ASSERT_EQ(order.size(), 51u);
    for (int i = 0; i <= 50; ++i)
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
}

}  // namespace
