#include "mail/n_mail.h"

#include "core/text_files.h"
#include "mail/mime_message.h"

#include <QDir>
#include <QStringList>

#include <curl/curl.h>

#include <algorithm>

#include <atomic>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace {

// A command's bounds: its time as a whole, and the pace below which a
// transfer counts as stalled (over the connection's time-out).
constexpr long kLeastCommandSeconds = 300;
constexpr long kLeastBytesPerSecond = 256;
constexpr long kLeastMailBytesPerSecond = 16 * 1024;  // a mail's time grows with its size

}  // namespace

namespace {

constexpr qsizetype kMaxMailBytes = 64LL * 1024 * 1024;

}  // namespace

struct NMailConnection::Session {
    MailOptions options;
    bool pop3 = false;
    QString host;
    int port = 0;
    int ssl = 0;
    QByteArray account;
    QByteArray password;
    QByteArray loginOptions;
    CURL* curl = nullptr;
    CURLM* multi = nullptr;  // SMTP: runs the requests, keeps the connection
    char error[CURL_ERROR_SIZE] = {};
    // POP3: the mails LIST counted, and the sizes of the newest of them
    // (at most kMaxListedMails; older ones cannot be read).
    int listed = 0;
    std::deque<qint64> sizes;
    // The size of mail `number`; nothing for one not among the newest.
    std::optional<qint64> sizeOf(int number) const {
        const int first = listed - static_cast<int>(sizes.size()) + 1;
        if (number < first || number > listed) return std::nullopt;
        return sizes[static_cast<size_t>(number - first)];
    }
    QByteArray listLine;  // a LIST line not yet whole
    // POP3 numbers mails per connection, and a deletion counts only on the
    // connection that ends with QUIT. libcurl reconnects by itself when a
    // connection was lost; each connection gets a number here, and each mail
    // read remembers the one it was read on.
    int connection = 0;
    std::map<int, int> readOn;
    std::atomic<bool> stop{false};  // set by requestStop() while a command runs
    bool stopped = false;           // the last command was ended by it
    curl_off_t uploadedAtStop = 0;  // bytes of the mail sent when it was

    ~Session() {
        if (curl) curl_easy_cleanup(curl);  // POP3: QUIT commits deletions
        if (multi) curl_multi_cleanup(multi);
    }

    QByteArray url(const QString& path = QString()) const {
        const bool implicit =
            ssl == nmail_ssl::Implicit || ssl == nmail_ssl::Tls12 || ssl == nmail_ssl::Tls13;
        const QString scheme = (pop3 ? QStringLiteral("pop3") : QStringLiteral("smtp")) +
                               (implicit ? QStringLiteral("s") : QString());
        return (scheme + QStringLiteral("://") + host + u':' + QString::number(port) + u'/' + path)
            .toUtf8();
    }
};

namespace {

// One line of LIST ("number size"), read in place: millions of lines cost
// no allocation each.
void takeListLine(NMailConnection::Session& s, QByteArrayView line) {
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
    };
    skipBlanks();
    const qsizetype number = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9')
        ++i;
    if (i == number) return;
    skipBlanks();
    qint64 size = 0;
    const qsizetype digits = i;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
        size = std::min<qint64>(size * 10 + (line[i] - '0'), qint64(1) << 40);
    if (i == digits || s.listed == std::numeric_limits<int>::max()) return;
    ++s.listed;
    s.sizes.push_back(size);
    if (s.sizes.size() > kMaxListedMails) s.sizes.pop_front();
}

size_t toListing(char* data, size_t size, size_t count, void* user) {
    auto* s = static_cast<NMailConnection::Session*>(user);
    const size_t n = size * count;
    for (size_t i = 0; i < n; ++i) {
        if (data[i] == '\n') {
            takeListLine(*s, s->listLine);
            s->listLine.resize(0);  // keeps its room for the next line
        } else if (s->listLine.size() < 256) {
            s->listLine.append(data[i]);
        }
    }
    return n;
}

size_t toBuffer(char* data, size_t size, size_t count, void* user) {
    auto* out = static_cast<QByteArray*>(user);
    const size_t n = size * count;
    if (out->size() + static_cast<qsizetype>(n) > kMaxMailBytes) return 0;  // stops the transfer
    out->append(data, static_cast<qsizetype>(n));
    return n;
}

