#include "logdata/qso_selection.h"

#include "core/comma_text.h"
#include "core/qso_time.h"

namespace {

int monthIndex(const QString& yymmdd) {
    return yymmdd.left(2).toInt() * 12 + yymmdd.mid(3, 2).toInt();
}

}  // namespace

QString NormalizeFrequency(QStringView text, bool dash) {
    QString out;
    qsizetype cutAt = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (cutAt >= 0 && i >= cutAt) break;
        const QChar c = text[i];
        if (c == u',' || c == u'.') {
            out += u'.';
            if (cutAt < 0) cutAt = i + 4;
        } else if (c == u'/') {
            out += dash ? QChar(u'-') : c;
        } else if (c >= u'0' && c <= u'9') {
            out += c;
        } else {
            break;
        }
    }
    return out;
}

Selection SelectCandidates(ZkwHandle& log, UserHandle& users, int first, int last, int direction,
                           const SelectionRules& rules) {
    Selection result;
    SelectionCounters& n = result.counters;
    const QString today = rules.today.isEmpty() ? NowText(now_text::YySlashMmDd) : rules.today;
    const bool range = first != last;
    const bool forwards = direction == 0;
    const int ageLimit = range ? monthIndex(today) - 6 : -1;

    int number = first;
    while (number <= last && ZKW_read(log, number, read_mode::Card) == 0) {
        const QsoRecord& q = log.rec;
        const int current = number;
        number += forwards ? 1 : -1;

        if (forwards && range && rules.excludedRoutes.contains(q.qslRoute)) {
            ++n.excludedRoute;
            continue;
        }
        const int yy = q.date.left(2).toInt();
        if (yy <= 50) {
            if (forwards && range && monthIndex(q.date) < ageLimit) {
                ++n.tooOld;
                continue;
            }
        } else if (forwards) {
            ++n.tooOld;
            continue;
        } else {
            break;
        }
        if (User_Seek(users, q.key) <= 0) {
            ++n.notInUserList;
            continue;
        }
        if (!rules.eligibleSentMarks.contains(q.qslSent) && rules.onlyUnsent && q.qslSent != u' ') {
            ++n.alreadySent;
            continue;
        }
        bool stop = false;
        const std::optional<QStringList> candidate = candidateOf(q, current, &stop);
        if (stop) {
            result.stoppedAt = current;
            break;
        }
        if (!candidate) {
            ++n.invalidDate;
            continue;
        }
        result.candidates.append(commaTextJoin(*candidate));
        result.lastAdded = current;
        if (!forwards) break;
    }
    return result;
}

std::optional<QStringList> candidateOf(const QsoRecord& q, int recno, bool* stop) {
    QsoStamp stamp = q.stamp();
    if (!ConvertQsoTime(stamp, 0)) {
        if (stop) *stop = true;
        return std::nullopt;
    }
    // Going on past an impossible date skips the record: converted, the date
    // is six digits and the time four (never "26/13/01 25:61" on a card or
    // in its file name).
    const auto digits = [](const QString& text, qsizetype n) {
        if (text.size() != n) return false;
        for (QChar c : text)
            if (c < u'0' || c > u'9') return false;
        return true;
    };
    if (!digits(stamp.date, 6) || !digits(stamp.time, 4)) return std::nullopt;
    const QString key = q.key.section(u' ', 0, 0).left(20);
    return QStringList{
        key,      QString::number(recno),           q.call.left(21), stamp.date, stamp.time,
        q.hisRst, NormalizeFrequency(q.freq, true), q.mode,          q.remarks1, q.remarks2};
}
