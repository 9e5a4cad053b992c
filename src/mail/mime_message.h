#pragma once
// Card mails as MIME messages (GMime builds and reads them).

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

struct OutgoingMail {
    QString from;
    QString to;
    QString subject;
    QString body;              // "\r\n" between lines
    QStringList extraHeaders;  // "Name: value" lines
    QString attachmentPath;    // empty: none
};

// A message written as it goes out: GMime writes everything around the
// attachment, whose base64 is made from the file piece by piece as the
// connection takes it, so the first bytes leave before the picture is read
// and a card never sits in memory whole.
class MimeMessageSource {
public:
    // Opens the attachment; nullopt with `error` set when it cannot be read.
    static std::optional<MimeMessageSource> open(const OutgoingMail& mail, QString* error);

    // Writes the message around the attachment (GMime); the first read does
    // it when nobody did before. False when GMime cannot.
    bool write();
    qint64 size() const;  // once written
    // Up to `capacity` bytes of the message into `to`: how many, 0 at its
    // end, -1 when the attachment no longer reads as it did when opened.
    qint64 read(char* to, qint64 capacity);

private:
    MimeMessageSource() = default;
    OutgoingMail mail_;
    bool written_ = false;
    bool readPicture(qint64 bytes);  // the next `bytes` of the picture into raw_
    QByteArray head_, tail_;         // the message before and after the picture's text
    std::unique_ptr<QFile> picture_;
    qint64 pictureBytes_ = 0, pictureRead_ = 0;
    QByteArray raw_;      // a piece of the picture
    QByteArray pending_;  // a line of its base64 the caller had no room for
    qsizetype headAt_ = 0, pendingAt_ = 0, tailAt_ = 0;
};

// The message as RFC 5322 bytes with CR LF lines. Japanese text goes out as
// ISO-2022-JP (7bit), what every Japanese mail program reads; text with a
// character JIS X 0208 lacks goes as UTF-8 (base64). The attachment is base64
// with its content type and an RFC 2231 name. Empty with `error` set when the
// attachment cannot be read.
QByteArray buildMimeMessage(const OutgoingMail& mail, QString* error);

struct MailAttachment {
    QString name;  // reduced to a plain file name
    QByteArray bytes;
};

struct IncomingMail {
    QString subject;
    QString date;
    QString from;
    QString headers;  // the header block, one field a line
    QString body;     // the first text part, decoded
    // In the mail's order, at most 64; those beyond are counted.
    std::vector<MailAttachment> attachments;
    int attachmentsLeftOut = 0;
};

// Reads a message; nullopt when it is no message at all.
std::optional<IncomingMail> parseMimeMessage(const QByteArray& raw);

// Decodes RFC 2047 encoded words in a raw header value.
QString decodeHeaderText(const QByteArray& raw);

// A name from a mail as a plain file name: no folders, no "..", no control or
// reserved characters, at most 200 bytes in UTF-8 (its ending kept);
// "attachment" when nothing usable is left.
QString safeAttachmentName(const QString& name);
// The most bytes (UTF-8) a safe attachment name has.
inline constexpr qsizetype kMaxAttachmentNameBytes = 200;
// A JPEG picture's name with the picture's own ending, whatever ending it came
// with; any other name as it is.
QString attachmentNameForContent(const QString& name, QByteArrayView bytes);

// The value of a header field (name with or without the colon) in a header
// block; nullopt when it is missing. Folded lines are joined.
std::optional<QString> headerFieldValue(const QString& headers, const QString& field);
