#pragma once
// The requests to the service's server. Every "callx=" request is a POST to
// the member CGI with the call sign and service password as credentials; the
// replies are cut as the server marks them. A result other than 200 means no
// answer: the client has already told the person.

#include <QMap>
#include <QString>
#include <QStringList>

class THTTPDown;
class TZkwIni;
struct HttpOptions;
struct CommSettings;
struct EnvironmentSettings;

// Who asks and where: the server base (ends with "/") and the credentials of
// the communication settings.
struct ServerAccount {
    QString base;
    QString call;      // CallEdit
    QString password;  // ZlkvPass
};

// The account of the settings: the server base of the environment settings,
// the call sign and the service password of the communication settings.
ServerAccount serverAccountFrom(const CommSettings& communication,
                                const EnvironmentSettings& environment);
ServerAccount serverAccountFrom(const TZkwIni& settings);

// What the client of the saved settings carries to each request: the CA
// file of the communication settings. The program's client reads it at
// every request, so a saved change counts at once.
HttpOptions httpOptionsFrom(const TZkwIni& settings);

namespace novq {
inline constexpr int kBatchSize = 40;
QString memberCgi(const QString& base);
}  // namespace novq

struct ServerReply {
    int status = 0;
    QString payload;
    bool ok() const { return status == 200; }
};

// The address registered for the own call sign ("callx=Get_Mailad"). `raw`
// keeps the server's text without the EUC-JP conversion (the communication
// settings only ask whether there is one).
ServerReply getMailAddress(THTTPDown& http, const ServerAccount& account, bool raw = false);

// One station ("callx=Is_ZkUser&User=CALL").
struct ZkUserInfo {
    bool edit = false;  // the second field says "Edit"
    QString address;    // the third field
    bool member() const { return address.size() > 4; }
};
ZkUserInfo parseZkUser(const QString& payload);
ServerReply isZkUser(THTTPDown& http, const ServerAccount& account, const QString& call);

// The participating stations of a batch and their addresses, asked 40 call
// signs a request. Stops at the first failed request.
struct MemberAddresses {
    int status = 0;
    int requests = 0;
    QString lines;                     // every reply's lines, appended
    QMap<QString, QString> addresses;  // call sign -> address
};
QByteArray memberRequestBody(const QStringList& calls);
MemberAddresses memberAddresses(THTTPDown& http, const ServerAccount& account,
                                const QStringList& calls);
// The address of `call` in the lines ("CALL,address"): the first line whose
// first field is the call, without regard to case; empty when absent.
QString addressInLines(const QString& lines, const QString& call);

// The sent report. `bandEntries` holds one band index + mode text per sent
// card; bandStatistic sorts, merges equal neighbours with ":count" and joins.
QString bandStatistic(QStringList bandEntries);
// Shows the server's answer when it has one (unless `showAnswer` is false:
// the caller keeps the payload).
ServerReply sentReport(THTTPDown& http, const ServerAccount& account, int sentCount,
                       const QString& bandStatistic, bool showAnswer = true);

// Registers `address`, or withdraws the registration with an empty one.
ServerReply addMailAddress(THTTPDown& http, const ServerAccount& account, const QString& address,
                           bool withVersion = true);

// The registration status page, cleaned for a message box.
ServerReply registrationStatus(THTTPDown& http, const ServerAccount& account);

// The notice page: its notice (the PRE payload) and the manual's address,
// moved to the alternate server when that one is in use.
struct NoticePage {
    int status = 0;
    QString notice;
    QString manualAddress;
};
NoticePage noticePage(THTTPDown& http, const QString& base, const QString& primaryBase,
                      bool alternateInUse);
QString manualAddressIn(const QString& page, const QString& base, const QString& primaryBase,
                        bool alternateInUse);

// The manual command: the notice (when the page has one) and the manual's
// address opened; without an answer, the program's home page instead.
void openManual(THTTPDown& http, const QString& base, const QString& primaryBase,
                bool alternateInUse);
