// The desktop program's entry: one copy per user, the library checks, the
// windows of the whole run in their order, the message loop, the end.

#include "app/main_state.h"
#include "app/startup_checks.h"
#include "app/ui/ml_qsl1.h"
#include "core/app_info.h"
#include "core/app_paths.h"
#include "core/file_dialogs.h"
#include "core/msg_box.h"
#include "core/ui/app_setup.h"
#include "core/ui/gui_file_dialogs.h"
#include "core/ui/gui_message_port.h"
#include "core/zkw_ini.h"
#include "logdata/zelkov50.h"
#include "mail/n_mail.h"
#include "platform/single_instance.h"
#include "platform/termination.h"
#include "render/qr_module.h"
#include "render/qsl_definition.h"
#include "render/ui/view_bmp.h"
#include "render/ui/view_jpg.h"
#include "server/httplib.h"
#include "server/ui/about_dialog.h"
#include "server/ui/option_dialog.h"
#include "settings/kankyo.h"
#include "settings/ui/kankyo_dialog.h"

#include <QApplication>
#include <QDir>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const bool ctrlHeld = QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;

    QStringList arguments = QApplication::arguments().mid(1);
    const AppPaths paths = AppPaths::resolve(arguments, QApplication::applicationDirPath());
    takeHomeArgument(arguments);

    platform::SingleInstance instance(QStringLiteral("TZkvmQSL"));
    if (!instance.claim()) return 0;  // the running copy comes forward

    setUpApplication(application);
    platform::quitOnTerminationSignals(&application);
    GuiMessagePort messagePort;
    ScopedMessagePort installed(&messagePort);
    GuiFileDialogPort filePort;
    ScopedFileDialogPort installedFiles(&filePort);

    TZkwIni settings(paths.settingsFile());
    if (const auto old = libraryVersionMessage(GetZkdllVersion(), NMailGetVersion())) {
        ShowMsgBox(nullptr, *old, app::title(), mb::Ok | mb::IconStop);
        return 1;
    }

    MainState state;
    state.skipTimeZoneCheck = skipsTimeZoneCheck(arguments);
    EnvironmentSettings environment;

    TZkvmQSL mainWindow(settings, state, environment, paths);
    mainWindow.setCtrlHeldAtStart(ctrlHeld);
    TForm3 cardPreview(settings, &mainWindow);
    TFormJP cardViewer(settings, state, &mainWindow);
    TSetQSL environmentWindow(environment, settings, &mainWindow);
    mainWindow.setEnvironmentWindow(&environmentWindow);
    // The one client of the service's server, and the communication settings.
    THTTPDown http;
    THTTPDown::setCaFile(settings.readString(u"Option", u"CaFile", QString()));
    mainWindow.setHttpClient(&http);
    TOptionF communicationWindow(
        settings, http, environment.serverBase(),
        ProviderPresets::load(QDir(paths.programDir()).filePath(u"Providers.txt"_s)), &mainWindow);
    QObject::connect(&communicationWindow, &TOptionF::callSignChanged, &mainWindow,
                     &TZkvmQSL::setOwnCall);
    mainWindow.setCommunicationSettingsCommand([&] {
        communicationWindow.setServerBase(environment.serverBase());
        communicationWindow.LoadSettings();
        communicationWindow.exec();
    });
    mainWindow.setAboutCommand([&] {
        AboutInfo info;
        info.call = settings.readString(u"Option", u"Calls", QString());
        info.libraryDate = GetDll__Date();
        info.programPath = QCoreApplication::applicationFilePath();
        info.qsoData = state.qsoData;
        info.recordCount = logRecordCount(state.qsoData);
        info.userListEdition = state.userEdition;
        info.receivedDir = state.receivedDir;
        info.sentDir = state.sentDir;
        TAbForm about(info, http, environment.serverBase(), settings, paths.programDir(),
                      &mainWindow);
        // A started installer replaces the program: it ends.
        if (about.exec() == TAbForm::kInstallerStarted) mainWindow.close();
    });
    // The definition language's state lives for the whole run; the QR-code
    // module is loaded with it.
    QrModule qrModule;
    QslDefinition definition(&qrModule);
    mainWindow.setCardWindows(&cardPreview, &cardViewer, &definition);

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
