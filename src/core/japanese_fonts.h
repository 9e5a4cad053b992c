#pragma once
// The Windows Japanese font names that settings and card definitions use are
// mapped to the installed Japanese fonts, so cards and windows look the same
// everywhere.

#include <QString>

void installJapaneseFontSubstitutes();

// The face the program's windows use ("ＭＳ Ｐゴシック" through the mapping).
QString defaultUiFontFamily();
