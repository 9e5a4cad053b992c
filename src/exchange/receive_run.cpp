#include "exchange/receive_run.h"

#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/progress_port.h"
#include "core/text_files.h"
#include "core/zk_dll5.h"
#include "mail/mail_session.h"
#include "mail/n_mail.h"
#include "mail/qsl_mail_format.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

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

// A name not taken in either folder: "name.txt", then "name-2.txt", ...
QString freeTextName(const QString& receivedDir, const QString& messageDir, const QString& name) {
    const QString base = name.chopped(4);
    QString candidate = name;
    for (int n = 2; QFileInfo::exists(QDir(receivedDir).filePath(candidate)) ||
                    QFileInfo::exists(QDir(messageDir).filePath(candidate));
         ++n)
        candidate = base + QStringLiteral("-%1.txt").arg(n);
    return candidate;
}

bool fileCard(const ReceiveRequest& request, const Pop3Session::Mail& mail, ReceiveResult& r) {
    const QDir folder(request.receivedDir);
    const QString name = mail.attachmentName;
    if (QFileInfo(name).suffix().compare(u"jpg", Qt::CaseInsensitive) == 0) ++r.cards;
    const QString picture = folder.filePath(name);
    // The first copy of a name in a run wins: mails are taken newest first.
    if (QFileInfo::exists(picture + u'_')) {
        QFile::remove(picture);
    } else if (!QFile::rename(picture, picture + u'_')) {
        return false;
    }
    const QString text =
        folder.filePath(QFileInfo(name).completeBaseName() + QStringLiteral(".txt"));
    if (QFileInfo::exists(text + u'_')) {
        QFile::remove(text);
        return true;
    }
    return WriteTextFile(cardMessageText(mail.subject, mail.date, mail.body), text + u'_') == 0;
}

bool fileOther(const ReceiveRequest& request, const Pop3Session::Mail& mail, ReceiveResult& r) {
    QString text = QStringLiteral("From:%1\r\nSubject:%2\r\nDate:%3\r\n")
                       .arg(mail.from, mail.subject, mail.date);
    if (!mail.attachmentName.isEmpty())
        text += QStringLiteral("添付ファイル：") +
                QDir::toNativeSeparators(QDir(request.receivedDir).filePath(mail.attachmentName)) +
                QStringLiteral("\r\n");
    text += mail.body;
    // Two mails with the same Date line keep a file each.
    const QString name = freeTextName(request.receivedDir, request.messageDir,
                                      ReceiveRun::otherMailFileName(mail.date));
    if (WriteTextFile(text, QDir(request.receivedDir).filePath(name)) != 0) return false;
    r.lastOtherText = QDir(request.messageDir).filePath(name);
    return true;
}

}  // namespace

QString ReceiveRun::otherMailFileName(const QString& date) {
    QString name;
    for (QChar c : date) {
        if (c.unicode() < 0x20) break;
        if (name.size() >= kMaxDateName) break;
        if (c == u' ' || c == u'_')
            name += u'_';
        else if (c.unicode() < 0x80 && c.isLetterOrNumber())
            name += c;
        else
            name += u'-';
    }
    return name + QStringLiteral(".txt");
}

void ReceiveRun::FinishReceivedFiles(const QString& receivedDir, const QString& messageDir,
                                     const QString& extension) {
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
            const QString final = path.chopped(1);
            if (!QFile::rename(path, final)) {
                QFile::remove(final);  // a card of an earlier run: this one replaces it
                QFile::rename(path, final);
            }
        }
        return;
    }
    QDir().mkpath(messageDir);
    const QStringList texts = folder.entryList({QStringLiteral("*.txt")}, QDir::Files);
    for (const QString& name : texts) {
        const QString path = folder.filePath(name);
        if (QFileInfo(path).size() < 10)
            QFile::remove(path);
        else
            MoveFileReplacing(path, QDir(messageDir).filePath(name));
    }
}

