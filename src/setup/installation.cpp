#include "setup/installation.h"

#include "core/whole_file.h"
#include "setup/setup_registry.h"

#include <QDateTime>
#include <QDirIterator>
#include <QStandardPaths>
#include <QStorageInfo>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>

QString defaultInstallFolder() {
    return QDir::home().filePath(QStringLiteral("Zelkov")) + u'/';
}

PreviousInstallation readPreviousInstallation(const SetupRegistry& registry) {
    PreviousInstallation previous;
    previous.folder = defaultInstallFolder();
    const QString command = registry.value(kUninstallKey, QStringLiteral("UninstallString"));
    if (command.isEmpty()) return previous;
    previous.found = true;
    // The options: the first number after the "/r" that follows the path.
    const qsizetype pathEnd = command.startsWith(u'"') ? command.indexOf(u'"', 1) : 0;
    const qsizetype option = command.indexOf(QStringLiteral(" /"), std::max<qsizetype>(pathEnd, 0));
    if (option >= 0) {
        const QString rest = command.mid(option + 2).section(u' ', 1, 1);
        const int bits = rest.toInt();
        previous.options = bits < 2 ? (setup_option::StartMenu | setup_option::Desktop) : bits;
    }
    // The folder: up to the last "/" before the closing quote (or the first blank).
    QString path = command;
    if (path.startsWith(u'"'))
        path = path.mid(1, path.indexOf(u'"', 1) - 1);
    else
        path = path.section(u' ', 0, 0);
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash > 0) previous.folder = path.left(slash + 1);
    return previous;
}

void writeUninstallEntry(SetupRegistry& registry, const QString& folder, const QString& setupName,
                         int options) {
    registry.setValue(kUninstallKey, QStringLiteral("DisplayName"), kProgramTitle);
    registry.setValue(
        kUninstallKey, QStringLiteral("UninstallString"),
        u'"' + folder + setupName + QStringLiteral("\" /r ") + QString::number(options));
}

std::optional<QString> installFolderOf(const QString& typed, QString* message) {
    QString folder = typed.trimmed();
    if (!QDir::isAbsolutePath(folder) || folder.size() < 2) {
        if (message)
            *message =
                QStringLiteral("「%1」のように、ルートからの正しいパス名を指定してください。")
                    .arg(defaultInstallFolder().chopped(1));
        return std::nullopt;
    }
    folder = QDir::cleanPath(folder);
    if (!folder.endsWith(u'/')) folder += u'/';
    return folder;
}

QString freeSpaceQuestion(qint64 freeBytes) {
    if (freeBytes > 104857599) return {};
    return QStringLiteral(
               "指定されたドライブの残り容量が %1メガバイトしかありません。\r\r"
               "かまわずにインストールしますか？")
        .arg(freeBytes >> 20);
}

QString keepChangedQuestion(const QString& target) {
    return QStringLiteral("標準で付属するQSL定義ファイル、\r\r") + target +
           QStringLiteral(
               "\r\r・・・を修正したものが存在します。\rこれに上書きして元に戻しますが、"
               "やめておきますか？\r\r※ 標準で付属するQSL定義ファイルを修正して使う"
               "場合は、必ずファイル名を変えて保存してください。");
}

bool copyInstallEntry(const QString& setupFolder, const QString& folder, const InstallEntry& entry,
                      const std::function<bool(const QString& target)>& keepChanged) {
    const QString target = QDir(folder).filePath(entry.target);
    if (entry.target.isEmpty() || entry.target.contains(QStringLiteral("..")) ||
        QDir::isAbsolutePath(entry.target))
        return false;  // never outside the install folder
    if (entry.source.isEmpty()) {
        if (!QFileInfo::exists(target)) return true;
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
        return QFile::remove(target);
    }
    const QString source = QDir(setupFolder).filePath(entry.source);
    if (!QDir().mkpath(QFileInfo(target).absolutePath())) return false;
    const QFileInfo shipped(source);
    const QFileInfo installed(target);
    // Installed over itself (the installer run from its own folder): the
    // file is already what it should be; one whose source was put under
    // another name is installed already too.
    if (shipped.exists() && installed.exists() &&
        shipped.canonicalFilePath() == installed.canonicalFilePath())
        return true;
    if (!shipped.exists() && installed.exists() &&
        QFileInfo(setupFolder).canonicalFilePath() == QFileInfo(folder).canonicalFilePath())
        return true;
    if (shipped.suffix().compare(QStringLiteral("qsl"), Qt::CaseInsensitive) == 0 &&
        shipped.exists() && installed.exists() &&
        installed.lastModified() > shipped.lastModified() && keepChanged && keepChanged(target))
        return true;
    // Written whole beside the old file and put in its place in one step,
    // with the source's time and mode: nothing is removed before its
    // replacement is safely there, and an unchanged file reads as unchanged.
    return copyWholeFile(source, target, FileSync::ByCaller);
}

