#pragma once
// Windows name their controls as the program's handlers and tests know them.

#include <QObject>
#include <QString>

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
