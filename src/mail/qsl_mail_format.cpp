#include "mail/qsl_mail_format.h"

#include "core/app_info.h"
#include "core/qso_time.h"
#include "core/sjis.h"
#include "logdata/qso_selection.h"

namespace {

const QString kMailer = QStringLiteral("ZELKOV E-Mail QSL");

// The text between the first and the last "%" (to the end with only one);
// empty without any.
QString betweenPercents(const QString& remark) {
    const qsizetype first = remark.indexOf(u'%');
    if (first < 0) return {};
    const qsizetype last = remark.lastIndexOf(u'%');
    return last > first ? remark.mid(first + 1, last - first - 1) : remark.mid(first + 1);
}

// Characters that cannot stand in a file name on any system we run on.
QString fileNamePart(QString part) {
    for (QChar& c : part) {
        if (c.unicode() < 0x20 || QStringView(u"/\\:*?\"<>|").contains(c)) c = u'-';
    }
    return part;
}

QString yy_mm_dd(const QString& yymmdd) {
    return yymmdd.left(2) + u'/' + yymmdd.mid(2, 2) + u'/' + yymmdd.mid(4, 2);
}

}  // namespace

QString cardSubject(const QString& ownCall, const QString& yymmdd) {
    return kMailer + QStringLiteral(" From:") + ownCall + QStringLiteral(" QSO-Date:20") +
           yy_mm_dd(yymmdd);
}

QString cardXMailer(const QString& yymmdd) {
    return QStringLiteral("X-Mailer: ") + kMailer + QStringLiteral(", QSO-yymm:") + yymmdd.left(4);
}

QString reportLabel(const QString& rules, const QString& mode) {
    const QStringList list = rules.left(254).split(u';');
    for (qsizetype i = 0; i < list.size() && i < 10; ++i) {
        const qsizetype eq = list[i].indexOf(u'=');
        if (eq < 0) break;
        if (list[i].left(eq).contains(mode)) return list[i].mid(eq + 1) + u':';
    }
    return QStringLiteral("RS:");
}

QString placeTextFor(const QsoRecord& qso, PlaceChoice choice, const QString& placeBox) {
    QString taken;
    switch (choice) {
        case PlaceChoice::Remarks1Percent: taken = betweenPercents(qso.remarks1); break;
        case PlaceChoice::Remarks2Percent: taken = betweenPercents(qso.remarks2); break;
        case PlaceChoice::Remarks1: taken = qso.remarks1; break;
        case PlaceChoice::Remarks2: taken = qso.remarks2; break;
        case PlaceChoice::PlaceBox: break;
    }
    return taken.isEmpty() ? placeBox : taken;
}

