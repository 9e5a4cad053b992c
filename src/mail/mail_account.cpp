#include "mail/mail_account.h"

#include "core/zk_dll5.h"
#include "core/zkw_ini.h"

int smtpMethodForPosition(int position) {
    static const int kMethods[] = {0, 1, 2, 4, 8, 15};
    return kMethods[std::clamp(position, 0, 5)];
}

MailAccount mailAccountFrom(const TZkwIni& ini) {
    MailAccount a;
    const QString check = ini.readString(u"Option", u"Check", QStringLiteral("11"));
    const int bits = TextToInt(check);
    a.address = ini.readString(u"Option", u"MailAdd", QString());
    a.smtpHost = ini.readString(u"Option", u"SmtpName", QString());
    a.smtpPort = TextToInt(ini.readString(u"Option", u"SmtpPort", QStringLiteral("465")));
    a.smtpSsl = ini.readInteger(u"Option", u"SmtpSsl", 0x3000);
    a.smtpMethod = smtpMethodForPosition(ini.readInteger(u"Option", u"SmtpAuth", 5));
    a.pop3Host = ini.readString(u"Option", u"Pop3Name", QString());
    a.pop3Port = TextToInt(ini.readString(u"Option", u"Pop3Port", QStringLiteral("995")));
    a.pop3Ssl = ini.readInteger(u"Option", u"Pop3Ssl", 0x3000);
    const QString id = ini.readString(u"Option", u"MailID", QString());
    a.pop3Account = id.isEmpty() ? a.address : id;
    a.pop3Password = ini.readWords(u"Option", u"Pass1");
    const QString smtpAccount = ini.readString(u"Option", u"SmtpAct", QString());
    if ((bits & 16) && !smtpAccount.isEmpty()) {
        a.smtpAccount = smtpAccount;
        const QString pass3 = ini.readWords(u"Option", u"Pass3");
        a.smtpPassword = pass3.isEmpty() ? a.pop3Password : pass3;
    } else {
        a.smtpAccount = a.pop3Account;
        a.smtpPassword = a.pop3Password;
    }
    a.apop = bits & 4;
    a.leaveOnServer = !(bits & 8);
    a.timeoutSeconds = std::max(5, ini.readInteger(u"Option", u"TimeOut", 40));
    a.caFile = ini.readString(u"Option", u"CaFile", QString());
    return a;
}
