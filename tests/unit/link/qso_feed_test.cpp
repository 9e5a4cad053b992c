// The QSOs WSJT-X and a followed log file bring, as the window's feed takes
// them: over a real UDP socket into a real log, each once; cards asked for
// one at a time, never while other work runs, never from inside a card that
// is going out.

#include "link/qso_feed.h"
#include "core/zkw_ini.h"
#include "link/wsjtx_datagram.h"
#include "logdata/log_store.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QUdpSocket>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

quint16 freePort() {
    QUdpSocket probe;
    if (!probe.bind(QHostAddress::LocalHost, 0)) return 0;
    return probe.localPort();
}

wsjtx::QsoLogged qsoAt(const QString& call, const QDateTime& on) {
    wsjtx::QsoLogged q;
    q.on = on;
    q.off = on.addSecs(60);
    q.dxCall = call;
    q.txHz = 14'074'000 + 1200;
    q.mode = u"FT8"_s;
    q.myCall = u"JS2IIU"_s;
    return q;
}

QString adifOf(const QString& call, const QDateTime& on) {
    return u"<call:%1>%2 <mode:3>FT8 <qso_date:8>%3 <time_on:6>%4 <band:3>20m <EOR>\n"_s.arg(
        QString::number(call.size()), call, on.toString(u"yyyyMMdd"_s), on.toString(u"HHmmss"_s));
}

struct FeedDesk {
    testing_support::Sandbox box;
    std::unique_ptr<TZkwIni> settings;
    std::unique_ptr<QsoFeed> feed;
    bool held = false;
    std::vector<QString> asked;  // calls, in the order their cards were asked for
    std::vector<int> settled;    // records the next batch leaves out
    std::function<void()> whileSending;
    int depth = 0, deepest = 0;
    QUdpSocket wsjtxSide;
    quint16 port = freePort();

    FeedDesk(FeedAction action, bool listen = true) {
        settings = std::make_unique<TZkwIni>(box.path(u"Sendvik.ini"_s));
        QsoFeedSettings s;
        s.listen = listen;
        s.port = port;
        s.action = action;
        s.save(*settings);
        QsoFeedPorts ports;
        ports.logPath = [this] { return box.path(u"ZELKOV.mst"_s); };
        ports.held = [this] { return held; };
        ports.sendCard = [this](int, const QsoRecord& qso, bool) {
            deepest = std::max(deepest, ++depth);
            asked.push_back(qso.call.trimmed());
            if (whileSending) whileSending();
            --depth;
            QuietSend q;
            q.outcome = qso.call.startsWith(u"JR")   ? QuietSend::Outcome::Sent
                        : qso.call.startsWith(u"JH") ? QuietSend::Outcome::Declined
                                                     : QuietSend::Outcome::NotMember;
            q.note = u"note"_s;
            return q;
        };
        ports.settled = [this](int recno) { settled.push_back(recno); };
        feed = std::make_unique<QsoFeed>(*settings, std::move(ports));
        EXPECT_TRUE(feed->apply()) << feed->statusText().toStdString();
    }
    void send(const QByteArray& datagram) {
        wsjtxSide.writeDatagram(datagram, QHostAddress::LocalHost, port);
    }
    // Runs the event loop until `done` or `ms` milliseconds.
    template <typename F>
    bool waitFor(F done, int ms = 3000) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    int logCount() {
        LogStore log;
        return log.open(box.path(u"ZELKOV.mst"_s), true) ? log.recordCount() : -1;
    }
};

}  // namespace

