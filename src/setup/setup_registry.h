#pragma once
// The registry as the installer uses it, kept in an INI file: a section is a
// key path ("HKEY_LOCAL_MACHINE\SOFTWARE\...\Uninstall\NOVQ"), its entries
// the key's values. The file is SENDVIK_REGISTRY when set, else
// "sendvik/registry.ini" in the user's configuration folder.

#include "core/zkw_ini.h"

#include <QString>

inline const QString kUninstallKey = QStringLiteral(
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NOVQ");
inline const QString kSettingsKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\ZELKOV");

class SetupRegistry {
public:
    explicit SetupRegistry(const QString& path = defaultPath());

    static QString defaultPath();
    QString value(const QString& key, const QString& name) const;
    void setValue(const QString& key, const QString& name, const QString& value);
    bool hasKey(const QString& key) const;
    // The key and every key below it.
    void removeTree(const QString& key);
    [[nodiscard]] bool flush() { return ini_.flush(); }

private:
    TZkwIni ini_;
};