std::optional<CardText> composeCardText(const QStringList& candidate, const QsoRecord& qso,
                                        const CardTextSettings& s) {
    const QString date = candidate.value(3);
    CardText card;
    card.subject = cardSubject(s.ownCall, date);
    card.xMailer = cardXMailer(date);
    QString receiver = qso.key.left(20).section(u' ', 0, 0);
    const qsizetype slash = receiver.indexOf(u'/');
    if (slash >= 0) receiver[slash] = u' ';
    card.fileName = fileNamePart(s.ownCall) + u'_' + date + u'_' + candidate.value(4) + u'_' +
                    fileNamePart(candidate.value(6)) + u'_' + fileNamePart(candidate.value(7)) +
                    u'_' + fileNamePart(receiver) + QStringLiteral(".jpg");

    QsoStamp stamp = qso.stamp();
    if (s.time == CardTime::ToUtc && !ConvertQsoTime(stamp, 2)) return std::nullopt;
    if (s.time == CardTime::ToJst && !ConvertQsoTime(stamp, 1)) return std::nullopt;

    QString slots[7];
    slots[0] = QStringLiteral("To Radio:") + qso.call + QStringLiteral("　Confirming Our QSO");
    slots[1] = QStringLiteral("From:") + s.ownCall + placeTextFor(qso, s.place, s.placeText);
    slots[2] = QStringLiteral("Date&Time:20") + stamp.date.left(8) + u' ' + stamp.time.left(5) +
               (stamp.zone == u'J' ? QStringLiteral("JST ") : QStringLiteral("UTC ")) +
               reportLabel(s.reportRules, qso.mode) + qso.hisRst + QStringLiteral(" Freq:") +
               NormalizeFrequency(qso.freq, false) + QStringLiteral("MHz 2Way ") + qso.mode;
    if (s.beginnerMode && !s.resend && s.rig && s.rig->items.size() >= 8) {
        const RigLine& r = *s.rig;
        if (!r.item(2).isEmpty()) slots[3] = QStringLiteral("Rig:") + r.item(2);
        if (!r.item(4).isEmpty()) {
            slots[4] = QStringLiteral("Ant:") + r.item(4);
            if (!r.item(5).isEmpty()) slots[4] += u' ' + r.item(5) + QStringLiteral("mH");
        }
        if (!r.item(3).isEmpty()) slots[4] += QStringLiteral("　Power:") + r.item(3) + u'W';
        const qsizetype together = sjis::byteLength(slots[3]) + sjis::byteLength(slots[4]);
        if (!slots[4].isEmpty() && together < sjis::byteLength(slots[2]) * 15 / 16) {
            slots[3] = slots[3].isEmpty() ? slots[4] : slots[3] + QStringLiteral("  ") + slots[4];
            slots[4].clear();
        }
    }
    if (!s.remark.isEmpty()) slots[5] = QStringLiteral("Remarks:") + s.remark;
    for (const QString& slot : slots)
        if (!slot.isEmpty()) card.lines.append(slot);
    return card;
}

QString cardMailBody(const QString& edition, const QStringList& lines, const QString& memo,
                     bool sendMemo) {
    QString body = app::caption();
    if (!edition.isEmpty()) body += QStringLiteral("　【%1版】").arg(edition);
    body += QStringLiteral("\r\n");
    for (const QString& line : lines)
        body += line + QStringLiteral("\r\n");
    if (sendMemo && !memo.isEmpty()) {
        QStringList memoLines = memo.split(QStringLiteral("\r\n"));
        if (memoLines.size() > 300) memoLines.resize(300);
        body += memoLines.join(QStringLiteral("\r\n"));
    }
    return body;
}

CardName parseCardFileName(const QString& fileName) {
    CardName n;
    QString base = fileName;
    if (base.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive)) base.chop(4);
    const QStringList f = base.split(u'_');
    if (f.size() < 6) return n;
    n.fromCall = f[0];
    n.yymmdd = f[1].left(6);
    n.hhmm = f[2].left(4);
    n.freq = f[3].left(12);
    const qsizetype dash = n.freq.indexOf(u'-');
    if (dash >= 0) n.freq[dash] = u'/';
    n.mode = f[4].left(12);
    n.toCall = f.mid(5).join(u'_');
    n.valid = true;
    return n;
}

bool isCardSentBy(const QString& fileName, const QString& call) {
    const QString own = fileNamePart(call.trimmed());
    const CardName name = parseCardFileName(fileName);
    return !own.isEmpty() && name.valid && name.fromCall.compare(own, Qt::CaseInsensitive) == 0;
}

QString cardMessageText(const QString& subject, const QString& date, const QString& body) {
    return QStringLiteral("Subject:") + subject + QStringLiteral("\r\nDate:") + date +
           QStringLiteral("\r\n") + body;
}

bool isCardMailer(const QString& xMailer) {
    return xMailer.contains(kMailer);
}

int cardMailerYyMm(const QString& xMailer) {
    const qsizetype at = xMailer.indexOf(QStringLiteral("QSO-yymm:"));
    if (at < 0) return -1;
    const QString digits = xMailer.mid(at + 9, 4);
    bool ok = false;
    const int v = digits.toInt(&ok);
    return ok && digits.size() == 4 ? v : -1;
}
