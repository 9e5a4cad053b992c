#include "app/program_files.h"

#include "core/app_paths.h"
#include "core/mklink.h"
#include "core/zkw_ini.h"

ProgramFiles programFiles(const TZkwIni& settings, const AppPaths& paths) {
    const QString dir = paths.programDir();
    auto file = [&](const char16_t* key, const QString& def) {
        return MakeAbsolutePath(settings.readString(u"Config", key, def), dir);
    };
    ProgramFiles f;
    f.qsoData = file(u"QsoData", dir + QStringLiteral("ZELKOV.mst"));
    f.userList = file(u"UserList", dir + QStringLiteral("UserList.usr"));
    f.receivedDir = file(u"RcvDir", dir + QStringLiteral("受信"));
    f.sentDir = file(u"SntDir", dir + QStringLiteral("送信"));
    f.messageText = file(u"QslMsg", dir + QStringLiteral("QslMessage.txt"));
    f.rigAnt = file(u"RigAnt", dir + QStringLiteral("Rigant.dat"));
    return f;
}
