// Shows one of the program's windows on a program folder, for looking at it
// (screenshots under Xvfb): window-preview --home DIR kankyo|rig|rig-chooser|option|about [check]

#include "core/app_paths.h"
#include "core/message_ports.h"
#include "core/msg_box.h"
#include "core/ui/app_setup.h"
#include "core/ui/gui_message_port.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "logdata/dbf_table.h"
#include "server/comm_session.h"
#include "server/httplib.h"
#include "server/novq_requests.h"
#include "server/ui/about_dialog.h"
#include "server/ui/option_dialog.h"
#include "settings/kankyo.h"
#include "settings/program_files.h"
#include "settings/ui/kankyo_dialog.h"
#include "settings/ui/rig_ant_dialog.h"

#include <QApplication>
#include <QTimer>

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
    WindowState places(settings);
    if (which == u"kankyo") {
        TSetQSL window(environment, settings);
        window.Load(true);
        return window.exec();
    }
    if (which == u"rig" || which == u"rig-chooser") {
        TForm11 window(places, programFiles(settings, paths).rigAnt, paths.programDir());
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
        THTTPDown http([&settings] { return httpOptionsFrom(settings); });
        TOptionF window({settings, http, environment, ProviderPresets::load()});
        window.LoadSettings();
        return window.exec();
    }
    if (which == u"about") {
        environment.load(settings, true);
        THTTPDown http([&settings] { return httpOptionsFrom(settings); });
        CommSettings stored;
        stored.load(settings);
        AboutInfo info;
        info.call = stored.call;
        info.programPath = QApplication::applicationFilePath();
        const ProgramFiles files = programFiles(settings, paths);
        info.qsoData = files.qsoData;
        info.receivedDir = files.receivedDir;
        info.sentDir = files.sentDir;
        info.recordCount = std::max(0, qsoRecordCount(info.qsoData));
        TAbForm window(info, http, environment.serverBase(), places, paths.programDir());
        // "about check": the first press too, to see its answer.
        if (arguments.value(1) == u"check")
            QTimer::singleShot(300, &window, [&window] { window.Speed1Click(); });
        return window.exec();
    }
    std::cerr << "usage: window-preview --home DIR kankyo|rig|rig-chooser|option|about [check]\n";
    return 2;
}
