#include "core/comma_text.h"

namespace {

bool needsQuotes(QStringView item) {
    for (QChar c : item) {
        if (c.unicode() <= u' ' || c == u'"' || c == u',') return true;
    }
    return false;
}

bool isBlankOrControl(QChar c) {
    return c.unicode() <= u' ';
}

}  // namespace

QString commaTextQuote(const QString& item) {
    if (!needsQuotes(item)) return item;
    QString quoted = item;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString commaTextJoin(const QStringList& items) {
    if (items.size() == 1 && items.front().isEmpty()) return QStringLiteral("\"\"");
    QString out;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0) out += u',';
        out += commaTextQuote(items[i]);
    }
    return out;
}

QStringList commaTextSplit(QStringView text) {
    QStringList items;
    const qsizetype n = text.size();
    qsizetype p = 0;
    auto skipBlanks = [&] {
        while (p < n && isBlankOrControl(text[p]))
            ++p;
    };
    skipBlanks();
    while (p < n) {
        QString item;
        if (text[p] == u'"') {
            ++p;
            while (p < n) {
                if (text[p] == u'"') {
                    if (p + 1 < n && text[p + 1] == u'"') {
                        item += u'"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const qsizetype start = p;
            while (p < n && text[p].unicode() > u' ' && text[p] != u',')
                ++p;
            item = text.sliced(start, p - start).toString();
        }
        items.append(item);
        skipBlanks();
        if (p < n && text[p] == u',') {
            if (p + 1 == n) items.append(QString());
            ++p;
            skipBlanks();
        }
    }
    return items;
}
