#include "archive/area_tally.h"

#include "archive/card_match.h"
#include "archive/received_list.h"
#include "core/app_info.h"
#include "core/comma_text.h"
#include "core/msg_box.h"
#include "core/progress_port.h"
#include "core/sjis.h"
#include "core/zk_dll5.h"
#include "core/zkw_ini.h"
#include "exchange/logging_program.h"
#include "logdata/dbf_table.h"
#include "logdata/log_store.h"
#include "logdata/sqlite_db.h"
#include "logdata/zelkov50.h"
#include "logdata/zkw_parse.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <map>
#include <optional>

namespace {

constexpr int kMaxCardsShown = 101;
constexpr int kFirstTokyoWard = 100101;
constexpr int kLastTokyoWard = 100123;

// Four-digit codes the area list leaves out (prefectures' and cities'
// codes that are no area of their own).
bool skippedCode(const QString& code) {
    if (code.size() < 6 || code[4] != u' ' || code[5] != u' ') return false;
    const int n = code.left(4).trimmed().toInt();
    static const int skipped[] = {101,  601,  801,  1001, 1101, 1103, 1110, 1201, 1344, 1801, 1802,
                                  2001, 2201, 2501, 2502, 2701, 3101, 3501, 4001, 4021, 4301};
    return (n >= 1051 && n <= 1073) ||
           std::find(std::begin(skipped), std::end(skipped), n) != std::end(skipped);
}

bool tokyoWard(const QString& code) {
    bool numeric = false;
    const int n = code.left(6).toInt(&numeric);
    return numeric && n >= kFirstTokyoWard && n <= kLastTokyoWard;
}

// Whether a QSO's area passes the type buttons.
bool kindPasses(const QString& code, int areaKind) {
    if (areaKind == area_kind::All) return true;
    switch (ChosonCheck(code.left(6))) {
        case 4: return areaKind == area_kind::City;
        case 5:
        case 7: return areaKind == area_kind::Town;
        case 6:
            return areaKind == area_kind::City || areaKind == area_kind::Ward ||
                   (areaKind == area_kind::NotTokyoWard && !tokyoWard(code));
        default: return false;
    }
}

// Whether an area without a card stays in the list of unconfirmed ones.
bool unconfirmedShown(const QString& code, int areaKind) {
    const int kind = ChosonCheck(code.left(6));
    switch (areaKind) {
        case area_kind::City: return kind != 7;
        case area_kind::Town: return kind != 4 && kind != 6;
        case area_kind::Ward: return kind != 4 && kind != 7;
        case area_kind::NotTokyoWard: return kind != 4 && kind != 7 && !tokyoWard(code);
        default: return true;
    }
}

QString sixOf(const QString& code) {
    return code.left(6).leftJustified(6, u' ').toUpper();
}

void addCards(QStringList& cards, QStringList* paths, const QString& folder,
              const QString& pattern) {
    QDirIterator it(folder, {pattern}, QDir::Files);
    while (it.hasNext()) {
        const QFileInfo file(it.nextFileInfo());
        if (file.size() <= kMaxNonCardBytes) continue;
        cards.append(file.fileName().toUpper());
        if (paths) paths->append(file.filePath());
    }
}

// The cards and, when asked, their paths.
QStringList tallyCards(const QString& receivedDir, const QString& ownCall,
                       const TallyFilter& filter, QStringList* paths) {
    const QString pattern = QStringLiteral("*_") + ownCall + QStringLiteral(".jpg");
    QStringList cards;
    addCards(cards, paths, receivedDir, pattern);
    if (filter.searchHitFolder && QFileInfo(filter.hitFolder).isDir()) {
        addCards(cards, paths, filter.hitFolder, pattern);
        const QStringList subs =
            QDir(filter.hitFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& sub : subs)
            if (!sub.startsWith(u'.'))
                addCards(cards, paths, QDir(filter.hitFolder).filePath(sub), pattern);
    }
    return cards;
}

struct Area {
    QString code;  // six characters
    QString name;
    std::vector<std::pair<int, QString>> cards;  // record, item
};

std::vector<Area> areaList(const QString& mst, bool withoutVanished) {
    std::vector<Area> areas;
    DbfTable master;
    if (dbf_open(mst, master) != 0) return areas;
    // From "01001" (Hokkaido's first county) on; a master without that entry
    // starts at its first code from there.
    int entry = idx_search(master, QStringLiteral("01001"), 5);
    for (char first = '0'; entry == 0 && first <= '4'; ++first)
        entry = idx_search(master, QString(QChar::fromLatin1(first)), 1);
    for (; entry > 0; entry = idx_next(master)) {
        DbfRecord record;
        if (dbf_read(master, entry, record) != 0 || record.bytes.size() < 41) break;
        const QString code = QString::fromLatin1(record.bytes.left(6));
        if (code.isEmpty() || code[0] > u'4') break;
        if (code < QStringLiteral("01001")) continue;
        if (record.bytes[40] == '5') continue;
        QString name = sjis::toUnicode(record.bytes.mid(6, 34));
        if (withoutVanished && name.contains(u'*')) continue;
        if (skippedCode(code)) continue;
        while (name.endsWith(u' '))
            name.chop(1);
        areas.push_back({code, name, {}});
    }
    dbf_close(master);
    return areas;
}

}  // namespace

