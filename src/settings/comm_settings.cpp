#include "settings/comm_settings.h"

#include "core/zk_dll5.h"
#include "core/zkw_ini.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {
constexpr std::array<int, 5> kTlsValues = {0, 0x3000, 0x4000, 0x10000, 0x20000};
}

QStringList tlsItems() {
    return {u"使用しない"_s, u"SSL/TLS"_s, u"STARTTLS"_s, u"TLS 1.2"_s, u"TLS 1.3"_s};
}

QStringList authItems() {
    return {u"使用しない"_s, u"PLAIN"_s, u"LOGIN"_s, u"CRAM-MD5"_s, u"DIGEST-MD5"_s, u"自動選択"_s};
}

int tlsIndexOf(int value) {
    for (int i = 0; i < int(kTlsValues.size()); ++i)
        if (kTlsValues[i] == value) return i;
    return 0;
}

int tlsValueAt(int index) {
    return index >= 0 && index < int(kTlsValues.size()) ? kTlsValues[index] : 0;
}

QString portForTls(int index, bool smtp) {
    const bool plain = index == 0 || index == 2;
    if (smtp) return plain ? u"587"_s : u"465"_s;
    return plain ? u"110"_s : u"995"_s;
}

void CommSettings::load(const TZkwIni& ini) {
    const QString check = ini.readString(u"Option", u"Check", u"11"_s);
    const qsizetype comma = check.indexOf(u',');
    setOptionBits(StrToLong(check));
    state = comma >= 0 ? StrToLong(QStringView(check).mid(comma + 1)) : 0;
    smtpHost = ini.readString(u"Option", u"SmtpName", QString());
    smtpPort = ini.readString(u"Option", u"SmtpPort", u"465"_s);
    smtpSsl = ini.readInteger(u"Option", u"SmtpSsl", 0x3000);
    smtpAuth = std::clamp(ini.readInteger(u"Option", u"SmtpAuth", 5), 0, 5);
    pop3Host = ini.readString(u"Option", u"Pop3Name", QString());
    pop3Port = ini.readString(u"Option", u"Pop3Port", u"995"_s);
    pop3Ssl = ini.readInteger(u"Option", u"Pop3Ssl", 0x3000);
    mailAddress = ini.readString(u"Option", u"MailAdd", QString());
    account = ini.readString(u"Option", u"MailID", QString());
    password = ini.readWords(u"Option", u"Pass1");
    call = ini.readString(u"Option", u"Calls", QString());
    timeout = std::max(5, ini.readInteger(u"Option", u"TimeOut", 40));
    servicePassword = ini.readWords(u"Option", u"Pass2");
    smtpAccount = ini.readString(u"Option", u"SmtpAct", QString());
    smtpPassword = ini.readWords(u"Option", u"Pass3");
    passLen = std::max(4, ini.readInteger(u"Option", u"PassLen", 8));
    caFile = storedCaFile(ini);
}

QString CommSettings::storedCaFile(const TZkwIni& ini) {
    return ini.readString(u"Option", u"CaFile", QString());
}

QString CommSettings::storedCall(const TZkwIni& ini) {
    return ini.readString(u"Option", u"Calls", QString()).trimmed().toUpper();
}

bool CommSettings::incomplete() const {
    return call.trimmed().isEmpty() || servicePassword.isEmpty() ||
           mailAddress.trimmed().isEmpty() || password.isEmpty() || smtpHost.trimmed().isEmpty() ||
           smtpPort.trimmed().isEmpty() || pop3Host.trimmed().isEmpty();
}

void CommSettings::saveServiceAccount(TZkwIni& ini) const {
    ini.writeInteger(u"Option", u"PassLen", passLen);
    ini.writeString(u"Option", u"Calls", call);
    ini.writeWords(u"Option", u"Pass2", servicePassword);
}

void CommSettings::saveMailAccount(TZkwIni& ini) {
    if (separateSmtp && smtpAccount.size() > 3 && smtpAccount != account) {
        ini.writeWords(u"Option", u"Pass3", smtpPassword);
    } else {
        smtpAccount.clear();
        separateSmtp = false;
        ini.deleteKey(u"Option", u"Pass3");
    }
    saveCheck(ini);
    ini.writeString(u"Option", u"SmtpName", smtpHost);
    ini.writeString(u"Option", u"SmtpPort", smtpPort);
    ini.writeInteger(u"Option", u"SmtpSsl", smtpSsl);
    ini.writeInteger(u"Option", u"SmtpAuth", smtpAuth);
    ini.writeString(u"Option", u"Pop3Name", pop3Host);
    ini.writeString(u"Option", u"Pop3Port", pop3Port);
    ini.writeInteger(u"Option", u"Pop3Ssl", pop3Ssl);
    ini.writeString(u"Option", u"MailAdd", mailAddress);
    ini.writeString(u"Option", u"MailID", account);
    ini.writeWords(u"Option", u"Pass1", password);
    ini.writeInteger(u"Option", u"TimeOut", timeout);
    ini.writeString(u"Option", u"SmtpAct", smtpAccount);
}

