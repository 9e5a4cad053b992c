#pragma once

namespace platform {

// Both standard input and standard error are a terminal a person answers at.
bool isInteractiveTerminal();

}  // namespace platform
