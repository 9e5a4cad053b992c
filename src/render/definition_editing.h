#pragma once
// What the definition editor writes into a definition and works out around
// it, without its window: the lines its insert menus put above the caret
// (placeholders, conditions, commands, the font and line-style pickers'
// lines), the line indicator, the stepping through the log's records, the
// name proposed for a saved preview, the reduction tool's plan, and the
// kinds of text the highlighting tells apart.

#include <QColor>
#include <QSize>
#include <QString>

#include <vector>

// One entry of an insert menu: its objectName, its caption, the line it
// inserts (empty: the entry asks for more first, a file or a font).
struct InsertEntry {
    QString name;
    QString caption;
    QString line;
};

struct InsertGroup {
    QString caption;  // the sub-menu, or empty for entries on the menu itself
    std::vector<InsertEntry> entries;
};

// "項目(&K)": the placeholders by sub-menu; "#Print x, y, "!code"".
const std::vector<InsertGroup>& placeholderMenu();
// "命令(&C)": the commands and, in their sub-menu, the conditions.
const std::vector<InsertGroup>& commandMenu();

// The line of a placeholder entry: its code in square brackets at the start
// of the caption ("任意の文字列" itself otherwise).
QString placeholderLine(const QString& caption);
// The line of a condition entry: the caption from its second character to
// the one before "]", at most ten characters ("? Rcv").
QString conditionLine(const QString& caption);

// The font picker's four lines, in order: name, size, colour, style.
QStringList fontLines(const QString& face, int size, QColor colour, int styleBits);
QString fontColourLine(QColor colour);
// "#LineS width, style, colour": dashed and dotted styles draw one pixel wide.
QString lineStyleLine(int width, int style, QColor colour);
// The colour as the definition language writes it (0x00BBGGRR).
quint32 definitionColour(QColor colour);

// "[line/lines+1]：イメージ".
QString lineIndicator(int caretLine, int lineCount);

// The previewed record after "次へ"/"前へ" (wrapping), and a typed one (1 ... last).
int nextRecord(int current, int last);
int previousRecord(int current, int last);
int typedRecord(int typed, int last);

// The file name proposed for a saved preview: the call (at most 20
// characters, up to a blank) with "/" as "-".
QString previewFileName(const QString& call);

// The reduction tool: the picture cut to the card's proportions from the
// top left (in height, or in width when it is too low for them), and the
// size it is reduced to; too small when the cut is not wider than that.
struct ReductionPlan {
    QSize cut;     // the part of the picture kept
    QSize target;  // 800x510 (510x800 upright), 640x408 or 528x336
    bool tooSmall = false;
};
// `entry` 0: 800x510, 1: 640x408, 2: 528x336.
ReductionPlan reductionPlan(QSize picture, int entry);

// The kinds of text the editor colours.
enum class DefinitionToken { Command, Condition, Placeholder, Label, Comment, Text };
struct TokenSpan {
    int start = 0;
    int length = 0;
    DefinitionToken kind = DefinitionToken::Text;
};
// The spans of one line worth colouring. Lines that are neither commands,
// conditions nor labels are comments, except inside a #Text block (its
// body is text); `insideText` says whether the line is in one, and
// `textBlockAfter` whether the next line is.
std::vector<TokenSpan> definitionTokens(const QString& line, bool insideText = false);
bool textBlockAfter(const QString& line, bool insideText);
