#pragma once
// The QR-code module: a small shared library of the logging program's family,
// loaded by name. Its one entry point writes the QR code of a text as a
// bitmap file; called with nothing it answers its version.

#include <QByteArray>
#include <QLibrary>
#include <QString>

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
    // correction level (0 ... 3) in the high byte.
    bool make(const QByteArray& text, const QString& bitmapPath, quint32 flags);

    // The module's file name on this platform.
    static QString fileName();

private:
    using Entry = int (*)(const char*, const char*, unsigned);
    QLibrary library_;
    Entry entry_ = nullptr;
    int status_ = kNotFound;
};
