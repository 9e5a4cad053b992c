#include "platform/process_handover.h"

#include <QFile>

#include <signal.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace platform {

QString handOverTo(const QString& program, char* argv[]) {
    const QByteArray path = QFile::encodeName(program);
    char* const saved = argv[0];
    argv[0] = const_cast<char*>(path.constData());
    ::execv(path.constData(), argv);
    const int error = errno;
    argv[0] = saved;
    return QString::fromLocal8Bit(std::strerror(error));
}

bool processExists(qint64 pid) {
    if (pid <= 0) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace platform
