#pragma once
// The link with the running logging program: found every 1.5 seconds by
// its window class, whether it shares its database, the requests sent to it
// (the last record number, the QSO on its screen, the brackets around a
// use of the log) and its answers and own requests, which arrive as
// messages at the main window: the call sign of its current QSO for a
// registration check or a card to send, and the card views it asks for.
// The main window shows what the link says (`LinkView`) and carries out
// what it asks through `LinkParts`.

#include "core/card_folders.h"
#include "exchange/logging_program.h"
#include "logdata/qso_record.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace platform {
class LinkWindow;
struct LinkMessage;
}  // namespace platform

namespace link_code {
inline constexpr int AccessBegins = 0x40001B;
inline constexpr int AccessEnds = 0x40001C;
inline constexpr int LastRecord = 116;
inline constexpr int CurrentCall = 101;
inline constexpr int CurrentQso = 0x400073;
inline constexpr int FollowUp = 0x400076;
inline constexpr int ShowRecord = 20;
inline constexpr int BringToFront = 21;  // a window of the logging program, or its main one
// The logging program's own requests: all received cards, sent cards,
// received cards of a station.
inline constexpr int ShowAllReceived = -999;
inline constexpr int ShowSent = -998;
inline constexpr int ShowReceived = -997;
}  // namespace link_code

// The pending request: what the logging program's next answer is for.
namespace link_pending {
inline constexpr int None = 0;
inline constexpr int RegistrationCheck = 101;
inline constexpr int SendRequest = 115;
inline constexpr int LastRecord = 116;
inline constexpr int FollowUp = 118;
}  // namespace link_pending

// The view kinds: which cards the logging program's station is shown with.
namespace link_view {
inline constexpr int None = 0;
inline constexpr int Sent = 2;
inline constexpr int Received = 4;
inline constexpr int AllReceived = 6;
}  // namespace link_view

// What the main window shows of the link.
struct LinkView {
    bool present = false;      // the ZELKOV menu, RecRead, the lists' buttons enabled
    bool sharedShown = false;  // KY1 "共有"
    bool rangeToLast = false;  // Edit2 hidden, Label1 "から最終番号"
};

// The QSO the logging program shows, for finding its received card.
struct LinkQso {
    QString date, time, freq, mode;
    // As the log keeps it: "hh:mmU" was logged in UTC, "hh:mm" in Japan time.
    QsoRecord record() const;
};

struct LinkParts {
    std::function<bool()> programActive;                // Sendvik has the focus
    std::function<bool()> recRead;                      // RecRead ticked
    std::function<void(int lastRecord)> setLastRecord;  // into Edit2
    std::function<void(const LinkView&)> showView;
    // The viewer on a pattern; its window identity (0 when nothing shown).
    std::function<qint64(const QString& pattern)> showCards;
    std::function<void()> closeViewer;
    // The received card of the QSO among the pictures of `pattern`: its
    // QSO's record number (and `pattern` becomes the card's path), or 0.
    std::function<int(QString& pattern, const LinkQso& qso)> findReceivedCard;
    // The registration timer (200 ms, once) after an answer for a check or
    // a send.
    std::function<void()> startRegistrationTimer;
    // The folders of the cards, read at each use.
    std::function<CardFolders()> folders;
};

class LoggingLink : public LoggingProgram {
public:
    LoggingLink(platform::LinkWindow& window, LinkParts parts);

    // LoggingProgram: what a send, a receive and the lists ask.
    int lastRecordNumber() override;
    void beginLogAccess() override;
    void endLogAccess() override;
    bool running() const override { return state_ != 0; }
    qint64 openEditWindow(int recno) override;
    // After a registration check: the logging program's window its answer
    // named (`window` 1 or more), else its main window, comes to the front.
    void bringToFront(int window);

    // Timer1: the logging program found or gone, shared or not.
    void poll();
    // RecRead ticked or not.
    void recReadClicked(bool checked);
    // One request; its result, 0 when nothing was sent.
    qint64 sendRequest(int code, const QString& text = QString());
    // A message of the logging program: its answer or its own request;
    // the result is the reply to it.
    qint64 handleMessage(const platform::LinkMessage& message);

    // The ZELKOV menu: a card to the station on its screen (NOVQ1), its
    // registration (ZLKV1), the cards sent to it (2) or received from it (4,
    // 6 all of the QSO's).
    void NOVQ1Click(bool busy);
    void ZLKV1Click();
    void showCardsOfStation(int viewKind);

    // Whether a request waits for the logging program's result (its answer
    // may arrive meanwhile): polls are dropped and no other request is
    // started from a timer until it returns.
    bool waiting() const { return waiting_ > 0; }

    // The state the registration timer works on.
    int state() const { return state_; }
    int pending() const { return pending_; }
    void clearPending() { pending_ = link_pending::None; }
    int viewKind() const { return viewKind_; }
    int lastRecord() const { return lastRecord_; }
    const QString& callBuffer() const { return call_; }
    // The first number of the answer that started the timer: a send
    // request's record, or after a check the window to bring forward.
    int keptNumber() const { return kept_; }

private:
    void setView(const LinkView& view);
    // Step 7 of an answer: the station's cards shown, or the timer started.
    qint64 takeStation(const QString& call, const QStringList& lines, int first, bool askedByPeer);

    platform::LinkWindow& window_;
    LinkParts parts_;
    int state_ = 0;
    int pending_ = link_pending::None;
    int viewKind_ = link_view::None;
    int lastRecord_ = 0;
    int kept_ = 0;
    int waiting_ = 0;
    QString call_;
    LinkView view_;
};

// The base call of a call as logged (portable suffix or prefix left out).
QString baseCallOf(const QString& call);
// The lines of a message: at most 126 bytes, up to its terminating zero.
QStringList linkLines(const QByteArray& data);
