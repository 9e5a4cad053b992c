#include "setup/install_list.h"

#include "core/whole_file.h"
#include "core/zkw_ini.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

namespace {

constexpr int kMaxEntries = 4096;

}  // namespace

QString installListPath(const QString& setupPath) {
    const QFileInfo setup(setupPath);
    return setup.dir().filePath(setup.completeBaseName() + QStringLiteral(".inf"));
}

InstallList readInstallList(const QString& path) {
    InstallList list;
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        list.error =
            QStringLiteral("インストールするファイルの一覧 %1 を読めません（%2）")
                .arg(shown, QFileInfo::exists(path) ? systemErrorText(errno)
                                                    : QStringLiteral("ファイルがありません"));
        return list;
    }
    file.close();
    // The installer's own list: read, never rewritten (the installer may
    // not own it, and its form is the packager's).
    TZkwIni ini(path);
    ini.readOnly();
    for (int n = 1; n <= kMaxEntries; ++n) {
        const QString value = ini.readString(u"Install", QString::number(n), QString());
        if (value.isEmpty()) break;
        const qsizetype comma = value.indexOf(u',');
        InstallEntry e;
        if (comma < 0) {
            e.source = e.target = value.trimmed();
        } else {
            e.source = value.left(comma).trimmed();
            e.target = value.mid(comma + 1).trimmed();
        }
        e.target.replace(u'\\', u'/');
        list.files.push_back(e);
    }
    for (int n = 1; n <= kMaxEntries; ++n) {
        const QString value = ini.readString(u"Group", QString::number(n), QString());
        if (value.isEmpty()) break;
        const QStringList parts = value.split(u',');
        GroupEntry g{parts.value(0).trimmed(), parts.value(1).trimmed().replace(u'\\', u'/'),
                     parts.mid(2).join(u',').trimmed()};
        list.group.push_back(g);
    }
    if (std::none_of(list.files.begin(), list.files.end(),
                     [](const InstallEntry& e) { return !e.source.isEmpty(); }))
        list.error =
            QStringLiteral("インストールするファイルの一覧 %1 にファイルがありません").arg(shown);
    return list;
}
