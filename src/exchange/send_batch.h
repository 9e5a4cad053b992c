#pragma once
// The send batch: for a range of log records (or one record the logging
// program hands over), the checks, the selection, the membership look-up at
// the service's server, then card by card: draw, show for a decision, mail
// over one SMTP connection, file in the sent folder, mark as sent in the
// log; at the end the report to the server and the summary. It runs on the
// calling thread and keeps its events flowing (the mail and HTTP calls run
// off it); it talks to the person through the message port, the progress
// port and the card-decision port.

#include "exchange/batch_check.h"
#include "mail/mail_account.h"
#include "render/card_inputs.h"
#include "server/novq_requests.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class CardDecisionPort;
class LoggingProgram;
class ProgressPort;
class QslDefinition;
class THTTPDown;
struct EnvironmentSettings;
struct QsoRecord;

// What the batch works with; the caller builds them for the run.
struct SendBatchParts {
    ProgressPort& progress;
    CardDecisionPort& decisions;
    LoggingProgram& loggingProgram;
    THTTPDown& http;
    QslDefinition& definition;
    // The rig/antenna line of a QSO when "送信時Rig/Ant確認あり" is on (the
    // window's chooser); nothing when the person cancels. Unset: found
    // without asking.
    std::function<std::optional<QString>(const QsoRecord&)> chooseRig = {};
    // Told after each card of a range goes out: the record the next batch
    // starts at, kept at once (a batch killed midway does not start over).
    std::function<void(int nextFirst)> advanced = {};
};

// One batch's request, read from the window (or the command line) at its start.
struct SendRequest {
    CardInputs card;  // the log, the photo or definition, the card's texts, the memo
    QString userList;
    QString sentDir;
    MailAccount mail;
    ServerAccount server;
    // Environment settings the batch reads.
    int sendMax = 25;
    bool onlyUnsent = false;  // MiHakko
    // Going on with a stopped batch: a card a killed batch may have mailed
    // (its record) is left out rather than mailed a second time.
    bool resume = false;
    QList<int> leaveOut;
    bool markAlreadySent = false;  // SentMark
    QString sentMarkRule = QStringLiteral("H;*=W;");
    bool noMemoInMail = false;  // nMemoSd
    QString excludedRoutes;
    QString eligibleSentMarks = QStringLiteral("N");
    bool confirmEach = true;  // Check2 "確認しながら送信"
    // Every card drawn and looked over before the first mail (a batch, not
    // a single send or a resend); with checkOnly nothing more.
    bool checkCards = true;
    bool checkOnly = false;

    // The range of the button (Edit1, Edit2), or the one record handed over
    // by the logging program (a single send: previewed, MiHakko off and
    // SentMark on for its run).
    int first = 0;
    int last = 0;
    int handedRecord = 0;  // > 0: a single send
    // A handed record is previewed; a QSO another program logged is shown
    // only when the person asked for it.
    bool previewHanded = true;
    // The summary kept in the result instead of a box (a card that goes out
    // by itself after a QSO is logged); warnings are still shown.
    bool quietSummary = false;
    // A card already in the sent folder, mailed instead of a new drawing.
    QString resendFile;

    void takeEnvironment(const EnvironmentSettings& environment);
};

struct SendResult {
    int sent = 0;
    // How the batch ended: refused before it started, stopped with a
    // message, nothing to send (the zero summary), or the send loop ran.
    // A check alone ends Checked.
    enum class End { Refused, Stopped, NothingToSend, Sent, Checked } end = End::Refused;
    // What the look over the cards found (see batch_check.h).
    std::vector<CardProblem> problems;
    int checked = 0;
    // The window's fields as the batch leaves them.
    std::optional<int> first;  // Edit1 (lowered to the log, or the next record to send)
    std::optional<int> last;   // Edit2 (lowered to the log)
    enum class Focus { None, Memo, FirstRecord } focus = Focus::None;
    std::optional<QString> memo;   // the memo cut to 300 lines
    bool noMemoInMail = false;     // nMemoSd ticked by the answer No
    bool userListChecked = false;  // USR1 (unchecked while the list is checked)
    bool cardsSent = false;        // the activity bit 0
    // A card could not be drawn, mailed, filed or marked (what the person
    // was told); a stop asked for is none.
    bool failed = false;
    QString summary;  // with quietSummary: what the box would have said
};

class SendBatch {
public:
    explicit SendBatch(const SendBatchParts& parts);
    SendResult run(SendRequest request);

private:
    struct Run;
    SendBatchParts parts_;
};
