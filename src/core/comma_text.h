#pragma once
// Comma text: the one-line form of a string list used by the card lists, the
// rig/antenna data and the band statistic. An item holding a blank, a control
// character, a comma or a double quote is written in double quotes with inner
// quotes doubled; splitting gives the items back.

#include <QString>
#include <QStringList>
#include <QStringView>

QString commaTextJoin(const QStringList& items);

// Splits a comma text. Outside quotes, blanks and control characters also end
// an item (so "a b" is two items), as the files this program reads expect.
QStringList commaTextSplit(QStringView text);

// Quotes one item when it needs quoting.
QString commaTextQuote(const QString& item);
