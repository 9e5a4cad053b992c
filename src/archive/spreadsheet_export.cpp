#include "archive/spreadsheet_export.h"

#include "core/app_info.h"
#include "core/comma_text.h"
#include "core/msg_box.h"
#include "core/progress_port.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <map>

namespace {

// A cell's look: its bits select one shared format.
enum Look : unsigned {
    AsText = 1,
    CentreAcross = 2,
    TopMedium = 4,
    BottomThin = 8,
    BottomMedium = 16,
    LeftMedium = 32,
    RightMedium = 64,
};

class Formats {
public:
    Formats(lxw_workbook* book, const SheetFont& font) : book_(book), font_(font) {}
    lxw_format* of(unsigned look) {
        auto& f = formats_[look];
        if (f) return f;
        f = workbook_add_format(book_);
        format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
        if (look & CentreAcross) format_set_align(f, LXW_ALIGN_CENTER);
        if (look & AsText) format_set_num_format(f, "@");
        if (look & TopMedium) format_set_top(f, LXW_BORDER_MEDIUM);
        if (look & BottomMedium)
            format_set_bottom(f, LXW_BORDER_MEDIUM);
        else if (look & BottomThin)
            format_set_bottom(f, LXW_BORDER_THIN);
        if (look & LeftMedium) format_set_left(f, LXW_BORDER_MEDIUM);
        if (look & RightMedium) format_set_right(f, LXW_BORDER_MEDIUM);
        if (!font_.name.isEmpty()) format_set_font_name(f, font_.name.toUtf8().constData());
        if (font_.size > 0) format_set_font_size(f, font_.size);
        return f;
    }

private:
    lxw_workbook* book_;
    SheetFont font_;
    std::map<unsigned, lxw_format*> formats_;
};

// How wide a text shows: a full-width character takes two places.
int shownWidth(const QString& text) {
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() < 0x2E80 ? 1 : 2;
    return width;
}

bool looksNumeric(const QString& item, double& value) {
    if (item.isEmpty() || item.size() > 30) return false;
    bool ok = false;
    value = item.toDouble(&ok);
    return ok;
}

}  // namespace

QString spreadsheetColumnName(int column) {
    QString name;
    for (int n = std::max(column, 1); n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

QString newSheetPath(const QString& folder, const QString& stem, QString* error) {
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        if (error)
            *error = QDir::toNativeSeparators(folder) +
                     QStringLiteral("\r\r・・・フォルダを作成できません！");
        return {};
    }
    return QDir(folder).filePath(
        stem + QDateTime::currentDateTime().toString(QStringLiteral("_yyyyMMdd_HHmmss")) +
        QStringLiteral(".xlsx"));
}

QString sheetWrittenText(const QString& path) {
    return QStringLiteral("エクセルファイルを保存しました：") + QDir::toNativeSeparators(path);
}

SpreadsheetExport ExportToSpreadsheet(const QStringList& lines, const QString& path,
                                      SheetCells cells, ProgressPort* progress,
                                      const SheetFont& font) {
    SpreadsheetExport result;
    // The spreadsheet's own limits.
    constexpr int kMaxRows = 1048576;
    constexpr int kMaxColumns = 16384;
    std::vector<QStringList> rows;
    rows.reserve(static_cast<size_t>(std::min<qsizetype>(lines.size(), kMaxRows)));
    int columns = 1;
    for (const QString& line : lines) {
        if (static_cast<int>(rows.size()) == kMaxRows) break;
        rows.push_back(commaTextSplit(line));
        columns = std::max(columns, static_cast<int>(rows.back().size()));
    }
    columns = std::min(columns, kMaxColumns);
    if (rows.empty()) {
        result.error = QStringLiteral("エクセルに書き出すデータがありません！");
        return result;
    }
    const QString temporary = path + QStringLiteral(".part");
    QFile::remove(temporary);
    lxw_workbook* book = workbook_new(QFile::encodeName(temporary).constData());
    if (!book) {
        result.error =
            QDir::toNativeSeparators(path) + QStringLiteral("\r\r・・・を作成できません！");
        return result;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    Formats formats(book, font);
    if (progress) {
        progress->setPosition(0);
        progress->setVisible(true);
        progress->setMaximum(std::max(static_cast<int>(rows.size()) / 10, 1));
    }
    std::vector<int> widths(static_cast<size_t>(columns), 2);
    const auto writeRow = [&](int r, bool last) {
        const QStringList& items = rows[static_cast<size_t>(r)];
        for (int c = 0; c < columns; ++c) {
            unsigned look = 0;
            if (cells != SheetCells::Numbers && c >= 1) look |= AsText;
            if (r == 0 || cells == SheetCells::TextCentred) look |= CentreAcross;
            if (r == 0) look |= TopMedium | BottomThin;
            if (last) look |= BottomMedium;
            if (c == 0) look |= LeftMedium;
            if (c == columns - 1) look |= RightMedium;
            lxw_format* format = formats.of(look);
            const auto row = static_cast<lxw_row_t>(r);
            const auto col = static_cast<lxw_col_t>(c);
            const QString item = c < items.size() ? items[c] : QString();
            double number = 0;
            if (item.isEmpty())
                worksheet_write_blank(sheet, row, col, format);
            else if (look & AsText)
                worksheet_write_string(sheet, row, col, item.toUtf8().constData(), format);
            else if (item.startsWith(u'='))
                worksheet_write_formula(sheet, row, col, item.toUtf8().constData(), format);
            else if (looksNumeric(item, number))
                worksheet_write_number(sheet, row, col, number, format);
            else
                worksheet_write_string(sheet, row, col, item.toUtf8().constData(), format);
            int& width = widths[static_cast<size_t>(c)];
            width = std::max(width, std::min(shownWidth(item), 80));
        }
    };
    // Filling, the person able to stop it between lines.
    const int count = static_cast<int>(rows.size());
    int filled = 0;
    for (int r = 0; r < count; ++r) {
        if (progress && progress->abortRequested()) {
            if (ShowMsgBox(nullptr, QStringLiteral("処理を中断しますか？"), app::title(),
                           mb::YesNo | mb::IconQuestion) == mb::IdYes) {
                result.stopped = true;
                break;
            }
            progress->clearAbort();
        }
        writeRow(r, r == count - 1);
        ++filled;
        if (progress && filled % 10 == 0) {
            progress->setPosition(filled / 10);
            // A window's Esc reaches the progress port between lines.
            QCoreApplication::processEvents();
        }
    }
    if (result.stopped && filled > 0) writeRow(filled - 1, true);  // the sheet's last line now
    for (int c = 0; c < columns; ++c)
        worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             widths[static_cast<size_t>(c)] + 2, nullptr);
    const lxw_error closed = workbook_close(book);
    if (progress) progress->setVisible(false);
    if (closed != LXW_NO_ERROR || !QFile::exists(temporary)) {
        result.error =
            QDir::toNativeSeparators(path) + QStringLiteral("\r\r・・・を作成できません！");
        if (closed != LXW_NO_ERROR)
            result.error +=
                QStringLiteral("\r\r（") + QString::fromUtf8(lxw_strerror(closed)) + u'）';
        QFile::remove(temporary);
        return result;
    }
    QFile::remove(path);
    if (!QFile::rename(temporary, path)) {
        result.error =
            QDir::toNativeSeparators(path) + QStringLiteral("\r\r・・・が保存できません！");
        QFile::remove(temporary);
        return result;
    }
    result.written = true;
    result.rows = filled;
    return result;
}
