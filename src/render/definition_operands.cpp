#include "render/definition_operands.h"

#include "core/zk_dll5.h"

QString normalizedLine(const QString& line) {
    QString text = line;
    const qsizetype lastQuote = text.lastIndexOf(u'"');
    if (lastQuote >= 0) text.truncate(lastQuote + 1);
    text.replace(u'\t', u' ');
    if (text.isEmpty()) return text;
    qsizetype i = 1;
    while (i < text.size() && text[i] == u' ')
        ++i;
    return text.front() + text.mid(i);
}

QStringList splitOperands(QStringView text) {
    QStringList items;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (true) {
        while (i < n && text[i] == u' ')
            ++i;
        QString item;
        if (i < n && text[i] == u'"') {
            ++i;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
            while (i < n && text[i] != u',' && text[i] >= u' ')
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && text[i] != u',' && text[i] >= u' ')
                ++i;
            item = text.sliced(start, i - start).toString();
        }
        items.append(item);
        if (i < n && text[i] == u',') {
            ++i;
            continue;
        }
        break;
    }
    return items;
}

int integerVariableIn(QStringView text) {
    const qsizetype at = text.indexOf(u"$$");
    if (at < 0 || at + 2 >= text.size()) return -1;
    const QChar c = text[at + 2].toUpper();
    return c >= u'U' && c <= u'Z' ? c.unicode() - u'U' : -1;
}

int stringVariableIndex(QChar letter) {
    const QChar c = letter.toUpper();
    return c >= u'A' && c <= u'T' ? c.unicode() - u'A' : -1;
}

qint32 EvalNumber(QStringView item, const IntegerVariables& variables) {
    const qsizetype dollars = item.indexOf(u"$$");
    if (dollars < 0) return ParseNumberOrHex(item);
    qint64 value = 0;
    const int variable = integerVariableIn(item);
    if (variable >= 0) {
        value = variables[size_t(variable)];
        if (dollars > 0 && item[dollars - 1] == u'-') value = -value;
    }
    // The first integer literal of the item (a digit, or "-" and a digit).
    for (qsizetype i = 0; i < item.size(); ++i) {
        const bool digit = item[i].isDigit();
        const bool negative = item[i] == u'-' && i + 1 < item.size() && item[i + 1].isDigit();
        if (digit || negative) {
            value += StrToLong(item.sliced(i));
            break;
        }
    }
    return static_cast<qint32>(value);
}

unsigned rgbOfColour(quint32 colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}
