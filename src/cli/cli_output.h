#pragma once
// Output of the command-line program: UTF-8 text, one value a line.

#include <QDir>
#include <QString>

#include <ostream>

inline void printLine(std::ostream& out, const QString& text) {
    out << text.toStdString() << '\n';
}

// A message of the windows (lines broken with "\r") as one line of the
// terminal: a bare "\r" would send the cursor back over the line's start.
inline QString oneLine(const QString& text) {
    QString line;
    bool broken = false;
    for (QChar c : text) {
        if (c == u'\r' || c == u'\n') {
            broken = true;
            continue;
        }
        if (broken && !line.isEmpty() && !line.back().isSpace()) line += u' ';
        broken = false;
        line += c;
    }
    return line;
}

// A path as the person's system writes it.
inline QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}