// The message is written as libcurl takes it; a picture that no longer reads
// as it did stops the upload before its end, so no broken mail is accepted.
size_t fromMessage(char* buffer, size_t size, size_t count, void* user) {
    auto* source = static_cast<MimeMessageSource*>(user);
    const qint64 n = source->read(buffer, static_cast<qint64>(size * count));
    return n < 0 ? static_cast<size_t>(CURL_READFUNC_ABORT) : static_cast<size_t>(n);
}

using Session = NMailConnection::Session;

// Ends a transfer the person stopped.
int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    auto* s = static_cast<NMailConnection::Session*>(user);
    if (!s->stop) return 0;
    s->stopped = true;
    s->uploadedAtStop = uploaded;
    return 1;
}

// Options every request of a session carries; per-request ones are reset.
void prepare(Session& s, const QByteArray& url) {
    CURL* c = s.curl;
    const long timeout = std::max(s.options.timeoutSeconds, 1);
    s.stop = false;
    s.stopped = false;
    s.uploadedAtStop = 0;
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &s);
    // Each command as a whole ends in bounded time, a trickling server too.
    curl_easy_setopt(c, CURLOPT_TIMEOUT, std::max(timeout * 3, kLeastCommandSeconds));
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, s.error);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, timeout);
    // A whole transfer may take longer than a connect; stalls and trickles
    // end it instead.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, kLeastBytesPerSecond);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, timeout);
    // The wait for each answer of the server, the one to QUIT included: a
    // server that went silent is let go after the time-out, not libcurl's
    // two minutes.
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
    curl_easy_setopt(c, CURLOPT_USE_SSL,
                     s.ssl == nmail_ssl::StartTls ? static_cast<long>(CURLUSESSL_ALL)
                                                  : static_cast<long>(CURLUSESSL_NONE));
    long version = CURL_SSLVERSION_TLSv1_2;
    if (s.ssl == nmail_ssl::Tls13) version = CURL_SSLVERSION_TLSv1_3;
    curl_easy_setopt(c, CURLOPT_SSLVERSION, version);
    if (!s.options.caFile.isEmpty()) {
        const QByteArray ca = QDir::toNativeSeparators(s.options.caFile).toLocal8Bit();
        curl_easy_setopt(c, CURLOPT_CAINFO, ca.constData());  // copied by libcurl
    }
    if (!s.account.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, s.account.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, s.password.constData());
        curl_easy_setopt(c, CURLOPT_LOGIN_OPTIONS,
                         s.loginOptions.isEmpty() ? nullptr : s.loginOptions.constData());
    }
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(c, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, toBuffer);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 256L * 1024);
}

