// The desktop program's entry: one copy per user, the library checks, the
// objects of the whole run, the main window (which makes its own windows in
// their order), the message loop, the end.

#include "app/main_state.h"
#include "app/startup_checks.h"
#include "app/ui/ml_qsl1.h"
#include "core/app_info.h"
#include "core/app_paths.h"
#include "core/file_dialogs.h"
#include "core/folder_lock.h"
#include "core/msg_box.h"
#include "core/ui/app_setup.h"
#include "core/ui/gui_file_dialogs.h"
#include "core/ui/gui_message_port.h"
#include "core/window_state.h"
#include "core/work_folder.h"
#include "core/zkw_ini.h"
#include "logdata/zelkov50.h"
#include "mail/n_mail.h"
#include "platform/single_instance.h"
#include "platform/termination.h"
#include "render/qr_module.h"
#include "render/qsl_definition.h"
#include "server/comm_session.h"
#include "server/httplib.h"
#include "server/novq_requests.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"
#include "settings/program_files.h"

#include <QApplication>
#include <QDir>

#include <iostream>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const bool ctrlHeld = QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;

    QStringList arguments = QApplication::arguments().mid(1);
    const AppPaths paths = AppPaths::resolve(arguments, QApplication::applicationDirPath());
    takeHomeArgument(arguments);

    platform::SingleInstance instance(QStringLiteral("TZkvmQSL"), paths.programDir());
    if (!instance.claim()) {
        // The running copy comes forward; the terminal says why this one ends.
        std::cerr << QStringLiteral(
                         "ZELKOV E-Mail QSL はこのフォルダで既に起動しています（%1）。"
                         "起動中のウインドウを前面に出しました。")
                         .arg(QDir::toNativeSeparators(paths.programDir()))
                         .toStdString()
                  << std::endl;
        return 0;
    }

    setUpApplication(application);
    platform::quitOnTerminationSignals(&application);
    GuiMessagePort messagePort;
    ScopedMessagePort installed(&messagePort);
    GuiFileDialogPort filePort;
    ScopedFileDialogPort installedFiles(&filePort);

    // The folder is this run's while it runs: a command that sends,
    // receives or writes marks on it waits for the program to end.
    FolderLock folderLock(paths.programDir());
    if (const auto busy = folderLock.take()) {
        std::cerr << busy->toStdString() << std::endl;
        ShowMsgBox(nullptr, *busy, app::title(), mb::Ok | mb::IconStop);
        return 1;
    }

    removeAbandonedWorkFolders();  // what killed runs left in the temporary folder
    TZkwIni settings(paths.settingsFile());
    app::useServerBasesOf(settings);
    if (const auto old = libraryVersionMessage(GetZkdllVersion(), NMailGetVersion())) {
        ShowMsgBox(nullptr, *old, app::title(), mb::Ok | mb::IconStop);
        return 1;
    }

    MainState state;
    state.skipTimeZoneCheck = skipsTimeZoneCheck(arguments);
    EnvironmentSettings environment;
    WindowState places(settings);
    // The one client of the service's server: a CA file saved in the
    // communication settings counts from the next request on.
    THTTPDown http([&settings] { return httpOptionsFrom(settings); });
    const CommSessionParts communication{
        settings, http, environment,
        ProviderPresets::load(QDir(paths.programDir()).filePath(u"Providers.txt"_s))};
    // The definition language's state lives for the whole run; the QR-code
    // module is loaded with it.
    QrModule qrModule;
    QslDefinition definition(&qrModule);
    DefinitionChoice definitionFile(settings, paths.programDir());

    TZkvmQSL mainWindow({settings, state, environment, places, communication, http, definition,
                         definitionFile, paths, ctrlHeld});
    QObject::connect(&instance, &platform::SingleInstance::activationRequested, &mainWindow,
                     [&mainWindow] {
                         if (mainWindow.isMinimized()) mainWindow.showNormal();
                         mainWindow.raise();
                         mainWindow.activateWindow();
                     });
    mainWindow.show();
    const int rc = QApplication::exec();
    // The session ending (or a termination signal) closes the window as the
    // person would, so that its state is saved.
    mainWindow.close();
    mainWindow.FormDestroy();
    return rc;
}
