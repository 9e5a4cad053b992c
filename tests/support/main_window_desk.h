#pragma once
// The desktop program's main window on a program folder, built as the entry
// builds it, for the window tests.

#include "app/main_state.h"
#include "app/ui/ml_qsl1.h"
#include "core/app_paths.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "render/qr_module.h"
#include "render/qsl_definition.h"
#include "server/comm_session.h"
#include "server/httplib.h"
#include "server/novq_requests.h"
#include "settings/kankyo.h"
#include "settings/program_files.h"

#include <QCoreApplication>
#include <QString>

#include <memory>

namespace testing_support {

struct MainWindowDesk {
    QString home;  // ends in a separator
    std::unique_ptr<TZkwIni> settings;
    std::unique_ptr<WindowState> places;
    MainState state;
    EnvironmentSettings environment;
    // As the entry makes it: the saved settings' CA file at each request.
    THTTPDown http{[this] { return settings ? httpOptionsFrom(*settings) : HttpOptions{}; }};
    // The QR-code module and the interpreter of the run, as the entry makes
    // them (the module from beside the program).
    QrModule qr;
    QslDefinition definition{&qr};
    std::unique_ptr<DefinitionChoice> definitionFile;
    std::unique_ptr<TZkvmQSL> window;

    explicit MainWindowDesk(QString folder) : home(std::move(folder)) {
        if (!home.endsWith(u'/')) home += u'/';
    }
    void start() {
        settings = std::make_unique<TZkwIni>(home + QStringLiteral("Sendvik.ini"));
        places = std::make_unique<WindowState>(*settings);
        definitionFile = std::make_unique<DefinitionChoice>(*settings, home);
        const CommSessionParts communication{*settings, http, environment, ProviderPresets::load()};
        window = std::make_unique<TZkvmQSL>(MainWindowParts{*settings, state, environment, *places,
                                                            communication, http, definition,
                                                            *definitionFile, AppPaths(home)});
        window->show();
        QCoreApplication::processEvents();  // the checks once shown
    }
    template <typename T>
    T* find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    void finish() {
        window->close();
        window->FormDestroy();
    }
};

}  // namespace testing_support