void TallySettings::load(const TZkwIni& settings) {
    const QString cells = settings.readString(u"Confirm", u"Cells", QString());
    qsizetype cursor = 0;
    const int w1 = StrToLong(cells);
    const int w2 = NextListNumber(cells, cursor);
    const int w3 = NextListNumber(cells, cursor);
    const int estimateRead = NextListNumber(cells, cursor);
    widths[0] = w1 < 3 ? 44 : w1;
    widths[1] = w2 < 4 ? 62 : w2;
    widths[2] = w3 < 4 ? 70 : w3;
    estimate = estimateRead > 0 ? estimateRead : 400;
    dateText = settings.readString(u"Confirm", u"Date", QStringLiteral("00/00/00"));
    modeText = settings.readString(u"Confirm", u"Mode", QStringLiteral("SSB,FM,FT8"));
    recordText = settings.readString(u"Confirm", u"Recno", QStringLiteral("1"));
    filter.hitFolder = settings.readString(u"Confirm", u"Hit", QStringLiteral("C:\\"));
    const QString band = settings.readString(u"Confirm", u"BAND", QString());
    cursor = 0;
    const unsigned bits = static_cast<unsigned>(StrToLong(band));
    const int kind = NextListNumber(band, cursor);
    filter.bandMask = bits & 0x1FFFF;
    filter.withoutVanished = bits & (1u << 17);
    filter.searchHitFolder = bits & (1u << 18);
    filter.areaKind = kind >= 1 && kind <= 5 ? kind : area_kind::All;
}

void TallySettings::save(TZkwIni& settings) const {
    settings.writeString(
        u"Confirm", u"Cells",
        QStringLiteral("%1,%2,%3,%4").arg(widths[0]).arg(widths[1]).arg(widths[2]).arg(estimate));
    settings.writeString(u"Confirm", u"Date", dateText);
    settings.writeString(u"Confirm", u"Mode", modeText);
    settings.writeString(u"Confirm", u"Recno", recordText);
    settings.writeString(u"Confirm", u"Hit", filter.hitFolder);
    const unsigned bits = (filter.bandMask & 0x1FFFF) | (filter.withoutVanished ? 1u << 17 : 0) |
                          (filter.searchHitFolder ? 1u << 18 : 0);
    settings.writeString(u"Confirm", u"BAND",
                         QStringLiteral("%1,%2").arg(bits).arg(filter.areaKind));
}

TallyFilter TallySettings::filterOfTexts() const {
    TallyFilter f = filter;
    f.oldestDate = dateText.left(8);
    f.modes = commaTextSplit(modeText);
    f.modes.removeAll(QString());
    f.modes.sort();
    f.lowestRecord = std::max(StrToLong(recordText), 1);
    return f;
}

int tallyBandIndex(const QString& name) {
    static const char* const names[] = {"1.9",  "3.5",  "7",    "10",  "14",  "18",
                                        "21",   "24",   "28",   "50",  "144", "430",
                                        "1200", "2400", "5600", "SAT", "10G"};
    QString n = name.trimmed().toUpper();
    if (n.endsWith(QStringLiteral("MHZ"))) n.chop(3);
    if (n == u"10GHZ") n = QStringLiteral("10G");
    for (int i = 0; i < 17; ++i)
        if (n == QLatin1String(names[i])) return i;
    return -1;
}

