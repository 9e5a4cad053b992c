#include "setup/setup_registry.h"

#include <QDir>
#include <QStandardPaths>

SetupRegistry::SetupRegistry(const QString& path) : ini_(path) {}

QString SetupRegistry::defaultPath() {
    const QString given = qEnvironmentVariable("SENDVIK_REGISTRY");
    if (!given.isEmpty()) return given;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir().mkpath(QDir(config).filePath(QStringLiteral("sendvik")));
    return QDir(config).filePath(QStringLiteral("sendvik/registry.ini"));
}

QString SetupRegistry::value(const QString& key, const QString& name) const {
    return ini_.readString(key, name, QString());
}

void SetupRegistry::setValue(const QString& key, const QString& name, const QString& value) {
    ini_.writeString(key, name, value);
}

bool SetupRegistry::hasKey(const QString& key) const {
    return ini_.hasSection(key);
}

void SetupRegistry::removeTree(const QString& key) {
    const QString below = key + u'\\';
    for (const QString& section : ini_.sectionNames())
        if (section.compare(key, Qt::CaseInsensitive) == 0 ||
            section.startsWith(below, Qt::CaseInsensitive))
            ini_.eraseSection(section);
}
