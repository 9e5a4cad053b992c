#pragma once
// The font dialog as the program's users need it: the fonts that write
// Japanese, a Japanese sample, and the font in use chosen at the start even
// when it is known by its Windows name ("ＭＳ 明朝") and drawn with a font
// standing in for it.

#include <QFont>
#include <QString>

#include <optional>

class QWidget;

// The font chosen, or nothing when the dialog was cancelled. A choice of the
// very font that stood in for the one in use keeps the name in use.
std::optional<QFont> chooseFont(QWidget* parent, const QFont& current, const QString& title);
