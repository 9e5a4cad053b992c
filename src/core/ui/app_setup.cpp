#include "core/ui/app_setup.h"

#include "core/app_info.h"
#include "core/japanese_fonts.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

void setUpApplication(QApplication& application) {
    QApplication::setApplicationName(QStringLiteral("Sendvik"));
    QApplication::setApplicationDisplayName(app::title());
    auto* translator = new QTranslator(&application);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    installJapaneseFontSubstitutes();
    QFont uiFont(defaultUiFontFamily());
    uiFont.setPointSize(10);
    QApplication::setFont(uiFont);
}
