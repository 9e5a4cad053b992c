#pragma once
// A run's private folder for scratch files (cards drawn for a look, the
// drawing language's pictures) in the system's temporary folder, removed
// when the run lets go of it. Its name carries the run's process number, so
// that a later start can remove the folders of runs that were killed.

#include <QTemporaryDir>

#include <memory>

std::unique_ptr<QTemporaryDir> newWorkFolder();

// Removes this user's work folders whose run no longer exists; how many.
int removeAbandonedWorkFolders();
