// The link with zkwin-sim as the logging program: found and its answers
// read; its own request for the received card of a QSO; a logging program
// that ends in the middle of a request, and one that never answers.

#include "link/logging_link.h"

#include "log_fixture.h"
#include "platform/window_link.h"
#include "test_support.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// zkwin-sim serving a log of three QSOs, in its own link folder.
class LinkWithSim : public ::testing::Test {
protected:
    Sandbox box;
    QTemporaryDir links;
    QProcess sim;
    std::unique_ptr<platform::LinkWindow> own;
    std::unique_ptr<LoggingLink> link;
    std::vector<std::pair<QString, QString>> found;  // pattern, QSO date and time
    int timers = 0;
    bool active = true;    // this program has the focus
    bool recRead = false;  // RecRead ticked

    void SetUp() override {
        qputenv("SENDVIK_LINK_DIR", links.path().toUtf8());
        QsoRecord utc = qso(u"JR2XYZ"_s, u"26/11/21"_s, u"01:00"_s);
        utc.zone = u'U';
        makeLog(box.path(u"ZELKOV.mst"_s), {qso(u"JA1ABC"_s, u"26/11/20"_s, u"12:00"_s), utc,
                                            qso(u"JH3AAA"_s, u"26/11/22"_s, u"09:30"_s)});
        LinkParts parts;
        parts.programActive = [this] { return active; };
        parts.recRead = [this] { return recRead; };
        parts.showCards = [](const QString&) -> qint64 { return 77; };
        parts.findReceivedCard = [this](QString& pattern, const LinkQso& qso) {
            found.emplace_back(pattern, qso.date + u' ' + qso.time);
            return qso.time.endsWith(u'U') ? 2 : 0;
        };
        parts.startRegistrationTimer = [this] { ++timers; };
        parts.folders = [this] {
            return CardFolders{box.path(u"受信"_s), box.path(u"送信"_s), {}};
        };
        own = std::make_unique<platform::LinkWindow>(
            u"TZkvmQSL"_s,
            [this](const platform::LinkMessage& m) { return link->handleMessage(m); });
        ASSERT_TRUE(own->listen());
        link = std::make_unique<LoggingLink>(*own, std::move(parts));
    }
    void TearDown() override {
        sim.kill();
        sim.waitForFinished();
        qunsetenv("SENDVIK_LINK_DIR");
    }
    void serve(const QStringList& extra = {}) {
        sim.start(QStringLiteral(ZKWIN_SIM),
                  QStringList{u"--serve"_s, u"--log"_s, box.path(u"ZELKOV.mst"_s)} + extra);
        ASSERT_TRUE(sim.waitForReadyRead(10000)) << sim.readAllStandardError().toStdString();
        EXPECT_TRUE(sim.readLine().startsWith("serving 3 records"));
    }
    // Runs zkwin-sim's own request while this program takes messages.
    QString request(const QStringList& args) {
        QProcess asking;
        QEventLoop loop;
        QObject::connect(&asking, &QProcess::finished, &loop, &QEventLoop::quit);
        asking.start(QStringLiteral(ZKWIN_SIM), QStringList{u"--request"_s} + args);
        QTimer::singleShot(15000, &loop, &QEventLoop::quit);
        loop.exec();
        return QString::fromUtf8(asking.readAllStandardOutput() + asking.readAllStandardError());
    }
};

TEST_F(LinkWithSim, FoundAskedAndAskingForCards) {
    link->poll();
    EXPECT_FALSE(link->running());
    serve({u"--current"_s, u"2"_s, u"--no-reload"_s});
    link->poll();
    ASSERT_EQ(link->state(), 2);  // no "再読込み": not shared
    EXPECT_EQ(link->lastRecordNumber(), 3);
    // The QSO on its screen for a send request: its record and call.
    link->NOVQ1Click(false);
    EXPECT_EQ(link->keptNumber(), 2);
    EXPECT_EQ(link->callBuffer(), u"JR2XYZ"_s);
    EXPECT_EQ(timers, 1);
    link->clearPending();

    // Its request for the received card of a QSO logged in UTC: the QSO as
    // it shows it, answered with the record of the card's QSO.
    EXPECT_EQ(request({u"-999"_s, u"--log"_s, box.path(u"ZELKOV.mst"_s), u"--record"_s, u"2"_s}),
              u"result 2\n"_s);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].first, box.path(u"受信/JR2XYZ_*.jpg"_s));
    EXPECT_EQ(found[0].second, u"26/11/21 01:00U"_s);
    // The cards sent to a station: the viewer's identity.
    EXPECT_EQ(request({u"-998"_s, u"JA1ABC/1\\n"_s}), u"result 77\n"_s);
    EXPECT_EQ(request({u"-5"_s}), u"zkwin-sim: --request takes -999, -998 or -997\n"_s);

    const QByteArray seen = sim.readAllStandardOutput();
    EXPECT_TRUE(seen.contains("received 116\nanswer 3|")) << seen.toStdString();
    EXPECT_TRUE(seen.contains("received 0x400073\nanswer 2|JR2XYZ|26/11/21|01:00U|599||7.024|CW|"))
        << seen.toStdString();
}

