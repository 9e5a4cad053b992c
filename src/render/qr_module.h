#pragma once
// The QR-code module: a small shared library of the logging program's family,
// loaded by name. Its one entry point writes the QR code of a text as a
// bitmap file; called with nothing it answers its version. The program loads
// it once, for the whole run: every interpreter (the definition editor's live
// preview too) draws through that one object. A module object never unloads
// the library: another object of the same file would be left calling into
// unloaded code (Qt keeps one handle per file and unloads it at the first
// unload), so it stays until the program ends.

#include <QByteArray>
#include <QLibrary>
#include <QString>

#include <mutex>

class QrModule {
public:
    static constexpr int kTooOld = -200;
    static constexpr int kNotFound = -201;
    static constexpr int kLeastVersion = 104;

    // Loads the module from the program's folder, else from the system's
    // library path; `path` names another file (tests).
    explicit QrModule(const QString& path = QString());
    ~QrModule();
    QrModule(const QrModule&) = delete;
    QrModule& operator=(const QrModule&) = delete;

    // Greater than 0 when loaded (the version); kNotFound or kTooOld.
    int status() const { return status_; }
    // Writes the QR code of `text` (CP932) as a bitmap file; flags: the error
    // correction level (0 ... 3) in the high byte. One call at a time (the
    // live preview draws on a worker thread).
    bool make(const QByteArray& text, const QString& bitmapPath, quint32 flags);

    // The module's file name on this platform.
    static QString fileName();

private:
    using Entry = int (*)(const char*, const char*, unsigned);
    QLibrary library_;
    Entry entry_ = nullptr;
    std::mutex calls_;
    int status_ = kNotFound;
};
