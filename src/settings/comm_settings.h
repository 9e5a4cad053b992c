#pragma once
// The communication settings (section Option): the mail account and servers,
// the call sign and service password, and the state of registering the mail
// address with the service. The window edits this model; the sending,
// receiving and server parts read the settings it saves.

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>

class TZkwIni;

// The option bits (first number of Check).
namespace comm_option {
inline constexpr int MaskMailPassword = 1;     // PassWd1
inline constexpr int MaskServicePassword = 2;  // PassWd2
inline constexpr int Apop = 4;                 // ApopCheck
inline constexpr int DeleteReceived = 8;       // DelCheck NOT checked
inline constexpr int SeparateSmtp = 16;        // SmtpAct in use
inline constexpr int MaskSmtpPassword = 32;    // PassWd3
}  // namespace comm_option

// The registration state (second number of Check).
namespace reg_state {
inline constexpr int AddressEdited = 1;
inline constexpr int AddressReentered = 2;
inline constexpr int SendTestPassed = 4;
inline constexpr int ReceiveTestPassed = 8;
inline constexpr int SendTestPending = 16;
inline constexpr int ReceiveTestPending = 32;
}  // namespace reg_state

// The TLS list ("使用しない", "SSL/TLS", "STARTTLS", "TLS 1.2", "TLS 1.3") and
// the authentication list ("使用しない" ... "自動選択").
QStringList tlsItems();
QStringList authItems();
// The list position of a stored TLS value; an unknown value is "使用しない".
int tlsIndexOf(int value);
int tlsValueAt(int index);
// The port a TLS choice implies: 587/110 without TLS or with STARTTLS, else 465/995.
QString portForTls(int index, bool smtp);

// Where the own call is set, told when it is missing.
inline constexpr QStringView kOwnCallWhere =
    u"ツールバーの「E-Mail QSL 通信設定」ボタンで開く画面の「コールサイン:」に"
    u"自局のコールサインを入力してください。";

struct CommSettings {
    QString mailAddress;  // MailEdit
    QString account;      // IdEdit; blank: the address
    QString password;     // PassEdit1
    bool maskPassword = true;
    QString smtpHost;
    QString smtpPort = QStringLiteral("465");
    int smtpSsl = 0x3000;
    int smtpAuth = 5;  // list position
    bool separateSmtp = false;
    QString smtpAccount;   // SmidEdit
    QString smtpPassword;  // SmtpPass; blank: the mail password
    bool maskSmtpPassword = false;
    QString pop3Host;
    QString pop3Port = QStringLiteral("995");
    int pop3Ssl = 0x3000;
    bool apop = false;
    bool leaveOnServer = true;  // DelCheck
    QString call;               // CallEdit
    QString servicePassword;    // ZlkvPass
    bool maskServicePassword = true;
    int timeout = 40;
    int passLen = 8;
    int state = 0;
    QString caFile;  // CaFile: certificates of private servers; empty: the system's store

    void load(const TZkwIni& settings);
    // The own call sign as stored (Calls), trimmed and upper-cased.
    static QString storedCall(const TZkwIni& settings);
    // The CA file as stored (CaFile), for the service's client, which reads
    // it at each request.
    static QString storedCaFile(const TZkwIni& settings);
    // Whether a send or a receive lacks something: the own call, the service
    // password, the mail address and password, the SMTP server and port, or
    // the POP3 server.
    bool incomplete() const;

    // Saving, in the steps the window's save takes: the service account
    // (PassLen, Calls, Pass2); the mail account and servers (the separate
    // SMTP account is dropped unless it differs from the mail account); the
    // option bits with the registration state (Check); the registered address
    // (MailAdd); and the withdrawal's erasing of the address and password.
    void saveServiceAccount(TZkwIni& settings) const;
    void saveMailAccount(TZkwIni& settings);
    void saveCheck(TZkwIni& settings) const;
    void saveMailAddress(TZkwIni& settings) const;
    void eraseMailAccount(TZkwIni& settings) const;
    int optionBits() const;
    void setOptionBits(int bits);

    // The SMTP login: the separate account (its password, else the mail
    // password) or the mail account (the address when blank).
    QString smtpLogin() const;
    QString smtpLoginPassword() const;
    QString pop3Login() const;
    // The sender of the test mail: the separate account when it is an address.
    QString testSender() const;
};

// The random generator of passwords and test identifiers: a 32-bit state,
// advanced as state * 1103515245 + 12347, each candidate the low byte of
// ((state >> 12) & 0xFFFF) >> 2, kept when it is a letter or digit.
class PasswordGenerator {
public:
    explicit PasswordGenerator(std::uint32_t seed = 0) : state_(seed) {}
    void seed(std::uint32_t value) { state_ = value; }
    QChar next();
    QString make(int length);

private:
    std::uint32_t state_;
};

// "NOVQ_ID:" and 16 characters of the generator.
QString makeTestIdentifier(PasswordGenerator& generator);

// The check of the re-typed address: 0 accepted, 1 a character that is not a
// letter, digit, "-", ".", "@" or "_", 2 not a well-formed address or not the
// address of the field.
int checkReenteredAddress(const QString& typed, const QString& mailAddress);

// What saving does, from the state.
enum class SaveDecision {
    AskSendTest,     // "...【送信確認】も実行してください！"
    AskReceiveTest,  // "...【受信確認】も実行してください！"
    Register,
    Finish,       // no server contact
    CheckServer,  // a test failed: ask the server what it has
};
SaveDecision decideSave(int state);
