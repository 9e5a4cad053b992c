#include "platform/terminal.h"

#include <unistd.h>

namespace platform {

bool isInteractiveTerminal() {
    return isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
}

}  // namespace platform
