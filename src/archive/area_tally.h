#pragma once
// The confirmation status by area: the received cards addressed to this
// station, each matched against the log as the received list matches, its
// QSO's area code set against the area master. Three views: every area
// with the cards that confirm it, the confirmed areas only, the areas not
// yet confirmed. Filters: bands, modes, the kind of area, the lowest record
// and the oldest date counted.

#include "logdata/qso_record.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class LoggingProgram;
class ProgressPort;

// The kinds of area of the type buttons.
namespace area_kind {
inline constexpr int All = 1;           // "ALL"
inline constexpr int City = 2;          // "市"
inline constexpr int Town = 3;          // "郡・町村"
inline constexpr int Ward = 4;          // "区"
inline constexpr int NotTokyoWard = 5;  // "23区除"
}  // namespace area_kind

struct TallyFilter {
    unsigned bandMask = 0;  // bit k: band index k (0-16, 17 counts as 16); none: every band
    QStringList modes;      // the modes counted; none: every mode
    int areaKind = area_kind::All;
    int lowestRecord = 1;
    QString oldestDate = QStringLiteral("00/00/00");  // yy/mm/dd
    bool withoutVanished = false;                     // "消滅地域を除く"
    bool searchHitFolder = false;  // "ZELKOVのJPEG画像ヒットフォルダも探す"
    QString hitFolder;
};

class TZkwIni;

// The tally's settings (section Confirm): the filters and the grid's widths.
struct TallySettings {
    TallyFilter filter;
    QString dateText = QStringLiteral("00/00/00");    // Date, as typed
    QString modeText = QStringLiteral("SSB,FM,FT8");  // Mode, as typed
    QString recordText = QStringLiteral("1");         // Recno, as typed
    int widths[3] = {44, 62, 70};                     // Cells: columns 1-3
    int estimate = 400;                               // Cells: the progress estimate

    void load(const TZkwIni& settings);
    void save(TZkwIni& settings) const;
    // The filter of the typed texts (modes sorted, the lowest record at least 1).
    TallyFilter filterOfTexts() const;
};

// A band box's index from its caption ("7", "1.9", "SAT", "10G"); -1 if none.
int tallyBandIndex(const QString& name);

struct TallyJob {
    QString qsoData;  // the log's master file, the area master too
    QString receivedDir;
    QString ownCall;
    int toleranceMinutes = 10;
    ModesAgree modesAgree;
    TallyFilter filter;
    int view = 0;  // 0 every area, 1 confirmed, 2 not confirmed
};

struct Tally {
    enum class End { NoCards, LogNotOpened, Built } end = End::NoCards;
    // One row an area: code, name, then its cards ("NAME.JPG<recno:CALL>"),
    // the QSO of the highest record first; "QSL無し" when no area is left.
    std::vector<QStringList> rows;
    int confirmed = 0;  // areas with a card
    int counted = 0;    // cards that passed the filters
    // Cards of the log's QSOs the filters left out, by the first filter
    // each failed.
    int leftOutByMode = 0;
    int leftOutByBand = 0;
    int leftOutByKind = 0;
    int files = 0;    // card files looked at
    int columns = 5;  // the grid's columns
};

Tally BuildConfirmation(const TallyJob& job, LoggingProgram& loggingProgram,
                        ProgressPort& progress);

// The window's title for the result.
QString tallyTitle(int view, const Tally& tally);
// What the filters left out, for the result face; empty when nothing was.
QString tallyLeftOutText(const Tally& tally, const QString& modeText);

// The clipboard's lines (tab-separated): 0 every card, 1 the first card,
// 2 the first card's call, date, time, band and mode, 3 those and its name.
QStringList tallyClipboardLines(const std::vector<QStringList>& rows, int layout);
// The grid's captions: "No", "Code", "ＱＴＨ", "Call1", ... for `columns` columns.
QStringList tallyHeaders(int columns);
// The spreadsheet's lines: the header ("No", "Code", "ＱＴＨ", "Call1"...)
// and a numbered line a row; `callsOnly` keeps of each card its call.
QStringList tallySheetLines(const std::vector<QStringList>& rows, int columns, bool callsOnly);
