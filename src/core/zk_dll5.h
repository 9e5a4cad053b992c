#pragma once
// Small shared helpers: numbers, list readers, strings, key filters, call-sign
// and wildcards. All pure; the ones that talk to the person do it
// through ShowMsgBox.

#include <QString>
#include <QStringView>

// Rounds halves away from zero: 2.5 -> 3, -2.5 -> -3.
int RoundHalfAway(double x);

// The integer with thousands separators and no decimals ("1,234,567").
QString FormatThousands(qint64 n);

// The leading integer of a text: blanks, an optional sign, decimal digits.
// No digits gives 0; a value beyond the int range is clamped.
int StrToLong(QStringView text);

// The value ParseNumberOrHex gives when the text holds no number.
inline constexpr int kNoNumber = 268435455;  // 0x0FFFFFFF

// The first number in a text: "0x" with up to eight hexadecimal digits, or a
// decimal number with an optional "-". kNoNumber when there is none.
int ParseNumberOrHex(QStringView text);

// Readers of comma-separated number lists ("9,9,640,400"). The caller reads
// the first value with StrToLong; each call moves the cursor to the next
// number and returns it. The end of the text, or a double quote, colon or
// backslash before the next number, returns 0 and leaves the cursor there.
int NextListNumber(QStringView list, qsizetype& cursor);
// The same walk for grid column widths: 64 at the end and for values below 2.
int NextColumnWidth(QStringView list, qsizetype& cursor);

// Exactly `width` characters: the text cut, characters below 32 made blanks,
// padded with blanks.
QString PadField(QStringView text, int width);
bool IsBlank(QStringView text);
void TrimRightSpaces(QString& text);
// Every occurrence, left to right, without rescanning the inserted text.
QString ReplaceAll(QStringView text, QStringView pattern, QStringView replacement);

// Adds or removes the numbered accelerator prefix "(&3) " of a recent-file
// menu caption; 10 and above use the letters from "A". A result shorter than 7
// characters is empty.
QString ToggleMenuAccel(QStringView caption, int index);

// The text between the first and the last double quote of a line: sets
// `start` (index after the first quote), cuts `line` at the last quote and
// returns 0. Without both quotes it tells the person and returns -1.
int ExtractQuoted(qsizetype& start, QString& line);

// A character that may stand in a mail address.
bool IsMailAddressChar(QStringView text, qsizetype position);

// Key filter of fixed-width number fields: a digit overwrites the character
// after the caret and moves the caret past it; backspace passes; every other
// key is swallowed. `key` becomes 0 when swallowed.
void DigitOverwriteKey(QString& text, qsizetype& caret, QChar& key);

// Keys typed with the kana input on count as the letters printed on them.
void KanaKeyToAscii(QChar& key);

// Rewrites a call-sign search in place ("?^\[;:],.+" -> "?", "*@" -> "*");
// true when it holds a wildcard and a letter or digit.
bool CallPatternFromInput(QString& pattern);
// Whole-text match: "*" any run, "?" any one character, case-sensitive.
bool WildcardMatch(QStringView text, QStringView pattern);
