#include "server/httplib.h"

#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/off_thread.h"
#include "core/whole_file.h"

#include <QCoreApplication>
#include <QDir>

#include <curl/curl.h>

#include <atomic>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Where a URL points, split as the client sends it: the scheme decides TLS
// ("https:" exactly), the host (with an optional ":port") is the text before
// the first "/", the object the rest.
struct UrlParts {
    bool secure = false;
    QString host;
    QString object;
};

std::optional<UrlParts> splitUrl(const QString& url) {
    UrlParts parts;
    parts.secure = url.startsWith(u"https:");
    QString rest = url;
    const qsizetype scheme = rest.indexOf(u"://");
    if (scheme >= 0) rest = rest.mid(scheme + 3);
    rest = rest.left(255);
    const qsizetype slash = rest.indexOf(u'/');
    if (slash <= 0) return std::nullopt;
    parts.host = rest.left(slash);
    parts.object = rest.mid(slash + 1);
    return parts;
}

}  // namespace

// The state shared between the calling thread and the worker.
struct THTTPDown::Transfer {
    // Set up by the caller before the worker starts.
    CURL* curl = nullptr;
    bool toFile = false;
    QString target;
    qint64 presetLength = 0;

    // Written by the worker.
    QByteArray text;
    std::unique_ptr<WholeFile> file;
    bool fileFailed = false;
    bool tooLarge = false;
    qint64 contentLength = 0;
    CURLcode code = CURLE_OK;

    // What the calling thread may read while the transfer runs.
    std::atomic<qint64> received{0};
    std::atomic<bool> fileOpen{false};
    std::atomic<qint64> announcedLength{0};

    static size_t onData(char* data, size_t size, size_t count, void* self) {
        auto* t = static_cast<Transfer*>(self);
        const size_t n = size * count;
        const size_t accepted = t->toFile ? t->write(data, n) : t->append(data, n);
        if (accepted == n) t->received += qint64(n);
        return accepted;
    }

    size_t append(const char* data, size_t n) {
        if (text.size() + qint64(n) > kMaxTextReply) {
            tooLarge = true;
            return 0;
        }
        text.append(data, qsizetype(n));
        return n;
    }

    // The file is created with the first block of a successful reply.
    size_t write(const char* data, size_t n) {
        if (!openFileIfSuccessful()) return 0;
        if (!file) return n;  // not a 200 reply: nothing is written
        if (received + qint64(n) > kMaxDownload) {
            tooLarge = true;
            return 0;
        }
        return file->write(QByteArrayView(data, qsizetype(n))) ? n : (fileFailed = true, 0);
    }

    bool openFileIfSuccessful() {
        if (file || fileFailed) return !fileFailed;
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (status != 200) return true;
        curl_off_t length = -1;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        // Without an announced length the preset one stays (the progress then
        // only shows that something arrives).
        contentLength = length >= 0 ? qint64(length) : presetLength;
        file = std::make_unique<WholeFile>(target);
        if (!file->open()) {
            file.reset();
            fileFailed = true;
            return false;
        }
        announcedLength = contentLength;
        fileOpen = true;
        return true;
    }
};

THTTPDown::THTTPDown(HttpOptions options)
    : options_([options = std::move(options)] { return options; }) {}

THTTPDown::THTTPDown(std::function<HttpOptions()> options) : options_(std::move(options)) {}

THTTPDown::~THTTPDown() = default;

void THTTPDown::Reset() {
    reply.clear();
    target.clear();
    userName.clear();
    password.clear();
    contentLength = 0;
    toFile = false;
    progress = nullptr;
    busy_ = false;
}

QString urlFolder(const QString& url) {
    return url.left(url.lastIndexOf(u'/') + 1);
}

int THTTPDown::Request(const QString& url, const QByteArray& body) {
    if (busy_) return kUnreachable;
    busy_ = true;
    const int result = run(url, body);
    busy_ = false;
    if (result != 200) report(result, url);
    return result;
}

int THTTPDown::run(const QString& url, const QByteArray& body) {
    const auto parts = splitUrl(url);
    if (!parts) return kUnreachable;
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised) return kUnreachable;

    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return kUnreachable;
    CURL* c = curl.get();
    const QByteArray address =
        ((parts->secure ? u"https://"_s : u"http://"_s) + parts->host + u'/' + parts->object)
            .toUtf8();
    const QByteArray agent = app::title().toUtf8();
    const QByteArray user = userName.toUtf8();
    const QByteArray pass = password.toUtf8();
    const HttpOptions options = options_ ? options_() : HttpOptions{};
    const long timeoutMs = std::max(options.responseTimeoutMs, 100);
    const QByteArray ca = QDir::toNativeSeparators(options.caFile).toLocal8Bit();
    curl_easy_setopt(c, CURLOPT_URL, address.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    // Moved pages are followed, as the system's client does, but never from
    // a secure address to a plain one; credentials stay with their host.
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, parts->secure ? "https" : "http,https");
    curl_easy_setopt(c, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    if (!toFile) curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, timeoutMs);
    // A download may take long, but not stall: under 1 byte/s for the limit ends it.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, timeoutMs / 1000 + 1);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!ca.isEmpty()) curl_easy_setopt(c, CURLOPT_CAINFO, ca.constData());
    if (userName.size() >= 3) {
        curl_easy_setopt(c, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
        curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, pass.constData());
    }
    // The body goes out as it is: no Content-Type and no Expect header added.
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr,
                                                                        curl_slist_free_all);
    if (!body.isEmpty()) {
        headers.reset(curl_slist_append(curl_slist_append(nullptr, "Content-Type:"), "Expect:"));
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.constData());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    }

    Transfer t;
    t.curl = c;
    t.toFile = toFile;
    t.target = target;
    t.presetLength = contentLength;
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Transfer::onData);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);

    // The transfer runs off the calling thread, which keeps its events
    // flowing and passes the progress on between slices.
    qint64 reported = 0;
    runOffThread([&t, c] { t.code = curl_easy_perform(c); },
                 [&] {
                     const qint64 now = t.received;
                     if (now != reported && toFile && progress && t.fileOpen) {
                         reported = now;
                         progress(now, t.announcedLength);
                     }
                 });

    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (toFile && status == 200 && t.code == CURLE_OK && !t.file && !t.fileFailed)
        t.openFileIfSuccessful();  // an empty file: nothing arrived to create it
    if (t.fileFailed) return kFileNotWritable;
    if (t.code != CURLE_OK || status == 0) {
        t.file.reset();  // the old file stays
        // A reply cut off by the size limit or the time limit is no answer.
        return kUnreachable;
    }
    if (status != 200) return int(status);
    if (toFile) {
        contentLength = t.contentLength;
        if (progress && reported != t.received) progress(t.received, contentLength);
        if (!t.file->commit()) return kFileNotWritable;
    } else {
        reply.append(t.text);
    }
    return 200;
}

void THTTPDown::report(int result, const QString& url) const {
    QString text;
    if (result == kUnreachable)
        text = u"アクセスできません！\r\r"_s + urlFolder(url);
    else if (result == kFileNotWritable)
        text = u"ダウンロードファイルが書き込めません！\r\r"_s + target;
    else if (result == 401)
        text = u"HTTPエラー（No:%1）ログインできません！\r\r"_s.arg(result) + urlFolder(url);
    else
        text = u"HTTPエラー（No:%1）アクセスできません！\r\r"_s.arg(result) + urlFolder(url);
    ShowMsgBox(nullptr, text, app::title(), mb::IconStop);
}
