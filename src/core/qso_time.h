#pragma once
// The clock texts and the conversion of a QSO's time between Japan time (the
// machine's local time) and UTC.

#include <QString>

// NowText kinds.
namespace now_text {
inline constexpr int YyMmDd = 1;         // "240315"
inline constexpr int YySlashMmDd = 2;    // "24/03/15"
inline constexpr int HhColonMm = 3;      // "09:05"
inline constexpr int YyMm = 4;           // "2403"
inline constexpr int YyyySlashMmDd = 5;  // "2024/03/15"
}  // namespace now_text

// The local clock in one of the kinds above; any other kind gives "".
QString NowText(int kind);

// The date and time part of a QSO record, as the log library fills it.
struct QsoStamp {
    QString call;       // as logged; shown in messages
    QString date;       // "yy/mm/dd"
    QString time;       // "hh:mm"
    QChar zone = u'J';  // 'J' the machine's local time, any other letter UTC
    quint16 flags = 0;  // the record's flags word
};

// The flag of the flags word that lets ConvertQsoTimeQuiet mode 1 act: the
// DX-station bit.
inline constexpr quint16 kQsoFlagUtcOnCard = 8;

// Interactive conversion. Mode 2 and above: to UTC (zone 'U'); modes 0 and 1:
// to local time (zone 'J'). Mode 0 writes "yymmdd" and "hhmm" and keeps the
// zone letter. An impossible date or time asks the person (OK goes on with
// the record: true; Cancel: false).
bool ConvertQsoTime(QsoStamp& qso, int mode);

// Silent conversion for the card: modes 0 and 1 turn a local time into UTC
// (mode 1 only when the record's flag asks for it), mode 2 and above a UTC
// time into local time. A record it cannot read is left as it is.
void ConvertQsoTimeQuiet(QsoStamp& qso, int mode);
