#pragma once
// The receive run: the mailbox read over POP3, newest first; card mails
// (their X-Mailer) filed as a picture in the receive folder and a text in the
// message folder, cards of QSOs older than the oldest month accepted deleted
// unread, other mail filed as text; then the summary. A mail is deleted on
// the server only once what it brought is on disk. It runs on the calling
// thread and keeps its events flowing; a stop asked through the progress
// port ends it between mails.

#include "mail/mail_account.h"

#include <QString>
#include <QStringList>

#include <optional>

class ProgressPort;

struct ReceiveRequest {
    MailAccount mail;  // the POP3 server, account and the keep-on-server switch
    QString receivedDir;
    QString messageDir;
    QString userEdition;          // blank: the user list is not usable
    bool serviceDecides = false;  // no list: the service's answers decide
    bool receiveAllMail = false;  // mFilter "E-Mail QSL以外のメールも受信する"
    QString oldestMonth = QStringLiteral("0000");  // OldQso, yymm
    // A full mailbox (over 100 mails): the newest 100 or all of them, decided
    // beforehand (the command line's --newest/--all); unset: asked.
    std::optional<bool> newestOnly;
    // CallEdit: a card named as sent by this station is never a received one.
    QString ownCall;
};

struct ReceiveResult {
    enum class End {
        NoUserList,    // without a usable user list the program ends
        NotConnected,  // nothing was done
        Reported,      // the run reached its report (a login failure included)
    } end = End::Reported;
    bool loginFailed = false;
    int cards = 0;
    int mails = 0;
    int rejected = 0;
    int undelivered = 0;  // reports of card mails that were not delivered
    int mailbox = 0;
    int failed = 0;          // mails that could not be read or saved: they stay on the server
    int brokenPictures = 0;  // card attachments that are no picture: kept with the mail's text
    bool stopped = false;    // ended by a stop request, a refused file or a lost server
    int notReached = 0;      // mails the run did not come to (they stay on the server)
    QString lastOtherText;   // the last non-card mail's text, to open
    QStringList unfinished;  // files the sweep could not give their names (left for the next)
};

class ReceiveRun {
public:
    explicit ReceiveRun(ProgressPort& progress) : progress_(progress) {}
    ReceiveResult run(const ReceiveRequest& request);

    // The finishing sweep over the receive folder: with an extension, the
    // files stored under NAME + extension + "_" get their final names (below
    // 10 bytes: deleted); without, every ".txt" goes to the message folder.
    // The files that could not be finished (they stay as they are, for the
    // next sweep), by the name they were to take.
    [[nodiscard]] static QStringList FinishReceivedFiles(const QString& receivedDir,
                                                         const QString& messageDir,
                                                         const QString& extension);
    // The text file name of a non-card mail, from its Date line.
    static QString otherMailFileName(const QString& date);

private:
    ProgressPort& progress_;
};

// The run's report: cards received, old cards rejected, mails read.
QString receiveSummary(const ReceiveResult& result);
// What the run says of the files its sweep could not finish.
QString unfinishedFilesText(const QStringList& paths);
