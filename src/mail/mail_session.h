#pragma once
// SMTP and POP3 connections as objects that close themselves, whatever ends
// their use (a return, a stop, an exception). Each call runs the mail library
// on a worker thread while the calling thread's events keep flowing, so a
// window stays responsive and its stop button works on a slow server.
// Results are the library's (negative on failure); message() is the text of
// the last failure of this connection.

#include "mail/n_mail.h"

#include <QString>

#include <functional>

struct MailAccount;

// The mail library set up from the account for the next connections: the CA
// file and the time-out (at least 5 seconds).
void setUpMailLibrary(const MailAccount& account);

class MailConnection {
public:
    MailConnection(const MailConnection&) = delete;
    MailConnection& operator=(const MailConnection&) = delete;

    bool isOpen() const { return handle_ >= 0; }
    // The connect result when it failed (nmail_error::Connect).
    int connectResult() const { return handle_; }
    const QString& message() const { return message_; }

protected:
    MailConnection() = default;
    ~MailConnection() = default;
    // Runs a library call off the calling thread and keeps its failure text.
    int call(const std::function<int()>& work);

    int handle_ = nmail_error::Connect;
    QString message_;
};

class SmtpSession : public MailConnection {
public:
    SmtpSession(const QString& host, int port, int sslFlags);
    ~SmtpSession();
    int authenticate(const QString& host, const QString& account, const QString& password,
                     int method);
    // One mail with extra header lines ("Name: value", CR LF between) and
    // one attachment (empty: none); the connection stays usable after a
    // refused recipient.
    int send(const QString& to, const QString& from, const QString& subject, const QString& body,
             const QString& headers, const QString& attachment, QString* result = nullptr);
};

class Pop3Session : public MailConnection {
public:
    Pop3Session(const QString& host, int port, int sslFlags);
    // Logs out (QUIT), which carries out the deletions.
    ~Pop3Session();
    // The number of mails on the server; negative on failure.
    int authenticate(const QString& account, const QString& password, bool apop);

    struct Status {
        QString subject, date, from, header;
    };
    // 1 when the headers of mail `number` (1 is the oldest) were read.
    int status(int number, Status& out);
    int size(int number);

    struct Mail {
        QString subject, date, from, header, body;
        QString attachmentName;  // saved in the folder; empty: none
    };
    // 1 when the mail was read and its attachment saved in `folder`.
    int fetch(int number, const QString& folder, Mail& out);
    // The mail as the server keeps it, to be read (parseMimeMessage) while
    // the next one is fetched.
    int fetchSource(int number, QByteArray& source);
    int remove(int number);
};
