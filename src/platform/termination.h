#pragma once

class QObject;

namespace platform {

// Makes SIGTERM, SIGINT and SIGHUP (the session ending, Ctrl+C) quit the
// application's event loop normally, so that settings are saved on the way
// out instead of being lost.
void quitOnTerminationSignals(QObject* parent);

// Long work on the command line: from now on the first Ctrl+C (SIGINT) asks
// the work to stop between items, and a second one ends the program at once.
void stopWorkOnInterrupt();
// Whether a Ctrl+C asked for a stop; clearing it arms the first-stop again.
bool interruptRequested();
void clearInterrupt();

}  // namespace platform