QString desktopEntry(const QString& name, const QString& target, const QString& folder,
                     const QString& arguments, const QString& icon) {
    QString exec = u'"' + target + u'"';
    if (!arguments.isEmpty()) exec += u' ' + arguments;
    QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=") + name +
                    QStringLiteral("\nExec=") + exec + QStringLiteral("\nPath=") + folder;
    if (!icon.isEmpty()) entry += QStringLiteral("\nIcon=") + icon;
    return entry + QStringLiteral("\nTerminal=false\nCategories=Network;HamRadio;\n");
}

namespace {

QString iconOf(const QString& folder) {
    const QString icon = QDir(folder).filePath(kIconName);
    return QFileInfo::exists(icon) ? icon : QString();
}

}  // namespace

ShortcutPlaces ShortcutPlaces::ofUser() {
    ShortcutPlaces p;
    p.programs = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    p.desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    p.startup = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                    .filePath(QStringLiteral("autostart"));
    return p;
}

namespace {

QString menuFolder(const ShortcutPlaces& places) {
    return QDir(places.programs).filePath(kProgramTitle);
}

bool writeShortcut(const QString& path, const QString& text) {
    if (!writeWholeFile(path, text.toUtf8())) return false;
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return true;
}

bool removeFile(const QString& path) {
    QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
    return QFile::remove(path) || !QFileInfo::exists(path);
}

}  // namespace

bool createShortcuts(const ShortcutPlaces& places, const InstallList& list, const QString& folder,
                     int options) {
    bool ok = true;
    const auto argumentsOf = [options](const GroupEntry& g) {
        if (g.arguments.size() > 1 && g.arguments[1] == u'/')
            return options & setup_option::ShortcutSwitch ? QStringLiteral("-S") : QString();
        return g.arguments;
    };
    if (options & setup_option::StartMenu) {
        QDir().mkpath(menuFolder(places));
        for (const GroupEntry& g : list.group) {
            const QString target = QDir(folder).filePath(g.target);
            if (!QFileInfo::exists(target)) continue;
            ok &= writeShortcut(
                QDir(menuFolder(places)).filePath(g.name + QStringLiteral(".desktop")),
                desktopEntry(g.name, target, folder, argumentsOf(g), iconOf(folder)));
        }
    }
    if ((options & setup_option::Desktop) && !list.group.empty()) {
        const GroupEntry& g = list.group.front();
        const QString target = QDir(folder).filePath(g.target);
        if (QFileInfo::exists(target)) {
            QDir().mkpath(places.desktop);
            ok &= writeShortcut(
                QDir(places.desktop).filePath(kProgramTitle + QStringLiteral(".desktop")),
                desktopEntry(kProgramTitle, target, folder, argumentsOf(g), iconOf(folder)));
        }
    }
    return ok;
}

qint64 freeBytesAt(const QString& folder) {
    QString existing = folder;
    while (!QFileInfo(existing).isDir() && existing.size() > 1)
        existing = QFileInfo(QDir::cleanPath(existing)).absolutePath();
    return QStorageInfo(existing).bytesAvailable();
}

