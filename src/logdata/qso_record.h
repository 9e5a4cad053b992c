#pragma once
// One QSO as the log library hands it to the program.

#include "core/qso_time.h"

#include <QString>

#include <functional>

// Whether a card's mode stands for the QSO's as logged (the environment
// settings' mode table decides).
using ModesAgree = std::function<bool(const QString& logMode, const QString& cardMode)>;

// Bits of the flags word.
namespace qso_flag {
inline constexpr quint16 DxStation = kQsoFlagUtcOnCard;  // also: the card shows UTC
inline constexpr quint16 Cq = 16;
inline constexpr quint16 Check1 = 32;
inline constexpr quint16 Check2 = 64;
}  // namespace qso_flag

struct QsoRecord {
    int recno = 0;
    QString call;       // as logged, portable part included
    QString date;       // "yy/mm/dd"
    int century = 20;   // 19 or 20 (the year is century * 100 + yy)
    QString time;       // "hh:mm"
    QChar zone = u'J';  // 'J' Japan (local) time, any other letter UTC
    QChar qslRoute = u' ';
    QChar qslSent = u' ';
    QChar qslRcvd = u' ';
    quint16 flags = 0;
    QString hisRst;  // report given
    QString myRst;   // report received
    QString freq;    // MHz as typed
    QString mode;
    QString code;   // area code (JCC/JCG/ward), up to 7 characters
    QString code2;  // second code
    QString grid;
    QString name;
    QString qth;
    QString remarks1;
    QString remarks2;
    QString key;       // look-up key: the home call, blank-padded to 20
    QString sentDate;  // yyyymmdd the sent mark was written here, or empty
    QString rcvdDate;  // yyyymmdd the received mark was written here, or empty

    // The QSL column: route, sent mark, received mark.
    QString qslField() const {
        const QChar q[] = {qslRoute, qslSent, qslRcvd};
        return QString(q, 3);
    }
    QsoStamp stamp() const { return {call, date, time, zone, flags}; }
    void setStamp(const QsoStamp& s);
    // The first six characters of the key (the call index's key).
    QString key6() const { return key.left(6).leftJustified(6, u' '); }
};

// The look-up key of a logged call: the home call without portable parts
// ("JA1ABC/1", "JA1ABC/P", "KH2/JA1ABC" all give JA1ABC), upper case, padded
// with blanks to 20 characters.
QString lookupKeyOf(const QString& loggedCall);
// Where the portable part starts (the index of its "/"), -1 when the call
// has none.
int portableSeparator(const QString& loggedCall);

// Data1 ... Data14 of the definition language; empty outside 1 ... 14.
QString QsoDataRef(const QsoRecord& qso, int n);
