#include "platform/file_sync.h"

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

// Opens the path read-only and runs `sync` on it.
bool syncThrough(const QString& path, int (*sync)(int)) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = sync(fd) == 0;
    ::close(fd);
    return synced;
}

}  // namespace

bool syncFileSystemOf(const QString& path) {
    return syncThrough(path, ::syncfs);
}

bool syncFile(const QString& path) {
    return syncThrough(path, ::fdatasync);
}

}  // namespace platform
