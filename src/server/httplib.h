#pragma once
// THTTPDown: the one HTTP client of the program, for the service's server.
// A request runs on a worker thread over libcurl while the calling thread
// keeps its event loop running (the window stays responsive and a second
// request on the same object is refused while one runs).

#include <QByteArray>
#include <QString>

#include <functional>

// What each request carries: the certificates it trusts and how long it
// waits for an answer.
struct HttpOptions {
    QString caFile;  // certificates of private servers (Option/CaFile); empty: the system's store
    int responseTimeoutMs = 60000;
};

class THTTPDown {
public:
    // Called after each block in file mode: bytes so far, content length.
    using Progress = std::function<void(qint64 total, qint64 contentLength)>;

    // Status values besides the HTTP status.
    static constexpr int kUnreachable = 1;
    static constexpr int kFileNotWritable = 3;
    // The most a text reply may hold, and a download; more fails the request.
    static constexpr qint64 kMaxTextReply = 4 * 1024 * 1024;
    static constexpr qint64 kMaxDownload = 1024LL * 1024 * 1024;

    // Fixed options, or options read afresh at each request (the saved
    // settings, which may change while the client lives).
    explicit THTTPDown(HttpOptions options = {});
    explicit THTTPDown(std::function<HttpOptions()> options);
    ~THTTPDown();
    THTTPDown(const THTTPDown&) = delete;
    THTTPDown& operator=(const THTTPDown&) = delete;

    // Clears the reply/target, credentials, content length, file mode and
    // progress, and the busy flag.
    void Reset();

    // One request: GET when `body` is empty, else POST with the body bytes
    // unchanged. Returns the HTTP status (200 on success), 1 when the server
    // could not be reached (or the object is busy), 3 when the download file
    // could not be created. Every other result than 200 is shown in a box.
    [[nodiscard]] int Request(const QString& url, const QByteArray& body = {});

    // The caller's fields.
    QString userName;
    QString password;
    bool toFile = false;
    QString target;            // file mode: the full path to write
    qint64 contentLength = 0;  // file mode: announced by the server; may be preset
    Progress progress;         // file mode only
    QByteArray reply;          // text mode: the body, in the server's encoding

private:
    struct Transfer;
    int run(const QString& url, const QByteArray& body);
    void report(int result, const QString& url) const;

    std::function<HttpOptions()> options_;
    bool busy_ = false;
};

// The folder part of a URL as the error boxes show it: up to its last "/".
QString urlFolder(const QString& url);