void CommSettings::saveCheck(TZkwIni& ini) const {
    ini.writeString(u"Option", u"Check", u"%1,%2"_s.arg(optionBits()).arg(state));
}

void CommSettings::saveMailAddress(TZkwIni& ini) const {
    ini.writeString(u"Option", u"MailAdd", mailAddress);
}

void CommSettings::eraseMailAccount(TZkwIni& ini) const {
    ini.deleteKey(u"Option", u"MailAdd");
    ini.deleteKey(u"Option", u"Pass1");
}

int CommSettings::optionBits() const {
    int bits = 0;
    if (maskPassword) bits |= comm_option::MaskMailPassword;
    if (maskServicePassword) bits |= comm_option::MaskServicePassword;
    if (apop) bits |= comm_option::Apop;
    if (!leaveOnServer) bits |= comm_option::DeleteReceived;
    if (separateSmtp) bits |= comm_option::SeparateSmtp;
    if (maskSmtpPassword) bits |= comm_option::MaskSmtpPassword;
    return bits;
}

void CommSettings::setOptionBits(int bits) {
    maskPassword = bits & comm_option::MaskMailPassword;
    maskServicePassword = bits & comm_option::MaskServicePassword;
    apop = bits & comm_option::Apop;
    leaveOnServer = !(bits & comm_option::DeleteReceived);
    separateSmtp = bits & comm_option::SeparateSmtp;
    maskSmtpPassword = bits & comm_option::MaskSmtpPassword;
}

// The separate SMTP account counts only when there is one: an empty login
// would never be accepted.
QString CommSettings::smtpLogin() const {
    return separateSmtp && !smtpAccount.isEmpty() ? smtpAccount : pop3Login();
}

QString CommSettings::smtpLoginPassword() const {
    return separateSmtp && !smtpAccount.isEmpty() && !smtpPassword.isEmpty() ? smtpPassword
                                                                             : password;
}

QString CommSettings::pop3Login() const {
    return account.isEmpty() ? mailAddress : account;
}

QString CommSettings::testSender() const {
    return separateSmtp && smtpAccount.contains(u'@') ? smtpAccount : mailAddress;
}

QChar PasswordGenerator::next() {
    for (;;) {
        state_ = state_ * 1103515245u + 12347u;
        const auto candidate = static_cast<unsigned char>((((state_ >> 12) & 0xFFFF) >> 2) & 0xFF);
        const QChar c = QLatin1Char(char(candidate));
        if (candidate < 0x80 && c.isLetterOrNumber()) return c;
    }
}

QString PasswordGenerator::make(int length) {
    QString text;
    for (int i = 0; i < length; ++i)
        text += next();
    return text;
}

QString makeTestIdentifier(PasswordGenerator& generator) {
    return u"NOVQ_ID:"_s + generator.make(16);
}

int checkReenteredAddress(const QString& typed, const QString& mailAddress) {
    for (QChar c : typed) {
        const bool ascii = c.unicode() < 0x80;
        if (!(ascii && c.isLetterOrNumber()) && c != u'-' && c != u'.' && c != u'@' && c != u'_')
            return 1;
    }
    const qsizetype at = typed.indexOf(u'@');
    const bool wellFormed = !typed.startsWith(u'.') && !typed.startsWith(u'@') && at >= 0 &&
                            typed.indexOf(u'.', at) > at;
    return wellFormed && typed == mailAddress ? 0 : 2;
}

SaveDecision decideSave(int state) {
    using namespace reg_state;
    const bool failed = state & (SendTestPending | ReceiveTestPending);
    const bool sent = state & SendTestPassed;
    const bool received = state & ReceiveTestPassed;
    if ((state & AddressEdited) && (state & AddressReentered) && !failed) {
        if (!sent) return SaveDecision::AskSendTest;
        if (!received) return SaveDecision::AskReceiveTest;
        return SaveDecision::Register;
    }
    if (failed) return SaveDecision::CheckServer;
    return sent && received ? SaveDecision::Register : SaveDecision::Finish;
}
