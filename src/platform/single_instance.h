#pragma once
// One running copy of the desktop program per user and desktop session: the
// first copy listens on a local server named for the main window's class and
// the user; a later copy asks it to come forward and ends.

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace platform {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `name` is the program-specific part of the server name.
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);

    // True when this is the first copy (it now listens); false when another
    // copy runs and was asked to come forward.
    bool claim();

    QString serverName() const { return serverName_; }

Q_SIGNALS:
    // Another copy was started and ended: show this one.
    void activationRequested();

private:
    bool askRunningCopy();

    QString serverName_;
    QLocalServer server_;
};

}  // namespace platform
