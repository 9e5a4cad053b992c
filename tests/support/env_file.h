#pragma once
// The "export NAME=value ..." files the loopback servers' start scripts write.

#include <QFile>
#include <QMap>
#include <QString>

namespace testing_support {

inline QMap<QString, QString> envFileVars(const QString& envFile) {
    QMap<QString, QString> vars;
    QFile f(envFile);
    if (!f.open(QIODevice::ReadOnly)) return vars;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (!line.startsWith(u"export ")) continue;
        for (const QString& pair : line.mid(7).split(u' ', Qt::SkipEmptyParts)) {
            const qsizetype eq = pair.indexOf(u'=');
            if (eq > 0) vars.insert(pair.left(eq), pair.mid(eq + 1));
        }
    }
    return vars;
}

}  // namespace testing_support
