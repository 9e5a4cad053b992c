#include "core/japanese_fonts.h"

#include <algorithm>

#include <QFont>
#include <QStringList>

void installJapaneseFontSubstitutes() {
    const QStringList mincho = {QStringLiteral("IPAMincho"), QStringLiteral("IPAexMincho")};
    const QStringList pMincho = {QStringLiteral("IPAPMincho"), QStringLiteral("IPAexMincho")};
    const QStringList gothic = {QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic")};
    const QStringList pGothic = {QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic")};
    const struct {
        const char16_t* name;
        const QStringList& faces;
    } table[] = {
        {u"ＭＳ 明朝", mincho},        {u"MS Mincho", mincho},     {u"ＭＳ Ｐ明朝", pMincho},
        {u"MS PMincho", pMincho},      {u"ＭＳ ゴシック", gothic}, {u"MS Gothic", gothic},
        {u"ＭＳ Ｐゴシック", pGothic}, {u"MS PGothic", pGothic},   {u"MS UI Gothic", pGothic},
        {u"メイリオ", pGothic},        {u"Meiryo", pGothic},       {u"Meiryo UI", pGothic},
        {u"游ゴシック", pGothic},      {u"Yu Gothic", pGothic},    {u"游明朝", pMincho},
        {u"Yu Mincho", pMincho},
    };
    for (const auto& entry : table)
        QFont::insertSubstitutions(QString::fromUtf16(entry.name), entry.faces);
}

QString defaultUiFontFamily() {
    return QStringLiteral("ＭＳ Ｐゴシック");
}

int fontStyleBits(const QFont& font) {
    return (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0) |
           (font.strikeOut() ? 8 : 0);
}

void setFontStyleBits(QFont& font, int bits) {
    font.setBold(bits & 1);
    font.setItalic(bits & 2);
    font.setUnderline(bits & 4);
    font.setStrikeOut(bits & 8);
}

QFont styledFont(const QString& face, int points, int bits) {
    QFont font(face);
    font.setPointSize(std::max(points, 1));
    setFontStyleBits(font, bits);
    return font;
}