std::optional<CopyModeRequest> copyModeRequestOf(const QString& text) {
    // The folder is the rest after the second "/", so that it may be a path.
    const qsizetype first = text.indexOf(u'/');
    const qsizetype second = first < 0 ? -1 : text.indexOf(u'/', first + 1);
    if (second < 0) return std::nullopt;
    CopyModeRequest r{text.left(first).trimmed(), text.mid(first + 1, second - first - 1).trimmed(),
                      text.mid(second + 1).trimmed()};
    if (r.name.isEmpty() || r.program.isEmpty() || r.folder.isEmpty() ||
        r.program.contains(QStringLiteral("..")))
        return std::nullopt;
    r.folder = QDir::cleanPath(QFileInfo(r.folder).absoluteFilePath()) + u'/';
    return r;
}

QStringList copyModeInstall(const QString& setupFolder, const InstallList& list,
                            const CopyModeRequest& request, const ShortcutPlaces& places) {
    QStringList errors;
    if (!QDir().mkpath(request.folder))
        return {request.folder + QStringLiteral(" のフォルダ作成に失敗しました。")};
    int copied = 0;
    for (const InstallEntry& e : list.files) {
        if (e.source.isEmpty()) continue;  // a deletion: nothing to copy
        if (++copied > 199) break;
        const QString source = QDir(setupFolder).filePath(e.target);
        if (!copyInstallEntry(setupFolder, request.folder, {e.target, e.target}, {})) {
            errors << QDir(request.folder).filePath(e.target) +
                          QStringLiteral(" にコピーできませんでした。");
            continue;
        }
        QFile::setPermissions(QDir(request.folder).filePath(e.target), QFile::permissions(source));
    }
    const QString program = QDir(request.folder).filePath(request.program);
    // No shortcut to a program that is not there.
    if (!QFileInfo(program).isFile()) {
        errors << program + QStringLiteral(" がありません。ショートカットは作りませんでした。");
        return errors;
    }
    QDir().mkpath(places.desktop);
    if (!writeShortcut(
            QDir(places.desktop).filePath(request.name + QStringLiteral(".desktop")),
            desktopEntry(request.name, program, request.folder, QString(), iconOf(request.folder))))
        errors << QDir(places.desktop).filePath(request.name + QStringLiteral(".desktop")) +
                      QStringLiteral(" が作れませんでした。");
    return errors;
}

QString leftFileQuestion(const QString& path) {
    QString text = path + QStringLiteral(" ←このファイルも削除していいですか？");
    if (QFileInfo(path).suffix().compare(QStringLiteral("zdb"), Qt::CaseInsensitive) == 0)
        text += QStringLiteral("（※QSOデータです！！）");
    return text;
}

