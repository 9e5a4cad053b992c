#pragma once
// The program's one text codec: code page 932 (Shift-JIS as Windows has it)
// at every file, mail and protocol boundary, Unicode inside. Where a length
// or a position is given in bytes, it counts the CP932 encoding.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace sjis {

QString toUnicode(QByteArrayView cp932);
QByteArray fromUnicode(QStringView text);

// EUC-JP (the service server's replies) to Unicode.
QString fromEucJp(QByteArrayView eucjp);

// ISO-2022-JP as real mail carries it: JIS X 0208 with the Windows (NEC and
// NEC-selected IBM) extensions and half-width katakana; a broken escape never
// stops the decoding.
QString fromIso2022Jp(QByteArrayView jis);
// ISO-2022-JP for outgoing mail; false when the text holds a character
// outside JIS X 0208 (the caller then uses UTF-8).
bool toIso2022Jp(QStringView text, QByteArray& out);

// Text in a named MIME charset ("iso-2022-jp", "Shift_JIS", "euc-jp",
// "utf-8", ...). Shift_JIS labels are read as CP932, their superset.
QString decodeCharset(QByteArrayView bytes, QByteArrayView charset);

// A file a person may have edited: UTF-8 when it starts with a byte-order
// mark or is valid UTF-8 holding non-ASCII bytes, otherwise CP932.
QString decodeUserText(QByteArrayView bytes);
// Whether bytes are valid UTF-8 holding non-ASCII bytes (a file written
// as UTF-8, not CP932).
bool looksLikeUtf8(QByteArrayView bytes);
// The written form of a text the program keeps in a file: CP932, or UTF-8
// with a byte-order mark when CP932 cannot hold it (decodeUserText reads both).
QByteArray encodeUserText(QStringView text);

// First byte of a double-byte character (0x81-0x9F, 0xE0-0xFC).
constexpr bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Whether every character of the text has a CP932 form.
bool fitsCp932(QStringView text);

// Length of the text in CP932 bytes.
qsizetype byteLength(QStringView text);

// The longest start of `bytes` of at most maxBytes that does not end in the
// middle of a double-byte character.
qsizetype safeCut(QByteArrayView bytes, qsizetype maxBytes);

// The longest start of the text whose CP932 form takes at most maxBytes. The
// cut and the next one work on the text itself, whole characters only: a
// character without a CP932 form stays as it is (counted as the "?" it is
// written as), a surrogate pair is never split.
QString leftBytes(QStringView text, qsizetype maxBytes);

// `length` bytes from byte `start` of the text's CP932 form, widened so that
// a double-byte character is taken as a whole or not at all: a start inside a
// character moves to the character's first byte, an end inside one drops it.
QString midBytes(QStringView text, qsizetype start, qsizetype length);

// Byte offset of the first occurrence of `needle` in `haystack` at or after
// `from`, matching only at character boundaries (never at a trail byte); -1
// when absent.
qsizetype find(QByteArrayView haystack, QByteArrayView needle, qsizetype from = 0);

}  // namespace sjis
