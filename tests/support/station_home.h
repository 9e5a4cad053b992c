#pragma once
// A station's program folder on the loopback servers, as the exchange tests
// use it: its settings (mail account, service account, the servers' CAs),
// the user list of the test stations and a photo.

#include "core/zkw_ini.h"

#include <QDir>
#include <QFile>
#include <QString>

namespace testing_support {

struct StationAccount {
    QString call;
    QString novqPassword;
    QString mailAddress;
    QString mailPassword;
};

struct LoopbackServers {
    QString mailHost;
    int smtps = 0;
    int pop3s = 0;
    QString caBundle;  // the mail servers' and the service server's CAs
};

inline void writeStationHome(const QString& home, const StationAccount& a, const LoopbackServers& s,
                             const QString& photo) {
    QDir().mkpath(home);
    TZkwIni ini(home + QStringLiteral("/Sendvik.ini"));
    ini.writeString(u"Option", u"Calls", a.call);
    ini.writeWords(u"Option", u"Pass2", a.novqPassword);
    ini.writeString(u"Option", u"MailAdd", a.mailAddress);
    ini.writeWords(u"Option", u"Pass1", a.mailPassword);
    ini.writeString(u"Option", u"SmtpName", s.mailHost);
    ini.writeString(u"Option", u"SmtpPort", QString::number(s.smtps));
    ini.writeInteger(u"Option", u"SmtpSsl", 0x3000);
    ini.writeString(u"Option", u"Pop3Name", s.mailHost);
    ini.writeString(u"Option", u"Pop3Port", QString::number(s.pop3s));
    ini.writeInteger(u"Option", u"Pop3Ssl", 0x3000);
    ini.writeString(u"Option", u"CaFile", s.caBundle);
    QFile list(home + QStringLiteral("/UserList.usr"));
    if (list.open(QIODevice::WriteOnly))
        list.write("2026/12/01\r\nJR1ABC\r\nJR2XYZ\r\nJH3AAA\r\nJA7BAD\r\n");
    QFile::copy(photo, home + QStringLiteral("/photo.jpg"));
    ini.writeString(u"Config", u"Jpeg", QStringLiteral("photo.jpg"));
}

}  // namespace testing_support
