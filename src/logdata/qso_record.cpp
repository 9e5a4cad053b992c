#include "logdata/qso_record.h"

#include <QStringList>

namespace {

bool hasDigit(const QString& s) {
    for (QChar c : s)
        if (c >= u'0' && c <= u'9') return true;
    return false;
}

// The part of a slashed call that is the station's own: the longest part
// holding a digit; on a tie the first.
qsizetype homePart(const QStringList& parts) {
    qsizetype best = -1;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (!hasDigit(parts[i]) || parts[i].size() < 3) continue;
        if (best < 0 || parts[i].size() > parts[best].size()) best = i;
    }
    return best;
}

}  // namespace

void QsoRecord::setStamp(const QsoStamp& s) {
    date = s.date;
    time = s.time;
    zone = s.zone;
}

QString lookupKeyOf(const QString& loggedCall) {
    const QString call = loggedCall.trimmed().toUpper();
    if (!call.contains(u'/')) return call.left(20).leftJustified(20, u' ');
    const QStringList parts = call.split(u'/');
    const qsizetype home = parts.size() > 1 ? homePart(parts) : -1;
    const QString base = home >= 0 ? parts[home] : call;
    return base.left(20).leftJustified(20, u' ');
}

int portableSeparator(const QString& loggedCall) {
    const QString call = loggedCall.trimmed();
    const QStringList parts = call.split(u'/');
    if (parts.size() < 2) return -1;
    const qsizetype home = homePart(parts);
    // The separator next to the home call: after it, or before it when the
    // home call comes last ("KH2/JA1ABC").
    qsizetype pos = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i == home)
            return static_cast<int>(i + 1 < parts.size() ? pos + parts[i].size() : pos - 1);
        pos += parts[i].size() + 1;
    }
    return static_cast<int>(call.indexOf(u'/'));
}

QString QsoDataRef(const QsoRecord& q, int n) {
    switch (n) {
        case 1: return q.call;
        case 2: return q.date;
        case 3: return q.time + q.zone;
        case 4: return q.hisRst;
        case 5: return q.myRst;
        case 6: return q.freq;
        case 7: return q.mode;
        case 8: return q.code;
        case 9: return q.grid;
        case 10: return q.qslField();
        case 11: return q.name;
        case 12: return q.qth;
        case 13: return q.remarks1;
        case 14: return q.remarks2;
        default: return {};
    }
}
