#pragma once
// QSOs that other programs log, as they come: the datagrams of WSJT-X and
// JTDX, and a log file another logger appends to. Each QSO joins the log once
// (the import's duplicate rule); what follows is the person's choice
// (settings/qso_feed_settings.h): nothing more, its card at once, or a wait
// for the next "QSL送信".
//
// The desktop window owns one and gives it its ports. It never waits and
// never shows a box: what arrives is queued, and the queue is worked through
// only while no other work of the window runs (held, it is tried again a
// second later). A card goes out through `sendCard`, which runs the window's
// single send; datagrams that arrive meanwhile only join the queue.

#include "link/station_check.h"
#include "link/wsjtx_listener.h"
#include "logdata/qso_record.h"
#include "settings/log_follow.h"
#include "settings/qso_feed_settings.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>
#include <set>

class TZkwIni;

struct QsoFeedPorts {
    // The log's master file, as the window has it now.
    std::function<QString()> logPath;
    // Other work runs, or a box is up: nothing is taken from the queue.
    std::function<bool()> held;
    // The card of QSO `recno` through the single send, without a box.
    std::function<QuietSend(int recno, const QsoRecord& qso, bool preview)> sendCard;
    // QSOs joined the log: the window's range follows.
    std::function<void()> logChanged;
    // What the status line shows changed.
    std::function<void()> changed;
    // A QSO the next "QSL送信" leaves out: its card went (or its partner
    // does not take part), or it was only to be logged.
    std::function<void(int recno)> settled;
    // Something was done: said in the status bar.
    std::function<void(const QString& text)> noted;
};

class QsoFeed : public QObject {
    Q_OBJECT
public:
    // At most this many datagrams wait to join the log; more are dropped
    // and counted (a sender gone wild must not fill the memory).
    static constexpr std::size_t kMaxWaiting = 1000;

    QsoFeed(TZkwIni& settings, QsoFeedPorts ports, QObject* parent = nullptr);
    ~QsoFeed() override;

    // Starts, moves or stops the listener and the followed file as the
    // settings now say. False, with the reason kept for the status line,
    // when the port cannot be had.
    bool apply();
    // The person's switch: the listener on or off, kept in the settings.
    bool setListening(bool on);
    bool listening() const { return listener_.listening(); }
    // Whether the settings say to listen (the port may be taken meanwhile).
    bool wanted() const { return feed_.listen; }
    quint16 port() const { return listener_.port(); }
    bool following() const { return follow_.watch && !follow_.file.isEmpty(); }

    // Reads the followed file (the window's 5-second watch) and works the
    // queue through when nothing holds it.
    void poll();

    struct Counts {
        int qsos = 0;        // joined the log
        int sent = 0;        // cards mailed
        int notMembers = 0;  // partners that do not take part
        int failed = 0;      // refused records, cards not sent, log errors
        int dropped = 0;     // broken datagrams and overflow
    };
    const Counts& counts() const { return counts_; }
    // QSOs waiting for the next "QSL送信".
    int waitingForBatch() const { return int(waiting_.size()); }
    // A batch went over the records up to `last`: they wait no more.
    void batchCovered(int last);
    // The records the next "QSL送信" leaves out (this run's).
    const std::set<int>& settled() const { return settled_; }

    // The status line: what listens and what was done last.
    QString statusText() const;
    // The last things done, newest last (the line's tooltip).
    const QStringList& history() const { return history_; }
    bool faulty() const { return !listenProblem_.isEmpty() || !followProblem_.isEmpty(); }
    // Why it does not listen although asked to; empty when it does.
    const QString& listenProblem() const { return listenProblem_; }

private:
    // The listener on the settings' port or group; the reason kept when not.
    bool startListening();
    void arrived(const wsjtx::Datagram& datagram);
    void schedule();
    void drain();
    void joinArrived();
    void readFollowed();
    void joined(int recno, const QsoRecord& qso);
    void settle(int recno);
    void note(const QString& text);

    TZkwIni& settings_;
    QsoFeedPorts ports_;
    QsoFeedSettings feed_;
    LogFollowSettings follow_;
    wsjtx::Listener listener_;
    QTimer retry_;
    bool draining_ = false;
    std::deque<QByteArray> arrived_;  // ADIF texts, oldest first
    struct ToSend {
        int recno;
        QsoRecord qso;
    };
    std::deque<ToSend> toSend_;
    std::set<int> waiting_;  // for the next "QSL送信"
    std::set<int> settled_;  // left out of it
    // The last QSOs joined and when, to tell WSJT-X's second datagram of one
    // from a QSO announced again later.
    std::deque<std::pair<QString, QDateTime>> recent_;
    static constexpr int kSecondDatagramSeconds = 30;
    bool joinedJustNow(const QString& qso) const;
    Counts counts_;
    QString listenProblem_;  // why it does not listen
    QString followProblem_;  // why the followed file cannot be read
    QString last_;           // the last thing done
    QStringList history_;
};