UninstallResult uninstallFrom(const QString& folder, const QString& setupName,
                              SetupRegistry& registry, const ShortcutPlaces& places,
                              const std::function<DeleteAnswer(const QString& path)>& ask,
                              const std::function<void(const QString& failure)>& tell) {
    UninstallResult result;
    // A failure is told as it happens; the last message sums up.
    struct Told {
        QStringList& messages;
        const std::function<void(const QString&)>& tell;
        Told& operator<<(const QString& text) {
            messages << text;
            if (tell) tell(text);
            return *this;
        }
    } failures{result.messages, tell};
    registry.removeTree(kSettingsKey);
    const QDir dir(folder);
    const InstallList list = readInstallList(dir.filePath(setupName + QStringLiteral(".inf")));
    bool stopped = false;
    for (int i = static_cast<int>(list.files.size()) - 1; i >= 0 && !stopped; --i) {
        const InstallEntry& e = list.files[static_cast<size_t>(i)];
        if (e.source.isEmpty() || e.target.contains(QStringLiteral(".."))) continue;
        const QString path = dir.filePath(e.target);
        if (!QFileInfo::exists(path) || removeFile(path)) continue;
        if (i == 0) {
            failures << path + QStringLiteral(" の削除に失敗しました。") + kProgramTitle +
                            QStringLiteral(
                                " を終了して、もう一度アンインストールをやり直してください。");
            stopped = true;
        } else {
            failures
                << path + QStringLiteral(
                              "の削除に失敗しました。このファイルをスキップして処理を続行します。");
        }
    }
    if (!stopped) {
        removeFile(dir.filePath(setupName + QStringLiteral(".inf")));
        removeFile(dir.filePath(setupName));
        // What is left: asked for, file by file.
        bool all = false, cancelled = false;
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        QStringList files;
        while (it.hasNext())
            files << it.next();
        for (const QString& path : std::as_const(files)) {
            if (cancelled) break;
            if (QFileInfo(path).suffix().compare(QStringLiteral("gid"), Qt::CaseInsensitive) != 0 &&
                !all) {
                const DeleteAnswer answer = ask ? ask(path) : DeleteAnswer::No;
                if (answer == DeleteAnswer::Cancel) {
                    cancelled = true;
                    break;
                }
                if (answer == DeleteAnswer::No) continue;
                if (answer == DeleteAnswer::All) all = true;
            }
            if (!removeFile(path))
                failures << path + QStringLiteral(
                                       "の削除に失敗しました。このファイルをスキップして処理"
                                       "を続行します。");
        }
        // The folders, deepest first; one still holding a file stays.
        QStringList folders;
        QDirIterator dirs(folder, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (dirs.hasNext())
            folders << dirs.next();
        std::sort(folders.begin(), folders.end(),
                  [](const QString& a, const QString& b) { return a.size() > b.size(); });
        folders << QDir::cleanPath(folder);
        // A folder that holds what the person kept stays; an empty one that
        // cannot be removed is said, and ends the removal of folders.
        for (const QString& f : std::as_const(folders)) {
            if (!QDir(f).isEmpty() || QDir().rmdir(f)) continue;
            failures << QDir::toNativeSeparators(f) +
                            QStringLiteral(" - フォルダの削除に失敗しました");
            break;
        }
    }
    // The entry and the shortcuts go in any case.
    registry.removeTree(kUninstallKey);
    QDir(menuFolder(places)).removeRecursively();
    QFile::remove(QDir(places.desktop).filePath(kProgramTitle + QStringLiteral(".desktop")));
    QFile::remove(QDir(places.startup).filePath(kProgramTitle + QStringLiteral(".desktop")));
    // An uninstall entry that could not be forgotten is left behind too.
    const bool forgotten = registry.flush();
    result.everythingRemoved = forgotten && !QFileInfo::exists(folder);
    result.summary =
        !QFileInfo::exists(folder)
            ? kProgramTitle + QStringLiteral("は正常に削除されました。")
            : QDir::cleanPath(folder) +
                  QStringLiteral(" にはまだファイルが残っています。後で削除してください。");
    result.messages << result.summary;
    if (!forgotten) failures << QStringLiteral("アンインストール情報を削除できませんでした。");
    return result;
}

namespace {
const QString kUninstallStagePrefix = QStringLiteral("sendvik-uninstall-");
}  // namespace

std::optional<QString> stageUninstaller(const QString& setupPath, QString* error,
                                        const QString& parent) {
    QTemporaryDir stage(QDir(parent).filePath(kUninstallStagePrefix + QStringLiteral("XXXXXX")));
    if (!stage.isValid()) {
        if (error) *error = stage.errorString();
        return std::nullopt;
    }
    const QString copy = stage.filePath(QFileInfo(setupPath).fileName());
    if (!QFile::copy(setupPath, copy) ||
        !QFile::setPermissions(copy, QFile::permissions(setupPath))) {
        if (error) *error = copy;
        return std::nullopt;
    }
    stage.setAutoRemove(false);  // the copy removes it when it ends
    return copy;
}

QString uninstallerStageOf(const QString& program, const QString& parent) {
    const QString folder = QFileInfo(program).canonicalPath();
    if (QFileInfo(folder).path() != QDir(parent).canonicalPath()) return {};
    return QFileInfo(folder).fileName().startsWith(kUninstallStagePrefix) ? folder : QString();
}

SetupCommand setupCommandOf(const QStringList& arguments) {
    QString first = arguments.value(0);
    if (first.startsWith(u'/')) first = first.mid(1);  // "/V5.12" as "V5.12"
    if (first.compare(u"r", Qt::CaseInsensitive) == 0) return {SetupCommand::Uninstall, {}};
    if (first == u"x" && arguments.size() >= 2)
        return {SetupCommand::UninstallStaged, arguments[1]};
    return {SetupCommand::Install, first.startsWith(u'V') ? first.mid(1) : QString()};
}