Tally BuildConfirmation(const TallyJob& job, LoggingProgram& loggingProgram,
                        ProgressPort& progress) {
    Tally tally;
    const TallyFilter& filter = job.filter;
    QStringList paths;
    const QStringList cards = tallyCards(job.receivedDir, job.ownCall, filter, &paths);
    if (cards.isEmpty()) {
        ShowMsgBox(nullptr,
                   QDir::toNativeSeparators(job.receivedDir) +
                       QStringLiteral(" フォルダに該当電子QSLはありません！"),
                   app::title(), mb::Ok | mb::IconExclamation);
        return tally;
    }
    tally.files = static_cast<int>(cards.size());
    std::optional<ListLog> opened;
    opened.emplace(job.qsoData, loggingProgram, 0);
    if (!opened->isOpen()) {
        tally.end = Tally::End::LogNotOpened;
        return tally;
    }
    ZkwHandle& log = opened->handle();
    std::vector<Area> areas = areaList(job.qsoData, filter.withoutVanished);
    progress.setVisible(true);
    progress.setMaximum(3 * tally.files);
    progress.setPosition(0);
    const qint64 tolerance = matchToleranceSeconds(job.toleranceMinutes);
    const int lowest = std::max(filter.lowestRecord, 1);
    const QString oldest = filter.oldestDate.left(8);
    QStringList modes;
    for (const QString& m : filter.modes)
        if (!m.trimmed().isEmpty()) modes.append(m.trimmed().toUpper());
    // Each counted card: its area (six characters) and its item.
    std::vector<std::tuple<QString, int, QString>> counted;
    {
        std::optional<SqliteReadSnapshot> snapshot;
        if (log.store) snapshot.emplace(log.store->db());
        int done = 0;
        for (qsizetype c = 0; c < cards.size(); ++c) {
            const QString& card = cards[c];
            if (++done % 64 == 0) progress.setPosition(done);
            // Matched by the file's name, else by the QSO inside the picture.
            for (const QString& matchName : cardMatchNames(paths[c])) {
                bool matched = false;
                CallWalk walk{cardIndexKey(matchName), CallWalk::LastCentury::EndWalk, lowest};
                walk.oldestDate = oldest;
                walkCallQsos(log, walk, [&](int recno, const QsoRecord& qso) {
                    if (cardQsoVerdict(matchName, qso, tolerance, job.modesAgree) != 15)
                        return true;
                    // The card's QSO: counted when it passes the filters.
                    const int bandIndex = FreqPCheck(qso.freq);
                    const int bit = std::min(bandIndex, 16);
                    const bool bandPasses =
                        filter.bandMask == 0 ||
                        (bandIndex >= 0 && bandIndex <= 17 && (filter.bandMask & (1u << bit)));
                    const bool modePasses = modes.isEmpty() || modes.contains(qso.mode.toUpper());
                    const bool kindOk = kindPasses(qso.code, filter.areaKind);
                    if (bandPasses && modePasses && kindOk)
                        counted.emplace_back(
                            sixOf(qso.code), recno,
                            card + u'<' + QString::number(recno) + u':' + qso.call + u'>');
                    else if (!modePasses)
                        ++tally.leftOutByMode;
                    else if (!bandPasses)
                        ++tally.leftOutByBand;
                    else
                        ++tally.leftOutByKind;
                    matched = true;
                    return false;
                });
                if (matched) break;
            }
        }
    }
    opened.reset();  // the log is not needed for the areas
    tally.counted = static_cast<int>(counted.size());

    // The cards to their areas (the list is in code order).
    std::sort(areas.begin(), areas.end(),
              [](const Area& a, const Area& b) { return sixOf(a.code) < sixOf(b.code); });
    for (auto& [code, recno, item] : counted) {
        const auto at =
            std::lower_bound(areas.begin(), areas.end(), code,
                             [](const Area& a, const QString& c) { return sixOf(a.code) < c; });
        if (at != areas.end() && sixOf(at->code) == code) at->cards.emplace_back(recno, item);
    }
    int widest = 0;
    for (Area& area : areas) {
        if (area.cards.empty()) {
            if (job.view == 1) continue;
            if (job.view == 2 && !unconfirmedShown(area.code, filter.areaKind)) continue;
        } else {
            ++tally.confirmed;
            if (job.view == 2) continue;
            std::stable_sort(area.cards.begin(), area.cards.end(),
                             [](const auto& a, const auto& b) { return a.first > b.first; });
        }
        QString code = area.code;
        while (code.endsWith(u' '))
            code.chop(1);
        QStringList row{code, area.name};
        for (const auto& [recno, item] : area.cards) {
            if (row.size() >= 2 + kMaxCardsShown) break;
            row.append(item);
        }
        widest = std::max(widest, static_cast<int>(row.size()));
        tally.rows.push_back(std::move(row));
    }
    tally.columns = std::max(5, widest + 1);
    if (tally.rows.empty()) {
        QStringList none;
        for (int c = 1; c < tally.columns; ++c)
            none.append(QStringLiteral("QSL無し"));
        tally.rows.push_back(none);
    }
    progress.setPosition(3 * tally.files);
    progress.setVisible(false);
    tally.end = Tally::End::Built;
    return tally;
}