ReceiveResult ReceiveRun::run(const ReceiveRequest& request) {
    ReceiveResult r;
    if (request.userEdition.trimmed().isEmpty()) {
        ShowProgramMessage(QStringLiteral("一度、ZELKOV/Win でユーザーリストを開いてください。"),
                           mb::Ok | mb::IconExclamation);
        r.end = ReceiveResult::End::NoUserList;
        return r;
    }
    const QString statusBefore = progress_.status();
    const MailAccount& a = request.mail;
    auto pop3 = std::make_unique<Pop3Session>(a.pop3Host, a.pop3Port, a.pop3Ssl);
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
            ~Finish() {
                pop3.reset();
                for (const QString& extension :
                     {QStringLiteral(".jpg"), QStringLiteral(".txt"), QString()})
                    FinishReceivedFiles(request.receivedDir, request.messageDir, extension);
            }
        } finish{pop3, request};

        QDir().mkdir(request.receivedDir);
        r.mailbox = pop3->authenticate(a.pop3Account, a.pop3Password, a.apop);
        if (r.mailbox < 0) {
            errorText =
                QStringLiteral("(No%1) 認証できません！アカウント／パスワード／APOP？を確認\r")
                    .arg(r.mailbox) +
                pop3->message();
            r.loginFailed = true;
        } else {
            progress_.setMaximum(2 * r.mailbox);
            bool newestOnly = false;
            bool take = true;
            if (r.mailbox > kNewestOnly) {
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
            int position = 0;
            for (int n = r.mailbox; take && n >= 1; --n) {
                progress_.setStatus(statusLine(r));
                progress_.setPosition(++position);
                QCoreApplication::processEvents();
                if (progress_.abortRequested() || (newestOnly && r.mails >= kNewestOnly)) break;
                if (request.receiveAllMail) {
                    ++r.mails;
                    ++position;
                } else {
                    // Only the headers first: other mail stays on the server unread.
                    Pop3Session::Status head;
                    if (pop3->status(n, head) != 1) continue;
                    ++r.mails;
                    progress_.setStatus(statusLine(r));
                    QCoreApplication::processEvents();
                    if (progress_.abortRequested()) break;
                    const QString mailer = xMailerOf(head.header);
                    progress_.setPosition(++position);
                    if (!isCardMailer(mailer)) continue;
                    const int yymm = cardMailerYyMm(mailer);
                    if (yymm >= 0 && yymm < StrToLong(request.oldestMonth)) {
                        pop3->remove(n);
                        ++r.rejected;
                        continue;
                    }
                }
                QCoreApplication::processEvents();
                progress_.setPosition(position);
                if (progress_.abortRequested()) break;
                Pop3Session::Mail mail;
                const int got = pop3->fetch(n, request.receivedDir, mail);
                if (got != 1) {
                    // The mail stays on the server, whatever the answer: it
                    // is read again next time.
                    if (ShowProgramMessage(
                            QStringLiteral("(Mail-No%1, Error%2) メールが受信できません！\r")
                                    .arg(n)
                                    .arg(got) +
                                pop3->message(),
                            mb::OkCancel | mb::IconStop) == mb::IdCancel)
                        break;
                    continue;
                }
                const bool card = isCardMailer(xMailerOf(mail.header));
                const bool filed = card && !mail.attachmentName.isEmpty()
                                       ? fileCard(request, mail, r)
                                       : fileOther(request, mail, r);
                if (!filed) {
                    r.stopped = true;
                    break;
                }
                // Deleted only now: what it brought is on disk.
                if (!a.leaveOnServer) pop3->remove(n);
            }
            if (progress_.abortRequested()) r.stopped = true;
        }
    }
    if (r.mailbox > 0) progress_.setStatus(statusLine(r));
    if (!errorText.isEmpty())
        ShowProgramMessage(errorText, mb::Ok | mb::IconStop);
    else
        ShowProgramMessage(receiveSummary(r), mb::Ok | mb::IconInformation);
    progress_.setPosition(2 * std::max(r.mailbox, 0));
    progress_.setVisible(false);
    if (r.mailbox > 0) progress_.setStatus(statusBefore);
    return r;
}

QString receiveSummary(const ReceiveResult& r) {
    QString text = r.cards == 0 ? QStringLiteral("新しい電子QSLは届いておりません。")
                                : QStringLiteral("%1 件の電子QSLを受信しました。").arg(r.cards);
    if (r.rejected > 0)
        text += QStringLiteral("\r\r%1 件の古い電子QSLを拒否（削除）しました。").arg(r.rejected);
    if (r.mails > 0)
        text += r.mailbox > r.mails
                    ? QStringLiteral("\r\r受信したメールの件数は %1件／全%2件")
                          .arg(r.mails)
                          .arg(r.mailbox)
                    : QStringLiteral("\r\r届いているメールの件数は %1件").arg(r.mails);
    return text;
}
