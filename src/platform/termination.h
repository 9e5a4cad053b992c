#pragma once

class QObject;

namespace platform {

// Makes SIGTERM, SIGINT and SIGHUP (the session ending, Ctrl+C) quit the
// application's event loop normally, so that settings are saved on the way
// out instead of being lost.
void quitOnTerminationSignals(QObject* parent);

}  // namespace platform
