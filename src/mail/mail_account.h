#pragma once
// The mail account as the communication settings hold it (section Option).

#include "mail/n_mail.h"

#include <QString>

#include <algorithm>

class TZkwIni;
struct CommSettings;

struct MailAccount {
    QString address;  // MailAdd: the own, registered address
    QString smtpHost;
    int smtpPort = 465;
    int smtpSsl = 0x3000;
    int smtpMethod = 5;  // library value (PLAIN 1, ... automatic 15)
    QString smtpAccount;
    QString smtpPassword;
    QString pop3Host;
    int pop3Port = 995;
    int pop3Ssl = 0x3000;
    QString pop3Account;
    QString pop3Password;
    bool apop = false;
    bool leaveOnServer = false;
    int timeoutSeconds = 40;
    QString caFile;  // Option/CaFile; empty: the system's store

    // What each connection of this account carries: the CA file and the
    // time-out (at least 5 seconds).
    MailOptions options() const { return {std::max(5, timeoutSeconds), caFile}; }
};

// The authentication list position (0-5; 6 and above read as 5) as the
// library's method bits.
int smtpMethodForPosition(int position);

// The account as a send or a receive uses it: the separate SMTP account (its
// password, else the mail password) when one is set, else the mail account
// (the address when blank).
MailAccount mailAccountFrom(const CommSettings& settings);
MailAccount mailAccountFrom(const TZkwIni& settings);
