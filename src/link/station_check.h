#pragma once
// Whether one station takes part in the service, asked of the server when
// the person checks a station, and before a card goes to one station alone
// (a card the logging program asks for, a card sent from the received list,
// a resend from the sent list): a station that takes part gets its card
// through the send batch for that one QSO.

#include "exchange/send_batch.h"

#include <QString>

#include <functional>
#include <optional>

class THTTPDown;
struct ServerAccount;
struct ServerReply;

enum class StationRequest { RegistrationCheck, Send };

struct StationCheck {
    bool answered = false;  // the server answered (else nothing is told)
    bool member = false;    // an address is known: a card can go
    QString message;        // what the person is told; empty: nothing
};

// What the server's answer means for `call`; `inUserList`: the call is in
// the registered-user list of `edition`.
StationCheck stationCheckFrom(const QString& call, const ServerReply& reply, StationRequest request,
                              bool inUserList, const QString& edition);

// Asks the server, tells the person, and for a send to a member runs
// `sendCard`; its result, or nothing when no card was sent for.
std::optional<SendResult> CheckStationAndSend(THTTPDown& http, const ServerAccount& account,
                                              const QString& call, StationRequest request,
                                              const QString& userListPath,
                                              const std::function<SendResult()>& sendCard);

// A card for a QSO another program logged (WSJT-X, JTDX, a followed log):
// the server is asked without a word to the person, and a station that does
// not take part is an outcome to count, not an error.
struct QuietSend {
    // Declined: the person said no at the card's preview.
    enum class Outcome { Sent, NotMember, NoAnswer, NotSent, Declined };
    Outcome outcome = Outcome::NoAnswer;
    QString note;       // one line: what became of the card
    SendResult result;  // when the card was sent for
};
QuietSend sendIfMember(THTTPDown& http, const ServerAccount& account, const QString& call,
                       const std::function<SendResult()>& sendCard);
