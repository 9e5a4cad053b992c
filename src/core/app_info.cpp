#include "core/app_info.h"

namespace app {

namespace {

QString baseFrom(const char* variable, const QString& builtIn) {
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty()) return builtIn;
    if (!base.endsWith(u'/')) base += u'/';
    return base;
}

}  // namespace

QString primaryServerBase() {
    return baseFrom("SENDVIK_SERVER_BASE", QStringLiteral("https://www.zelkov.example/"));
}

QString alternateServerBase() {
    return baseFrom("SENDVIK_SERVER_BASE2", QStringLiteral("https://novq.zelkov.example/"));
}

}  // namespace app
