#pragma once
// Conversion between Unicode and the legacy code pages the program's files,
// mail and server replies use. Only core/sjis calls this; everything else
// goes through that module.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace platform {

enum class CodePage {
    Cp932,     // Windows Shift-JIS with the NEC and IBM extensions
    EucJpMs,   // EUC-JP as Windows servers produce it (NEC/IBM extensions)
    Iso2022Jp  // 7-bit JIS, as Japanese mail carries text (JIS X 0208 only)
};

// Decodes bytes; a sequence the code page does not define becomes U+FFFD,
// so malformed input never stops the conversion.
QString decode(CodePage page, QByteArrayView bytes);

// Encodes text; a character the code page cannot hold becomes '?'.
QByteArray encode(CodePage page, QStringView text);

// Encodes text only when every character has a form in the code page.
bool encodeExact(CodePage page, QStringView text, QByteArray& out);

}  // namespace platform
