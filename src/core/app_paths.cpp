#include "core/app_paths.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString withSeparator(QString dir) {
    dir = QDir::cleanPath(QDir(dir).absolutePath());
    if (!dir.endsWith(u'/')) dir += u'/';
    return QDir::toNativeSeparators(dir);
}

}  // namespace

QString takeHomeArgument(QStringList& arguments) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == u"--home" && i + 1 < arguments.size()) {
            QString dir = arguments[i + 1];
            arguments.remove(i, 2);
            return dir;
        }
        if (a.startsWith(u"--home=")) {
            QString dir = a.mid(7);
            arguments.removeAt(i);
            return dir;
        }
    }
    return {};
}

AppPaths AppPaths::resolve(const QStringList& arguments, const QString& executableDir) {
    AppPaths paths = locate(arguments, executableDir);
    QDir().mkpath(paths.programDir());
    return paths;
}

AppPaths AppPaths::locate(const QStringList& arguments, const QString& executableDir) {
    QStringList args = arguments;
    QString dir = takeHomeArgument(args);
    if (dir.isEmpty()) dir = qEnvironmentVariable("SENDVIK_HOME");
    if (dir.isEmpty() && !executableDir.isEmpty()) {
        const QFileInfo exe(executableDir);
        if (exe.isWritable() && QFileInfo::exists(QDir(executableDir).filePath(settingsFileName())))
            dir = executableDir;
    }
    if (dir.isEmpty()) dir = QDir::home().filePath(QStringLiteral("Zelkov"));
    return AppPaths(dir);
}

AppPaths::AppPaths(QString programDir) : programDir_(withSeparator(std::move(programDir))) {}

QString AppPaths::settingsFile() const {
    return programDir_ + settingsFileName();
}

bool AppPaths::usable() const {
    return QFileInfo(programDir_).isDir();
}
