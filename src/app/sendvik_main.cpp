// The desktop program's entry.

#include "core/app_info.h"
#include "core/app_paths.h"
#include "core/msg_box.h"
#include "core/ui/app_setup.h"
#include "core/ui/gui_message_port.h"
#include "core/ui/ml_qsl1.h"
#include "core/zkw_ini.h"
#include "platform/termination.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);

    setUpApplication(application);
    platform::quitOnTerminationSignals(&application);

    GuiMessagePort messagePort;
    ScopedMessagePort installed(&messagePort);

    const AppPaths paths =
        AppPaths::resolve(QApplication::arguments().mid(1), QApplication::applicationDirPath());
    TZkwIni settings(paths.settingsFile());

    TZkvmQSL mainWindow(settings);
    mainWindow.show();
    const int rc = QApplication::exec();
    settings.flush();
    return rc;
}
