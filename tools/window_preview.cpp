// Shows one of the program's windows on a program folder, for looking at it
// (screenshots under Xvfb): window-preview --home DIR kankyo|rig|rig-chooser|option

#include "core/app_paths.h"
#include "core/message_ports.h"
#include "core/msg_box.h"
#include "core/program_files.h"
#include "core/ui/app_setup.h"
#include "core/ui/gui_message_port.h"
#include "core/zkw_ini.h"
#include "server/httplib.h"
#include "settings/kankyo.h"
#include "settings/ui/kankyo_dialog.h"
#include "settings/ui/option_dialog.h"
#include "settings/ui/rig_ant_dialog.h"

#include <QApplication>

#include <iostream>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    setUpApplication(application);
    GuiMessagePort port;
    ScopedMessagePort installed(&port);
    QStringList arguments = QApplication::arguments().mid(1);
    const AppPaths paths = AppPaths::resolve(arguments, QApplication::applicationDirPath());
    takeHomeArgument(arguments);
    const QString which = arguments.value(0);
    TZkwIni settings(paths.settingsFile());
    EnvironmentSettings environment;
    if (which == u"kankyo") {
        TSetQSL window(environment, settings);
        window.Load(true);
        return window.exec();
    }
    if (which == u"rig" || which == u"rig-chooser") {
        TForm11 window(settings, programFiles(settings, paths).rigAnt, paths.programDir());
        if (which == u"rig-chooser")
            window.setChooser(
                QStringLiteral(
                    "No417      JM6YCN             26/11/25    00:09U  7.025     FT8       \r"
                    "Ken             4001      Fukuoka                     \r%Hakata%\r"),
                1);
        return window.exec();
    }
    if (which == u"option") {
        environment.load(settings, true);
        THTTPDown http;
        TOptionF window(settings, http, environment.serverBase(), ProviderPresets::load());
        window.LoadSettings();
        return window.exec();
    }
    std::cerr << "usage: window-preview --home DIR kankyo|rig|rig-chooser|option\n";
    return 2;
}
