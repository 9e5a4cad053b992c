#pragma once

#include <QString>

namespace platform {

// Replaces this process by `program`, given this process's own arguments
// (argv[1] on). Returns only when that fails, with the reason.
QString handOverTo(const QString& program, char* argv[]);

// Whether a process of that number runs (one of another user's too).
bool processExists(qint64 pid);

}  // namespace platform
