#include "render/qr_module.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

QString QrModule::fileName() {
#if defined(Q_OS_WIN)
    return QStringLiteral("ZkwQRCode.dll");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("libZkwQRCode.dylib");
#else
    return QStringLiteral("libZkwQRCode.so");
#endif
}

QrModule::QrModule(const QString& path) {
    QString file = path;
    if (file.isEmpty()) {
        const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(fileName());
        file = QFile::exists(beside) ? beside : QStringLiteral("ZkwQRCode");
    }
    library_.setFileName(file);
    if (!library_.load()) return;
    entry_ = reinterpret_cast<Entry>(library_.resolve("MkZkwQRCode"));
    const int version = entry_ ? entry_(nullptr, nullptr, 0) : 0;
    if (version < kLeastVersion) {
        // Too old, or without the entry point: never called through.
        entry_ = nullptr;
        library_.unload();
        status_ = kTooOld;
        return;
    }
    status_ = version;
}

QrModule::~QrModule() = default;  // loaded for the run (see the header)

bool QrModule::make(const QByteArray& text, const QString& bitmapPath, quint32 flags) {
    if (!entry_) return false;
    const QByteArray path = QFile::encodeName(bitmapPath);
    const std::lock_guard one(calls_);
    return entry_(text.constData(), path.constData(), flags) == 0;
}
