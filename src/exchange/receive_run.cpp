#include "exchange/receive_run.h"

#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/off_thread.h"
#include "core/progress_port.h"
#include "core/serial_worker.h"
#include "core/text_files.h"
#include "core/zk_dll5.h"
#include "mail/delivery_report.h"
#include "mail/mail_session.h"
#include "mail/mime_message.h"
#include "mail/n_mail.h"
#include "mail/qsl_mail_format.h"
#include "mail/undelivered_cards.h"
#include "platform/file_sync.h"
#include "render/jpeg_io.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <chrono>
#include <deque>
#include <functional>
#include <future>
#include <optional>

namespace {

constexpr int kNewestOnly = 100;

// A Date line is a file name here: its first characters only.
constexpr qsizetype kMaxDateName = 100;

QString statusLine(const ReceiveResult& r) {
    return QStringLiteral(" NOVQ受信:%1件／メール受信:%2件／メールボックス:%3件")
        .arg(r.cards)
        .arg(r.mails)
        .arg(r.mailbox);
}

QString xMailerOf(const QString& header) {
    QString mailer;
    return NMailGetHeaderField(mailer, header, QStringLiteral("X-Mailer:"), 4096) ? mailer
                                                                                  : QString();
}

// The first of "base", "base-2", "base-3", ... (each followed by `suffix`)
// that `taken` refuses; bounded.
QString firstFree(const QString& base, const QString& suffix,
                  const std::function<bool(const QString&)>& taken) {
    QString candidate = base + suffix;
    for (int n = 2; taken(candidate) && n < 10000; ++n)
        candidate = base + QStringLiteral("-%1").arg(n) + suffix;
    return candidate;
}

// A name not taken in either folder, nor pending under this run's "_" name,
// nor one of `reserved`: "name.ext", then "name-2.ext", ...
QString freeName(const QString& receivedDir, const QString& messageDir, const QString& name,
                 const QStringList& reserved = {}) {
    const QFileInfo info(name);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    return firstFree(info.completeBaseName(), suffix, [&](const QString& candidate) {
        if (reserved.contains(candidate, Qt::CaseInsensitive)) return true;
        for (const QString& folder : {receivedDir, messageDir}) {
            const QString path = QDir(folder).filePath(candidate);
            if (QFileInfo::exists(path) || QFileInfo::exists(path + u'_')) return true;
        }
        return false;
    });
}

// A card's stem ("CALL_..._CALL") whose picture and text can both be filed
// without replacing anything: the stem itself, then "stem-2", ...
QString freeCardStem(const QString& receivedDir, const QString& messageDir, const QString& stem) {
    const QDir received(receivedDir), messages(messageDir);
    return firstFree(stem, QString(), [&](const QString& candidate) {
        for (const QString& path : {received.filePath(candidate + QStringLiteral(".jpg")),
                                    received.filePath(candidate + QStringLiteral(".jpg_")),
                                    received.filePath(candidate + QStringLiteral(".txt")),
                                    received.filePath(candidate + QStringLiteral(".txt_")),
                                    messages.filePath(candidate + QStringLiteral(".txt"))})
            if (QFileInfo::exists(path)) return true;
        return false;
    });
}

// Whether a file in the message folder is something else than a card's
// text (those begin with the card mail's Subject line): another mail's
// text or attachment, which a card's text must not replace.
bool isOtherFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && !file.read(8).startsWith("Subject:");
}

bool sameBytes(const QString& a, const QString& b) {
    QFile fa(a), fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    while (!fa.atEnd())
        if (fa.read(1 << 16) != fb.read(1 << 16)) return false;
    return true;
}

// How long a mail on its way may go on after the person asked to stop.
constexpr qint64 kStopGraceMs = 3000;

// A file that could not be written, as the person is told of it.
QString notSaved(const QString& path) {
    return QDir::toNativeSeparators(path) + QStringLiteral("\r\r・・・が保存できません！");
}

// Whether a file could not be written for lack of room: its disk has less
// free than the mail it came in.
bool lacksRoomFor(const QString& path, qint64 mailBytes) {
    QFileInfo at(path);
    while (!at.exists() && at.absolutePath() != at.absoluteFilePath())
        at = QFileInfo(at.absolutePath());
    const QStorageInfo store(at.absoluteFilePath());
    return store.isValid() && store.bytesAvailable() < std::max<qint64>(mailBytes, 64 * 1024);
}

