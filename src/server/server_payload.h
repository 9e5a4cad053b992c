#pragma once
// Cutting the payload out of the service server's HTML replies. The replies
// are EUC-JP; the program's text is Shift-JIS (CP932): EucToSjis converts,
// the cutting works on those bytes as the server's markers are ASCII.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// EUC-JP to Shift-JIS: two-byte characters by the JIS row/cell arithmetic,
// 0x8E + half-width katakana to the single byte, everything else copied.
QByteArray EucToSjis(QByteArrayView euc);

// Every line break (CR LF, lone LF, lone CR) as CR LF.
QByteArray normalizeLineBreaks(QByteArrayView text);

// The text after the first "<P>" (from the third character without one), at
// most 255 bytes, ended before "</P>"; empty without a "</P>".
QByteArray cutPPayload(QByteArrayView page);

// The text after the first "<PRE>", at most `maxBytes`, ended before the
// first "</PRE>" that stands after the first character.
QByteArray cutPrePayload(QByteArrayView page, qsizetype maxBytes);

// The registration status page as a message: line breaks dropped, "<BR>" as
// "\r", the paragraph's text (at most 4048 bytes) without its tags.
QByteArray registrationPageText(QByteArrayView page);

// A server reply as the program's text: EUC-JP to Shift-JIS, line breaks
// normalised, then decoded.
QByteArray serverText(QByteArrayView euc);
QString sjisText(QByteArrayView sjis);
