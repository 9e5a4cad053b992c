#include "platform/held_file.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace platform {

HeldFile::~HeldFile() {
    release();
}

HeldFile::Outcome HeldFile::hold(const QString& path, const QByteArray& about, QByteArray* holder) {
    if (fd_ >= 0) return Outcome::Held;
    const QByteArray name = QFile::encodeName(path);
    // A holder that lets go removes the file: a run that opened it just
    // before finds its name gone, and tries again on the new one.
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return Outcome::Failed;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool busy = errno == EWOULDBLOCK;
            if (busy && holder) {
                char buffer[512];
                const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
                *holder = n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
            }
            ::close(fd);
            return busy ? Outcome::HeldElsewhere : Outcome::Failed;
        }
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) != 0 || ::stat(name.constData(), &named) != 0 ||
            opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
            ::close(fd);
            continue;
        }
        if (::ftruncate(fd, 0) != 0 ||
            ::pwrite(fd, about.constData(), size_t(about.size()), 0) != about.size()) {
            ::close(fd);
            return Outcome::Failed;
        }
        fd_ = fd;
        path_ = path;
        return Outcome::Held;
    }
    return Outcome::Failed;
}

void HeldFile::release() {
    if (fd_ < 0) return;
    // Removed while still held, so that nobody takes a name about to go.
    ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
    fd_ = -1;
}

}  // namespace platform
