#pragma once
// A QSO that WSJT-X or JTDX announced, into the log: a "Logged ADIF"
// datagram's record as it stands, a "QSO Logged" datagram's fields as one
// ADIF record, both through the ADIF reader and the import's duplicate rule
// (call, UTC moment, band, mode), so that the two datagrams of one QSO add
// it once.

#include "link/wsjtx_datagram.h"
#include "logdata/qso_record.h"

#include <QByteArray>
#include <QString>

#include <optional>

class LogStore;

namespace wsjtx {

// The ADIF text of a datagram that carries a QSO; none for the others.
std::optional<QByteArray> adifOf(const Datagram& datagram);

// Frequency in Hz to the ADIF band name ("40m"); empty outside the bands.
QString bandOfHz(quint64 hz);
// The same of a frequency in MHz as the log keeps it: a frequency
// ("10.1365", rounded to the hertz) or the log's number for a band ("10").
QString bandOfMHz(const QString& mhz);

struct Joined {
    enum class Result { Added, Duplicate, Refused, Failed };
    Result result = Result::Refused;
    int recno = 0;  // of the added QSO
    QsoRecord qso;
    QString why;  // refused: what the record lacks; failed: the log's error
};

// Adds the record to the open log unless it is there already.
Joined joinQso(LogStore& log, const QByteArray& adif);

}  // namespace wsjtx
