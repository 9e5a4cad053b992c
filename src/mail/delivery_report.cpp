#include "mail/delivery_report.h"

#include "mail/mime_message.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUuid>

namespace {

constexpr qsizetype kMaxReport = 1 << 20;
constexpr qsizetype kMaxReason = 300;
constexpr qsizetype kMaxCardName = 200;

// The bytes with every line ending made "\n" (reports come with CR LF, LF
// and bare CR).
QByteArray normalised(const QByteArray& raw) {
    QByteArray text = raw.left(kMaxReport);
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    return text;
}

// The header block of a text: up to the first empty line.
QString headerBlock(const QString& text) {
    const qsizetype end = text.indexOf(QStringLiteral("\n\n"));
    return end < 0 ? text : text.left(end + 1);
}

// "rfc822; a@b" -> "a@b", "smtp; 550 5.1.1 ..." -> "550 5.1.1 ...".
QString withoutType(const QString& value) {
    const qsizetype semicolon = value.indexOf(u';');
    return (semicolon >= 0 && semicolon < 20 ? value.mid(semicolon + 1) : value).trimmed();
}

QString oneLine(const QString& text) {
    const QString line = text.simplified();
    return line.size() > kMaxReason ? line.left(kMaxReason) : line;
}

// The reported fields of the delivery-status part: every "Name: value"
// line (folded lines joined) with that name, in order.
QStringList statusFields(const QString& text, const QString& name) {
    QStringList values;
    static const QRegularExpression field(QStringLiteral("^([A-Za-z-]+):[ \\t]*(.*)$"),
                                          QRegularExpression::MultilineOption);
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch m = field.match(lines[i]);
        if (!m.hasMatch() || m.captured(1).compare(name, Qt::CaseInsensitive) != 0) continue;
        QString value = m.captured(2);
        while (i + 1 < lines.size() && !lines[i + 1].isEmpty() &&
               (lines[i + 1][0] == u' ' || lines[i + 1][0] == u'\t'))
            value += u' ' + lines[++i].trimmed();
        values << value.trimmed();
    }
    return values;
}

