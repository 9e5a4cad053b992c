#include "core/file_dialogs.h"

#include <QStringList>

namespace {
FileDialogPort* installed = nullptr;
}

FileDialogPort* installFileDialogPort(FileDialogPort* port) {
    FileDialogPort* previous = installed;
    installed = port;
    return previous;
}

std::optional<QString> chooseFile(const FileDialogRequest& request) {
    if (!installed) return std::nullopt;
    return installed->choose(request);
}

QString dialogFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out.append(parts[i] + QStringLiteral(" (") + patterns + u')');
    }
    return out.join(QStringLiteral(";;"));
}

std::optional<QString> ScriptedFileDialogPort::choose(const FileDialogRequest& request) {
    requests_.push_back(request);
    if (answers_.empty()) return std::nullopt;
    const QString path = answers_.front();
    answers_.pop_front();
    if (path.isNull()) return std::nullopt;
    return path;
}
