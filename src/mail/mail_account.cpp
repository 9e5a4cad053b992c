#include "mail/mail_account.h"

#include "core/zk_dll5.h"
#include "settings/comm_settings.h"

int smtpMethodForPosition(int position) {
    static const int kMethods[] = {0, 1, 2, 4, 8, 15};
    return kMethods[std::clamp(position, 0, 5)];
}

MailAccount mailAccountFrom(const CommSettings& s) {
    MailAccount a;
    a.address = s.mailAddress;
    a.smtpHost = s.smtpHost;
    a.smtpPort = StrToLong(s.smtpPort);
    a.smtpSsl = s.smtpSsl;
    a.smtpMethod = smtpMethodForPosition(s.smtpAuth);
    a.pop3Host = s.pop3Host;
    a.pop3Port = StrToLong(s.pop3Port);
    a.pop3Ssl = s.pop3Ssl;
    a.pop3Account = s.pop3Login();
    a.pop3Password = s.password;
    a.smtpAccount = s.smtpLogin();
    a.smtpPassword = s.smtpLoginPassword();
    a.apop = s.apop;
    a.leaveOnServer = s.leaveOnServer;
    a.timeoutSeconds = s.timeout;
    a.caFile = s.caFile;
    return a;
}

MailAccount mailAccountFrom(const TZkwIni& settings) {
    CommSettings stored;
    stored.load(settings);
    return mailAccountFrom(stored);
}
