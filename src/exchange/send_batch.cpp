#include "exchange/send_batch.h"

#include "core/app_info.h"
#include "core/card_decisions.h"
#include "core/comma_text.h"
#include "core/mklink.h"
#include "core/msg_box.h"
#include "core/progress_port.h"
#include "core/text_files.h"
#include "core/zk_dll5.h"
#include "exchange/batch_texts.h"
#include "exchange/logging_program.h"
#include "exchange/send_journal.h"
#include "exchange/sent_mark.h"
#include "logdata/qso_selection.h"
#include "logdata/user_list.h"
#include "logdata/zelkov50.h"
#include "logdata/zkw_parse.h"
#include "mail/mail_session.h"
#include "platform/file_sync.h"
#include "render/card_composer.h"
#include "render/qsl_definition.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QThread>

#include <memory>
#include <set>

namespace {

constexpr int kMaxRange = 300;
constexpr int kMemoLines = 300;

void warn(const QString& text) {
    ShowProgramMessage(text, mb::Ok | mb::IconExclamation);
}

// A card file into the sent folder under its own name, replacing an older
// one (a resent card already lies there).
// The card that went out, kept in the sent folder and flushed to disk there:
// the one copy of it that is kept.
bool moveIntoFolder(const QString& card, const QString& folder) {
    const QString target = QDir(folder).filePath(QFileInfo(card).fileName());
    if (QFileInfo(card).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        return platform::syncFile(target);
    return MoveFileReplacing(card, target) && platform::syncFile(target);
}

}  // namespace

void SendRequest::takeEnvironment(const EnvironmentSettings& e) {
    sendMax = e.sendMax;
    onlyUnsent = e.onlyUnsent;
    markAlreadySent = e.markAlreadySent;
    sentMarkRule = e.sentMarkRule;
    noMemoInMail = e.noMemoInMail;
    excludedRoutes = e.excludedRoutes;
    eligibleSentMarks = e.eligibleSentMarks;
}

// The state of one batch from its start to its end handling, which its
// destructor carries out on every path (a return, a stop, an exception).
struct SendBatch::Run {
    SendBatchParts& parts;
    SendRequest& request;
    SendResult& result;
    QString statusBefore;
    ZkwHandle log;
    bool logOpen = false;
    UserHandle users;
    QString edition;
    // No list of the logging program: the stations the service confirms are
    // kept in the program's own list.
    bool keepMembers = false;
    SelectionCounters counters;
    QStringList candidates;
    QStringList bandItems;
    int enteredRange = 1;  // last - first + 1 as the person entered them
    QString batchText;
    int lastComposed = 0;
    CardDecision lastDecision = CardDecision::Send;
    // Draws the cards into the folder beside the log, from the check on: a
    // card that went out stays there until it is filed, whatever ends the
    // batch (a kill included); the others go when the batch ends.
    std::unique_ptr<CardComposer> composer;
    void makeComposer() {
        composer = std::make_unique<CardComposer>(request.card, parts.definition);
        const QString folder = SendJournal::prepareCardFolder(request.card.qsoData);
        if (!folder.isEmpty()) composer->outputDir = folder;
    }

