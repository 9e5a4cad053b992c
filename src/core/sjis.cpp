#include "core/sjis.h"

#include "platform/codepage.h"

namespace sjis {
namespace {

// Offsets of every character start in a CP932 byte string, walking from the
// beginning: a lead byte followed by another byte makes one character.
template <typename F>
void forEachCharStart(QByteArrayView bytes, F f) {
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype width =
            isLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
        if (!f(i, width)) return;
        i += width;
    }
}

bool isValidUtf8(QByteArrayView b, bool& hasNonAscii) {
    hasNonAscii = false;
    qsizetype i = 0;
    while (i < b.size()) {
        const auto c = static_cast<unsigned char>(b[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        hasNonAscii = true;
        int n = 0;
        unsigned minimum = 0;
        unsigned cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            n = 1, minimum = 0x80, cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2, minimum = 0x800, cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3, minimum = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        for (int k = 1; k <= n; ++k) {
            if (i + k >= b.size()) return false;
            const auto t = static_cast<unsigned char>(b[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n + 1;
    }
    return true;
}

// Every whole character of the text (a surrogate pair is one) with its place
// in the text and in the text's CP932 form; a character without a CP932 form
// counts as the bytes it is written as.
template <typename F>
void forEachChar(QStringView text, F f) {
    qsizetype unit = 0;
    qsizetype byte = 0;
    while (unit < text.size()) {
        const qsizetype length = text[unit].isHighSurrogate() && unit + 1 < text.size() &&
                                         text[unit + 1].isLowSurrogate()
                                     ? 2
                                     : 1;
        const QStringView ch = text.sliced(unit, length);
        const qsizetype width = ch[0].unicode() < 0x80 ? 1 : fromUnicode(ch).size();
        if (!f(unit, length, byte, width)) return;
        unit += length;
        byte += width;
    }
}

}  // namespace

// ASCII reads the same in every code page here: most texts skip the converter.
QString toUnicode(QByteArrayView cp932) {
    for (char c : cp932)
        if (static_cast<unsigned char>(c) >= 0x80)
            return platform::decode(platform::CodePage::Cp932, cp932);
    return QString::fromLatin1(cp932);
}

QByteArray fromUnicode(QStringView text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80) return platform::encode(platform::CodePage::Cp932, text);
    return text.toLatin1();
}

bool fitsCp932(QStringView text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80) {
            QByteArray out;
            return platform::encodeExact(platform::CodePage::Cp932, text, out);
        }
    return true;
}

QString fromEucJp(QByteArrayView eucjp) {
    return platform::decode(platform::CodePage::EucJpMs, eucjp);
}

QString decodeUserText(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.sliced(3));
    if (looksLikeUtf8(bytes)) return QString::fromUtf8(bytes);
    return toUnicode(bytes);
}

bool looksLikeUtf8(QByteArrayView bytes) {
    bool nonAscii = false;
    return isValidUtf8(bytes, nonAscii) && nonAscii;
}

QByteArray encodeUserText(QStringView text) {
    if (fitsCp932(text)) return fromUnicode(text);
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString fromIso2022Jp(QByteArrayView jis) {
    // Each JIS pair becomes its Shift-JIS pair, read as CP932: that covers the
    // NEC row 13 and the NEC-selected IBM rows Windows mailers write. Katakana
    // become their single bytes.
    enum class Mode { Ascii, Kanji, Kana } mode = Mode::Ascii;
    QByteArray out;
    out.reserve(jis.size());
    for (qsizetype i = 0; i < jis.size(); ++i) {
        const auto c = static_cast<unsigned char>(jis[i]);
        if (c == 0x1B && i + 2 < jis.size()) {
            const char a = jis[i + 1];
            const char b = jis[i + 2];
            if (a == '$' && (b == 'B' || b == '@')) {
                mode = Mode::Kanji;
                i += 2;
                continue;
            }
            if (a == '(' && (b == 'B' || b == 'J')) {
                mode = Mode::Ascii;
                i += 2;
                continue;
            }
            if (a == '(' && b == 'I') {
                mode = Mode::Kana;
                i += 2;
                continue;
            }
        }
        if (c == '\r' || c == '\n') mode = Mode::Ascii;  // lines end in ASCII
        if (mode == Mode::Kanji && c >= 0x21 && c <= 0x7E && i + 1 < jis.size()) {
            const auto c2 = static_cast<unsigned char>(jis[++i]);
            const int s1 = ((c + 1) >> 1) + (c <= 0x5E ? 0x70 : 0xB0);
            const int s2 = c & 1 ? c2 + (c2 >= 0x60 ? 0x20 : 0x1F) : c2 + 0x7E;
            out += static_cast<char>(s1);
            out += static_cast<char>(s2);
        } else if (mode == Mode::Kana && c >= 0x21 && c <= 0x5F) {
            out += static_cast<char>(c | 0x80);
        } else {
            out += static_cast<char>(c);
        }
    }
    return toUnicode(out);
}

bool toIso2022Jp(QStringView text, QByteArray& out) {
    return platform::encodeExact(platform::CodePage::Iso2022Jp, text, out);
}

QString decodeCharset(QByteArrayView bytes, QByteArrayView charset) {
    const QByteArray name = charset.trimmed().toByteArray().toLower();
    if (name.startsWith("iso-2022-jp") || name == "csiso2022jp") {
        // Some senders label 8-bit text (UTF-8 or Shift_JIS) as ISO-2022-JP.
        for (char c : bytes)
            if (static_cast<unsigned char>(c) >= 0x80) return decodeUserText(bytes);
        return fromIso2022Jp(bytes);
    }
    if (name == "shift_jis" || name == "shift-jis" || name == "sjis" || name == "x-sjis" ||
        name == "ms_kanji" || name == "windows-31j" || name == "cp932" || name == "csshiftjis")
        return toUnicode(bytes);
    if (name == "euc-jp" || name == "x-euc-jp" || name == "eucjp" || name == "cseucpkdfmtjapanese")
        return fromEucJp(bytes);
    if (name.isEmpty() || name == "utf-8" || name == "utf8" || name == "us-ascii")
        return bytes.contains('\x1b') ? fromIso2022Jp(bytes) : decodeUserText(bytes);
    if (name == "iso-8859-1" || name == "latin1") return QString::fromLatin1(bytes);
    // Anything else: UTF-8 when it is, else the Japanese code page.
    return decodeUserText(bytes);
}

qsizetype byteLength(QStringView text) {
    qsizetype ascii = 0;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) return fromUnicode(text).size();
        ++ascii;
    }
    return ascii;
}

qsizetype safeCut(QByteArrayView bytes, qsizetype maxBytes) {
    if (maxBytes <= 0) return 0;
    if (bytes.size() <= maxBytes) return bytes.size();
    qsizetype cut = 0;
    forEachCharStart(bytes, [&](qsizetype start, qsizetype width) {
        if (start + width > maxBytes) return false;
        cut = start + width;
        return true;
    });
    return cut;
}

QString leftBytes(QStringView text, qsizetype maxBytes) {
    if (byteLength(text) <= maxBytes) return text.toString();
    qsizetype units = 0;
    forEachChar(text, [&](qsizetype unit, qsizetype length, qsizetype byte, qsizetype width) {
        if (byte + width > maxBytes) return false;
        units = unit + length;
        return true;
    });
    return text.first(units).toString();
}

QString midBytes(QStringView text, qsizetype start, qsizetype length) {
    if (start < 0) start = 0;
    if (length <= 0) return {};
    const qsizetype end = start + length;
    qsizetype from = -1;
    qsizetype to = -1;
    forEachChar(text, [&](qsizetype unit, qsizetype units, qsizetype byte, qsizetype width) {
        if (from < 0 && byte + width > start) from = unit;
        if (from >= 0) {
            if (byte + width > end) return false;
            to = unit + units;
        }
        return true;
    });
    if (from < 0 || to <= from) return {};
    return text.sliced(from, to - from).toString();
}

qsizetype find(QByteArrayView haystack, QByteArrayView needle, qsizetype from) {
    if (needle.isEmpty()) return from <= haystack.size() ? std::max<qsizetype>(from, 0) : -1;
    qsizetype found = -1;
    forEachCharStart(haystack, [&](qsizetype s, qsizetype) {
        if (s >= from && haystack.sliced(s).startsWith(needle)) {
            found = s;
            return false;
        }
        return true;
    });
    return found;
}

}  // namespace sjis