// A logging program that ends while it is asked, and one that never
// answers: the request comes back with 0, the latter after the time-out.
TEST_F(LinkWithSim, APeerThatDiesOrHangsDoesNotHoldTheProgram) {
    serve({u"--die"_s, u"116"_s});
    link->poll();
    ASSERT_TRUE(link->running());
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(link->lastRecordNumber(), 0);
    EXPECT_LT(clock.elapsed(), 2000);
    sim.waitForFinished(5000);
    EXPECT_EQ(sim.exitCode(), 3);
    link->poll();
    EXPECT_FALSE(link->running());

    serve({u"--hang"_s, u"0x40001B"_s});
    link->poll();
    ASSERT_EQ(link->state(), 1);
    // Shared: the brackets are not messages; not shared, they are.
    clock.restart();
    link->beginLogAccess();
    EXPECT_LT(clock.elapsed(), 1000);
    sim.kill();
    sim.waitForFinished();
    serve({u"--hang"_s, u"0x40001B"_s, u"--no-reload"_s});
    link->poll();  // found again: whether it shares is read anew
    ASSERT_EQ(link->state(), 2);
    clock.restart();
    link->beginLogAccess();
    EXPECT_GE(clock.elapsed(), platform::kLinkTimeoutMs - 300);
    EXPECT_LT(clock.elapsed(), platform::kLinkTimeoutMs + 2000);
}

// A registration check whose answer comes slowly: the 1.5-second poll
// falls due while the program waits for the logging program's answer to
// 0x400073. The poll waits its turn, so the answer is taken for the check
// it belongs to (not for the poll's last-record request, after which the
// check would have turned into a card send of the QSO on the screen).
TEST_F(LinkWithSim, ASlowAnswerStaysWithTheRequestItAnswers) {
    serve({u"--current"_s, u"2"_s, u"--no-reload"_s, u"--no-call"_s, u"--slow"_s, u"0x400073"_s,
           u"2500"_s});
    link->poll();
    ASSERT_EQ(link->state(), 2);
    active = false;  // another program has the focus, RecRead is ticked
    recRead = true;
    QTimer poll;
    poll.setInterval(300);
    QObject::connect(&poll, &QTimer::timeout, &poll, [this] { link->poll(); });
    poll.start();
    QElapsedTimer clock;
    clock.start();
    link->ZLKV1Click();
    poll.stop();
    EXPECT_GE(clock.elapsed(), 2000);  // the logging program took its time
    EXPECT_EQ(link->pending(), link_pending::RegistrationCheck);
    EXPECT_EQ(link->callBuffer(), u"JR2XYZ"_s);
    EXPECT_EQ(timers, 1);
    // While the check is pending (the registration timer not yet run), a
    // poll asks for the last record and the check stays pending.
    link->poll();
    EXPECT_EQ(link->lastRecord(), 3);
    EXPECT_EQ(link->pending(), link_pending::RegistrationCheck);
    const QByteArray seen = sim.readAllStandardOutput();
    // No last-record request went out while the answer was awaited.
    const qsizetype asked = seen.indexOf("received 0x400073");
    const qsizetype answered = seen.indexOf("answer 2|JR2XYZ");
    ASSERT_GE(asked, 0) << seen.toStdString();
    ASSERT_GT(answered, asked) << seen.toStdString();
    EXPECT_EQ(seen.mid(asked, answered - asked).indexOf("received 116"), -1) << seen.toStdString();
}

}  // namespace
