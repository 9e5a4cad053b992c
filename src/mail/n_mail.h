#pragma once
// The mail library: SMTP and POP3 with or without TLS, over libcurl, with
// MIME by GMime. Connections are handles (0 and up, -1 when a connection
// cannot be made); results follow the library's conventions. The calls block
// until the server answers or the time-out passes; mail/mail_session runs
// them off the calling thread. A connection may be used from any thread, one
// call at a time; the failure text is kept per thread.

#include <QByteArray>
#include <QString>

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

namespace nmail_option {
inline constexpr int Timeout = 0;  // seconds; the only option there is
}  // namespace nmail_option

// Failure results.
namespace nmail_error {
inline constexpr int Connect = -1;
inline constexpr int Login = -2;     // account or password refused
inline constexpr int Refused = -3;   // the server refused the mail or recipient
inline constexpr int Transfer = -4;  // the connection broke
inline constexpr int Handle = -5;    // no such connection
inline constexpr int File = -6;      // a file could not be read or written
inline constexpr int TooLarge = -7;  // a mail over the size limit
}  // namespace nmail_error

int NMailInitializeWinSock();
int NMailEndWinSock();
int NMailGetVersion();
int NMailSetOption(int option, int value);
// A CA file for private servers (the setting Option/CaFile); empty: the
// system's certificate store.
void NMailSetCaFile(const QString& path);
// The text of the last failure.
QString NMailGetMessage(int kind);

int NMailSmtpConnectSsl(const QString& host, int port, int sslFlags, int reserved);
int NMailSmtpAuthenticate(int connection, const QString& host, const QString& account,
                          const QString& password, int method);
// Sends one mail with extra header lines ("Name: value", CR LF between) and
// one attachment (empty: none). Negative when it failed for this recipient;
// the connection stays usable.
int NMailSmtpSendMailEx(int connection, const QString& to, int reserved1, int reserved2,
                        const QString& from, const QString& subject, const QString& body,
                        const QString& headers, const QString& attachment, QString* result,
                        int reserved3);
int NMailSmtpClose(int connection);

int NMailPop3ConnectSsl(const QString& host, int port, int sslFlags, int reserved);
// The number of mails on the server; negative on failure. apop -1 logs in
// with APOP.
int NMailPop3Authenticate(int connection, const QString& account, const QString& password,
                          int apop);
// 1 when the headers of mail `number` (1 is the oldest) were read.
int NMailPop3GetMailStatus(int connection, int number, QString& subject, QString& date,
                           QString& from, QString& header, int reserved);
// Non-zero when the field is in the header block; its value in `value`.
int NMailGetHeaderField(QString& value, const QString& header, const QString& field, int size);
int NMailPop3GetMailSize(int connection, int number);
// 1 when the mail was read; its attachment is saved in `folder` under its own
// (made safe) name, returned in `attachmentName` (empty: none).
int NMailPop3GetMail(int connection, int number, QString& subject, QString& date, QString& from,
                     QString& header, QString& body, const QString& folder,
                     QString& attachmentName);
// The mail as the server keeps it (RETR), for a caller that reads it
// (parseMimeMessage) while the next one is on its way. 1 when read.
int NMailPop3GetMailSource(int connection, int number, QByteArray& source);
int NMailPop3DeleteMail(int connection, int number);
int NMailPop3Close(int connection);