QString tallyTitle(int view, const Tally& tally) {
    QString title = QStringLiteral("ZELKOV E-Mail QSL コンファーム状況（");
    if (view == 2) return title + QStringLiteral("%1地域）").arg(tally.rows.size());
    return title + QStringLiteral("%1地域：%2ファイル）").arg(tally.confirmed).arg(tally.counted);
}

QString tallyLeftOutText(const Tally& tally, const QString& modeText) {
    const int all = tally.leftOutByMode + tally.leftOutByBand + tally.leftOutByKind;
    if (all == 0) return {};
    QStringList parts;
    if (tally.leftOutByMode > 0)
        parts << QStringLiteral("モード（%1）以外 %2枚").arg(modeText).arg(tally.leftOutByMode);
    if (tally.leftOutByBand > 0)
        parts << QStringLiteral("バンドの指定外 %1枚").arg(tally.leftOutByBand);
    if (tally.leftOutByKind > 0)
        parts << QStringLiteral("地域の種類の指定外 %1枚").arg(tally.leftOutByKind);
    return QStringLiteral("絞り込みの条件で %1枚の電子QSLを数えていません：").arg(all) +
           parts.join(QStringLiteral("、"));
}

QStringList tallyClipboardLines(const std::vector<QStringList>& rows, int layout) {
    QStringList lines;
    for (const QStringList& row : rows) {
        QString code = row.value(0);
        while (code.endsWith(u' '))
            code.chop(1);
        QStringList fields{code, row.value(1)};
        for (int i = 2; i < row.size(); ++i) {
            const qsizetype cut = row[i].lastIndexOf(u'<');
            if (cut < 0) break;
            const QString name = row[i].left(cut);
            if (layout <= 1) {
                fields.append(name);
            } else {
                const QStringList parts = name.split(u'_');
                const QString date = parts.value(1), time = parts.value(2);
                fields << parts.value(0)
                       << date.left(2) + u'/' + date.mid(2, 2) + u'/' + date.mid(4, 2)
                       << time.left(2) + u':' + time.mid(2, 2) << parts.value(3) << parts.value(4);
                if (layout == 3) fields.append(name);
            }
            if (layout >= 1) break;
        }
        lines.append(fields.join(u'\t'));
    }
    return lines;
}

QStringList tallyHeaders(int columns) {
    QStringList header{QStringLiteral("No"), QStringLiteral("Code"), QStringLiteral("ＱＴＨ")};
    for (int c = 3; c < columns; ++c)
        header.append(QStringLiteral("Call%1").arg(c - 2));
    return header;
}

QStringList tallySheetLines(const std::vector<QStringList>& rows, int columns, bool callsOnly) {
    QStringList lines{commaTextJoin(tallyHeaders(columns))};
    int number = 0;
    for (const QStringList& row : rows) {
        QStringList items{QString::number(++number)};
        for (int i = 0; i < row.size(); ++i) {
            QString cell = row[i];
            if (callsOnly && i >= 2) {
                const qsizetype colon = cell.lastIndexOf(u':');
                const qsizetype end = cell.indexOf(u'>', colon + 1);
                if (colon >= 0 && end > colon) cell = cell.mid(colon + 1, end - colon - 1);
            }
            items.append(cell);
        }
        lines.append(commaTextJoin(items));
    }
    return lines;
}
