#pragma once
// The spreadsheet of a list: lines of comma text written into a new .xlsx
// workbook as the area tally and the band/mode statistic hand them over,
// with the header row, the borders and the column widths they are shown
// with; the person opens it in the spreadsheet program.

#include <QString>
#include <QStringList>

class ProgressPort;

enum class SheetCells {
    Text,         // from column B on as text (area codes keep their leading zeros)
    TextCentred,  // the same, every cell centred
    Numbers,      // numbers stay numbers, "=..." items are formulas (the statistic)
};

struct SheetFont {
    QString name;
    double size = 0;  // points; 0: the spreadsheet's own
};

struct SpreadsheetExport {
    bool written = false;
    bool stopped = false;  // the person stopped the filling; the sheet has the rows so far
    int rows = 0;          // lines written
    QString error;         // why nothing was written
};

// The column name of a 1-based column number: A ... Z, AA, AB, ...
QString spreadsheetColumnName(int column);

// Writes the lines to `path` (replacing it). A stop asked through
// `progress` is confirmed with the person ("処理を中断しますか？") and ends
// the filling; what was filled is formatted and written.
SpreadsheetExport ExportToSpreadsheet(const QStringList& lines, const QString& path,
                                      SheetCells cells, ProgressPort* progress = nullptr,
                                      const SheetFont& font = {});

// Where a sheet for the spreadsheet program goes: a new file in `folder`
// (made when missing), named by `stem` and the time, so that the person
// finds it again. Empty when the folder cannot be made (`error` says so).
QString newSheetPath(const QString& folder, const QString& stem, QString* error);
// What the window says when a sheet is written: where it is.
QString sheetWrittenText(const QString& path);
