#include "core/ui/app_setup.h"

#include "core/japanese_fonts.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

void setUpApplication(QApplication& application) {
    // No display name: on X11 Qt would add it to every window title, which
    // already starts with the program's title.
    QApplication::setApplicationName(QStringLiteral("Sendvik"));
    auto* translator = new QTranslator(&application);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    installJapaneseFontSubstitutes();
    QFont uiFont(defaultUiFontFamily());
    uiFont.setPointSize(10);
    QApplication::setFont(uiFont);
}
