#include "platform/windows_paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace platform {
namespace {

// Hostile paths stay cheap: at most this many folder levels are matched
// and this many entries of one folder compared.
constexpr int kMaxLevels = 32;
constexpr int kMaxEntries = 20000;

bool hasDriveLetter(const QString& path) {
    return path.size() >= 2 && path[1] == u':' && path[0].isLetter() && path[0].unicode() < 128;
}

// The entry of `folder` named `name` without regard to case.
std::optional<QString> entryIgnoringCase(const QString& folder, const QString& name) {
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (int n = 0; n < kMaxEntries && it.hasNext(); ++n) {
        it.next();
        if (it.fileName().compare(name, Qt::CaseInsensitive) == 0) return it.filePath();
    }
    return std::nullopt;
}

// An absolute native path as it exists, each level matched exactly or else
// without regard to case.
std::optional<QString> existing(const QString& absolute) {
    if (QFileInfo::exists(absolute)) return absolute;
    const QStringList parts = QDir::cleanPath(absolute).split(u'/', Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.size() > kMaxLevels) return std::nullopt;
    QString at = QStringLiteral("/");
    for (const QString& part : parts) {
        if (part == u"..") return std::nullopt;  // cleanPath leaves only leading ones
        const QString exact = QDir(at).filePath(part);
        if (QFileInfo::exists(exact)) {
            at = exact;
            continue;
        }
        const auto found = entryIgnoringCase(at, part);
        if (!found) return std::nullopt;
        at = *found;
    }
    return at;
}

QString wineDrive(QChar letter) {
    QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (prefix.isEmpty()) prefix = QDir::homePath() + QStringLiteral("/.wine");
    return prefix + QStringLiteral("/dosdevices/") + letter.toLower() + u':';
}

}  // namespace

std::optional<QString> locateWindowsPath(const QString& path, const QStringList& baseFolders) {
    if (path.isEmpty()) return std::nullopt;
    const bool relative =
        QDir::isRelativePath(path) && !hasDriveLetter(path) && !path.startsWith(u'\\');
    if (!relative && QFileInfo::exists(path)) return path;
    if (relative)
        for (const QString& base : baseFolders)
            if (QFileInfo::exists(QDir(base).filePath(path))) return QDir(base).filePath(path);

    QString written = path;
    written.replace(u'\\', u'/');
    QStringList candidates;
    if (hasDriveLetter(written) || written.startsWith(QStringLiteral("//"))) {
        // "C:/Zelkov/sub/bg.jpg" -> "Zelkov/sub/bg.jpg"; "//server/share/x" -> "x".
        QString rest = written.mid(2);
        if (!hasDriveLetter(written))
            rest = rest.section(u'/', 2, -1, QString::SectionSkipEmpty);
        else
            candidates << wineDrive(written[0]) + u'/' + rest;
        const QStringList parts = rest.split(u'/', Qt::SkipEmptyParts);
        if (parts.isEmpty()) return std::nullopt;  // a drive or share itself names no file
        for (qsizetype skip = 0; skip < parts.size() && skip < kMaxLevels; ++skip)
            for (const QString& base : baseFolders)
                candidates << QDir(base).filePath(parts.mid(skip).join(u'/'));
    } else if (written.startsWith(u'/')) {
        candidates << written;
    } else {
        for (const QString& base : baseFolders)
            candidates << QDir(base).filePath(written);
    }
    for (const QString& candidate : std::as_const(candidates)) {
        if (QDir::isRelativePath(candidate)) continue;
        if (auto found = existing(QDir::cleanPath(candidate))) return found;
    }
    return std::nullopt;
}

}  // namespace platform