int resultOf(NMailConnection& connection, CURLcode rc) {
    if (rc == CURLE_OK) return 0;
    Session& s = connection.session();
    if (rc == CURLE_ABORTED_BY_CALLBACK && s.stopped) {
        s.error[0] = 0;
        connection.setMessage(QStringLiteral("中止しました"));
        // A server is sent the mail only after it said yes to the sender and
        // the recipient: with no byte of it gone, it has nothing to deliver.
        return !s.pop3 && s.uploadedAtStop == 0 ? nmail_error::StoppedUnsent : nmail_error::Stopped;
    }
    // The person reads Japanese: libcurl's English stays out of the message;
    // a server's own reply code is kept.
    const QByteArray said(s.error[0] ? s.error : curl_easy_strerror(rc));
    s.error[0] = 0;
    const auto fail = [&](const QString& what, int result) {
        connection.setMessage(what);
        return result;
    };
    const auto replyCode = [&] {
        const qsizetype colon = said.indexOf(':');
        const QByteArray code = colon < 0 ? QByteArray() : said.mid(colon + 1).trimmed().left(3);
        return code.size() == 3 && std::all_of(code.begin(), code.end(),
                                               [](char ch) { return ch >= '0' && ch <= '9'; })
                   ? QStringLiteral("（サーバーの応答 %1）").arg(QString::fromLatin1(code))
                   : QString();
    };
    // The server said no to the sender or a recipient: the connection is fine.
    if (said.contains("RCPT failed"))
        return fail(QStringLiteral("サーバーが宛先を受け付けません") + replyCode(),
                    nmail_error::Refused);
    if (said.contains("MAIL failed"))
        return fail(QStringLiteral("サーバーが差出人を受け付けません") + replyCode(),
                    nmail_error::Refused);
    char* ip = nullptr;
    const bool reached =
        curl_easy_getinfo(s.curl, CURLINFO_PRIMARY_IP, &ip) == CURLE_OK && ip && *ip != 0;
    switch (rc) {
        case CURLE_LOGIN_DENIED:
            return fail(
                QStringLiteral("認証に失敗しました（アカウントまたはパスワードが違います）"),
                nmail_error::Login);
        case CURLE_URL_MALFORMAT:
        case CURLE_UNSUPPORTED_PROTOCOL:
            return fail(
                QStringLiteral("接続できません（サーバー名またはポート番号が正しくありません）"),
                nmail_error::Connect);
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CERTPROBLEM:
            return fail(QStringLiteral("接続できません（証明書のファイルを読めません）"),
                        nmail_error::Connect);
        case CURLE_OUT_OF_MEMORY:
        case CURLE_FAILED_INIT:
            return fail(QStringLiteral("接続できません（メモリーが足りません）"),
                        nmail_error::Connect);
        case CURLE_COULDNT_RESOLVE_HOST:
            return fail(QStringLiteral("接続できません（サーバー名が見つかりません）"),
                        nmail_error::Connect);
        case CURLE_COULDNT_CONNECT:
            return fail(QStringLiteral("接続できません（サーバーが接続を受け付けません）"),
                        nmail_error::Connect);
        case CURLE_OPERATION_TIMEDOUT:
            if (reached)
                return fail(QStringLiteral("サーバーの応答がありません（%1秒待ちました）")
                                .arg(std::max(s.options.timeoutSeconds, 1)),
                            nmail_error::Transfer);
            return fail(QStringLiteral("接続できません（時間切れ）"), nmail_error::Connect);
        case CURLE_SSL_CONNECT_ERROR:
            return fail(QStringLiteral("接続できません（SSL/TLSの接続に失敗しました）"),
                        nmail_error::Connect);
        case CURLE_PEER_FAILED_VERIFICATION: {
            const QByteArray lower = said.toLower();
            QString why = QStringLiteral("サーバーの証明書を確認できません");
            if (lower.contains("expired"))
                why = QStringLiteral("サーバーの証明書の有効期限が切れています");
            else if (lower.contains("subject name") || lower.contains("host name") ||
                     lower.contains("does not match"))
                why = QStringLiteral("サーバーの証明書が別のサーバー名のものです");
            else if (lower.contains("self signed") || lower.contains("self-signed") ||
                     lower.contains("issuer"))
                why = QStringLiteral("サーバーの証明書の発行元を確認できません");
            return fail(QStringLiteral("接続できません（%1）").arg(why), nmail_error::Connect);
        }
        case CURLE_USE_SSL_FAILED:
            return fail(QStringLiteral("接続できません（サーバーがSTARTTLSに対応していません）"),
                        nmail_error::Connect);
        case CURLE_WRITE_ERROR:
            return fail(QStringLiteral("メールが大きすぎます（%1MBまで）").arg(kMaxMailBytes >> 20),
                        nmail_error::TooLarge);
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
            return fail(QStringLiteral("通信が切れました"), nmail_error::Transfer);
        case CURLE_WEIRD_SERVER_REPLY:  // a POP3 server's -ERR too
            return fail(QStringLiteral("サーバーが要求を受け付けません（エラーの応答）"),
                        nmail_error::Refused);
        default:
            return fail(
                QStringLiteral("サーバーが受け付けません（エラー %1）").arg(int(rc)) + replyCode(),
                nmail_error::Refused);
    }
}

// A request of the session; counts the connections libcurl opened for it.
CURLcode perform(Session& s) {
    const CURLcode rc = curl_easy_perform(s.curl);
    long connects = 0;
    if (curl_easy_getinfo(s.curl, CURLINFO_NUM_CONNECTS, &connects) == CURLE_OK && connects > 0)
        ++s.connection;
    return rc;
}

