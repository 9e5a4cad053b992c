#pragma once

class QString;

namespace platform {

// Flushes to disk everything written on the file system that holds `path`
// (files and their names), so that many files written quickly can be made
// safe at once before something relies on them. False when it could not.
[[nodiscard]] bool syncFileSystemOf(const QString& path);
// Flushes one file's bytes to disk. False when it could not.
[[nodiscard]] bool syncFile(const QString& path);

}  // namespace platform
