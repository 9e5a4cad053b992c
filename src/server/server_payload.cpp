#include "server/server_payload.h"

#include "core/sjis.h"

QByteArray EucToSjis(QByteArrayView euc) {
    QByteArray out;
    out.reserve(euc.size());
    for (qsizetype i = 0; i < euc.size(); ++i) {
        const auto b = static_cast<unsigned char>(euc[i]);
        if (b >= 0xA1 && b <= 0xFE && i + 1 < euc.size()) {
            const int row = b - 0x80;
            const int cell = static_cast<unsigned char>(euc[++i]) - 0x80;
            if (row < 33 || row > 126) continue;
            const int second = (row % 2 == 0) ? cell + 126 : (cell < 96 ? cell + 31 : cell + 32);
            const int first = row <= 94 ? ((row + 1) >> 1) + 112 : ((row + 1) >> 1) + 176;
            out.append(char(first & 0xFF));
            out.append(char(second & 0xFF));
        } else if (b == 0x8E && i + 1 < euc.size() &&
                   static_cast<unsigned char>(euc[i + 1]) >= 0xA1 &&
                   static_cast<unsigned char>(euc[i + 1]) <= 0xDF) {
            out.append(euc[++i]);
        } else {
            out.append(char(b));
        }
    }
    return out;
}

QByteArray normalizeLineBreaks(QByteArrayView text) {
    QByteArray out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out.append("\r\n");
        } else if (c == '\n') {
            out.append("\r\n");
        } else {
            out.append(c);
        }
    }
    return out;
}

namespace {

// Keeps a cut from splitting a double-byte character.
QByteArray leftBytes(QByteArrayView text, qsizetype n) {
    return text.first(sjis::safeCut(text, std::min(n, text.size()))).toByteArray();
}

}  // namespace

QByteArray cutPPayload(QByteArrayView page) {
    const qsizetype open = page.indexOf("<P>");
    const qsizetype start = open >= 0 ? open + 3 : 2;
    if (start >= page.size()) return {};
    const QByteArray text = leftBytes(page.sliced(start), 255);
    const qsizetype close = text.indexOf("</P>");
    return close >= 0 ? text.left(close) : QByteArray();
}

QByteArray cutPrePayload(QByteArrayView page, qsizetype maxBytes) {
    const qsizetype open = page.indexOf("<PRE>");
    const qsizetype start = open >= 0 ? open + 5 : 4;
    if (start >= page.size()) return {};
    QByteArray text = leftBytes(page.sliced(start), maxBytes);
    const qsizetype close = text.indexOf("</PRE>");
    if (close > 0) text.truncate(close);
    return text;
}

QByteArray registrationPageText(QByteArrayView page) {
    QByteArray text = page.toByteArray();
    text.replace("\r\n", "");
    text.replace("<BR>", "\r");
    const qsizetype open = text.indexOf("<P>");
    if (open > 0) text = leftBytes(QByteArrayView(text).sliced(open + 3), 4048);
    const qsizetype close = text.indexOf("</P>");
    if (close > 0) text.truncate(close);
    // Tags out, from each "<" to the next ">".
    for (;;) {
        const qsizetype lt = text.indexOf('<');
        const qsizetype gt = text.indexOf('>');
        if (lt < 0 || gt < 0 || gt < lt) break;
        text.remove(lt, gt - lt + 1);
    }
    return text;
}

QByteArray serverText(QByteArrayView euc) {
    return normalizeLineBreaks(EucToSjis(euc));
}

QString sjisText(QByteArrayView sjis) {
    return sjis::toUnicode(sjis);
}