QString noRoomText(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absolutePath()) +
           QStringLiteral(
               "\r\r・・・の空き容量が足りません！\r\r受信を中止しました。"
               "保存できなかったメールと残りのメールはサーバーに残っています。");
}

// Whether a call's failure means the server is gone: no later mail would
// come either (each would wait the time-out).
bool connectionLost(int result) {
    return result == nmail_error::Connect || result == nmail_error::Transfer;
}

QString failedMailText(int number, int error, const QString& detail) {
    return QStringLiteral("(Mail-No%1, Error%2) メールが受信できません！\r")
               .arg(number)
               .arg(error) +
           detail;
}

void stopOnLostConnection(int number, int error, const QString& detail) {
    ShowProgramMessage(
        failedMailText(number, error, detail) + QStringLiteral("\r\r受信を中止しました。"),
        mb::Ok | mb::IconStop);
}

// A mail that could not be read or saved stays on the server, whatever the
// answer: it is read again next time. False: the person stopped the run.
bool goOnAfterFailedMail(int number, int error, const QString& detail) {
    return ShowProgramMessage(failedMailText(number, error, detail), mb::OkCancel | mb::IconStop) !=
           mb::IdCancel;
}

// What became of one mail, read and filed on a worker thread; the run takes
// it over on its own (the counts, the messages, the deletion).
struct ReceivedMail {
    int got = 0;             // 1: read and what it brought saved; else the library's error
    QString failure;         // that error's text
    int cardPictures = 0;    // JPEG pictures of a card mail, filed as cards
    int brokenPictures = 0;  // ".jpg" attachments that are no picture, filed as others
    QString otherText;       // a non-card mail's text, where it will lie in the end
    QString unwritable;      // a file that could not be written: the mail stays
    qint64 bytes = 0;        // the mail's size as the server kept it
    // A report that a card mail of ours was not delivered (its text filed).
    std::optional<DeliveryFailure> undelivered;
    bool leave = false;  // other mail read only to see whether it is such a report
};

bool isPicture(const QString& name) {
    return QFileInfo(name).suffix().compare(u"jpg", Qt::CaseInsensitive) == 0;
}

// Whether an attachment of a card mail is filed as a received card: a JPEG
// picture (anything else goes with the mail's text), not a card this
// station sent.
bool isReceivedCard(const ReceiveRequest& request, const MailAttachment& attachment) {
    return isPicture(attachment.name) && !isCardSentBy(attachment.name, request.ownCall);
}

// Attachments that are no received card go into the message folder beside
// the mail's text, each under a name nothing else has: they never take the
// place of a card or its text. The lines the text names them with.
bool fileAttachments(const ReceiveRequest& request, const std::vector<const MailAttachment*>& list,
                     QString& lines, ReceivedMail& out, const QStringList& reserved = {}) {
    if (list.empty()) return true;
    if (!QDir().mkpath(request.messageDir)) {
        out.unwritable = request.messageDir;
        return false;
    }
    for (const MailAttachment* attachment : list) {
        const QString path = QDir(request.messageDir)
                                 .filePath(freeName(request.receivedDir, request.messageDir,
                                                    attachment->name, reserved));
        if (!SaveFile(attachment->bytes, path, FileSync::ByCaller)) {
            out.unwritable = path;
            return false;
        }
        lines += QStringLiteral("添付ファイル：") + QDir::toNativeSeparators(path) +
                 QStringLiteral("\r\n");
    }
    return true;
}

