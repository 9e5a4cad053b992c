#pragma once
// The mail library: SMTP and POP3 with or without TLS, over libcurl, with
// MIME by GMime. A connection is an object that carries what it was made
// with (the server, the CA file, the time-out) and the text of its last
// failure; results follow the library's conventions. The calls block until
// the server answers or the time-out passes; mail/mail_session runs them off
// the calling thread. A connection is used by one thread at a time.

#include <QByteArray>
#include <QString>

#include <memory>

inline constexpr int kNMailVersion = 500;

namespace nmail_ssl {
inline constexpr int None = 0;
inline constexpr int Implicit = 0x3000;  // TLS from the first byte (465, 995)
inline constexpr int StartTls = 0x4000;  // plain, then STARTTLS/STLS (587, 110)
inline constexpr int Tls12 = 0x10000;    // implicit TLS, version 1.2 or later
inline constexpr int Tls13 = 0x20000;    // implicit TLS, version 1.3
}  // namespace nmail_ssl

namespace nmail_auth {
inline constexpr int None = 0;
inline constexpr int Plain = 1;
inline constexpr int Login = 2;
inline constexpr int CramMd5 = 4;
inline constexpr int DigestMd5 = 8;
inline constexpr int Automatic = 15;
}  // namespace nmail_auth

// Failure results.
namespace nmail_error {
inline constexpr int Connect = -1;
inline constexpr int Login = -2;     // account or password refused
inline constexpr int Refused = -3;   // the server refused the mail or recipient
inline constexpr int Transfer = -4;  // the connection broke
inline constexpr int Handle = -5;    // no such connection
inline constexpr int File = -6;      // a file could not be read or written
inline constexpr int TooLarge = -7;  // a mail over the size limit
inline constexpr int Stopped = -8;   // the person stopped the transfer
// Stopped before any of the mail went to the server: it cannot have taken it.
inline constexpr int StoppedUnsent = -9;
}  // namespace nmail_error

// The newest mails of a mailbox that a session can read: a LIST of more
// counts them all but keeps the sizes of these only.
inline constexpr int kMaxListedMails = 10000;

// What a connection carries from the settings it is made with.
struct MailOptions {
    int timeoutSeconds = 40;  // a connect, a stalled transfer, a server's answer
    QString caFile;           // certificates of private servers; empty: the system's store
};

// One SMTP or POP3 connection. Its end logs out (QUIT), which for POP3
// carries out the deletions; a server that no longer answers is let go
// after the time-out.
class NMailConnection {
public:
    struct Session;
    explicit NMailConnection(std::unique_ptr<Session> session, QString failure = QString());
    ~NMailConnection();
    NMailConnection(const NMailConnection&) = delete;
    NMailConnection& operator=(const NMailConnection&) = delete;

    // Ends the transfer in progress (from another thread): its command
    // fails with nmail_error::Stopped, and the next command runs as usual.
    void requestStop();
    // False when the connection could not be made (message() says why).
    bool isOpen() const;
    // The text of the last failure.
    const QString& message() const { return message_; }

    Session& session() { return *session_; }
    void setMessage(const QString& text) { message_ = text; }

private:
    std::unique_ptr<Session> session_;
    QString message_;
};

// Once at start: a failure shows at the first connection, which cannot be made.
int NMailInitializeWinSock();
int NMailEndWinSock();
int NMailGetVersion();

// Never null; isOpen() is false only when the session could not be set up.
// The server is reached by the first command (the login), which fails with
// nmail_error::Connect when it cannot be; the session's commands then share
// that one connection.
std::unique_ptr<NMailConnection> NMailSmtpConnectSsl(const QString& host, int port, int sslFlags,
                                                     const MailOptions& options);
[[nodiscard]] int NMailSmtpAuthenticate(NMailConnection& connection, const QString& host,
                                        const QString& account, const QString& password,
                                        int method);
// Sends one mail with extra header lines ("Name: value", CR LF between) and
// one attachment (empty: none). Negative when it failed for this recipient;
// the connection stays usable.
[[nodiscard]] int NMailSmtpSendMailEx(NMailConnection& connection, const QString& to,
                                      const QString& from, const QString& subject,
                                      const QString& body, const QString& headers,
                                      const QString& attachment, QString* result);
// Logs out now (the connection's end does it too).
[[nodiscard]] int NMailSmtpClose(NMailConnection& connection);

std::unique_ptr<NMailConnection> NMailPop3ConnectSsl(const QString& host, int port, int sslFlags,
                                                     const MailOptions& options);
// The number of mails on the server; negative on failure. apop -1 logs in
// with APOP.
[[nodiscard]] int NMailPop3Authenticate(NMailConnection& connection, const QString& account,
                                        const QString& password, int apop);
// 1 when the headers of mail `number` (1 is the oldest) were read; 0 when
// they are no mail; the library's error when the server did not give them.
[[nodiscard]] int NMailPop3GetMailStatus(NMailConnection& connection, int number, QString& subject,
                                         QString& date, QString& from, QString& header);
// Non-zero when the field is in the header block; its value in `value`.
int NMailGetHeaderField(QString& value, const QString& header, const QString& field, int size);
[[nodiscard]] int NMailPop3GetMailSize(NMailConnection& connection, int number);
// 1 when the mail was read; its attachment is saved in `folder` under its own
// (made safe) name, returned in `attachmentName` (empty: none).
[[nodiscard]] int NMailPop3GetMail(NMailConnection& connection, int number, QString& subject,
                                   QString& date, QString& from, QString& header, QString& body,
                                   const QString& folder, QString& attachmentName);
// The mail as the server keeps it (RETR), for a caller that reads it
// (parseMimeMessage) while the next one is on its way. 1 when read.
[[nodiscard]] int NMailPop3GetMailSource(NMailConnection& connection, int number,
                                         QByteArray& source);
[[nodiscard]] int NMailPop3DeleteMail(NMailConnection& connection, int number);
// Takes back the deletions asked so far (RSET): the logout then deletes nothing.
[[nodiscard]] int NMailPop3UndoDeletions(NMailConnection& connection);
// Logs out now, which carries out the deletions.
[[nodiscard]] int NMailPop3Close(NMailConnection& connection);
