#include "logdata/zkw_parse.h"

#include <QString>

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

struct BandRange {
    double lowMHz;
    double highMHz;
};

// Amateur allocations with room for the other ITU regions, 1.9 MHz to 5600 MHz.
// The low ends reach down to the band's name, which is what most log entries
// hold ("10", "18", "24", "1200", "5600").
constexpr BandRange kBands[] = {
    {1.8, 2.0},     {3.4, 4.0},     {7.0, 7.3},       {10.0, 10.15},    {14.0, 14.35},
    {18.0, 18.168}, {21.0, 21.45},  {24.0, 24.99},    {28.0, 29.7},     {50.0, 54.0},
    {144.0, 148.0}, {420.0, 450.0}, {1200.0, 1300.0}, {2300.0, 2450.0}, {5600.0, 5850.0},
};
}  // namespace

int FreqPCheck(QStringView frequency) {
    if (frequency.contains(u'/')) return band::CrossBand;
    QStringView t = frequency.trimmed();
    // Number: digits with at most one decimal point or comma.
    qsizetype i = 0;
    // Digits with at most one decimal point or comma, read as they come.
    double mhz = 0;
    double scale = 0;  // 0 before the decimal mark, then 0.1, 0.01, ...
    int digits = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c >= u'0' && c <= u'9') {
            const int d = c.unicode() - u'0';
            ++digits;
            if (scale == 0) {
                mhz = mhz * 10 + d;
            } else {
                mhz += d * scale;
                scale /= 10;
            }
        } else if ((c == u'.' || c == u',') && scale == 0) {
            scale = 0.1;
        } else {
            break;
        }
    }
    if (digits == 0) return band::None;
    const QStringView unit = t.sliced(i).trimmed();
    if (unit.startsWith(u'k', Qt::CaseInsensitive))
        mhz /= 1000.0;
    else if (unit.startsWith(u'g', Qt::CaseInsensitive))
        mhz *= 1000.0;
    else if (!unit.isEmpty() && !unit.startsWith(u'm', Qt::CaseInsensitive))
        return band::None;
    if (mhz >= 10000.0) return band::TenGigaUp;
    for (int b = 0; b < static_cast<int>(std::size(kBands)); ++b) {
        if (mhz >= kBands[b].lowMHz && mhz <= kBands[b].highMHz) return b;
    }
    return band::None;
}

std::pair<QString, QString> BandTexts(QStringView frequency) {
    static const char* const kNames[] = {"160", "80", "40", "30",  "20",  "17",  "15", "12",
                                         "10",  "6",  "2",  "70c", "23c", "13c", "6c"};
    const QStringView f = frequency.first(std::min<qsizetype>(frequency.size(), 30));
    auto name = [](int b) {
        return b >= band::First && b <= band::Last ? QString::fromLatin1(kNames[b]) + u'm'
                                                   : QString();
    };
    const int b = FreqPCheck(f);
    if (b != band::CrossBand) return {name(b), QString()};
    const qsizetype slash = f.indexOf(u'/');
    if (slash < 0) return {};
    return {name(FreqPCheck(f.first(slash))), name(FreqPCheck(f.sliced(slash + 1)))};
}