TEST(QsoFeed, EachQsoJoinsOnceAndCardsGoOneAtATimeWhenNothingElseRuns) {
    FeedDesk desk(FeedAction::SendAtOnce);
    const QDateTime on = QDateTime::currentDateTimeUtc().addSecs(-300);
    desk.held = true;  // another send runs
    desk.send(wsjtx::qsoLoggedDatagram(u"WSJT-X"_s, qsoAt(u"JR2XYZ"_s, on)));
    desk.send(wsjtx::loggedAdifDatagram(u"WSJT-X"_s, adifOf(u"JR2XYZ"_s, on)));
    desk.send(wsjtx::qsoLoggedDatagram(u"WSJT-X"_s, qsoAt(u"JR2XYZ"_s, on)).left(30));
    ASSERT_TRUE(desk.waitFor([&] { return desk.feed->statusText().contains(u"破棄 1"_s); }));
    // Held: nothing joined, nothing asked.
    EXPECT_EQ(desk.logCount(), 0);
    EXPECT_TRUE(desk.asked.empty());

    // Released: the two datagrams of one QSO add it once. While its card
    // goes out, the next QSO arrives: it waits for the card, not inside it.
    desk.whileSending = [&] {
        desk.whileSending = nullptr;
        desk.send(wsjtx::loggedAdifDatagram(u"JTDX"_s, adifOf(u"JA9ZZZ"_s, on.addSecs(120))));
        desk.waitFor([] { return false; }, 300);  // the card's own wait
    };
    desk.held = false;
    ASSERT_TRUE(desk.waitFor([&] { return desk.asked.size() == 2; }));
    EXPECT_EQ(desk.asked, (std::vector<QString>{u"JR2XYZ"_s, u"JA9ZZZ"_s}));
    EXPECT_EQ(desk.deepest, 1);
    EXPECT_EQ(desk.logCount(), 2);
    EXPECT_EQ(desk.feed->counts().qsos, 2);
    EXPECT_EQ(desk.feed->counts().sent, 1);
    EXPECT_EQ(desk.feed->counts().notMembers, 1);
    EXPECT_TRUE(desk.feed->statusText().contains(u"QSO 2件（送信 1・非参加 1）"_s))
        << desk.feed->statusText().toStdString();
    // Both are settled: the next batch leaves them out, after a restart too.
    EXPECT_EQ(desk.settled, (std::vector<int>{1, 2}));
    EXPECT_EQ(QsoFeedSettings::load(*desk.settings).leftOut, (std::set<int>{1, 2}));
    // A card the person declines at its preview waits for the batch instead.
    desk.send(wsjtx::loggedAdifDatagram(u"WSJT-X"_s, adifOf(u"JH3AAA"_s, on.addSecs(180))));
    ASSERT_TRUE(desk.waitFor([&] { return desk.asked.size() == 3; }));
    EXPECT_EQ(desk.feed->waitingForBatch(), 1);
    EXPECT_EQ(desk.settled.size(), 2u);
    EXPECT_TRUE(desk.feed->history().last().endsWith(u"（次の「QSL送信」で送れます）"_s))
        << desk.feed->history().last().toStdString();

    // Switched off: the port is let go, and a QSO sent then is not taken.
    EXPECT_TRUE(desk.feed->setListening(false));
    EXPECT_EQ(QsoFeedSettings::load(*desk.settings).listen, false);
    desk.send(wsjtx::loggedAdifDatagram(u"WSJT-X"_s, adifOf(u"JR3AAA"_s, on.addSecs(240))));
    desk.waitFor([] { return false; }, 300);
    EXPECT_EQ(desk.logCount(), 3);
    EXPECT_TRUE(desk.feed->statusText().startsWith(u"WSJT-X・JTDX: 受信していません"_s));
}

