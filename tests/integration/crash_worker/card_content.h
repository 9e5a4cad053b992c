#pragma once
// The content of a card the crash worker writes in a generation: a header
// that names both, then bytes that follow from them, of a length that
// changes with them. The tests compute it again to tell a whole copy.

#include <QByteArray>
#include <QString>

namespace crash_worker {

inline QByteArray cardContent(const QString& name, int g) {
    quint32 h = 2166136261u;
    for (const QChar c : name)
        h = (h ^ c.unicode()) * 16777619u;
    QByteArray out = "gen=" + QByteArray::number(g) + " name=" + name.toUtf8() + "\n";
    const qsizetype length = 3000 + (qsizetype(g) * 7919 + h % 50000) % 60000;
    out.reserve(length);
    quint32 x = quint32(g) * 2654435761u + h;
    while (out.size() < length) {
        x = x * 1103515245u + 12345u;
        out.append(char(x >> 24));
    }
    return out;
}

}  // namespace crash_worker
