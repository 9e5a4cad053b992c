#pragma once
// Paths written on Windows, as definitions and settings made there hold them
// ("sub\bg.jpg", "C:\Zelkov\bg.jpg", "\\server\share\bg.jpg"), found on this
// platform.

#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

// The existing file or folder a path names. A path that exists as written is
// taken as it is. Otherwise backslashes are separators; a relative path is
// looked for in each of `baseFolders` in turn; a path with a drive letter
// (or a network path) is looked for on Wine's drive of that letter, then
// with its leading folders taken off one by one in each base folder (a
// program folder copied from Windows keeps its layout below some folder).
// Names match without regard to case where the exact one is missing, as
// they do on Windows. Nothing when none exists, or for a drive or share
// itself ("C:\").
std::optional<QString> locateWindowsPath(const QString& path, const QStringList& baseFolders);

}  // namespace platform
