#include "archive/received_list_model.h"

#include "archive/card_match.h"
#include "core/zk_dll5.h"
#include "logdata/zkw_parse.h"

#include <map>

namespace {

QStringList headers() {
    return {QStringLiteral("No"),
            QStringLiteral("照合"),
            QStringLiteral("電子QSL～JPEGファイル"),
            QStringLiteral("ファイル時刻"),
            QStringLiteral("RecNo"),
            QStringLiteral("Code"),
            QStringLiteral("Name"),
            QStringLiteral("ＱＴＨ"),
            QStringLiteral("Remarks１"),
            QStringLiteral("Remarks２")};
}

constexpr int kBriefColumns = 5;
constexpr int kDetailColumns = 10;

// The fields of a card name: [first "_", second, third, fourth].
std::array<qsizetype, 4> fieldStarts(const QString& name) {
    std::array<qsizetype, 4> at{-1, -1, -1, -1};
    qsizetype from = 0;
    for (qsizetype& a : at) {
        a = name.indexOf(u'_', from);
        if (a < 0) break;
        from = a + 1;
    }
    return at;
}

}  // namespace

QString statisticBandName(int bandIndex) {
    static const char* const names[] = {"1.9", "3.5", "7",   "10",  "14",   "18",   "21",  "24",
                                        "28",  "50",  "144", "430", "1200", "2400", "5600"};
    if (bandIndex >= 0 && bandIndex <= band::Last)
        return QString::fromLatin1(names[bandIndex]) + u'M';
    return bandIndex == band::CrossBand ? QStringLiteral("SAT") : QStringLiteral("N/A");
}

ReceivedListModel::ReceivedListModel(QObject* parent)
    : CardListModel(headers(), {0, 1, 4}, parent) {
    setColumnCount(kBriefColumns);
}

void ReceivedListModel::setList(const ReceivedList& list, bool details) {
    counts_ = list;
    counts_.rows.clear();  // the rows live in the model's lists
    unmatched_.clear();
    std::vector<QStringList> rows;
    rows.reserve(list.rows.size());
    for (const ReceivedRow& row : list.rows) {
        if (row.recno == 0) unmatched_.push_back(row);
        QStringList items{row.mark, row.name, row.fileTime, row.record};
        items += row.details;
        rows.push_back(std::move(items));
    }
    setColumnCount(details ? kDetailColumns : kBriefColumns);
    setRows(std::move(rows));
    searchable_ = true;
}

void ReceivedListModel::setDetails(bool details) {
    setColumnCount(details ? kDetailColumns : kBriefColumns);
}

int ReceivedListModel::firstIndexOfInterest() const {
    return counts_.firstUnissued >= 0 ? counts_.firstUnissued : counts_.firstOpen;
}

int ReceivedListModel::recordNumber(int index) const {
    bool ok = false;
    const int recno = item(index, 3).toInt(&ok);
    return ok ? recno : 0;
}

QString ReceivedListModel::callOfMatchedRow(int index) const {
    const QString name = cardName(index);
    const qsizetype cut = name.indexOf(u'_');
    if (recordNumber(index) <= 0 || cut < 0) return {};
    return name.left(cut);
}

std::vector<int> ReceivedListModel::matchedRecords() const {
    std::vector<int> recnos;
    for (int i = 0; i < shownCount(); ++i)
        if (const int recno = recordNumber(i); recno > 0) recnos.push_back(recno);
    return recnos;
}

int ReceivedListModel::search(const QString& text, bool callMode) {
    if (text.isEmpty()) return 0;
    QString pattern = text;
    const bool wildcard = callMode && CallPatternFromInput(pattern);
    const int kept = keepIf([&](const QStringList& items) {
        const QString name = items.value(1);
        if (!callMode) return (items.value(0) + u',' + name).contains(text);
        QString call = name.left(6);
        if (const qsizetype cut = call.lastIndexOf(u'_'); cut >= 0) call.truncate(cut);
        return wildcard ? WildcardMatch(call, pattern) : call.contains(text);
    });
    if (kept > 0) searchable_ = false;
    return kept;
}

int ReceivedListModel::keepUnissued() {
    // The mark is followed by the QSL column: route, sent mark, received mark.
    return keepIf([](const QStringList& items) {
        const QString mark = items.value(0);
        return !mark.startsWith(u"■") && mark.size() > 2 && mark[2] == u' ';
    });
}

int ReceivedListModel::keepBlankCode() {
    return keepIf([](const QStringList& items) {
        return items.value(0).startsWith(u"■") || items.value(4).trimmed().isEmpty();
    });
}

std::optional<int> ReceivedListModel::locate(const QString& name, qint64 toleranceSeconds) const {
    const auto at = fieldStarts(name);
    if (at[3] < 0) return std::nullopt;
    QsoRecord qso;
    const QString date = name.mid(at[0] + 1, 6);
    const QString time = name.mid(at[1] + 1, 4);
    qso.date = date.left(2) + u'/' + date.mid(2, 2) + u'/' + date.mid(4, 2);
    qso.time = time.left(2) + u':' + time.mid(2, 2);
    qso.zone = u'J';
    QString band = name.mid(at[2] + 1, 30).section(u'_', 0, 0);
    if (const qsizetype dash = band.indexOf(u'-'); dash >= 0) band[dash] = u'/';
    const int bandIndex = FreqPCheck(band);
    const QString mode = name.mid(at[3] + 1).section(u'_', 0, 0);
    const QString key = name.left(6);
    std::optional<int> otherMode;
    for (int i = 0; i < shownCount(); ++i) {
        const QString rowName = cardName(i);
        if (!rowName.startsWith(key)) continue;
        QString rowBand, rowMode;
        int score = 0;
        if (MatchCardDateTime(rowName, qso, toleranceSeconds, rowBand, rowMode) &&
            !rowBand.isEmpty())
            score += 1;
        if (!rowBand.isEmpty() && FreqPCheck(rowBand.section(u'_', 0, 0)) == bandIndex) score += 2;
        if (rowMode == mode) score += 4;
        if (score == 7) return i;
        if (score == 3) otherMode = i;
    }
    return otherMode;
}

QStringList ReceivedListModel::statistics() const {
    std::map<QString, int> counts;  // "bb,MODE" in text order
    const QsoRecord noTime;         // only the band and the mode are read
    for (int i = 0; i < shownCount(); ++i) {
        QString band, mode;
        MatchCardDateTime(cardName(i), noTime, 0, band, mode);
        const int index = FreqPCheck(band.section(u'_', 0, 0));
        ++counts[QStringLiteral("%1,%2").arg(index, 2, 10, QChar(u'0')).arg(mode)];
    }
    QStringList lines{QStringLiteral("Band,Mode,Count")};
    for (const auto& [key, count] : counts) {
        const QString line = key + u',' + QString::number(count);
        lines.append(statisticBandName(key.left(2).toInt()) + line.mid(2, 16));
    }
    lines.append(QStringLiteral(",合計,=sum(C2:C%1)").arg(lines.size()));
    return lines;
}
