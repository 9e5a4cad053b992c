#pragma once
// How a line of a QSL definition is read: cut after its last quote, split at
// commas, numbers with the integer variables.

#include <QString>
#include <QStringList>

#include <array>

// The integer variables $$U ... $$Z.
using IntegerVariables = std::array<qint32, 6>;

// A command or condition line as it is read: everything after the last double
// quote cut off, tabs made blanks, the blanks after "#" or "?" skipped. The
// first character ("#" or "?") is kept.
QString normalizedLine(const QString& line);

// The operands of a command line: split at commas; an item starts after its
// leading blanks and ends at the next comma or control character; an item
// that starts with a double quote is a quoted string (two quotes inside stand
// for one). The first item still holds the command word.
QStringList splitOperands(QStringView text);

// A numeric operand: "$$U" (or "-$$U") plus the first integer literal of the
// item; without "$$" the first decimal or "0x" number, 268435455 when none.
qint32 EvalNumber(QStringView item, const IntegerVariables& variables);

// The index 0 ... 5 of the integer variable named after the first "$$" in
// the text (U ... Z), or -1.
int integerVariableIn(QStringView text);
// The index 0 ... 19 of a string variable letter (A ... T), or -1.
int stringVariableIndex(QChar letter);

// A colour in the definitions' 0x00BBGGRR order as an RGB value.
unsigned rgbOfColour(quint32 colour);