// An SMTP request on the session's multi handle, so that the program can do
// `meanwhile` while the server answers the first commands. The connection
// stays in the handle's cache for the next request.
CURLcode performWhile(Session& s, const std::function<void()>& meanwhile) {
    if (!s.multi) s.multi = curl_multi_init();
    if (!s.multi || curl_multi_add_handle(s.multi, s.curl) != CURLM_OK) return CURLE_OUT_OF_MEMORY;
    int running = 0;
    CURLMcode mc = curl_multi_perform(s.multi, &running);
    if (meanwhile) meanwhile();
    while (mc == CURLM_OK && running > 0) {
        mc = curl_multi_poll(s.multi, nullptr, 0, 1000, nullptr);
        if (mc == CURLM_OK) mc = curl_multi_perform(s.multi, &running);
    }
    CURLcode rc = mc == CURLM_OK ? CURLE_OK : CURLE_SEND_ERROR;
    int left = 0;
    while (CURLMsg* m = curl_multi_info_read(s.multi, &left))
        if (m->msg == CURLMSG_DONE && m->easy_handle == s.curl) rc = m->data.result;
    curl_multi_remove_handle(s.multi, s.curl);
    return rc;
}

std::unique_ptr<NMailConnection> connect(bool pop3, const QString& host, int port, int ssl,
                                         const MailOptions& options) {
    auto s = std::make_unique<Session>();
    s->options = options;
    s->pop3 = pop3;
    s->host = host;
    s->port = port;
    s->ssl = ssl;
    s->curl = curl_easy_init();
    if (!s->curl) {
        return std::make_unique<NMailConnection>(
            nullptr, QStringLiteral("接続できません（メモリーが足りません）"));
    }
    // No connection yet: the session's first command (the login) makes the
    // one connection every later command of the session goes over, and a
    // wrong host, port or TLS setting shows there as nmail_error::Connect.
    return std::make_unique<NMailConnection>(std::move(s));
}

QByteArray loginOptionsFor(int method) {
    switch (method) {
        case nmail_auth::Plain: return "AUTH=PLAIN";
        case nmail_auth::Login: return "AUTH=LOGIN";
        case nmail_auth::CramMd5: return "AUTH=CRAM-MD5";
        case nmail_auth::DigestMd5: return "AUTH=DIGEST-MD5";
        default: return "AUTH=*";
    }
}

// A control character (a line break above all) in a value that goes into an
// SMTP command or a header line would add commands or headers of its own.
bool hasControl(QStringView value, bool tabAllowed = false) {
    for (QChar c : value)
        if ((c.unicode() < 0x20 && !(tabAllowed && c == u'\t')) || c.unicode() == 0x7F) return true;
    return false;
}

// A sender or recipient as SMTP takes it between "<" and ">" (RFC 5321):
// a dot-atom, "@", a domain of letters, digits and hyphens. Anything else
// (a blank, a bracket, a parameter after the address) would reach the
// server as more than an address.
bool isSmtpPath(QStringView address) {
    if (address.isEmpty() || address.size() > 254) return false;
    const qsizetype at = address.lastIndexOf(u'@');
    if (at < 1 || at > 64 || at == address.size() - 1) return false;
    const QStringView local = address.left(at);
    const QStringView domain = address.mid(at + 1);
    static const QString atext = QStringLiteral("!#$%&'*+/=?^_`{|}~-");
    const auto alnum = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    };
    for (qsizetype i = 0; i < local.size(); ++i) {
        const QChar c = local[i];
        if (c == u'.') {
            if (i == 0 || i == local.size() - 1 || local[i - 1] == u'.') return false;
        } else if (!alnum(c) && !atext.contains(c)) {
            return false;
        }
    }
    for (const QStringView label : domain.split(u'.')) {
        if (label.isEmpty() || label.size() > 63 || label.front() == u'-' || label.back() == u'-')
            return false;
        for (QChar c : label)
            if (!alnum(c) && c != u'-') return false;
    }
    return true;
}

// Extra header lines ("Name: value", CR LF between); the refusal's text, or
// nothing when every line is a sound header.
std::optional<QString> unsoundHeaders(const QString& headers, QStringList& lines) {
    for (const QString& line : QString(headers).split(QStringLiteral("\r\n"))) {
        if (line.trimmed().isEmpty()) continue;
        const qsizetype colon = line.indexOf(u':');
        const QString name = line.left(colon);
        bool nameOk = colon > 0 && colon <= 76;
        for (QChar c : name)
            nameOk = nameOk && c.unicode() > 0x20 && c.unicode() < 0x7F;
        if (!nameOk || hasControl(line, true))
            return QStringLiteral("ヘッダー行が正しくありません: ") + line.left(80);
        lines.append(line);
    }
    return std::nullopt;
}

