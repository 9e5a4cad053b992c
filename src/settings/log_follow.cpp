#include "settings/log_follow.h"

#include "core/zkw_ini.h"

#include <QFileInfo>

LogFollowSettings LogFollowSettings::load(const TZkwIni& settings) {
    LogFollowSettings s;
    s.file = settings.readString(u"LogFollow", u"File", QString());
    s.followed.position =
        std::max<qint64>(0, settings.readString(u"LogFollow", u"Position", QString()).toLongLong());
    s.followed.head = settings.readString(u"LogFollow", u"Head", QString());
    s.watch = settings.readInteger(u"LogFollow", u"Watch", 0) != 0;
    return s;
}

void LogFollowSettings::save(TZkwIni& settings) const {
    settings.writeString(u"LogFollow", u"File", file);
    settings.writeString(u"LogFollow", u"Position", QString::number(followed.position));
    settings.writeString(u"LogFollow", u"Head", followed.head);
    settings.writeInteger(u"LogFollow", u"Watch", watch ? 1 : 0);
}

FollowedFile LogFollowSettings::placeOf(const QString& path) const {
    if (QFileInfo(path).absoluteFilePath() != QFileInfo(file).absoluteFilePath()) return {};
    return followed;
}
