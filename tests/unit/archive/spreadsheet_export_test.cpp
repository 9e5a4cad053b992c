#include "archive/spreadsheet_export.h"

#include "core/comma_text.h"
#include "core/message_ports.h"
#include "core/progress_port.h"
#include "test_support.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// The workbook as an independent reader (openpyxl) sees it: per cell its
// value, its type, its number format and its borders.
QString readBack(const QString& path, const QString& cells) {
    const QString script = QStringLiteral(
        "import openpyxl,sys\n"
        "ws=openpyxl.load_workbook(sys.argv[1]).active\n"
        "print(ws.max_row, ws.max_column)\n"
        "for ref in sys.argv[2].split(','):\n"
        "  c=ws[ref]; b=c.border\n"
        "  print(ref, repr(c.value), c.data_type, c.number_format, b.top.style, b.bottom.style,"
        " b.left.style, b.right.style, c.alignment.horizontal)\n");
    QProcess python;
    python.start(u"/usr/bin/python3"_s, {u"-c"_s, script, path, cells});
    python.waitForFinished(30000);
    return QString::fromUtf8(python.readAllStandardOutput() + python.readAllStandardError());
}

// The area tally's sheet: codes as text with their zeros, the frame and the
// header's lines; 30 columns reach column AD.
TEST(SpreadsheetExport, CodesStayTextInAFramedSheet) {
    Sandbox box;
    EXPECT_EQ(spreadsheetColumnName(1), u"A"_s);
    EXPECT_EQ(spreadsheetColumnName(26), u"Z"_s);
    EXPECT_EQ(spreadsheetColumnName(27), u"AA"_s);
    EXPECT_EQ(spreadsheetColumnName(30), u"AD"_s);
    EXPECT_EQ(spreadsheetColumnName(703), u"AAA"_s);
    QStringList header{u"No"_s, u"Code"_s, u"ＱＴＨ"_s};
    for (int i = 1; i <= 27; ++i)
        header << QStringLiteral("Call%1").arg(i);
    const QStringList lines{commaTextJoin(header), u"1,0101,札幌市,JA8AAA_1.JPG<3:JA8AAA>"_s,
                            u"2,100105,文京区"_s};
    const QString path = box.path(u"tally.xlsx"_s);
    const SpreadsheetExport done = ExportToSpreadsheet(lines, path, SheetCells::Text);
    ASSERT_TRUE(done.written) << done.error.toStdString();
    EXPECT_EQ(done.rows, 3);
    const QString seen = readBack(path, u"A1,B2,D2,A3,AD1,AD3"_s);
    const QStringList rows = seen.split(u'\n');
    ASSERT_GE(rows.size(), 7) << seen.toStdString();
    EXPECT_EQ(rows[0], u"3 30"_s);
    EXPECT_EQ(rows[1], u"A1 'No' s General medium thin medium None center"_s);
    EXPECT_EQ(rows[2], u"B2 '0101' s @ None None None None None"_s);
    EXPECT_EQ(rows[3], u"D2 'JA8AAA_1.JPG<3:JA8AAA>' s @ None None None None None"_s);
    EXPECT_EQ(rows[4], u"A3 2 n General None medium medium None None"_s);
    EXPECT_EQ(rows[5], u"AD1 'Call27' s @ medium thin None medium center"_s);
    EXPECT_EQ(rows[6], u"AD3 None n @ None medium None medium None"_s);
}

// The band/mode statistic: counts as numbers, the total a formula; a stop
// confirmed leaves the lines so far, framed.
TEST(SpreadsheetExport, NumbersStayNumbersAndAStopKeepsWhatWasFilled) {
    Sandbox box;
    const QStringList lines{u"Band,Mode,Count"_s, u"7M,J3E,2"_s, u"144M,CW,1"_s,
                            u",合計,=sum(C2:C3)"_s};
    const QString path = box.path(u"stat.xlsx"_s);
    ASSERT_TRUE(ExportToSpreadsheet(lines, path, SheetCells::Numbers).written);
    QStringList rows = readBack(path, u"C2,C4"_s).split(u'\n');
    ASSERT_GE(rows.size(), 3);
    EXPECT_EQ(rows[1], u"C2 2 n General None None None medium None"_s);
    EXPECT_EQ(rows[2], u"C4 '=sum(C2:C3)' f General None medium None medium None"_s);

    ScriptedMessagePort port;
    const ScopedMessagePort installed(&port);
    port.answer(mb::IdYes);
    RecordingProgressPort progress;
    progress.abortAtPosition(2);  // after the twentieth line
    QStringList many{u"A,B"_s};
    for (int i = 0; i < 50; ++i)
        many << QStringLiteral("%1,x").arg(i);
    const SpreadsheetExport stopped =
        ExportToSpreadsheet(many, path, SheetCells::Numbers, &progress);
    EXPECT_TRUE(stopped.written);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.rows, 20);
    EXPECT_EQ(port.messages().back().text, u"処理を中断しますか？"_s);
    rows = readBack(path, u"A20"_s).split(u'\n');
    ASSERT_GE(rows.size(), 2);
    EXPECT_EQ(rows[0], u"20 2"_s);
    EXPECT_EQ(rows[1], u"A20 18 n General None medium medium None None"_s);  // framed below
    EXPECT_FALSE(ExportToSpreadsheet({}, path, SheetCells::Text).written);
}

}  // namespace
