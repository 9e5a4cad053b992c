#pragma once
// Card mails as MIME messages (GMime builds and reads them).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

struct OutgoingMail {
    QString from;
    QString to;
    QString subject;
    QString body;              // "\r\n" between lines
    QStringList extraHeaders;  // "Name: value" lines
    QString attachmentPath;    // empty: none
};

// The message as RFC 5322 bytes with CR LF lines. Japanese text goes out as
// ISO-2022-JP (7bit), what every Japanese mail program reads; text with a
// character JIS X 0208 lacks goes as UTF-8 (base64). The attachment is base64
// with its content type and an RFC 2231 name. Empty with `error` set when the
// attachment cannot be read.
QByteArray buildMimeMessage(const OutgoingMail& mail, QString* error);

struct IncomingMail {
    QString subject;
    QString date;
    QString from;
    QString headers;         // the header block, one field a line
    QString body;            // the first text part, decoded
    QString attachmentName;  // reduced to a plain file name; empty: none
    QByteArray attachment;
};

// Reads a message; nullopt when it is no message at all.
std::optional<IncomingMail> parseMimeMessage(const QByteArray& raw);

// Decodes RFC 2047 encoded words in a raw header value.
QString decodeHeaderText(const QByteArray& raw);

// A name from a mail as a plain file name: no folders, no "..", no control or
// reserved characters, at most 120 characters; "attachment" when nothing
// usable is left.
QString safeAttachmentName(const QString& name);

// The value of a header field (name with or without the colon) in a header
// block; nullopt when it is missing. Folded lines are joined.
std::optional<QString> headerFieldValue(const QString& headers, const QString& field);
