#pragma once
// A downloaded new version as a setup archive (a gzip-compressed tar of the
// setup folder: sendvik-setup, its file list, the programs): recognised by
// its content, unpacked into a private folder, and the installer in it
// found. The archive comes from the network and is taken as hostile: only
// plain files and folders, no name leaving the folder, bounded counts and
// sizes.

#include <QDir>
#include <QString>

#include <cstdint>

struct SetupArchiveLimits {
    int maxEntries = 2000;
    std::int64_t maxFileBytes = 256LL << 20;
    std::int64_t maxTotalBytes = 1LL << 30;
};

// The installer's name in a setup folder.
inline const QString kSetupProgramName = QStringLiteral("sendvik-setup");

// Whether the file starts as a gzip stream (the setup archive's form).
bool isSetupArchive(const QString& path);

struct UnpackedSetup {
    QString setupProgram;  // the unpacked sendvik-setup; empty on failure
    QString error;         // what is wrong, naming the archive and the entry
};

// Unpacks `archive` into the existing, empty `folder`. The installer is
// looked for at the archive's top or in its one top folder.
UnpackedSetup unpackSetupArchive(const QString& archive, const QString& folder,
                                 const SetupArchiveLimits& limits = {});

// Unpacks the archive into a new private folder under `parent` (readable by
// this user only) and starts its installer there. The installer's path when
// it was started, else the error (and the folder is gone again).
UnpackedSetup startSetupFromArchive(const QString& archive,
                                    const QString& parent = QDir::tempPath());

// The private folder of startSetupFromArchive that holds `setupProgram`
// (under `parent`); empty when the program lies elsewhere.
QString updateFolderOf(const QString& setupProgram, const QString& parent = QDir::tempPath());
