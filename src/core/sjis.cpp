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

QString fromEucJp(QByteArrayView eucjp) {
    return platform::decode(platform::CodePage::EucJpMs, eucjp);
}

QString decodeUserText(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.sliced(3));
    bool nonAscii = false;
    if (isValidUtf8(bytes, nonAscii) && nonAscii) return QString::fromUtf8(bytes);
    return toUnicode(bytes);
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
    const QByteArray bytes = fromUnicode(text);
    if (bytes.size() <= maxBytes) return text.toString();
    return toUnicode(QByteArrayView(bytes).first(safeCut(bytes, maxBytes)));
}

QString midBytes(QStringView text, qsizetype start, qsizetype length) {
    const QByteArray bytes = fromUnicode(text);
    if (start < 0) start = 0;
    if (length <= 0 || start >= bytes.size()) return {};
    const qsizetype end = std::min(bytes.size(), start + length);
    qsizetype from = -1;
    qsizetype to = -1;
    forEachCharStart(bytes, [&](qsizetype s, qsizetype width) {
        if (from < 0 && s + width > start) from = s;
        if (from >= 0) {
            if (s + width > end) return false;
            to = s + width;
        }
        return true;
    });
    if (from < 0 || to <= from) return {};
    return toUnicode(QByteArrayView(bytes).sliced(from, to - from));
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
