#pragma once
// How QSOs that WSJT-X, JTDX or another logger announce reach the program
// (`WsjtxLink`: `Listen`, `Port`, `Group`, `Action`, `Preview`): whether the
// desktop program listens for their datagrams, where, and what a QSO that
// joined the log leads to. The log file followed beside it is the follow
// model's (log_follow.h).

#include <QString>

#include <optional>

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

    static QsoFeedSettings load(const TZkwIni& settings);
    void save(TZkwIni& settings) const;
    // What is wrong with the fields, in the person's words; none when usable.
    std::optional<QString> problem() const;
};

// The caption of an action, as the settings window and the status line say it.
QString feedActionText(FeedAction action);
