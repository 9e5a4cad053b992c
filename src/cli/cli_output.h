#pragma once
// Output of the command-line program: UTF-8 text, one value a line.

#include <QString>

#include <ostream>

inline void printLine(std::ostream& out, const QString& text) {
    out << text.toStdString() << '\n';
}
