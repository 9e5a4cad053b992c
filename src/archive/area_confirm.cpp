#include "archive/area_confirm.h"

#include "logdata/dbf_table.h"
#include "logdata/zkw_parse.h"

namespace {

// Tokyo's special wards: the codes of the 23 wards, and the first day (as
// year x 366 + month x 31 + day past the century) from which they count for
// the city, and how their city's code is made from theirs.
constexpr int kFirstTokyoWard = 100101;
constexpr int kLastTokyoWard = 100123;
constexpr int kTokyoWardsFrom = 3784;  // 2010-04-01
constexpr int kTokyoWardToCity = 99050;

}  // namespace

int MarkEntityConfirmed(DbfTable& qsoData, DbfTable& areaMaster, int recno) {
    DbfRecord stored;
    if (dbf_read(qsoData, recno, stored) != 0) return 0;
    const QString code = stored.qso.code;
    if (code.isEmpty() || code.startsWith(QStringLiteral("  "))) return 0;
    const int bandIndex = FreqPCheck(stored.qso.freq);
    if (bandIndex == band::None || bandIndex < 0 || bandIndex >= kBandCount) return 0;

    QString key = code.left(6).leftJustified(6, u' ');
    int kind = ChosonCheck(key);
    int changed = 0;
    // The area, then (for a ward or a town) the one it belongs to.
    for (int round = 0; round < 2; ++round) {
        const int entry = idx_search(areaMaster, key, 6);
        if (entry == 0) break;
        DbfRecord area;
        if (dbf_read(areaMaster, entry, area) != 0) break;
        QString status;
        Wget_bit(status, area);
        if (status.size() < kBandCount || status[1] == u'-') break;
        if (status[bandIndex] != u'C') {
            status[bandIndex] = u'C';
            Wput_bit(area, status);
            if (dbf_write2(areaMaster, entry, area.bytes.constData() + kAreaStatusOffset,
                           kAreaStatusOffset, kAreaStatusSize) == 0)
                ++changed;
        }
        if (kind <= 5) break;
        if (kind == 6) {
            bool numeric = false;
            const int number = code.left(6).toInt(&numeric);
            const int day = stored.year * 366 + stored.month * 31 + stored.day;
            if (numeric && number >= kFirstTokyoWard && number <= kLastTokyoWard &&
                stored.century > 19 && day > kTokyoWardsFrom)
                key = QString::number(number - kTokyoWardToCity).leftJustified(6, u' ');
            key[4] = u' ';
            key[5] = u' ';
        } else {
            key[5] = u' ';
        }
        kind = 0;
    }
    return changed;
}
