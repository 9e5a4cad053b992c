#include "settings/program_files.h"

#include "core/app_paths.h"
#include "core/mklink.h"
#include "core/zkw_ini.h"
#include "logdata/user_list.h"
#include "platform/windows_paths.h"
#include "settings/qsl_rig.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

struct Entry {
    const char16_t* key;
    const char16_t* defaultName;
};

Entry entryOf(ProgramFile which) {
    switch (which) {
        case ProgramFile::QsoData: return {u"QsoData", u"ZELKOV.mst"};
        case ProgramFile::UserList: return {u"UserList", u"UserList.usr"};
        case ProgramFile::ReceivedDir: return {u"RcvDir", u"受信"};
        case ProgramFile::SentDir: return {u"SntDir", u"送信"};
        case ProgramFile::MessageText: return {u"QslMsg", u"QslMessage.txt"};
        case ProgramFile::RigAnt: break;
    }
    return {u"RigAnt", nullptr};  // defaultRigAntPath
}

}  // namespace

ProgramFiles programFiles(const TZkwIni& settings, const AppPaths& paths) {
    const QString dir = paths.programDir();
    auto file = [&](ProgramFile which) {
        const Entry e = entryOf(which);
        const QString stored = settings.readString(u"Config", e.key, QString());
        if (!stored.isEmpty()) return programFilePath(stored, dir);
        return e.defaultName ? dir + QString::fromUtf16(e.defaultName) : defaultRigAntPath(dir);
    };
    ProgramFiles f;
    f.qsoData = file(ProgramFile::QsoData);
    f.userList = file(ProgramFile::UserList);
    // No list chosen and none at its usual place: the service decides, and
    // the program keeps the stations it confirmed.
    if (settings.readString(u"Config", u"UserList", QString()).isEmpty() &&
        !QFileInfo::exists(f.userList))
        f.userList = dir + QString::fromUtf16(kServiceUserListName);
    f.receivedDir = file(ProgramFile::ReceivedDir);
    f.sentDir = file(ProgramFile::SentDir);
    f.messageText = file(ProgramFile::MessageText);
    f.rigAnt = file(ProgramFile::RigAnt);
    return f;
}

QString programFilePath(const QString& stored, const QString& programDir) {
    const QString path = MakeAbsolutePath(stored, programDir);
    if (QFileInfo::exists(path)) return path;
    return platform::locateWindowsPath(stored, {programDir}).value_or(path);
}

void storeProgramFile(TZkwIni& settings, ProgramFile which, const QString& path,
                      const QString& programDir) {
    settings.writeString(u"Config", entryOf(which).key, MakeRelativePath(path, programDir));
}

void storeProgramFileValue(TZkwIni& settings, ProgramFile which, const QString& value) {
    settings.writeOrDelete(u"Config", entryOf(which).key, value);
}

QString DefinitionChoice::storedPath(const TZkwIni& settings, const QString& programDir) {
    return programFilePath(settings.readString(u"QslDef", u"mQSL", u".mQsl"_s), programDir);
}

void DefinitionChoice::choose(const QString& path) {
    settings_.writeString(u"QslDef", u"mQSL", path);
}
