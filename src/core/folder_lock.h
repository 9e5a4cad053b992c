#pragma once
// One run at a time works on a program folder: the desktop program for as
// long as it runs, and each command that sends, receives or writes marks,
// hold "Sendvik.lock" in the folder. A second run is refused with the name
// of the one that holds it. A holder that was killed holds nothing: the lock
// of a process that no longer runs is taken over.

#include <QLockFile>
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

private:
    QString folder_;
    QLockFile lock_;
};