void fileCards(const ReceiveRequest& request, const IncomingMail& mail,
               const std::vector<const MailAttachment*>& cards,
               const std::vector<const MailAttachment*>& others, ReceivedMail& out) {
    const QDir folder(request.receivedDir);
    // The mail's other attachments never take the name of one of its cards'
    // texts.
    QStringList texts;
    for (const MailAttachment* card : cards)
        texts << QFileInfo(card->name).completeBaseName() + QStringLiteral(".txt");
    QString attached;
    if (!fileAttachments(request, others, attached, out, texts)) return;
    const QString text = cardMessageText(mail.subject, mail.date, attached + mail.body);
    for (const MailAttachment* card : cards) {
        // Written under the run's "_" name. A copy of a card this run took
        // already (mails are taken newest first) is not written twice; a
        // different picture under the same name gets a name of its own.
        QString stem = QFileInfo(card->name).completeBaseName();
        const QString pending = folder.filePath(stem + QStringLiteral(".jpg_"));
        if (QFileInfo::exists(pending)) {
            QFile taken(pending);
            if (taken.open(QIODevice::ReadOnly) && taken.size() == card->bytes.size() &&
                taken.readAll() == card->bytes)
                continue;
            stem = freeCardStem(request.receivedDir, request.messageDir, stem);
        }
        const QString picture = folder.filePath(stem + QStringLiteral(".jpg_"));
        if (QFileInfo(picture.chopped(1)).isDir()) {  // the sweep could never put it in place
            out.unwritable = picture.chopped(1);
            return;
        }
        if (!SaveFile(card->bytes, picture, FileSync::ByCaller)) {
            out.unwritable = picture;
            return;
        }
        ++out.cardPictures;
        const QString textPath = folder.filePath(stem + QStringLiteral(".txt_"));
        if (!SaveTextFile(text, textPath, FileSync::ByCaller)) {
            out.unwritable = textPath;
            return;
        }
    }
}

void fileOther(const ReceiveRequest& request, const IncomingMail& mail, ReceivedMail& out) {
    QString text = QStringLiteral("From:%1\r\nSubject:%2\r\nDate:%3\r\n")
                       .arg(mail.from, mail.subject, mail.date);
    std::vector<const MailAttachment*> attachments;
    for (const MailAttachment& attachment : mail.attachments)
        attachments.push_back(&attachment);
    if (!fileAttachments(request, attachments, text, out)) return;
    text += mail.body;
    // Two mails with the same Date line keep a file each.
    const QString name =
        freeName(request.receivedDir, request.messageDir, ReceiveRun::otherMailFileName(mail.date));
    const QString path = QDir(request.receivedDir).filePath(name);
    if (!SaveTextFile(text, path, FileSync::ByCaller)) {
        out.unwritable = path;
        return;
    }
    out.otherText = QDir(request.messageDir).filePath(name);
}

// Reads a fetched mail and files what it brought; touches nothing but files.
ReceivedMail receiveMail(const QByteArray& source, const ReceiveRequest& request) {
    ReceivedMail out;
    out.bytes = source.size();
    const std::optional<IncomingMail> mail = parseMimeMessage(source);
    if (!mail) {
        out.got = nmail_error::Refused;
        out.failure = QStringLiteral("メールを読めません");
        return out;
    }
    out.got = 1;
    if (mail->attachmentsLeftOut > 0) {
        // What the mail brings could not all be kept: it stays on the server.
        out.got = nmail_error::File;
        out.failure =
            QStringLiteral("添付ファイルが多すぎます（%1個まで）").arg(mail->attachments.size());
        return out;
    }
    if (isCardMailer(xMailerOf(mail->headers))) {
        std::vector<const MailAttachment*> cards, others;
        for (const MailAttachment& attachment : mail->attachments) {
            if (!isReceivedCard(request, attachment)) {
                others.push_back(&attachment);
                continue;
            }
            // A picture that does not read as one is no card: it goes with
            // the mail's text, and is counted.
            if (!readJpegData(attachment.bytes, QSize(1, 1)).ok()) {
                ++out.brokenPictures;
                others.push_back(&attachment);
                continue;
            }
            cards.push_back(&attachment);
        }
        // A card mail without a card is filed as other mail, whatever the
        // filter says: it was meant for this station.
        if (cards.empty())
            fileOther(request, *mail, out);
        else
            fileCards(request, *mail, cards, others, out);
        return out;
    }
    // Only what looks like a report is read as one (most mail is none), and
    // only a report of a card this station sent counts.
    if (mightBeDeliveryReport(*mail)) {
        out.undelivered = readDeliveryFailure(source);
        if (out.undelivered && !isCardSentBy(out.undelivered->cardName, request.ownCall))
            out.undelivered.reset();
    }
    // Other mail stays on the server unread unless all mail is taken.
    if (!out.undelivered && !request.receiveAllMail) {
        out.leave = true;
        return out;
    }
    fileOther(request, *mail, out);
    return out;
}

// The three sweeps that end a run; what they could not finish goes to `left`.
void finishReceivedFiles(const ReceiveRequest& request, QStringList& left) {
    for (const QString& extension : {QStringLiteral(".jpg"), QStringLiteral(".txt"), QString()})
        left += ReceiveRun::FinishReceivedFiles(request.receivedDir, request.messageDir, extension);
}

