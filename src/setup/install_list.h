#pragma once
// The installer's file list: the setup program's name with ".inf", beside
// it. [Install] "1", "2", ... (to the first missing key): a file copied to
// the same name, or "source,target" (the target relative to the install
// folder, sub-folders made), or ",target" (the target deleted). [Group]
// "1", "2", ...: "name,target[,arguments]", the menu's shortcuts.

#include <QString>

#include <vector>

struct InstallEntry {
    QString source;  // in the setup folder; empty: the target is deleted
    QString target;  // relative to the install folder
};

struct GroupEntry {
    QString name;
    QString target;
    QString arguments;
};

struct InstallList {
    std::vector<InstallEntry> files;
    std::vector<GroupEntry> group;
    QString error;  // why the list could not be read; empty when it was
};

// The list beside a setup program: its name with the extension "inf".
QString installListPath(const QString& setupPath);
// The entries of a list; none, with the reason in `error`, when it cannot be
// read or names nothing to copy. At most 4,096 a section. The file is only
// read.
InstallList readInstallList(const QString& path);