// An account or password with a line break would send commands of its own
// with USER, PASS or AUTH.
int refuseCredentials(NMailConnection& connection, const QString& account,
                      const QString& password) {
    if (!hasControl(account) && !hasControl(password)) return 0;
    connection.setMessage(
        QStringLiteral("アカウントまたはパスワードに使えない文字（改行など）があります"));
    return nmail_error::Login;
}

// Ends the connection now: QUIT, which carries out a POP3 session's
// deletions, waiting for the server's answer no longer than the time-out.
int closeConnection(NMailConnection& connection) {
    if (!connection.isOpen()) return nmail_error::Handle;
    Session& s = connection.session();
    if (s.curl) {
        curl_easy_cleanup(s.curl);
        s.curl = nullptr;
    }
    if (s.multi) {
        curl_multi_cleanup(s.multi);
        s.multi = nullptr;
    }
    return 0;
}

// The session's requests run only while it is open.
Session* openSession(NMailConnection& connection) {
    if (!connection.isOpen() || !connection.session().curl) {
        connection.setMessage(QStringLiteral("接続されていません"));
        return nullptr;
    }
    return &connection.session();
}

}  // namespace

NMailConnection::NMailConnection(std::unique_ptr<Session> session, QString failure)
    : session_(std::move(session)), message_(std::move(failure)) {}

NMailConnection::~NMailConnection() = default;

bool NMailConnection::isOpen() const {
    return session_ != nullptr;
}

void NMailConnection::requestStop() {
    if (session_) session_->stop = true;
}

int NMailInitializeWinSock() {
    return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK ? 0 : -1;
}

int NMailEndWinSock() {
    curl_global_cleanup();
    return 0;
}

int NMailGetVersion() {
    return kNMailVersion;
}

std::unique_ptr<NMailConnection> NMailSmtpConnectSsl(const QString& host, int port, int sslFlags,
                                                     const MailOptions& options) {
    return connect(false, host, port, sslFlags, options);
}

int NMailSmtpAuthenticate(NMailConnection& connection, const QString&, const QString& account,
                          const QString& password, int method) {
    if (const int refused = refuseCredentials(connection, account, password)) return refused;
    Session* s = openSession(connection);
    if (!s) return nmail_error::Handle;
    if (method != nmail_auth::None) {
        s->account = account.toUtf8();
        s->password = password.toUtf8();
        s->loginOptions = loginOptionsFor(method);
    }
    // NOOP reaches the server and, with an account, proves it; the
    // connection stays for the mails.
    prepare(*s, s->url());
    curl_easy_setopt(s->curl, CURLOPT_CUSTOMREQUEST, "NOOP");
    curl_easy_setopt(s->curl, CURLOPT_NOBODY, 1L);
    return resultOf(connection, performWhile(*s, {}));
}