// Fetched mails read and filed on workers one after another, in the order
// they were fetched, while the next ones are fetched. A few wait at most, so
// that a slow disk holds the fetching back.
class FilingLine {
public:
    explicit FilingLine(const ReceiveRequest& request) : request_(request) {}
    FilingLine(const FilingLine&) = delete;
    FilingLine& operator=(const FilingLine&) = delete;

    bool empty() const { return queue_.empty(); }
    bool full() const { return queue_.size() >= kMailsAhead || bytes_ >= kBytesAhead; }
    bool frontDone() const {
        return !queue_.empty() &&
               queue_.front().result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }
    void add(int number, QByteArray source) {
        bytes_ += source.size();
        const qsizetype size = source.size();
        queue_.push_back(
            {number, size, worker_.run([&request = request_, source = std::move(source)] {
                 return receiveMail(source, request);
             })});
    }
    // The oldest, waited for while events keep flowing.
    std::pair<int, ReceivedMail> take() {
        Item item = std::move(queue_.front());
        queue_.pop_front();
        bytes_ -= item.size;
        runOffThread([&] { item.result.wait(); });
        return {item.number, item.result.get()};
    }

private:
    static constexpr size_t kMailsAhead = 4;
    static constexpr qsizetype kBytesAhead = 32LL * 1024 * 1024;
    struct Item {
        int number;
        qsizetype size;
        std::future<ReceivedMail> result;
    };
    const ReceiveRequest& request_;
    std::deque<Item> queue_;
    qsizetype bytes_ = 0;
    SerialWorker worker_;  // last: it ends, the jobs done, before the rest
};

}  // namespace

QString ReceiveRun::otherMailFileName(const QString& date) {
    QString name;
    for (QChar c : date) {
        if (c.unicode() < 0x20) break;
        if (name.size() >= kMaxDateName) break;
        if (c == u' ' || c == u'_')
            name += u'_';
        else if ((c.unicode() < 0x80 && c.isLetterOrNumber()) || c == u'+')
            name += c;  // "+0900" keeps its sign
        else
            name += u'-';
    }
    // A mail without a Date line: a name that is no hidden file.
    if (name.isEmpty()) name = QStringLiteral("NoDate");
    return name + QStringLiteral(".txt");
}

