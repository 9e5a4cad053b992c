#pragma once

#include <QString>

namespace platform {

// Replaces this process by `program`, given this process's own arguments
// (argv[1] on). Returns only when that fails, with the reason.
QString handOverTo(const QString& program, char* argv[]);

}  // namespace platform
