#pragma once
// Helpers shared by the core tests.

#include "core/message_ports.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>

using namespace Qt::Literals::StringLiterals;

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace testing_support {

QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
// A file of tests/data.
QString dataFile(const QString& name);

// A fresh folder removed after the test, and a scripted message port
// installed for the test's duration.
class Sandbox {
public:
    Sandbox();
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString dir() const { return dir_.path() + u'/'; }
    ScriptedMessagePort messages;

private:
    QTemporaryDir dir_;
    ScopedMessagePort installed_{&messages};
};

}  // namespace testing_support

namespace testing_support {

// The local mail servers of the test run (tests/servers/mail/start.sh).
struct MailServers {
    QString host;
    int smtps = 0, smtp = 0, pop3s = 0, pop3 = 0;
    QString caFile;
    QString dir;
    QStringList users;  // full addresses
    QStringList passwords;
    bool valid() const { return !host.isEmpty(); }
};
MailServers mailServers(const QString& envFile);

// The reference service server of the test run (tests/servers/novq/start.sh).
struct NovqServer {
    QString base;  // https://localhost:PORT/
    QString caFile;
    QString users;  // its user database (JSON, re-read on every request)
    QString log;    // one JSON line per request
    QString dir;
    bool valid() const { return !base.isEmpty(); }
};
NovqServer novqServer(const QString& envFile);

}  // namespace testing_support