QStringList ReceiveRun::FinishReceivedFiles(const QString& receivedDir, const QString& messageDir,
                                            const QString& extension) {
    QStringList unfinished;
    const QDir folder(receivedDir);
    if (!extension.isEmpty()) {
        const QStringList names =
            folder.entryList({u'*' + extension + u'_'}, QDir::Files | QDir::Hidden);
        for (const QString& name : names) {
            const QString path = folder.filePath(name);
            if (QFileInfo(path).size() < 10) {
                QFile::remove(path);
                continue;
            }
            // A card of an earlier run under the same name: the same picture
            // replaces it; a different one, or a name another file's text
            // has, takes a name of its own with its text, so that nothing is
            // replaced. A card that cannot take its name stays under its "_"
            // name (nothing is lost; the next run's sweep tries again) and is
            // counted.
            QString final = path.chopped(1);
            if (extension.compare(u".jpg", Qt::CaseInsensitive) == 0) {
                const QString stem = QFileInfo(final).completeBaseName();
                const QString text = folder.filePath(stem + QStringLiteral(".txt_"));
                const bool same = QFileInfo::exists(final) && sameBytes(path, final);
                if (!same &&
                    (QFileInfo::exists(final) ||
                     isOtherFile(QDir(messageDir).filePath(stem + QStringLiteral(".txt"))))) {
                    const QString own = freeCardStem(receivedDir, messageDir, stem);
                    final = folder.filePath(own + QStringLiteral(".jpg"));
                    if (QFileInfo::exists(text) &&
                        !QFile::rename(text, folder.filePath(own + QStringLiteral(".txt_"))))
                        unfinished.append(text);
                }
            }
            if (!MoveFileReplacing(path, final)) unfinished.append(final);
        }
        return unfinished;
    }
    QDir().mkpath(messageDir);
    const QStringList texts =
        folder.entryList({QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden);
    for (const QString& name : texts) {
        const QString path = folder.filePath(name);
        if (QFileInfo(path).size() < 10)
            QFile::remove(path);
        else if (!MoveFileReplacing(path, QDir(messageDir).filePath(name)))
            unfinished.append(path);  // stays where it is; the next sweep moves it
    }
    return unfinished;
}

ReceiveResult ReceiveRun::run(const ReceiveRequest& request) {
    ReceiveResult r;
    if (!request.serviceDecides && request.userEdition.trimmed().isEmpty()) {
        ShowProgramMessage(QStringLiteral("一度、ZELKOV/Win でユーザーリストを開いてください。"),
                           mb::Ok | mb::IconExclamation);
        r.end = ReceiveResult::End::NoUserList;
        return r;
    }
    const QString statusBefore = progress_.status();
    const MailAccount& a = request.mail;
    bool transferring = false;  // a mail's headers or body are on their way
    auto pop3 = std::make_unique<Pop3Session>(a.pop3Host, a.pop3Port, a.pop3Ssl, a.options());
    // The stop button and Ctrl+C end a transfer in progress, not only the
    // wait between mails; only a mail's transfer, and only when it does not
    // end by itself soon after the stop was asked: a connection cut midway
    // loses the deletions of the mails filed before it (they would come
    // again as new), so a mail on its way is let finish for a few seconds;
    // a server that stalls or trickles is cut then. The deletions and the
    // logout that carries them out are never stopped.
    QElapsedTimer sinceStop;
    pop3->setStopCheck([this, &transferring, &sinceStop] {
        if (!transferring || !progress_.abortRequested()) return false;
        if (!sinceStop.isValid()) sinceStop.start();
        return sinceStop.elapsed() > kStopGraceMs;
    });
    if (!pop3->isOpen()) {
        ShowProgramMessage(
            QStringLiteral("接続できません！サーバー名／ポート番号／SSL設定を確認\r") +
                pop3->message(),
            mb::Ok | mb::IconStop);
        r.end = ReceiveResult::End::NotConnected;
        return r;
    }
    progress_.clearAbort();
    progress_.setVisible(true);
    QString errorText;
    {
        // Whatever ends the loop: the connection closed, the sweep made.
        struct Finish {
            std::unique_ptr<Pop3Session>& pop3;
            const ReceiveRequest& request;
            QStringList& unfinished;
            ~Finish() {
                // What was received is on disk before the server deletes
                // anything: deletions are carried out when the session ends,
                // and taken back when the files may not be on disk.
                if (!platform::syncFileSystemOf(request.receivedDir) && pop3->isOpen())
                    (void)pop3->undoDeletions();  // failing that, the mails go: the files were
                                                  // written whole
                pop3.reset();
                finishReceivedFiles(request, unfinished);
            }
        } finish{pop3, request, r.unfinished};

        QDir().mkdir(request.receivedDir);
        // A run ended by a kill left its files under "_" names: finished
        // first, so that a "_" name means this run's (what stays unfinished
        // is told by the last sweep).
        QStringList beforeTheRun;
        finishReceivedFiles(request, beforeTheRun);
        r.mailbox = pop3->authenticate(a.pop3Account, a.pop3Password, a.apop);
        if (r.mailbox < 0) {
            errorText = loginFailureText(
                r.mailbox, QStringLiteral("認証できません！アカウント／パスワード／APOP？を確認"),
                pop3->message());
            r.loginFailed = r.mailbox != nmail_error::Connect;
            if (!r.loginFailed) r.end = ReceiveResult::End::NotConnected;
        } else {
            progress_.setMaximum(2 * r.mailbox);
            bool newestOnly = false;
            bool take = true;
            if (r.mailbox > kNewestOnly && request.newestOnly) {
                newestOnly = *request.newestOnly;
            } else if (r.mailbox > kNewestOnly) {
                const int answer = ShowProgramMessage(
                    QStringLiteral(
                        "メールボックスに %1件のメールが残っています。\r\r新しいメールのみ"
                        "読み込みますか？\r[はい(Y)]・・・・最新の１００件\r[いいえ(N)]"
                        "・・・・全部")
                        .arg(r.mailbox),
                    mb::YesNoCancel | mb::IconQuestion);
                take = answer != mb::IdCancel;
                newestOnly = answer == mb::IdYes;
            }
            // Mails are read and filed on workers while the next ones are
            // fetched; each is deleted once what it brought is on disk.
            FilingLine filing(request);
            bool stopping = false;
            const auto settle = [&](int n, const ReceivedMail& mail) {
                if (mail.got == 1 && !mail.unwritable.isEmpty() &&
                    lacksRoomFor(mail.unwritable, mail.bytes)) {
                    // A full disk takes no later mail either: said once, and
                    // the rest stays on the server.
                    ++r.failed;
                    if (!stopping)
                        ShowProgramMessage(noRoomText(mail.unwritable), mb::Ok | mb::IconStop);
                    stopping = true;
                    return;
                }
                if (mail.got != 1 || !mail.unwritable.isEmpty()) {
                    ++r.failed;
                    if (!stopping)
                        stopping = !goOnAfterFailedMail(
                            n, mail.got != 1 ? mail.got : nmail_error::File,
                            mail.got != 1 ? mail.failure : notSaved(mail.unwritable));
                    return;
                }
                if (mail.leave) return;
                if (mail.undelivered) {
                    UndeliveredCard card{
                        mail.undelivered->cardName,   mail.undelivered->recipient,
                        mail.undelivered->status,     mail.undelivered->reason,
                        QDateTime::currentDateTime(), QFileInfo(mail.otherText).fileName()};
                    if (!recordUndeliveredCard(request.messageDir, card)) {
                        ++r.failed;
                        if (!stopping)
                            stopping = !goOnAfterFailedMail(
                                n, nmail_error::File,
                                notSaved(undeliveredListPath(request.messageDir)));
                        return;
                    }
                    ++r.undelivered;
                } else if (!mail.otherText.isEmpty()) {
                    r.lastOtherText = mail.otherText;
                }
                r.cards += mail.cardPictures;
                r.brokenPictures += mail.brokenPictures;
                // A mail that cannot be deleted stays on the server; the next
                // run files it again under the same names.
                if (!a.leaveOnServer) (void)pop3->remove(n);
            };
            int position = 0;
            // The newest part of a huge mailbox only (the summary tells
            // how many of all were read).
            const int oldest = std::max(1, r.mailbox - kMaxListedMails + 1);
            int n = r.mailbox;
            bool failedAtN = false;  // the loop ended at a mail already counted as failed
            bool countedN = false;   // mail n's headers were counted as read
            for (; !stopping && take && n >= oldest; --n, countedN = false) {
                progress_.setStatus(statusLine(r));
                progress_.setPosition(++position);
                QCoreApplication::processEvents();
                if (progress_.abortRequested() || (newestOnly && r.mails >= kNewestOnly)) break;
                if (request.receiveAllMail) {
                    ++r.mails;
                    countedN = true;
                    ++position;
                } else {
                    // Only the headers first: other mail stays on the server unread.
                    Pop3Session::Status head;
                    transferring = true;
                    const int got = pop3->status(n, head);
                    transferring = false;
                    if (got != 1) {
                        if (got == nmail_error::Stopped) break;
                        // Named and counted, never skipped without a word: it
                        // stays on the server. A server gone answers no other
                        // mail either.
                        ++r.failed;
                        if (connectionLost(got)) {
                            stopOnLostConnection(n, got, pop3->message());
                            stopping = true;
                            failedAtN = true;
                            break;
                        }
                        stopping = !goOnAfterFailedMail(
                            n, got == 0 ? nmail_error::Refused : got,
                            got == 0 ? QStringLiteral("メールのヘッダーを読めません")
                                     : pop3->message());
                        continue;
                    }
                    ++r.mails;
                    countedN = true;
                    progress_.setStatus(statusLine(r));
                    QCoreApplication::processEvents();
                    if (progress_.abortRequested()) break;
                    const QString mailer = xMailerOf(head.header);
                    progress_.setPosition(++position);
                    // Other mail stays unread, but for what may report a card
                    // that was not delivered: read like a card.
                    if (!isCardMailer(mailer) && !mightBeDeliveryReport(head.header)) continue;
                    const int yymm = isCardMailer(mailer) ? cardMailerYyMm(mailer) : -1;
                    if (yymm >= 0 && yymm < StrToLong(request.oldestMonth)) {
                        (void)pop3->remove(n);  // left: rejected again next time
                        ++r.rejected;
                        continue;
                    }
                }
                QCoreApplication::processEvents();
                progress_.setPosition(position);
                if (progress_.abortRequested()) break;
                QByteArray source;
                transferring = true;
                const int got = pop3->fetchSource(n, source);
                transferring = false;
                // Its own failure's words, before the next call has its own.
                const QString failure = got == 1 ? QString() : pop3->message();
                while (filing.full() || filing.frontDone()) {
                    const auto [number, mail] = filing.take();
                    settle(number, mail);
                }
                if (stopping || got == nmail_error::Stopped) break;
                if (got != 1) {
                    ++r.failed;
                    if (connectionLost(got)) {
                        stopOnLostConnection(n, got, failure);
                        stopping = true;
                        failedAtN = true;
                        break;
                    }
                    stopping = !goOnAfterFailedMail(n, got, failure);
                    continue;
                }
                filing.add(n, std::move(source));
            }
            while (!filing.empty()) {
                const auto [number, mail] = filing.take();
                settle(number, mail);
            }
            if (progress_.abortRequested() || stopping) r.stopped = true;
            // A mail the run stopped at before handling it was not read.
            if (countedN && !failedAtN) --r.mails;
            if (!newestOnly) r.notReached = std::max(0, n - oldest + 1 - (failedAtN ? 1 : 0));
        }
    }
    if (r.mailbox > 0) progress_.setStatus(statusLine(r));
    if (!errorText.isEmpty())
        ShowProgramMessage(errorText, mb::Ok | mb::IconStop);
    else
        ShowProgramMessage(receiveSummary(r), mb::Ok | mb::IconInformation);
    if (!r.unfinished.isEmpty())
        ShowProgramMessage(unfinishedFilesText(r.unfinished), mb::Ok | mb::IconExclamation);
    progress_.setPosition(2 * std::max(r.mailbox, 0));
    progress_.setVisible(false);
    if (r.mailbox > 0) progress_.setStatus(statusBefore);
    return r;
}

QString unfinishedFilesText(const QStringList& paths) {
    QString text = QStringLiteral(
        "次のファイルを受信フォルダで仕上げられませんでした（名前の変更または移動に失敗）。"
        "\rファイルはそのまま残し、次回の受信で再度処理します。\r");
    for (qsizetype i = 0; i < std::min<qsizetype>(paths.size(), 10); ++i)
        text += u'\r' + QDir::toNativeSeparators(paths[i]);
    if (paths.size() > 10) text += QStringLiteral("\r・・・ほか %1件").arg(paths.size() - 10);
    return text;
}

QString receiveSummary(const ReceiveResult& r) {
    QString text;
    if (r.stopped)
        text = r.cards == 0
                   ? QStringLiteral("受信を中止しました。")
                   : QStringLiteral(
                         "受信を中止しました。\r\rそれまでに %1 件の電子QSLを受信しました。")
                         .arg(r.cards);
    else
        text = r.cards == 0 ? QStringLiteral("新しい電子QSLは届いておりません。")
                            : QStringLiteral("%1 件の電子QSLを受信しました。").arg(r.cards);
    if (r.rejected > 0)
        text += QStringLiteral("\r\r%1 件の古い電子QSLを拒否（削除）しました。").arg(r.rejected);
    if (r.undelivered > 0)
        text += QStringLiteral(
                    "\r\r%1 件の電子QSLが相手に届かなかったと通知されました。"
                    "\r（送信済みQSLの一覧で確認できます）")
                    .arg(r.undelivered);
    if (r.mails > 0)
        text += r.mailbox > r.mails
                    ? QStringLiteral("\r\r受信したメールの件数は %1件／全%2件")
                          .arg(r.mails)
                          .arg(r.mailbox)
                    : QStringLiteral("\r\r届いているメールの件数は %1件").arg(r.mails);
    if (r.brokenPictures > 0)
        text += QStringLiteral(
                    "\r\r%1 件の添付画像はJPEG画像として読めないため、電子QSLとして扱わず、"
                    "メールの本文とともに保存しました。")
                    .arg(r.brokenPictures);
    if (r.failed > 0)
        text +=
            QStringLiteral("\r\r%1 件のメールを受信できませんでした（サーバーに残っています）。")
                .arg(r.failed);
    if (r.stopped && r.notReached > 0)
        text += QStringLiteral("\r\rまだ読んでいない %1 件のメールはサーバーに残っています。")
                    .arg(r.notReached);
    return text;
}
