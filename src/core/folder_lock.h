#pragma once
// One run at a time works on a program folder: the desktop program for as
// long as it runs, and each command that sends, receives or writes marks,
// hold "Sendvik.lock" in the folder. A second run is refused with the name
// of the one that holds it. A holder that ended (killed too) holds nothing,
// and a copy of the folder made while it ran is free.

#include "platform/held_file.h"

#include <QString>

#include <optional>

class FolderLock {
public:
    explicit FolderLock(const QString& programDir);
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Nothing when the lock is now this run's; else the person's message,
    // naming the folder and the run that holds it.
    [[nodiscard]] std::optional<QString> take();

    static QString fileNameIn(const QString& programDir);
    // The program the person knows, for the name a run is started under.
    static QString shownProgram(const QString& applicationName);

private:
    QString folder_;
    platform::HeldFile held_;
};
