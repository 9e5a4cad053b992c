#pragma once
// How QSOs that WSJT-X, JTDX or another logger announce reach the program
// (`WsjtxLink`: `Listen`, `Port`, `Group`, `Action`, `Preview`, `LeftOut`):
// whether the desktop program listens for their datagrams, where, what a QSO
// that joined the log leads to, and the records "QSL送信" leaves out because
// their cards went by themselves or they were only to be logged. The log file followed beside it is
// the follow model's (log_follow.h).

#include <QString>

#include <optional>
#include <set>

class TZkwIni;

// What a QSO another program logged leads to once it is in the log.
enum class FeedAction {
    LogOnly = 0,     // nothing more
    SendAtOnce = 1,  // its card goes out at once through the single send
    NextBatch = 2,   // it waits in the range for the next "QSL送信"
};

struct QsoFeedSettings {
    bool listen = false;
    int port = 2237;  // WSJT-X's default
    QString group;    // a multicast group on loopback; empty: the port on 127.0.0.1
    FeedAction action = FeedAction::NextBatch;
    bool preview = false;  // the card shown before it goes (SendAtOnce)
    // At most kMaxLeftOut, the newest records kept.
    std::set<int> leftOut;
    static constexpr std::size_t kMaxLeftOut = 300;

    static QsoFeedSettings load(const TZkwIni& settings);
    void save(TZkwIni& settings) const;
    // What is wrong with the fields, in the person's words; none when usable.
    std::optional<QString> problem() const;
};

// The caption of an action, as the settings window and the status line say it.
QString feedActionText(FeedAction action);
