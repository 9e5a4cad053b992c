#include "mail/card_record.h"

#include "logdata/adif.h"
#include "logdata/qso_record.h"
#include "logdata/zkw_parse.h"

#include <QDate>
#include <QTime>

namespace {

constexpr char kProgramId[] = "Sendvik";

void field(QByteArray& out, const char* name, const QString& value) {
    if (value.isEmpty()) return;
    const QByteArray bytes = value.toUtf8();
    out += '<';
    out += name;
    out += ':';
    out += QByteArray::number(bytes.size());
    out += '>';
    out += bytes;
    out += ' ';
}

// The characters a file name cannot hold become "-", as in card names.
QString namePart(QString part) {
    for (QChar& c : part)
        if (c.unicode() < 0x20 || QStringView(u"/\\:*?\"<>|").contains(c)) c = u'-';
    return part;
}

}  // namespace

CardRecord cardRecordOf(const QsoRecord& qso, const QString& ownCall) {
    CardRecord r;
    r.stationCall = ownCall.trimmed().toUpper();
    r.call = qso.call.trimmed().toUpper();
    const QDate date(qso.century * 100 + qso.date.left(2).toInt(), qso.date.mid(3, 2).toInt(),
                     qso.date.mid(6, 2).toInt());
    const QTime time(qso.time.left(2).toInt(), qso.time.mid(3, 2).toInt());
    if (date.isValid() && time.isValid())
        r.utc = QDateTime(date, time, qso.zone == u'J' ? Qt::LocalTime : Qt::UTC).toUTC();
    r.band = BandTexts(qso.freq).first;
    r.frequency = qso.freq.trimmed();
    r.mode = qso.mode.trimmed();
    r.report = qso.hisRst.trimmed();
    return r;
}

QByteArray cardRecordComment(const CardRecord& r) {
    QByteArray out;
    field(out, "ADIF_VER", QStringLiteral("3.1.4"));
    field(out, "PROGRAMID", QString::fromLatin1(kProgramId));
    out += "<EOH>\r\n";
    field(out, "STATION_CALLSIGN", r.stationCall);
    field(out, "CALL", r.call);
    if (r.utc.isValid()) {
        field(out, "QSO_DATE", r.utc.date().toString(QStringLiteral("yyyyMMdd")));
        field(out, "TIME_ON", r.utc.time().toString(QStringLiteral("HHmm")));
    }
    field(out, "BAND", r.band);
    bool numeric = false;
    QString(r.frequency).replace(u',', u'.').toDouble(&numeric);
    if (numeric) field(out, "FREQ", QString(r.frequency).replace(u',', u'.'));
    field(out, "APP_SENDVIK_FREQ", r.frequency);
    field(out, "MODE", r.mode);
    field(out, "RST_SENT", r.report);
    out += "<EOR>\r\n";
    return out;
}

std::optional<CardRecord> cardRecordFromComment(QByteArrayView comment) {
    // Only what looks like ADIF is read at all.
    if (comment.size() > 4096 || !comment.contains("<EOR>")) return std::nullopt;
    const AdifParse parsed = parseAdi(comment.toByteArray());
    if (parsed.records.size() != 1) return std::nullopt;
    const AdifFields& f = parsed.records.front().fields;
    CardRecord r;
    r.stationCall = f.value(u"STATION_CALLSIGN").trimmed().toUpper();
    r.call = f.value(u"CALL").trimmed().toUpper();
    const QDate date = QDate::fromString(f.value(u"QSO_DATE"), QStringLiteral("yyyyMMdd"));
    QString hhmm = f.value(u"TIME_ON").left(4);
    const QTime time = QTime::fromString(hhmm, QStringLiteral("HHmm"));
    if (r.stationCall.isEmpty() || r.call.isEmpty() || !date.isValid() || !time.isValid())
        return std::nullopt;
    r.utc = QDateTime(date, time, Qt::UTC);
    r.band = f.value(u"BAND");
    r.frequency = f.value(u"APP_SENDVIK_FREQ");
    if (r.frequency.isEmpty()) r.frequency = f.value(u"FREQ");
    r.mode = f.value(u"MODE");
    r.report = f.value(u"RST_SENT");
    return r;
}

QString cardNameOfRecord(const CardRecord& r) {
    const QDateTime japan = r.utc.toLocalTime();
    return namePart(r.stationCall) + u'_' + japan.toString(QStringLiteral("yyMMdd")) + u'_' +
           japan.toString(QStringLiteral("HHmm")) + u'_' + namePart(r.frequency) + u'_' +
           namePart(r.mode) + u'_' + namePart(r.call) + QStringLiteral(".jpg");
}

QString cardRecordLine(const CardRecord& r) {
    return QStringLiteral("%1 → %2  %3 UTC  %4 %5MHz %6  RST %7")
        .arg(r.stationCall, r.call, r.utc.toString(QStringLiteral("yyyy/MM/dd HH:mm")), r.band,
             r.frequency, r.mode, r.report);
}
