#pragma once
// Delivery reports: the mail a server sends back when it could not deliver
// a card, RFC 3464 "multipart/report" and the home-made forms of the
// Japanese carriers (a text part and the returned mail, or the returned
// headers inline in plain text), read for the card mail it answers and the
// reason the server gave. A card mail's Message-Id names its card, so that a
// report that returns only the headers still says which card failed.

#include <QByteArray>
#include <QString>

#include <optional>

struct IncomingMail;

struct DeliveryFailure {
    QString cardName;   // the card file the failed mail carried
    QString recipient;  // the address that failed, when the report names it
    QString status;     // "5.1.1", when the report gives one
    QString reason;     // the server's words, one line
    QString subject;    // the report's own subject
    QString date;       // the report's Date line
};

// The Message-Id of a card mail (without angle brackets): "qsl.<the card
// name in hex>.<random>@domain".
QString cardMessageId(const QString& cardName, const QString& domain);
// The card a Message-Id of cardMessageId names (angle brackets allowed);
// empty for any other id.
QString cardNameOfMessageId(const QString& id);

// Whether a mail's header block looks like a delivery report: a
// "multipart/report", a mail from a mailer daemon or postmaster, or a subject
// such reports carry. Worth reading whole when other mail stays unread.
bool mightBeDeliveryReport(const QString& headers);
// The same for a mail already read (its decoded sender and subject too).
bool mightBeDeliveryReport(const IncomingMail& mail);

// What a delivery report says about a card mail of this program; nothing
// for a mail that is no report, a report of a delay or a success only, or a
// report about some other mail. The first 1 MiB is read.
std::optional<DeliveryFailure> readDeliveryFailure(const QByteArray& raw);
