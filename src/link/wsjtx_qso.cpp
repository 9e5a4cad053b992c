#include "link/wsjtx_qso.h"

#include <cmath>

#include "logdata/adif.h"
#include "logdata/log_store.h"

#include <array>

namespace wsjtx {

namespace {

QByteArray field(const char* name, const QString& value) {
    if (value.isEmpty()) return {};
    const QByteArray v = value.toUtf8();
    return '<' + QByteArray(name) + ':' + QByteArray::number(v.size()) + '>' + v + ' ';
}

QByteArray recordOf(const QsoLogged& q) {
    const QDateTime on = q.on.toUTC();
    const QDateTime off = q.off.toUTC();
    QByteArray r = "<programid:6>WSJT-X <EOH>\n";
    r += field("call", q.dxCall);
    r += field("gridsquare", q.dxGrid);
    r += field("mode", q.mode);
    r += field("rst_sent", q.reportSent);
    r += field("rst_rcvd", q.reportReceived);
    r += field("qso_date", on.toString(QStringLiteral("yyyyMMdd")));
    r += field("time_on", on.toString(QStringLiteral("HHmmss")));
    r += field("qso_date_off", off.toString(QStringLiteral("yyyyMMdd")));
    r += field("time_off", off.toString(QStringLiteral("HHmmss")));
    r += field("band", bandOfHz(q.txHz));
    if (q.txHz > 0) r += field("freq", QString::number(double(q.txHz) / 1e6, 'f', 6));
    r += field("tx_pwr", q.txPower);
    r += field("name", q.name);
    r += field("comment", q.comments);
    r += field("operator", q.operatorCall);
    r += field("station_callsign", q.myCall);
    r += field("my_gridsquare", q.myGrid);
    r += field("stx_string", q.exchangeSent);
    r += field("srx_string", q.exchangeReceived);
    r += field("prop_mode", q.propagationMode);
    return r + "<EOR>\n";
}

}  // namespace

std::optional<QByteArray> adifOf(const Datagram& datagram) {
    if (const auto* adif = std::get_if<LoggedAdif>(&datagram.body)) return adif->adif.toUtf8();
    if (const auto* qso = std::get_if<QsoLogged>(&datagram.body)) return recordOf(*qso);
    return std::nullopt;
}

QString bandOfHz(quint64 hz) {
    struct Band {
        quint64 low, high;
        const char* name;
    };
    static constexpr std::array<Band, 17> bands{{
        {1'800'000, 2'000'000, "160m"},
        {3'500'000, 4'000'000, "80m"},
        {5'060'000, 5'450'000, "60m"},
        {7'000'000, 7'300'000, "40m"},
        {10'100'000, 10'150'000, "30m"},
        {14'000'000, 14'350'000, "20m"},
        {18'068'000, 18'168'000, "17m"},
        {21'000'000, 21'450'000, "15m"},
        {24'890'000, 24'990'000, "12m"},
        {28'000'000, 29'700'000, "10m"},
        {50'000'000, 54'000'000, "6m"},
        {144'000'000, 148'000'000, "2m"},
        {420'000'000, 450'000'000, "70cm"},
        {1'240'000'000, 1'300'000'000, "23cm"},
        {2'300'000'000, 2'450'000'000, "13cm"},
        {135'700, 137'800, "2190m"},
        {472'000, 479'000, "630m"},
    }};
    for (const Band& b : bands)
        if (hz >= b.low && hz <= b.high) return QString::fromLatin1(b.name);
    return {};
}

QString bandOfMHz(const QString& mhz) {
    // The log's own band numbers first ("10" is 30m, below the band's edge).
    if (const QString band = bandOfLogMhz(mhz); !band.isEmpty()) return band;
    const double value = mhz.toDouble();
    if (!(value > 0.0) || value > 1e6) return {};
    return bandOfHz(static_cast<quint64>(std::llround(value * 1e6)));
}

Joined joinQso(LogStore& log, const QByteArray& adif) {
    Joined joined;
    bool seen = false;
    const AdifParse parsed = parseAdi(
        adif,
        [&](const AdifRecord& record) {
            if (seen) return false;  // one QSO a datagram
            seen = true;
            if (!qsoFromAdif(record, joined.qso, joined.why)) {
                joined.result = Joined::Result::Refused;
                return false;
            }
            switch (log.insert(joined.qso)) {
                case LogStore::InsertResult::Added:
                    joined.result = Joined::Result::Added;
                    joined.recno = log.recordCount();
                    break;
                case LogStore::InsertResult::Duplicate:
                    joined.result = Joined::Result::Duplicate;
                    break;
                case LogStore::InsertResult::Failed:
                    joined.result = Joined::Result::Failed;
                    joined.why = log.errorText();
                    break;
            }
            return false;
        },
        false);
    if (!seen) {
        joined.result = Joined::Result::Refused;
        joined.why =
            parsed.faults.empty()
                ? (parsed.error.isEmpty() ? QStringLiteral("QSOがありません") : parsed.error)
                : parsed.faults.front().second;
    }
    return joined;
}

}  // namespace wsjtx
