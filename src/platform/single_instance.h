#pragma once
// One running copy of the desktop program per user and program folder: the
// first copy listens on a local server named for the main window's class,
// the user and the folder; a later copy for the same folder asks it to come
// forward and ends. Another program folder runs a copy of its own.

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace platform {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `name` is the program-specific part of the server name, `folder` the
    // program folder the copy works on.
    SingleInstance(const QString& name, const QString& folder, QObject* parent = nullptr);

    // Whether a copy runs for that folder (the command line asks before it
    // changes what the running copy would write back).
    static bool isRunning(const QString& name, const QString& folder);

    // True when this is the first copy (it now listens); false when another
    // copy runs and was asked to come forward.
    bool claim();

Q_SIGNALS:
    // Another copy was started and ended: show this one.
    void activationRequested();

private:
    bool askRunningCopy();

    QString serverName_;
    QLocalServer server_;
};

}  // namespace platform