// The card a report is about: the Message-Id of the returned mail, else the
// file name of its returned picture.
QString cardOfReport(const QString& text) {
    static const QRegularExpression id(
        QStringLiteral("^Message-ID:[ \\t]*(<qsl\\.[0-9a-f]+\\.[^>\\n]*>)"),
        QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    for (auto it = id.globalMatch(text); it.hasNext();) {
        const QString name = cardNameOfMessageId(it.next().captured(1));
        if (!name.isEmpty()) return name;
    }
    static const QRegularExpression file(
        QStringLiteral("filename=\"?([A-Za-z0-9 -]{3,20}_\\d{6}_\\d{4}_[^\"\\s;_]{1,12}_"
                       "[^\"\\s;_]{1,12}_[^\"\\n;]{1,40}\\.jpg)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = file.match(text);
    return m.hasMatch() ? safeAttachmentName(m.captured(1)) : QString();
}

}  // namespace

QString cardMessageId(const QString& cardName, const QString& domain) {
    return QStringLiteral("qsl.") +
           QString::fromLatin1(cardName.left(kMaxCardName).toUtf8().toHex()) + u'.' +
           QUuid::createUuid().toString(QUuid::Id128) + u'@' + domain;
}

QString cardNameOfMessageId(const QString& id) {
    QString bare = id.trimmed();
    if (bare.startsWith(u'<') && bare.endsWith(u'>')) bare = bare.mid(1, bare.size() - 2);
    if (!bare.startsWith(QStringLiteral("qsl."), Qt::CaseInsensitive)) return {};
    const QString hex = bare.mid(4).section(u'.', 0, 0);
    if (hex.isEmpty() || hex.size() % 2 != 0 || hex.size() > 2 * kMaxCardName) return {};
    for (QChar c : hex)
        if (!isxdigit(c.unicode() < 128 ? c.toLatin1() : 'x')) return {};
    const QString name = QString::fromUtf8(QByteArray::fromHex(hex.toLatin1()));
    // Only a name this program could have given its card.
    if (!name.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive) ||
        safeAttachmentName(name) != name)
        return {};
    return name;
}

bool mightBeDeliveryReport(const QString& headers) {
    const QString type =
        headerFieldValue(headers, QStringLiteral("Content-Type")).value_or(QString());
    if (type.contains(QStringLiteral("multipart/report"), Qt::CaseInsensitive)) return true;
    const QString from = headerFieldValue(headers, QStringLiteral("From")).value_or(QString());
    for (const char* daemon : {"mailer-daemon", "postmaster", "mail delivery"})
        if (from.contains(QLatin1String(daemon), Qt::CaseInsensitive)) return true;
    QString subject = headerFieldValue(headers, QStringLiteral("Subject")).value_or(QString());
    if (subject.contains(QStringLiteral("=?"))) subject = decodeHeaderText(subject.toUtf8());
    static const char16_t* const kSubjects[] = {
        u"undeliver",        u"returned mail",  u"delivery status notification",
        u"delivery failure", u"failure notice", u"mail delivery failed",
        u"メールエラー",     u"配信不能",       u"配送不能",
        u"送信できません",   u"配信エラー"};
    for (const char16_t* word : kSubjects)
        if (subject.contains(QString::fromUtf16(word), Qt::CaseInsensitive)) return true;
    return false;
}

bool mightBeDeliveryReport(const IncomingMail& mail) {
    // The sender and subject as a mail reader shows them (raw 8-bit text
    // included), and the head as it came.
    return mightBeDeliveryReport(mail.headers) ||
           mightBeDeliveryReport(QStringLiteral("From: ") + mail.from +
                                 QStringLiteral("\nSubject: ") + mail.subject + u'\n');
}

std::optional<DeliveryFailure> readDeliveryFailure(const QByteArray& raw) {
    const QByteArray bytes = normalised(raw);
    const QString text = QString::fromLatin1(bytes);
    const QString head = headerBlock(text);
    const QString body = text.mid(head.size());
    DeliveryFailure failure;
    failure.cardName = cardOfReport(body);
    if (failure.cardName.isEmpty()) return std::nullopt;
    // A card mail itself carries its own Message-Id in its head, never in
    // its body; a report must say it is one.
    const bool standard = headerFieldValue(head, QStringLiteral("Content-Type"))
                              .value_or(QString())
                              .contains(QStringLiteral("multipart/report"), Qt::CaseInsensitive);
    const std::optional<IncomingMail> mail = parseMimeMessage(bytes);
    if (!standard && !mightBeDeliveryReport(head) && !(mail && mightBeDeliveryReport(*mail)))
        return std::nullopt;
    if (mail) {
        failure.subject = oneLine(mail->subject);
        failure.date = oneLine(mail->date);
    }
    const QStringList actions = statusFields(body, QStringLiteral("Action"));
    if (!actions.isEmpty()) {
        // Per recipient: a report of a delay or a delivery is no failure.
        bool failed = false;
        for (const QString& action : actions)
            failed = failed || action.startsWith(QStringLiteral("failed"), Qt::CaseInsensitive);
        if (!failed) return std::nullopt;
        failure.recipient =
            withoutType(statusFields(body, QStringLiteral("Final-Recipient")).value(0));
        if (failure.recipient.isEmpty())
            failure.recipient =
                withoutType(statusFields(body, QStringLiteral("Original-Recipient")).value(0));
        failure.status = oneLine(statusFields(body, QStringLiteral("Status")).value(0));
        failure.reason =
            oneLine(withoutType(statusFields(body, QStringLiteral("Diagnostic-Code")).value(0)));
    }
    if (failure.recipient.isEmpty()) {
        static const QRegularExpression address(
            QStringLiteral("<([^<>@\\s]{1,64}@[^<>@\\s]{1,255})>"));
        const QString human = mail ? mail->body : body;
        const QRegularExpressionMatch m = address.match(human);
        if (m.hasMatch()) failure.recipient = m.captured(1);
    }
    failure.recipient = oneLine(failure.recipient);
    if (failure.reason.isEmpty() && mail) {
        // The first line of the report's own words that is more than an address.
        for (const QString& line : mail->body.split(u'\n')) {
            const QString l = line.trimmed();
            if (l.isEmpty() || (l.startsWith(u'<') && l.endsWith(u'>')) || l.startsWith(u'-'))
                continue;
            failure.reason = oneLine(l);
            break;
        }
    }
    if (failure.reason.isEmpty()) failure.reason = failure.subject;
    return failure;
}
