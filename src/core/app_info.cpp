#include "core/app_info.h"

#include "core/zkw_ini.h"

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

void useServerBasesOf(const TZkwIni& settings) {
    const auto use = [&](const char* variable, QStringView key) {
        const QString base = settings.readString(u"Server", key, QString()).trimmed();
        if (qEnvironmentVariableIsEmpty(variable) && !base.isEmpty())
            qputenv(variable, base.toUtf8());
    };
    use("SENDVIK_SERVER_BASE", u"Base");
    use("SENDVIK_SERVER_BASE2", u"Base2");
}

}  // namespace app
