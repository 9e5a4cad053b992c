#pragma once
// SMTP and POP3 connections as objects that close themselves, whatever ends
// their use (a return, a stop, an exception). Each carries the CA file and
// the time-out it was made with, so a setting tried in a window and then
// dropped reaches no other connection. Each call runs the mail library on a
// worker thread while the calling thread's events keep flowing, so a window
// stays responsive and its stop button works on a slow server. Results are
// the library's (negative on failure); message() is the text of the last
// failure of this connection.

#include "mail/n_mail.h"

#include <QString>

#include <functional>
#include <memory>

class MailConnection {
public:
    MailConnection(const MailConnection&) = delete;
    MailConnection& operator=(const MailConnection&) = delete;

    // False only when the session could not be set up; the server is reached
    // by authenticate(), which fails with nmail_error::Connect when it cannot.
    bool isOpen() const { return link_ && link_->isOpen(); }
    // The connect result when it failed (nmail_error::Connect).
    int connectResult() const { return isOpen() ? 0 : nmail_error::Connect; }
    const QString& message() const { return message_; }
    // Asked on the calling thread while a command runs (the stop button, Ctrl+C):
    // true ends the transfer in progress, the command failing with
    // nmail_error::Stopped.
    void setStopCheck(std::function<bool()> stopRequested) { stop_ = std::move(stopRequested); }

protected:
    MailConnection() = default;
    ~MailConnection();
    // Runs a library call off the calling thread and keeps its failure text.
    int call(const std::function<int(NMailConnection&)>& work);
    // Logs out off the calling thread (a server that no longer answers is
    // let go after the time-out).
    void close();

    std::unique_ptr<NMailConnection> link_;
    QString message_;
    std::function<bool()> stop_;
};

class SmtpSession : public MailConnection {
public:
    SmtpSession(const QString& host, int port, int sslFlags, const MailOptions& options);
    ~SmtpSession();
    [[nodiscard]] int authenticate(const QString& host, const QString& account,
                                   const QString& password, int method);
    // One mail with extra header lines ("Name: value", CR LF between) and
    // one attachment (empty: none); the connection stays usable after a
    // refused recipient.
    [[nodiscard]] int send(const QString& to, const QString& from, const QString& subject,
                           const QString& body, const QString& headers, const QString& attachment,
                           QString* result = nullptr);
};

class Pop3Session : public MailConnection {
public:
    Pop3Session(const QString& host, int port, int sslFlags, const MailOptions& options);
    // Logs out (QUIT), which carries out the deletions.
    ~Pop3Session();
    // The number of mails on the server; negative on failure.
    [[nodiscard]] int authenticate(const QString& account, const QString& password, bool apop);

    struct Status {
        QString subject, date, from, header;
    };
    // 1 when the headers of mail `number` (1 is the oldest) were read.
    [[nodiscard]] int status(int number, Status& out);
    [[nodiscard]] int size(int number);

    struct Mail {
        QString subject, date, from, header, body;
        QString attachmentName;  // saved in the folder; empty: none
    };
    // 1 when the mail was read and its attachment saved in `folder`.
    [[nodiscard]] int fetch(int number, const QString& folder, Mail& out);
    // The mail as the server keeps it, to be read (parseMimeMessage) while
    // the next one is fetched.
    [[nodiscard]] int fetchSource(int number, QByteArray& source);
    [[nodiscard]] int remove(int number);
    // Takes back the deletions asked so far: the logout then deletes nothing.
    [[nodiscard]] int undoDeletions();
};

// The person's words for a failed authenticate(), the library's text after
// them: the server not reached (host, port, TLS), or the login refused
// (`refused` names what to check).
QString loginFailureText(int result, const QString& refused, const QString& detail);
// Its first line alone.
QString loginFailureHeadline(int result, const QString& refused);
