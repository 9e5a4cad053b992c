#include "core/qso_time.h"

#include "core/app_info.h"
#include "core/msg_box.h"

#include <QDateTime>
#include <QTimeZone>

#include <optional>

namespace {

QString two(int v) {
    return QString::number(v).rightJustified(2, u'0');
}

// A two-digit field at `pos`; -1 when it is not two digits.
int field(const QString& s, qsizetype pos) {
    if (pos + 2 > s.size()) return -1;
    const QChar a = s[pos];
    const QChar b = s[pos + 1];
    if (!a.isDigit() || !b.isDigit() || a.unicode() > u'9' || b.unicode() > u'9') return -1;
    return (a.unicode() - u'0') * 10 + (b.unicode() - u'0');
}

// The QSO's moment; years below `pivot` are 20yy, the others 19yy.
std::optional<QDateTime> parse(const QsoStamp& qso, int pivot, Qt::TimeSpec zone) {
    const int yy = field(qso.date, 0);
    const int mm = field(qso.date, 3);
    const int dd = field(qso.date, 6);
    const int hh = field(qso.time, 0);
    const int mi = field(qso.time, 3);
    if (yy < 0 || mm < 0 || dd < 0 || hh < 0 || mi < 0) return std::nullopt;
    const QDate date(yy < pivot ? 2000 + yy : 1900 + yy, mm, dd);
    const QTime time(hh, mi, 0);
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    QDateTime dt(date, time, zone);
    if (!dt.isValid()) return std::nullopt;  // a local time that does not exist
    return dt;
}

QString slashDate(const QDate& d) {
    return two(d.year() % 100) + u'/' + two(d.month()) + u'/' + two(d.day());
}

QString colonTime(const QTime& t) {
    return two(t.hour()) + u':' + two(t.minute());
}

}  // namespace

QString NowText(int kind) {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    switch (kind) {
        case now_text::YyMmDd: return two(d.year() % 100) + two(d.month()) + two(d.day());
        case now_text::YySlashMmDd: return slashDate(d);
        case now_text::HhColonMm: return colonTime(t);
        case now_text::YyMm: return two(d.year() % 100) + two(d.month());
        case now_text::YyyySlashMmDd:
            return QString::number(d.year()) + u'/' + two(d.month()) + u'/' + two(d.day());
        default: return {};
    }
}

bool ConvertQsoTime(QsoStamp& qso, int mode) {
    const bool local = qso.zone == u'J';
    std::optional<QDateTime> dt = parse(qso, 51, local ? Qt::LocalTime : Qt::UTC);
    if (!dt) {
        const QString text = qso.call + QStringLiteral("  ") + qso.date + QStringLiteral("  ") +
                             qso.time + qso.zone + QStringLiteral("\r\r不正な日付時間です。");
        return ShowSystemMsgBox(nullptr, text, app::title(),
                                mb::OkCancel | mb::IconStop | mb::DefButton2) == mb::IdOk;
    }
    QChar zone = qso.zone;
    if (mode >= 2 && local) {
        *dt = dt->toUTC();
        zone = u'U';
    } else if (mode < 2 && !local) {
        *dt = dt->toLocalTime();
        zone = u'J';
    }
    if (mode == 0) {
        const QDate d = dt->date();
        qso.date = two(d.year() % 100) + two(d.month()) + two(d.day());
        qso.time = two(dt->time().hour()) + two(dt->time().minute());
        return true;
    }
    qso.date = slashDate(dt->date());
    qso.time = colonTime(dt->time());
    qso.zone = zone;
    return true;
}

void ConvertQsoTimeQuiet(QsoStamp& qso, int mode) {
    const bool local = qso.zone == u'J';
    if (mode <= 1 && !local) return;
    if (mode >= 2 && local) return;
    if (mode == 1 && !(qso.flags & kQsoFlagUtcOnCard)) return;
    std::optional<QDateTime> dt = parse(qso, 52, local ? Qt::LocalTime : Qt::UTC);
    if (!dt) return;
    *dt = local ? dt->toUTC() : dt->toLocalTime();
    qso.date = slashDate(dt->date());
    qso.time = colonTime(dt->time());
    qso.zone = mode <= 1 ? u'U' : u'J';
}
