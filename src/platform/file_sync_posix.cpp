#include "platform/file_sync.h"

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

bool syncFileSystemOf(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::syncfs(fd) == 0;
    ::close(fd);
    return synced;
}

}  // namespace platform
