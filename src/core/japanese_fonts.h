#pragma once
// The Windows Japanese font names that settings and card definitions use are
// mapped to the installed Japanese fonts, so cards and windows look the same
// everywhere.

#include <QFont>
#include <QString>

void installJapaneseFontSubstitutes();

// A font's style as settings and definitions keep it: bold 1, italic 2,
// underline 4, strike-out 8.
int fontStyleBits(const QFont& font);
void setFontStyleBits(QFont& font, int bits);
// A face at a size (at least 1 point) in a style.
QFont styledFont(const QString& face, int points, int bits);

// The face the program's windows use ("ＭＳ Ｐゴシック" through the mapping).
QString defaultUiFontFamily();
