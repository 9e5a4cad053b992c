#pragma once
// The installer's decisions without its wizard: where the earlier
// installation went and with which options, the install folder the person
// typed, the free-space question, copying one entry of the file list (with
// the question for a standard definition the person changed), the
// uninstall entry, and the menu and desktop shortcuts as freedesktop
// entries.

#include "setup/install_list.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class SetupRegistry;

namespace setup_option {
inline constexpr int StartMenu = 2;
inline constexpr int Desktop = 4;
inline constexpr int ShortcutSwitch = 8;  // "-S" for a target whose arguments start "?/"
}  // namespace setup_option

inline const QString kProgramTitle = QStringLiteral("ZELKOV E-Mail QSL");

struct PreviousInstallation {
    bool found = false;
    QString folder;  // ends in "/"
    int options = setup_option::StartMenu | setup_option::Desktop;
};

// The home folder's "Zelkov/".
QString defaultInstallFolder();
// The earlier installation of the uninstall entry ("\"folder/sendvik-setup\" /r 6").
PreviousInstallation readPreviousInstallation(const SetupRegistry& registry);
// The uninstall entry of an installation.
void writeUninstallEntry(SetupRegistry& registry, const QString& folder, const QString& setupName,
                         int options);

// The folder typed on the first page: an absolute path, ending in "/";
// nothing (with `message`) when it is not one.
std::optional<QString> installFolderOf(const QString& typed, QString* message);
// The question when the folder's file system has 100 MiB or less free;
// empty when there is room.
QString freeSpaceQuestion(qint64 freeBytes);
// The free bytes where `folder` would go (its nearest existing parent).
qint64 freeBytesAt(const QString& folder);

// Copies (or, for an empty source, deletes) one entry into `folder`. A
// standard definition (".qsl") the person changed since (newer than the
// shipped one) is kept when `keepChanged` says so. False when the copy
// failed.
bool copyInstallEntry(const QString& setupFolder, const QString& folder, const InstallEntry& entry,
                      const std::function<bool(const QString& target)>& keepChanged);
QString keepChangedQuestion(const QString& target);

// A freedesktop shortcut to `target` (working folder `folder`), with the
// program's icon when one is given.
QString desktopEntry(const QString& name, const QString& target, const QString& folder,
                     const QString& arguments, const QString& icon = {});
// The icon an installation ships beside its programs.
inline const QString kIconName = QStringLiteral("sendvik.svg");

// Where shortcuts go: the menu's applications folder (a "ZELKOV E-Mail QSL"
// folder in it), the desktop, the programs started at login.
struct ShortcutPlaces {
    QString programs;
    QString desktop;
    QString startup;
    static ShortcutPlaces ofUser();
};

// Makes the chosen shortcuts of an installation (only to targets that
// exist); false when one could not be written.
bool createShortcuts(const ShortcutPlaces& places, const InstallList& list, const QString& folder,
                     int options);

// The silent copy of the command line "c name/program/folder": every file
// the list installs, copied by its target name from the setup folder into
// the folder (at most 199), and a desktop shortcut "name" to its program.
struct CopyModeRequest {
    QString name;
    QString program;
    QString folder;  // absolute, ends in "/"
};
// The request of the text after "c "; nothing when a part is missing.
std::optional<CopyModeRequest> copyModeRequestOf(const QString& text);
// What could not be copied or made, one line each; empty when all went.
QStringList copyModeInstall(const QString& setupFolder, const InstallList& list,
                            const CopyModeRequest& request, const ShortcutPlaces& places);

// The answers to "削除の確認".
enum class DeleteAnswer { Yes, All, No, Cancel };

struct UninstallResult {
    bool everythingRemoved = false;
    QStringList messages;  // what the person was told, in order
    QString summary;       // the last word: all gone, or what is left
};

// The second stage of an uninstall: the program's settings key, the
// installed files in reverse order (the first one failing stops it all),
// the file list and the setup program, then whatever is left in the folder
// after asking for each file ("すべて削除" asks no more, Cancel deletes no
// more files), the folders, the uninstall entry and the shortcuts. Each
// failure is given to `tell` as it happens.
UninstallResult uninstallFrom(const QString& folder, const QString& setupName,
                              SetupRegistry& registry, const ShortcutPlaces& places,
                              const std::function<DeleteAnswer(const QString& path)>& ask,
                              const std::function<void(const QString& failure)>& tell = {});
// The question for a file left in the folder.
QString leftFileQuestion(const QString& path);

// The uninstall's second stage runs from a copy outside the folder it
// empties: in a private folder of its own (mode 0700) under `parent`. The
// copy's path, or nothing with the reason.
std::optional<QString> stageUninstaller(const QString& setupPath, QString* error,
                                        const QString& parent = QDir::tempPath());
// The private folder a staged copy runs from (removed when it ends); empty
// when `program` is no staged copy.
QString uninstallerStageOf(const QString& program, const QString& parent = QDir::tempPath());

// What the installer's command line asks for (a leading "/" is skipped from
// the first argument): "r" uninstalls, "x PATH" is the uninstall's second
// stage, "V" + text installs with that version text, anything else installs.
struct SetupCommand {
    enum Action { Install, Uninstall, UninstallStaged } action = Install;
    QString argument;  // the version text, or the installed setup's path
};
SetupCommand setupCommandOf(const QStringList& arguments);
