#include "core/zk_dll5.h"

#include "core/app_info.h"
#include "core/msg_box.h"

#include <QLocale>

#include <cmath>
#include <limits>
#include <vector>

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool isHexDigit(QChar c) {
    return isDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool isAsciiAlnum(QChar c) {
    return isDigit(c) || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

}  // namespace

int RoundHalfAway(double x) {
    return static_cast<int>(std::round(x));
}

QString FormatThousands(qint64 n) {
    return QLocale(QLocale::Japanese, QLocale::Japan).toString(n);
}

int StrToLong(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    qint64 value = 0;
    constexpr qint64 limit = qint64{std::numeric_limits<int>::max()} + 1;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > limit) value = limit;
    }
    if (negative) return static_cast<int>(-value);
    return static_cast<int>(std::min<qint64>(value, std::numeric_limits<int>::max()));
}

int ParseNumberOrHex(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() <= 8) return kNoNumber;
        if (c == u'0' && i + 1 < text.size() && text[i + 1] == u'x') {
            qsizetype j = i + 2;
            while (j < text.size() && j < i + 10 && isHexDigit(text[j]))
                ++j;
            if (j == i + 2) return kNoNumber;
            bool ok = false;
            const uint v = text.sliced(i + 2, j - i - 2).toUInt(&ok, 16);
            return ok ? static_cast<int>(v) : kNoNumber;
        }
        if (isDigit(c) || (c == u'-' && i + 1 < text.size() && isDigit(text[i + 1])))
            return StrToLong(text.sliced(i));
    }
    return kNoNumber;
}

int NextListNumber(QStringView list, qsizetype& cursor) {
    const qsizetype n = list.size();
    qsizetype i = cursor;
    if (i >= n) return 0;
    ++i;  // the current number's first character
    while (i < n && (isDigit(list[i]) || list[i] == u'-'))
        ++i;
    while (i < n && !isDigit(list[i]) && list[i] != u'-') {
        if (list[i] == u'"' || list[i] == u':' || list[i] == u'\\') break;
        ++i;
    }
    cursor = i;
    if (i >= n || !(isDigit(list[i]) || list[i] == u'-')) return 0;
    return StrToLong(list.sliced(i));
}

int NextColumnWidth(QStringView list, qsizetype& cursor) {
    const int v = NextListNumber(list, cursor);
    return v < 2 ? 64 : v;
}

QString PadField(QStringView text, int width) {
    if (width <= 0) return {};
    QString out = text.first(std::min<qsizetype>(text.size(), width)).toString();
    for (QChar& c : out)
        if (c.unicode() < 32) c = u' ';
    return out.leftJustified(width, u' ');
}

bool IsBlank(QStringView text) {
    for (QChar c : text)
        if (c != u' ') return false;
    return true;
}

void TrimRightSpaces(QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    text.truncate(end);
}

QString ReplaceAll(QStringView text, QStringView pattern, QStringView replacement) {
    if (pattern.isEmpty()) return text.toString();
    QString out;
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(pattern, from)) >= 0; from = at + pattern.size()) {
        out += text.sliced(from, at - from);
        out += replacement;
    }
    out += text.sliced(from);
    return out;
}

QString ToggleMenuAccel(QStringView caption, int index) {
    QString result;
    if (caption.size() >= 2 && caption[1] == u'&') {
        result = caption.size() > 5 ? caption.sliced(5).toString() : QString();
    } else {
        const QChar mark = index < 10 ? QChar(u'0' + index) : QChar(u'A' + (index - 10));
        result = QStringLiteral("(&") + mark + QStringLiteral(") ") + caption.toString();
    }
    return result.size() < 7 ? QString() : result;
}

int ExtractQuoted(qsizetype& start, QString& line) {
    const qsizetype first = line.indexOf(u'"');
    const qsizetype last = line.lastIndexOf(u'"');
    if (first >= 0 && last > first) {
        line.truncate(last);
        start = first + 1;
        return 0;
    }
    ShowMsgBox(nullptr, QStringLiteral(" \" がありません"), line.left(260), mb::Ok | mb::IconStop);
    return -1;
}

bool IsMailAddressChar(QStringView text, qsizetype position) {
    if (position < 0 || position >= text.size()) return false;
    const QChar c = text[position];
    return isAsciiAlnum(c) || c == u'-' || c == u'.' || c == u'@' || c == u'_';
}

void DigitOverwriteKey(QString& text, qsizetype& caret, QChar& key) {
    if (key == QChar(8)) return;
    if (isDigit(key)) {
        const qsizetype at = std::clamp<qsizetype>(caret, 0, text.size());
        if (at < text.size()) text.remove(at, 1);
        text.insert(at, key);
        caret = at + 1;
    }
    key = QChar(0);
}

void KanaKeyToAscii(QChar& key) {
    // Half-width katakana (CP932 bytes 0xA1-0xDF are U+FF61-U+FF9F) in the
    // order of the letters they share a key with.
    static const unsigned char kKana[] = {
        0xC1, 0xBA, 0xBF, 0xBC, 0xB2, 0xCA, 0xB7, 0xB8, 0xC6, 0xCF, 0xC9, 0xD8,
        0xD3, 0xD0, 0xD7, 0xBE, 0xC0, 0xBD, 0xC4, 0xB6, 0xC5, 0xCB, 0xC3, 0xBB,
        0xDD, 0xC2, 0xC7, 0xCC, 0xB1, 0xB3, 0xB4, 0xB5, 0xD4, 0xD5, 0xD6, 0xDC,
        0xD9, 0xDA, 0xCE, 0xD2, 0xDE, 0xB0, 0xCD, 0xDF, 0xD1, 0xDB, 0xC8, 0xB9};
    static const char kAscii[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890.+-/@\\^[]\\,:";
    const char16_t u = key.unicode();
    if (u >= 0xFF61 && u <= 0xFF9F) {
        const unsigned char b = static_cast<unsigned char>(u - 0xFF61 + 0xA1);
        for (size_t i = 0; i < std::size(kKana); ++i) {
            if (kKana[i] == b) {
                key = QChar(static_cast<char16_t>(kAscii[i]));
                return;
            }
        }
        return;
    }
    if (u >= u'a' && u <= u'z') key = QChar(static_cast<char16_t>(u - u'a' + u'A'));
}

bool CallPatternFromInput(QString& pattern) {
    bool wildcard = false;
    bool alnum = false;
    for (QChar& c : pattern) {
        if (QStringView(u"?^\\[;:],.+").contains(c)) {
            c = u'?';
            wildcard = true;
        } else if (c == u'*' || c == u'@') {
            c = u'*';
            wildcard = true;
        } else if (isAsciiAlnum(c)) {
            alnum = true;
        }
    }
    return wildcard && alnum;
}

// Iterative matching with one remembered star: on a mismatch the last "*"
// takes one more character. Linear in practice, never exponential.
bool WildcardMatch(QStringView text, QStringView pattern) {
    qsizetype t = 0;
    qsizetype p = 0;
    qsizetype starP = -1;
    qsizetype starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == text[t])) {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starT = t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}