TEST(QsoFeed, AQsoForTheNextBatchWaitsUntilTheRangeMovesPastIt) {
    FeedDesk desk(FeedAction::NextBatch);
    const QDateTime on = QDateTime::currentDateTimeUtc().addSecs(-300);
    desk.send(wsjtx::loggedAdifDatagram(u"WSJT-X"_s, adifOf(u"JR2XYZ"_s, on)));
    desk.send(wsjtx::loggedAdifDatagram(u"WSJT-X"_s, adifOf(u"JA9ZZZ"_s, on.addSecs(60))));
    ASSERT_TRUE(desk.waitFor([&] { return desk.feed->counts().qsos == 2; }));
    EXPECT_TRUE(desk.asked.empty());
    EXPECT_TRUE(desk.settled.empty());
    EXPECT_EQ(desk.feed->waitingForBatch(), 2);
    // On 30m the log keeps the band as "10" (below the band's edge): WSJT-X's
    // second datagram is still the same QSO, and says nothing.
    wsjtx::QsoLogged on30 = qsoAt(u"JR4BBB"_s, on.addSecs(30));
    on30.txHz = 10'137'500;
    desk.send(wsjtx::qsoLoggedDatagram(u"WSJT-X"_s, on30));
    desk.send(wsjtx::loggedAdifDatagram(
        u"WSJT-X"_s, QString(adifOf(u"JR4BBB"_s, on.addSecs(30))).replace(u"20m"_s, u"30m"_s)));
    ASSERT_TRUE(desk.waitFor([&] { return desk.feed->counts().qsos == 3; }));
    desk.waitFor([] { return false; }, 200);
    EXPECT_TRUE(desk.feed->history().last().contains(u"30m FT8 → 次の「QSL送信」で送信"_s))
        << desk.feed->history().join(u'\n').toStdString();
    EXPECT_EQ(desk.feed->waitingForBatch(), 3);
    desk.feed->batchCovered(2);  // a batch that stopped after record 2
    EXPECT_EQ(desk.feed->waitingForBatch(), 1);
    EXPECT_TRUE(desk.feed->statusText().contains(u"次の「QSL送信」を待つQSO 1件"_s));
    desk.feed->batchCovered(3);  // a batch over all of them
    EXPECT_EQ(desk.feed->waitingForBatch(), 0);
    // Another choice: nothing waits any more, and a QSO only logged is left
    // out of the batch.
    QsoFeedSettings s = QsoFeedSettings::load(*desk.settings);
    s.action = FeedAction::LogOnly;
    s.save(*desk.settings);
    ASSERT_TRUE(desk.feed->apply());
    EXPECT_EQ(desk.feed->waitingForBatch(), 0);
    desk.send(wsjtx::loggedAdifDatagram(u"WSJT-X"_s, adifOf(u"JR3AAA"_s, on.addSecs(120))));
    ASSERT_TRUE(desk.waitFor([&] { return desk.feed->counts().qsos == 4; }));
    EXPECT_EQ(desk.settled, std::vector<int>{4});
    EXPECT_TRUE(desk.asked.empty());
}

TEST(QsoFeed, AFollowedFileIsReadWhereItWasLeftAndAPortInUseIsSaid) {
    FeedDesk desk(FeedAction::SendAtOnce, false);
    const QString file = desk.box.path(u"wsjtx_log.adi"_s);
    const QDateTime on = QDateTime::currentDateTimeUtc().addSecs(-300);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write((u"WSJT-X ADIF Export<eoh>\n"_s + adifOf(u"JR2XYZ"_s, on)).toUtf8());
    f.flush();
    LogFollowSettings follow;
    follow.file = file;
    follow.watch = true;
    follow.save(*desk.settings);
    ASSERT_TRUE(desk.feed->apply());
    desk.feed->poll();
    EXPECT_EQ(desk.logCount(), 1);
    // (the file's history: logged, no card)
    desk.waitFor([] { return false; }, 200);
    EXPECT_TRUE(desk.asked.empty());
    // Half a record waits for its end; the place is kept in the settings.
    f.write(adifOf(u"JA9ZZZ"_s, on.addSecs(60)).left(20).toUtf8());
    f.flush();
    desk.feed->poll();
    EXPECT_EQ(desk.logCount(), 1);
    f.write(adifOf(u"JA9ZZZ"_s, on.addSecs(60)).mid(20).toUtf8());
    f.close();
    desk.feed->poll();
    EXPECT_EQ(desk.logCount(), 2);
    // (to the end of the last record; its line break is not a record)
    EXPECT_EQ(LogFollowSettings::load(*desk.settings).followed.position,
              QFileInfo(file).size() - 1);
    ASSERT_TRUE(desk.waitFor([&] { return !desk.asked.empty(); }));
    EXPECT_EQ(desk.asked, std::vector<QString>{u"JA9ZZZ"_s});
    EXPECT_TRUE(desk.feed->statusText().contains(u"wsjtx_log.adi を追跡中"_s));

    // The port another program holds: said in the line, nothing taken.
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::LocalHost, 0));
    QsoFeedSettings s = QsoFeedSettings::load(*desk.settings);
    s.listen = true;
    s.port = holder.localPort();
    s.save(*desk.settings);
    EXPECT_FALSE(desk.feed->apply());
    EXPECT_TRUE(desk.feed->faulty());
    EXPECT_TRUE(desk.feed->statusText().contains(
        u"UDPポート %1 で受信できません（ほかのプログラムが使用中です）"_s.arg(holder.localPort())))
        << desk.feed->statusText().toStdString();
    // Let go by the other program: taken at the next look.
    holder.close();
    desk.feed->poll();
    EXPECT_TRUE(desk.feed->listening());
    EXPECT_FALSE(desk.feed->faulty());
}
