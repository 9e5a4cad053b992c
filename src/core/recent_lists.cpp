#include "core/recent_lists.h"

#include "core/mklink.h"
#include "core/zk_dll5.h"
#include "core/zkw_ini.h"

#include <QFileInfo>

namespace {

constexpr int kHistoryKeys = 20;

QString numberedKey(QStringView prefix, int n) {
    return prefix.toString() + QString::number(n);
}

}  // namespace

void RecentFiles::load(const TZkwIni& settings, QStringView section, QStringView prefix,
                       const QString& programDir) {
    files_.clear();
    for (int n = 0; n < limit_; ++n) {
        const QString stored = settings.readString(section, numberedKey(prefix, n), QString());
        if (stored.isEmpty()) continue;
        const QString path = MakeAbsolutePath(stored, programDir);
        if (QFileInfo(path).isFile()) files_.append(path);
    }
}

void RecentFiles::save(TZkwIni& settings, QStringView section, QStringView prefix,
                       const QString& programDir) const {
    for (int n = 0; n < limit_; ++n)
        settings.deleteKey(section, numberedKey(prefix, n));
    const QStringList shown = captions();
    int out = 0;
    for (int i = 0; i < files_.size(); ++i)
        if (!shown[i].isEmpty())
            settings.writeString(section, numberedKey(prefix, out++),
                                 MakeRelativePath(files_[i], programDir));
}

void RecentFiles::choose(const QString& file) {
    QStringList next{file};
    for (const QString& f : std::as_const(files_))
        if (f.compare(file, Qt::CaseInsensitive) != 0) next.append(f);
    files_ = next.mid(0, limit_);
}

void RecentFiles::include(const QString& file) {
    if (!files_.contains(file, Qt::CaseInsensitive)) choose(file);
}

void RecentFiles::remove(const QString& file) {
    files_.removeIf([&](const QString& f) { return f.compare(file, Qt::CaseInsensitive) == 0; });
}

QStringList RecentFiles::captions() const {
    QStringList out;
    for (int i = 0; i < files_.size(); ++i)
        out.append(ToggleMenuAccel(files_[i], i));
    return out;
}

void commitHistory(QStringList& list, const QString& text) {
    if (text.isEmpty()) return;
    list.removeAll(text);
    list.prepend(text);
}

QStringList historyWithText(QStringList list, const QString& text) {
    if (text.isEmpty()) {
        if (!list.isEmpty() && !list.front().isEmpty()) list.prepend(QString());
    } else {
        commitHistory(list, text);
    }
    while (list.size() > kHistoryKeys)
        list.removeLast();
    return list;
}

QStringList loadHistory(const TZkwIni& settings, QStringView section, QStringView prefix) {
    QStringList list;
    for (int n = 0; n < kHistoryKeys; ++n) {
        const QString value = settings.readString(section, numberedKey(prefix, n), QString());
        if (n == 0 || !value.isEmpty()) list.append(value);
    }
    return list;
}

void saveHistory(TZkwIni& settings, QStringView section, QStringView prefix,
                 const QStringList& list) {
    for (int n = 0; n < kHistoryKeys; ++n) {
        const QString value = n < list.size() ? list[n] : QString();
        if (n == 0 || !value.isEmpty())
            settings.writeString(section, numberedKey(prefix, n), value);
        else
            settings.deleteKey(section, numberedKey(prefix, n));
    }
}
