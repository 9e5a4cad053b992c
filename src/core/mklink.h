#pragma once
// Folders and paths: the program folder, special folders, and the relative
// paths the settings store.

#include <QString>
#include <QStringView>

// Special folder identifiers the program asks for.
inline constexpr int kFolderPersonal = 5;  // the person's documents

// The path of a special folder ending in a separator; empty when unknown.
QString GetShellFolder(int folderId);

bool DirectoryExists(const QString& path);

// True for an empty path or one that ends in a separator.
bool EndsWithBackslash(QStringView path);

// An absolute path stays as it is ("/...", "C:...", "\\server..."); any other
// is taken inside the program folder (which ends in a separator).
QString MakeAbsolutePath(const QString& path, const QString& programDir);

// The inverse, for storing: a path inside the program folder is returned from
// the character after that folder; any other path unchanged.
QString MakeRelativePath(const QString& path, const QString& programDir);

// The folder a path lies in, with a trailing separator ("" for a bare name).
QString FolderOf(const QString& path);
