#pragma once
// The QSO a card carries inside its picture: one ADIF record (the two call
// signs, date and time in UTC, band, frequency, mode, report) in a JPEG
// comment, which picture programs leave alone. A card read back by its
// record matches without reading its file name, so a renamed card still
// finds its QSO; a card without one (the Windows program's) is read by its
// name as always.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

struct QsoRecord;

struct CardRecord {
    QString stationCall;  // who sent the card
    QString call;         // whom it confirms, as logged
    QDateTime utc;        // the QSO's moment
    QString band;         // ADIF band name ("40m")
    QString frequency;    // as logged ("7.024", "1200/430")
    QString mode;
    QString report;  // the report given
};

// The record of a card `ownCall` sends for `qso` (a QSO logged in Japan time
// is taken to UTC).
CardRecord cardRecordOf(const QsoRecord& qso, const QString& ownCall);

// The comment text: an ADIF header naming this program, then the record.
QByteArray cardRecordComment(const CardRecord& record);

// The record of a comment; nothing when it is no card record (another
// program's comment, a record without both calls, date or time).
std::optional<CardRecord> cardRecordFromComment(QByteArrayView comment);

// The card name the record stands for (sender, Japan-time date and time,
// frequency, mode, receiver), as the sender's program named the card: what
// matching reads instead of the file's own name.
QString cardNameOfRecord(const CardRecord& record);

// The record as one line for the viewer.
QString cardRecordLine(const CardRecord& record);