int NMailSmtpSendMailEx(NMailConnection& connection, const QString& to, const QString& from,
                        const QString& subject, const QString& body, const QString& headers,
                        const QString& attachment, QString* result) {
    // Checked before anything reaches the server.
    QStringList headerLines;
    std::optional<QString> refusal;
    // Whatever the person answered, only an address goes into MAIL and RCPT.
    if (!isSmtpPath(to))
        refusal = QStringLiteral("宛先のアドレスが正しくありません: ") + to.left(80);
    else if (!isSmtpPath(from))
        refusal = QStringLiteral("差出人のアドレスが正しくありません: ") + from.left(80);
    else if (hasControl(subject, true))
        refusal = QStringLiteral("件名に改行などの制御文字があります");
    else
        refusal = unsoundHeaders(headers, headerLines);
    if (refusal) {
        refusal->replace(u'\r', u' ').replace(u'\n', u' ');
        connection.setMessage(*refusal);
        if (result) *result = *refusal;
        return nmail_error::Refused;
    }
    Session* s = openSession(connection);
    if (!s) return nmail_error::Handle;
    OutgoingMail mail;
    mail.from = from;
    mail.to = to;
    mail.subject = subject;
    mail.body = body;
    mail.extraHeaders = headerLines;
    mail.attachmentPath = attachment;
    QString error;
    std::optional<MimeMessageSource> message = MimeMessageSource::open(mail, &error);
    if (!message) {
        connection.setMessage(error);
        if (result) *result = error;
        return nmail_error::File;
    }
    prepare(*s, s->url());
    const QByteArray fromAddr = '<' + from.toUtf8() + '>';
    const QByteArray toAddr = '<' + to.toUtf8() + '>';
    curl_slist* rcpt = curl_slist_append(nullptr, toAddr.constData());
    curl_easy_setopt(s->curl, CURLOPT_MAIL_FROM, fromAddr.constData());
    curl_easy_setopt(s->curl, CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(s->curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(s->curl, CURLOPT_READFUNCTION, fromMessage);
    curl_easy_setopt(s->curl, CURLOPT_READDATA, &*message);
    // The mail is written while the server answers MAIL, RCPT and DATA; its
    // size is not known before, so MAIL goes without SIZE.
    curl_easy_setopt(s->curl, CURLOPT_INFILESIZE_LARGE, curl_off_t{-1});
    const CURLcode rc = performWhile(*s, [&] { message->write(); });
    curl_easy_setopt(s->curl, CURLOPT_MAIL_RCPT, nullptr);
    curl_slist_free_all(rcpt);
    if (rc == CURLE_ABORTED_BY_CALLBACK && !s->stopped) {
        error = QStringLiteral("添付するファイルを読めません: ") + attachment;
        connection.setMessage(error);
        if (result) *result = error;
        return nmail_error::File;
    }
    const int r = resultOf(connection, rc);
    if (result) *result = r == 0 ? QStringLiteral("OK") : connection.message();
    return r;
}

int NMailSmtpClose(NMailConnection& connection) {
    return closeConnection(connection);
}

std::unique_ptr<NMailConnection> NMailPop3ConnectSsl(const QString& host, int port, int sslFlags,
                                                     const MailOptions& options) {
    return connect(true, host, port, sslFlags, options);
}

int NMailPop3Authenticate(NMailConnection& connection, const QString& account,
                          const QString& password, int apop) {
    if (const int refused = refuseCredentials(connection, account, password)) return refused;
    Session* s = openSession(connection);
    if (!s) return nmail_error::Handle;
    s->account = account.toUtf8();
    s->password = password.toUtf8();
    s->loginOptions = apop ? QByteArray("AUTH=+APOP") : QByteArray();
    s->readOn.clear();
    s->sizes.clear();
    s->listed = 0;
    s->listLine.clear();
    prepare(*s, s->url());
    // The listing is read line by line as it comes: a mailbox of millions
    // of mails costs no more memory than its newest.
    curl_easy_setopt(s->curl, CURLOPT_WRITEFUNCTION, toListing);
    curl_easy_setopt(s->curl, CURLOPT_WRITEDATA, s);
    const int r = resultOf(connection, perform(*s));
    if (r != 0) return r;
    takeListLine(*s, s->listLine);
    return s->listed;
}

int NMailPop3GetMailStatus(NMailConnection& connection, int number, QString& subject, QString& date,
                           QString& from, QString& header) {
    Session* s = openSession(connection);
    if (!s || number < 1) return nmail_error::Handle;
    QByteArray top;
    prepare(*s, s->url());
    const QByteArray command = "TOP " + QByteArray::number(number) + " 0";
    curl_easy_setopt(s->curl, CURLOPT_CUSTOMREQUEST, command.constData());
    curl_easy_setopt(s->curl, CURLOPT_WRITEDATA, &top);
    // The failure as it is (a lost connection is not a mail without a head).
    if (const int r = resultOf(connection, perform(*s)); r != 0) return r;
    s->readOn[number] = s->connection;
    const std::optional<IncomingMail> m = parseMimeMessage(top);
    if (!m) return 0;
    subject = m->subject;
    date = m->date;
    from = m->from;
    header = m->headers;
    return 1;
}

int NMailGetHeaderField(QString& value, const QString& header, const QString& field, int size) {
    const std::optional<QString> v = headerFieldValue(header, field);
    if (!v) return 0;
    value = v->left(std::max(size - 1, 0));
    return 1;
}

int NMailPop3GetMailSize(NMailConnection& connection, int number) {
    Session* s = openSession(connection);
    if (!s || number < 1 || !s->sizeOf(number)) return nmail_error::Handle;
    return static_cast<int>(std::min<qint64>(*s->sizeOf(number), INT_MAX));
}

int NMailPop3GetMailSource(NMailConnection& connection, int number, QByteArray& source) {
    Session* s = openSession(connection);
    if (!s || number < 1) return nmail_error::Handle;
    source.clear();
    // The size LIST gave, so that the mail lands in one buffer. A mail over
    // the limit is not fetched at all: a transfer broken off would take the
    // connection, and with it the deletions asked on it so far.
    if (const std::optional<qint64> listedSize = s->sizeOf(number)) {
        const qint64 size = *listedSize;
        if (size > kMaxMailBytes) {
            connection.setMessage(
                QStringLiteral("メールが大きすぎます: %1 MB（受信できるのは %2 MB まで）")
                    .arg((size + 1024 * 1024 - 1) / (1024 * 1024))
                    .arg(kMaxMailBytes / (1024 * 1024)));
            return nmail_error::TooLarge;
        }
        source.reserve(std::clamp<qint64>(size + 1024, 0, kMaxMailBytes));
    }
    prepare(*s, s->url(QString::number(number)));
    curl_easy_setopt(s->curl, CURLOPT_WRITEDATA, &source);
    // A big mail may take longer than a command, at a pace that is no
    // trickle.
    if (const std::optional<qint64> listedSize = s->sizeOf(number))
        curl_easy_setopt(
            s->curl, CURLOPT_TIMEOUT,
            std::max<long>(std::max(s->options.timeoutSeconds, 1) * 3, kLeastCommandSeconds) +
                static_cast<long>(*listedSize / kLeastMailBytesPerSecond));
    const int r = resultOf(connection, perform(*s));
    if (r != 0) return r;
    s->readOn[number] = s->connection;
    return 1;
}

int NMailPop3GetMail(NMailConnection& connection, int number, QString& subject, QString& date,
                     QString& from, QString& header, QString& body, const QString& folder,
                     QString& attachmentName) {
    QByteArray source;
    const int r = NMailPop3GetMailSource(connection, number, source);
    if (r != 1) return r;
    const std::optional<IncomingMail> m = parseMimeMessage(source);
    if (!m) {
        connection.setMessage(QStringLiteral("メールを読めません"));
        return nmail_error::Refused;
    }
    subject = m->subject;
    date = m->date;
    from = m->from;
    header = m->headers;
    body = m->body;
    attachmentName.clear();
    if (!m->attachments.empty() && !m->attachments.front().bytes.isEmpty()) {
        const MailAttachment& first = m->attachments.front();
        const QString path = QDir(folder).filePath(first.name);
        if (!SaveFile(first.bytes, path)) {
            connection.setMessage(QStringLiteral("添付ファイルを書き込めません: ") + path);
            return nmail_error::File;
        }
        attachmentName = first.name;
    }
    return 1;
}

int NMailPop3DeleteMail(NMailConnection& connection, int number) {
    Session* s = openSession(connection);
    if (!s || number < 1) return nmail_error::Handle;
    const auto lost = [&] {
        connection.setMessage(
            QStringLiteral("通信が切れました: メールを読んだ接続が失われたため、"
                           "メールはサーバーに残ります"));
        return nmail_error::Transfer;
    };
    // On another connection the number may name another mail.
    const auto read = s->readOn.find(number);
    if (read != s->readOn.end() && read->second != s->connection) return lost();
    const int before = s->connection;
    const auto command = [&](const char* verb) {
        prepare(*s, s->url(verb[0] == 'D' ? QString::number(number) : QString()));
        curl_easy_setopt(s->curl, CURLOPT_CUSTOMREQUEST, verb);
        curl_easy_setopt(s->curl, CURLOPT_NOBODY, 1L);
        return resultOf(connection, perform(*s));
    };
    const int r = command("DELE");
    if (s->connection != before) {
        // The DELE went over a new connection: taken back there.
        (void)command("RSET");  // what matters is that the deletion is not counted
        return lost();
    }
    return r;
}

int NMailPop3UndoDeletions(NMailConnection& connection) {
    Session* s = openSession(connection);
    if (!s) return nmail_error::Handle;
    prepare(*s, s->url());
    curl_easy_setopt(s->curl, CURLOPT_CUSTOMREQUEST, "RSET");
    curl_easy_setopt(s->curl, CURLOPT_NOBODY, 1L);
    const int before = s->connection;
    const int r = resultOf(connection, perform(*s));
    // On a new connection nothing was marked to begin with.
    return s->connection != before ? 0 : r;
}

int NMailPop3Close(NMailConnection& connection) {
    return closeConnection(connection);
}
