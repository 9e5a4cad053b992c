#include "core/mklink.h"

#include "platform/shell.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isSeparator(QChar c) {
    return c == u'/' || c == u'\\';
}

bool isAbsolute(QStringView path) {
    return (path.size() >= 2 && path[1] == u':') || path.startsWith(u"\\\\") ||
           path.startsWith(u'/');
}

}  // namespace

QString GetShellFolder(int folderId) {
    if (folderId != kFolderPersonal) return {};
    QString folder = platform::documentsFolder();
    if (folder.isEmpty()) return {};
    if (!EndsWithBackslash(folder)) folder += QDir::separator();
    return folder;
}

bool DirectoryExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool EndsWithBackslash(QStringView path) {
    return path.isEmpty() || isSeparator(path.back());
}

QString MakeAbsolutePath(const QString& path, const QString& programDir) {
    if (isAbsolute(path)) return path;
    return programDir + path;
}

// Only a path that starts with the program folder is made relative: a folder
// that merely contains the program folder's text elsewhere (a backup disk
// mirroring the home folder, say) is a different place.
QString MakeRelativePath(const QString& path, const QString& programDir) {
    if (!isAbsolute(path) || programDir.isEmpty()) return path;
    const Qt::CaseSensitivity cs =
        platform::pathsIgnoreCase() ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (path.startsWith(programDir, cs)) return path.mid(programDir.size());
    return path;
}

QString FolderOf(const QString& path) {
    qsizetype i = path.size();
    while (i > 0 && !isSeparator(path[i - 1]))
        --i;
    return path.left(i);
}