    Run(SendBatchParts& p, SendRequest& r, SendResult& out) : parts(p), request(r), result(out) {
        statusBefore = parts.progress.status();
        parts.progress.setVisible(true);
        parts.progress.clearAbort();
        parts.loggingProgram.beginLogAccess();
    }
    ~Run() {
        if (composer) SendJournal::sweepCardFolder(request.card.qsoData);
        User_close(users);
        if (logOpen) ZelkovClose(log, 0);
        parts.progress.setVisible(false);
        QThread::msleep(100);
        parts.loggingProgram.endLogAccess();
        parts.progress.setStatus(statusBefore);
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    void stop(const QString& text) {
        warn(text);
        result.end = SendResult::End::Stopped;
    }
    bool prepare(int linkLastRecord);
    bool lookUpMembers();
    bool checkCards();
    bool anyLeft();
    int sendLoop();
    // SentThenEnd: out, and the batch ends there (its mark not written, the
    // journal kept so that the next batch marks it and mails it not again;
    // or the person stopped after it could not be filed).
    enum class CardOutcome { Sent, SentThenEnd, NotSent, Back, EndLoop };
    std::optional<QString> sentFolderLacksRoom(const QString& card) const;
    CardOutcome markNotWritten(const QStringList& fields);
    CardOutcome sendOne(SmtpSession& smtp, CardComposer& composer, SendJournal& journal,
                        const QStringList& fields, bool& previewing, const CardPlace& place);
};

SendBatch::SendBatch(const SendBatchParts& parts) : parts_(parts) {}

SendResult SendBatch::run(SendRequest request) {
    SendResult result;
    const bool single = request.handedRecord > 0;
    if (!single && request.first <= 0 && request.last <= 0) return result;

    // The card's picture, in beginner mode.
    if (!request.card.expertMode && !QFileInfo(request.card.photoPath).isFile()) {
        warn(QStringLiteral("ファイルメニューからJPEG画像を開いてください。"));
        result.end = SendResult::End::Stopped;
        return result;
    }
    // A long memo: shortened, left out of the mail, or the batch given up.
    QString memo =
        QString(request.card.messageText).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList memoLines = memo.split(u'\n');
    if (!memo.isEmpty() && memo.endsWith(u'\n')) memoLines.removeLast();
    if (!request.noMemoInMail && memoLines.size() > kMemoLines) {
        const int answer = ShowProgramMessage(
            QStringLiteral("メール本文（メモ欄）が %1行あります。減らしますか？\r"
                           "[はい(Y)]・・・300行に減らす\r[いいえ(N)]・・メール本文を送信しない\r"
                           "[ ｷｬﾝｾﾙ ]・・・送信中止")
                .arg(memoLines.size()),
            mb::YesNoCancel | mb::IconQuestion);
        if (answer == mb::IdCancel) {
            result.focus = SendResult::Focus::Memo;
            return result;
        }
        if (answer == mb::IdYes) {
            memoLines.resize(kMemoLines);
            request.card.messageText = memoLines.join(u'\n');
            result.memo = request.card.messageText;
        } else {
            request.noMemoInMail = true;
            result.noMemoInMail = true;
        }
    }
    if (!single) {
        if (request.last < request.first) {
            result.focus = SendResult::Focus::FirstRecord;
            return result;
        }
        const int size = request.last - request.first + 1;
        if (size > kMaxRange) {
            warn(QStringLiteral("%1件の送信指定はできません。\r\r300件以内にしてください。")
                     .arg(size));
            result.end = SendResult::End::Stopped;
            return result;
        }
    }
    // The user list's index: made here when missing (there is no logging
    // program to make it).
    result.userListChecked = false;
    const QString index = userListIndexPath(request.userList);
    QString indexError;
    const bool listed = !isServiceUserList(request.userList);
    if (listed && !QFileInfo::exists(index) && QFileInfo::exists(request.userList) &&
        !BuildUserListIndex(request.userList, &indexError) && !indexError.isEmpty())
        indexError = QStringLiteral("\r\r（") + indexError + u'）';
    if (listed && !QFileInfo::exists(index)) {
        warn(QStringLiteral("一度、ZELKOV/Win でユーザーリストを開いてください。") + indexError);
        result.end = SendResult::End::Stopped;
        return result;
    }
    // A batch killed earlier left a card out without its mark: marked now
    // when the server had taken it, else named. A check changes nothing:
    // that is left to the batch that sends.
    SentMarkRules markRules;
    markRules.rule = request.sentMarkRule;
    markRules.markAlreadySent = request.markAlreadySent;
    markRules.eligibleMarks = request.eligibleSentMarks;
    QList<int> unsettled;
    int settled = 0;
    if (!request.checkOnly) {
        // Asked about below, the undecided cards are not named first.
        const auto left = SendJournal::settleLeftOver(request.card.qsoData, markRules, &unsettled,
                                                      request.sentDir, &settled, request.resume);
        if (left) warn(*left);
        if (!unsettled.isEmpty() && !request.resume) {
            // A card that may have gone out is mailed again only when the
            // person says so; left out, it is asked about again next time.
            for (const SendJournal::LeftOver& card : SendJournal::undecided(request.card.qsoData)) {
                const int answer =
                    ShowProgramMessage(SendJournal::leftOverQuestion(card),
                                       mb::YesNoCancel | mb::IconQuestion | mb::DefButton3);
                const auto decision = answer == mb::IdYes  ? SendJournal::Decision::Sent
                                      : answer == mb::IdNo ? SendJournal::Decision::SendAgain
                                                           : SendJournal::Decision::Later;
                QString notFiled;
                if (!SendJournal::decide(request.card.qsoData, card.recno, decision, markRules,
                                         request.sentDir, &notFiled))
                    warn(SendJournal::leftOverMessage(card, false));
                else if (!notFiled.isEmpty())
                    warn(notFiled.trimmed());
                if (decision != SendJournal::Decision::SendAgain) request.leaveOut << card.recno;
            }
        }
    }
    // Resumed, the cards that may have gone out are left out and stay named.
    if (request.resume) request.leaveOut << unsettled;
    // The card just found out and marked is not mailed again by this batch,
    // whatever the range says.
    if (settled > 0) request.leaveOut << settled;

    const int linkLastRecord = parts_.loggingProgram.lastRecordNumber();
    Run run(parts_, request, result);
    if (!run.prepare(linkLastRecord)) return result;
    if (!run.lookUpMembers()) return result;
    if (request.checkOnly || (request.checkCards && !single && request.resendFile.isEmpty())) {
        if (!run.checkCards()) return result;
        if (request.checkOnly) {
            result.end = SendResult::End::Checked;
            return result;
        }
    }
    parts_.progress.setStatus(QStringLiteral(" 電子QSLの送信処理中..."));
    result.end = SendResult::End::Sent;
    result.sent = run.sendLoop();
    if (result.sent > 0) {
        if (!single)
            result.first =
                run.lastDecision == CardDecision::Stop ? run.lastComposed : run.lastComposed + 1;
        const ServerReply report = sentReport(parts_.http, request.server, result.sent,
                                              bandStatistic(run.bandItems), !request.quietSummary);
        if (report.ok()) result.cardsSent = true;
        if (request.quietSummary && report.ok() && !report.payload.trimmed().isEmpty())
            result.summary += u'\r' + report.payload.trimmed();
    }
    return result;
}

// Steps from opening the log to the selection; false when the batch ends.
bool SendBatch::Run::prepare(int linkLastRecord) {
    const bool single = request.handedRecord > 0;
    QDir().mkdir(request.sentDir);
    if (ZelkovOpen(0, log, request.card.qsoData, 0) != 0) {
        stop(QStringLiteral("ファイルメニューからQSOデータを開いてください。"));
        return false;
    }
    logOpen = true;
    if (linkLastRecord > 0 && linkLastRecord != log.recordCount)
        warn(
            QStringLiteral("ZELKOV/Win のQSOデータと一致しません！\r\rZELKOV/Win が使用しているQSO"
                           "データを\rファイルメニューから開いてください。"));
    if (openUserList(users, request.userList) != 0) {
        stop(QStringLiteral("ファイルメニューからユーザーリストを開いてください。"));
        return false;
    }
    edition = users.edition;
    if (request.card.expertMode) {
        request.card.definitionPath =
            MakeAbsolutePath(request.card.definitionPath, request.card.programDir);
        if (!QFileInfo(request.card.definitionPath).isFile()) {
            stop(QStringLiteral("QSL定義ファイルを登録してください。"));
            return false;
        }
    }
    parts.progress.setStatus(QStringLiteral(" NOVQサーバ問い合わせ中..."));
    result.userListChecked = true;
    const bool listStale = users.status != 0;
    if (listStale) {
        warn(QStringLiteral("一度、ZELKOV/Win でユーザーリストを開いてください。"));
        result.end = SendResult::End::Stopped;
    }
    // The own station must be in the list, with the registered address.
    // Without a list the service's answer about the own address decides.
    const QString ownCall = request.card.ownCall;
    keepMembers = users.serviceDecides;
    if (ownCall.trimmed().isEmpty()) {
        stop(QStringLiteral("自局のコールサインが設定されていません！\r\r") +
             kOwnCallWhere.toString());
        return false;
    }
    if (User_Seek(users, PadField(ownCall, 12)) <= 0) {
        stop(ownCall + QStringLiteral("局は、") + edition +
             QStringLiteral("版には掲載されていません！"));
        return false;
    }
    if (listStale) return false;
    const ServerReply own = getMailAddress(parts.http, request.server);
    if (!own.ok()) {
        result.end = SendResult::End::Stopped;
        return false;
    }
    if (own.payload != request.mail.address) {
        stop(own.payload.size() > 4
                 ? own.payload + QStringLiteral("\r\r登録されたメールアドレスと一致しません！")
                 : ownCall + QStringLiteral(" <== メールアドレスが未登録です！"));
        return false;
    }

    // The range, within the log and at most 300 records; the summaries name
    // its size as it was entered.
    enteredRange = single ? 1 : request.last - request.first + 1;
    int first = single ? request.handedRecord : request.first;
    int last = single ? request.handedRecord : request.last;
    if (first > log.recordCount) {
        first = log.recordCount;
        if (!single) result.first = first;
    }
    if (last > log.recordCount) {
        last = log.recordCount;
        if (!single) result.last = last;
    }
    if (last - kMaxRange >= first) {
        first = last - (kMaxRange - 1);
        if (!single) result.first = first;
    }
    request.first = first;
    request.last = last;

    SelectionRules rules;
    rules.excludedRoutes = request.excludedRoutes;
    rules.eligibleSentMarks = request.eligibleSentMarks;
    rules.onlyUnsent = single ? false : request.onlyUnsent;
    if (single) request.markAlreadySent = true;
    const Selection selection = SelectCandidates(log, users, first, last, 0, rules);
    User_close(users);
    counters = selection.counters;
    candidates = selection.candidates;
    if (selection.stoppedAt > 0) {
        result.end = SendResult::End::Stopped;
        return false;
    }
    return true;
}

// The partners' addresses, 40 call signs a request; false when nobody is left.
bool SendBatch::Run::lookUpMembers() {
    parts.progress.setMaximum(int(candidates.size()));
    QStringList calls;
    for (const QString& c : std::as_const(candidates))
        calls << commaTextSplit(c).value(0);
    QString lines;
    for (qsizetype from = 0; from < calls.size(); from += novq::kBatchSize) {
        const MemberAddresses part =
            memberAddresses(parts.http, request.server, calls.mid(from, novq::kBatchSize));
        lines += part.lines;
        parts.progress.setPosition(int(std::min(calls.size(), from + novq::kBatchSize) / 2));
    }
    QStringList kept;
    QStringList members = {request.card.ownCall};
    for (const QString& c : std::as_const(candidates)) {
        const QString address = addressInLines(lines, commaTextSplit(c).value(0));
        if (address.isEmpty()) {
            ++counters.notAMember;
            continue;
        }
        QStringList fields = commaTextSplit(c);
        members << fields.value(0);
        fields.resize(10);
        fields << address;
        kept << commaTextJoin(fields);
    }
    candidates = kept;
    QString notKept;
    if (keepMembers &&
        !keepServiceMembers(request.userList, members, QDate::currentDate(), &notKept))
        warn(notKept);
    return anyLeft();
}

// Whether a candidate is left; else the zero summary ends the batch.
bool SendBatch::Run::anyLeft() {
    if (!candidates.isEmpty()) return true;
    const QString summary = zeroSendSummary(enteredRange, counters);
    if (request.quietSummary)
        result.summary = summary;
    else
        ShowProgramMessage(summary, mb::Ok | mb::IconInformation);
    result.end = SendResult::End::NothingToSend;
    return false;
}

// Every card drawn and looked over; false when the batch ends here. The
// person sends them all, sends those without a problem, or stops to mend.
bool SendBatch::Run::checkCards() {
    parts.progress.setStatus(QStringLiteral(" 送信前のカードを確認中..."));
    makeComposer();
    // The cards the batch leaves out are not looked over either.
    QStringList looked;
    for (const QString& c : std::as_const(candidates))
        if (!request.leaveOut.contains(commaTextSplit(c).value(1).toInt())) looked << c;
    const BatchCheck check = checkBatchCards(*composer, looked, parts.progress);
    result.problems = check.problems;
    result.checked = check.checked;
    if (check.stopped) {
        result.end = SendResult::End::Stopped;
        return false;
    }
    if (request.checkOnly || check.problems.empty()) return true;
    if (check.tooSlow) {
        // Every card would take as long: nothing to send until it is mended.
        stop(QStringLiteral("カードの描画に時間がかかりすぎるため、送信を中止しました。"
                            "QSL定義を見直してください。\r\r") +
             problemLines(check).join(u'\r'));
        return false;
    }
    const int answer = ShowProgramMessage(batchCheckQuestion(check),
                                          mb::YesNoCancel | mb::IconExclamation | mb::DefButton3);
    if (answer == mb::IdYes) return true;
    if (answer != mb::IdNo) {
        result.end = SendResult::End::Stopped;
        return false;
    }
    const std::set<int> troubled = check.records();
    QStringList kept;
    for (const QString& c : std::as_const(candidates))
        if (!troubled.count(commaTextSplit(c).value(1).toInt())) kept << c;
    counters.leftOutByCheck += int(candidates.size() - kept.size());
    candidates = kept;
    return anyLeft();
}

// One SMTP connection for every card; the number sent.
int SendBatch::Run::sendLoop() {
    SmtpSession smtp(request.mail.smtpHost, request.mail.smtpPort, request.mail.smtpSsl,
                     request.mail.options());
    smtp.setStopCheck([this] { return parts.progress.abortRequested(); });
    if (!smtp.isOpen()) {
        result.failed = true;
        ShowProgramMessage(
            QStringLiteral("接続できません！サーバー名／ポート番号／SSL設定を確認\r") +
                smtp.message(),
            mb::Ok | mb::IconStop);
        return 0;
    }
    int sent = 0;
    const int auth = smtp.authenticate(request.mail.smtpHost, request.mail.smtpAccount,
                                       request.mail.smtpPassword, request.mail.smtpMethod);
    if (auth < 0) {
        result.failed = true;
        batchText = loginFailureText(
            auth, QStringLiteral("認証できません！アカウント／パスワード／認証方法を確認"),
            smtp.message());
    } else {
        if (!composer) makeComposer();
        composer->chooseRig = parts.chooseRig;
        composer->preparedCard = request.resendFile;
        composer->reuseDrawn = true;
        composer->goOn = [this] {
            QCoreApplication::processEvents();
            return !parts.progress.abortRequested();
        };
        SendJournal journal(request.card.qsoData);
        bool previewing =
            request.confirmEach || (request.handedRecord > 0 && request.previewHanded);
        std::set<int> mailed;  // the records this batch mailed
        parts.progress.setMaximum(int(candidates.size()));
        for (qsizetype index = 0; index < candidates.size();) {
            QCoreApplication::processEvents();
            const QStringList fields = commaTextSplit(candidates[index]);
            parts.progress.setPosition(int(index));
            ++index;
            if (parts.progress.abortRequested()) {
                lastDecision = CardDecision::Stop;
                break;
            }
            if (fields.size() < 11) continue;
            if (request.leaveOut.contains(fields.value(1).toInt())) continue;
            // A single card (the logging program's request) needs no bearings.
            const CardPlace place{request.handedRecord > 0 ? 0 : int(index), int(candidates.size()),
                                  mailed.count(fields.value(1).toInt()) > 0};
            const CardOutcome outcome =
                sendOne(smtp, *composer, journal, fields, previewing, place);
            if (outcome == CardOutcome::Sent || outcome == CardOutcome::SentThenEnd) {
                mailed.insert(fields.value(1).toInt());
                if (parts.advanced && request.handedRecord <= 0 && request.resendFile.isEmpty())
                    parts.advanced(lastComposed + 1);
            }
            if (outcome == CardOutcome::EndLoop) break;
            if (outcome == CardOutcome::Back) {
                index = std::max<qsizetype>(0, index - 2);
                continue;
            }
            if (outcome == CardOutcome::SentThenEnd) {
                ++sent;
                break;
            }
            if (outcome != CardOutcome::Sent) continue;
            ++sent;
            if (request.sendMax > 0 && sent >= request.sendMax) break;
        }
    }
    QCoreApplication::processEvents();
    parts.progress.setPosition(int(candidates.size()));
    if (batchText.isEmpty()) {
        SendSummary summary;
        summary.sent = sent;
        summary.candidates = int(candidates.size());
        summary.first = request.first;
        summary.lastComposed = lastComposed;
        summary.rangeSize = enteredRange;
        summary.counters = counters;
        summary.sendMax = request.sendMax;
        summary.stopped = parts.progress.abortRequested();
        batchText = sendSummary(summary);
        if (request.quietSummary) result.summary = batchText;
    }
    if (result.summary.isEmpty()) ShowProgramMessage(batchText, mb::Ok | mb::IconInformation);
    // The card went out and is filed; a time that cannot be set only leaves
    // it under its old date in the sent list.
    if (sent == 1 && !request.resendFile.isEmpty())
        (void)SetFileDateTime(
            QDir(request.sentDir).filePath(QFileInfo(request.resendFile).fileName()),
            QDateTime::currentDateTime());
    return sent;
}

// One card: drawn, decided on, mailed, filed and marked.
SendBatch::Run::CardOutcome SendBatch::Run::sendOne(SmtpSession& smtp, CardComposer& composer,
                                                    SendJournal& journal, const QStringList& fields,
                                                    bool& previewing, const CardPlace& place) {
    lastComposed = fields.value(1).toInt();
    const CardComposer::Result card = composer.ComposeCard(fields);
    if (card.stopped) {
        lastDecision = CardDecision::Stop;
        return CardOutcome::EndLoop;
    }
    if (card.path.size() < 5 || !card.text) {
        result.failed = true;
        return CardOutcome::EndLoop;
    }
    if (previewing) {
        // A QSO whose card went out in an earlier batch is said so.
        CardPlace shown = place;
        if (ZKW_read(log, lastComposed, read_mode::Card) == 0)
            shown.marked =
                previousSentMark(log.rec.qslSent, request.sentMarkRule) != log.rec.qslSent;
        lastDecision = parts.decisions.decide(card.path, lastComposed, shown);
        switch (lastDecision) {
            case CardDecision::Stop: return CardOutcome::EndLoop;
            case CardDecision::Skip: return CardOutcome::NotSent;
            case CardDecision::Back: return CardOutcome::Back;
            case CardDecision::SendRest: previewing = false; break;
            case CardDecision::Send: break;
        }
    }
    // A card reached again with "前へ" went out already: mailed again only
    // when the person says so.
    if (place.sent &&
        ShowProgramMessage(QStringLiteral("No%1 %2局への電子QSLは、この送信で送信済みです。\r\r"
                                          "もう一度送信しますか？")
                               .arg(lastComposed)
                               .arg(fields.value(2)),
                           mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes)
        return CardOutcome::NotSent;
    const QString to = fields.value(10);
    const QString call = fields.value(2);
    // A card that went out must be filed: a sent folder without room for it
    // ends the batch before it is mailed.
    if (const auto full = sentFolderLacksRoom(card.path)) {
        result.failed = true;
        ShowProgramMessage(*full, mb::Ok | mb::IconStop);
        lastDecision = CardDecision::Stop;
        return CardOutcome::EndLoop;
    }
    // The QSO's mark before the card goes out, so that a later start tells
    // a mark given since from it.
    std::optional<QChar> markBefore;
    if (ZKW_read(log, lastComposed, read_mode::Card) == 0) markBefore = log.rec.qslSent;
    // Written before the mail goes out: a batch killed from here to the mark
    // leaves this card named for the next start.
    if (!journal.begin(lastComposed, call, card.text->fileName, to, card.path, markBefore)) {
        ShowProgramMessage(SendJournal::pathFor(request.card.qsoData) +
                               QStringLiteral("\r\r・・・を作成できません！"),
                           mb::Ok | mb::IconStop);
        result.failed = true;
        return CardOutcome::EndLoop;
    }
    const QString body = cardMailBody(edition, card.text->lines,
                                      QString(request.card.messageText)
                                          .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                          .replace(u'\n', QStringLiteral("\r\n")),
                                      !request.noMemoInMail);
    const int r = smtp.send(to, request.mail.address, card.text->subject, body, card.text->xMailer,
                            card.path);
    if (r >= 0) (void)journal.mailed();  // unwritten, the card stays named as possibly out
    if (r == nmail_error::StoppedUnsent) {
        // Stopped before any of it went out: nothing to name.
        journal.end();
        result.failed = true;
        lastDecision = CardDecision::Stop;
        return CardOutcome::EndLoop;
    }
    if (r == nmail_error::Stopped) {
        // Stopped while the mail went out: it may have reached the server,
        // so its journal stays and names it until the person decides.
        result.failed = true;
        lastDecision = CardDecision::Stop;
        return CardOutcome::EndLoop;
    }
    if (r < 0) {
        result.failed = true;
        journal.end();  // not out: nothing to name
        batchText +=
            QStringLiteral("\r（No%1）%2局へ送信できません！\r").arg(r).arg(fields.value(0)) +
            smtp.message() + u'\r' + card.path;
        if (ShowProgramMessage(batchText, mb::OkCancel | mb::IconExclamation | mb::DefButton2) ==
            mb::IdOk)
            return CardOutcome::NotSent;
        // Stopped at this card: the next batch starts with it, not after it.
        lastDecision = CardDecision::Stop;
        return CardOutcome::EndLoop;
    }
    bool endAfter = false;
    if (!moveIntoFolder(card.path, request.sentDir)) {
        result.failed = true;
        // Out: kept beside the log until a later start files it; marked and
        // counted as the card that went out it is.
        const QString kept = SendJournal::keepUnfiled(card.path, request.card.qsoData);
        endAfter = ShowProgramMessage(
                       request.sentDir + QStringLiteral("\r\r・・・が保存できません！\r\r") +
                           QStringLiteral("送信した電子QSLは次の場所に残しました"
                                          "（次回の起動時に送信済みフォルダへ移します）：\r") +
                           QDir::toNativeSeparators(kept),
                       mb::OkCancel | mb::IconExclamation | mb::DefButton2) == mb::IdOk;
    }
    if (ZKW_read(log, lastComposed, read_mode::Card) != 0) return markNotWritten(fields);
    bandItems << QString::number(FreqPCheck(log.rec.freq)) + log.rec.mode;
    SentMarkRules rules;
    rules.rule = request.sentMarkRule;
    rules.markAlreadySent = request.markAlreadySent;
    rules.eligibleMarks = request.eligibleSentMarks;
    if (request.card.expertMode && request.resendFile.isEmpty())
        rules.definitionMark = card.sentMark;
    if (const auto mark = nextSentMark(log.rec.qslSent, rules))
        if (QSL_Send(log, lastComposed, *mark) != 0) return markNotWritten(fields);
    journal.end();
    return endAfter ? CardOutcome::SentThenEnd : CardOutcome::Sent;
}

// The words to stop with when the sent folder cannot take the card.
std::optional<QString> SendBatch::Run::sentFolderLacksRoom(const QString& card) const {
    const QStorageInfo store(request.sentDir);
    if (!store.isValid() || store.isReadOnly())
        return request.sentDir +
               QStringLiteral("\r\r・・・が保存できません！\r\rこの電子QSLは送信していません。");
    // Its size and a margin for the folder's own entry.
    const qint64 needed = QFileInfo(card).size() + 64 * 1024;
    if (store.bytesAvailable() >= needed) return std::nullopt;
    return request.sentDir +
           QStringLiteral(
               "\r\r・・・の空き容量が足りません（残り %1 KB、必要 %2 KB）！\r\r"
               "この電子QSLは送信していません。空きを作ってから送信してください。")
               .arg(store.bytesAvailable() / 1024)
               .arg(needed / 1024);
}

// The card went out, but its QSO cannot be marked (the log is locked by
// another program, for one): the person is told, and the journal keeps the
// card for the next batch to mark.
SendBatch::Run::CardOutcome SendBatch::Run::markNotWritten(const QStringList& fields) {
    result.failed = true;
    ShowProgramMessage(
        QStringLiteral("%1局へ電子QSLを送信しましたが、QSOデータ（No%2）に送信マークを"
                       "書き込めません！\r")
                .arg(fields.value(0))
                .arg(lastComposed) +
            log.errorText +
            QStringLiteral("\r\r次回の送信時にマークを書き込みます（再送はしません）。"),
        mb::Ok | mb::IconExclamation);
    return CardOutcome::SentThenEnd;
}
