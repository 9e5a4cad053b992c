// Writes what the program writes, over and over, until it is killed: the
// crash-safety tests kill it at random moments and look at what is left.
//   crash_worker settings FILE          the settings file: 40 keys and a
//                                       generation, flushed each round
//   crash_worker marks MST FIRST LAST   the sent marks of the records in order
//   crash_worker backup SRC DST         the cards in SRC rewritten, then backed
//                                       up into DST, each round
// Prints "ready" once the first round is done.

#include "card_content.h"

#include "archive/backup.h"
#include "core/text_files.h"
#include "core/zkw_ini.h"
#include "logdata/log_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

void ready() {
    std::puts("ready");
    std::fflush(stdout);
}

int settings(const QString& file) {
    for (int g = 1;; ++g) {
        {
            TZkwIni ini(file);
            for (int k = 1; k <= 40; ++k)
                ini.writeString(u"Keys", QStringLiteral("K%1").arg(k),
                                QStringLiteral("%1-").arg(g) + QString((g * k) % 97, u'x'));
            ini.writeInteger(u"Gen", u"Value", g);
        }
        if (g == 1) ready();
    }
}

int marks(const QString& mst, int first, int last) {
    LogStore log;
    if (!log.open(mst, false)) return 2;
    for (int r = first; r <= last; ++r) {
        if (!log.writeMark(r, 1, u'H')) return 3;
        if (r == first) ready();
    }
    return 0;
}

int backup(const QString& source, const QString& destination) {
    BackupSettings settings;
    settings.folder = destination;
    const QString settingsFile = QDir(source).filePath(QStringLiteral("Sendvik.ini"));
    for (int g = 1;; ++g) {
        for (int c = 0; c < 20; ++c) {
            const QString name = QStringLiteral("JA%1ABC_240101_1200_7_CW_JS2IIU.jpg").arg(c);
            // Every other round changes a third of the cards.
            if (g == 1 || (c + g) % 3 == 0)
                if (!SaveFile(crash_worker::cardContent(name, g), QDir(source).filePath(name)))
                    return 2;
        }
        runBackup(settings, settingsFile, {source, QString(), QString()}, 0, nullptr);
        if (g == 1) ready();
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() >= 3 && a[1] == u"settings") return settings(a[2]);
    if (a.size() >= 5 && a[1] == u"marks") return marks(a[2], a[3].toInt(), a[4].toInt());
    if (a.size() >= 4 && a[1] == u"backup") return backup(a[2], a[3]);
    std::fputs("usage: crash_worker settings FILE | marks MST FIRST LAST | backup SRC DST\n",
               stderr);
    return 2;
}
