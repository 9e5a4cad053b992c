#pragma once
// Whole-file reads and writes for the window tests (Qt Test programs, which
// do without the core tests' support library).

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

namespace gui_files {

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace gui_files
