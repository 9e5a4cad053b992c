// The received-card list: reading the receive folder, and matching its cards
// against a 200,000-QSO log, for 1,000, 10,000 and 50,000 cards (the match
// should grow with the cards, not with the log).

#include "archive/area_tally.h"
#include "archive/backup.h"
#include "archive/card_match.h"
#include "archive/received_list.h"
#include "archive/received_marks.h"
#include "core/progress_port.h"
#include "exchange/logging_program.h"
#include "logdata/adif.h"
#include "logdata/dbf_table.h"
#include "logdata/log_store.h"
#include "logdata/zelkov50.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTime>

#include <benchmark/benchmark.h>

#include <map>

namespace {

constexpr int kLogQsos = 200000;

// A 200,000-QSO log of 20,000 stations, logged in UTC.
struct MatchLog {
    QTemporaryDir dir;
    QString mst;

    MatchLog() {
        mst = dir.filePath(QStringLiteral("ZELKOV.mst"));
        QRandomGenerator rng(42);
        std::vector<QByteArray> calls;
        for (int i = 0; i < 20000; ++i) {
            const char* prefix[] = {"JA", "JR", "JH", "JE", "JF", "7K"};
            QByteArray call = QByteArray(prefix[i % 6]) + QByteArray::number(i % 10);
            for (int k = 0; k < 3; ++k)
                call += char('A' + rng.bounded(26));
            calls.push_back(call);
        }
        const char* modes[] = {"CW", "SSB", "FT8", "FM", "RTTY"};
        const char* freqs[] = {"3.530", "7.041", "14.074", "21.200", "50.150", "144.200"};
        QByteArray adi = "generated log\n<ADIF_VER:5>3.1.4 <EOH>\n";
        auto field = [&adi](const char* name, const QByteArray& v) {
            adi += '<' + QByteArray(name) + ':' + QByteArray::number(v.size()) + '>' + v + ' ';
        };
        for (int i = 0; i < kLogQsos; ++i) {
            const QDate date = QDate(2005, 1, 1).addDays(i * 7300 / kLogQsos);
            field("CALL", calls[rng.bounded(20000)]);
            field("QSO_DATE", date.toString(QStringLiteral("yyyyMMdd")).toLatin1());
            field(
                "TIME_ON",
                QByteArray::number(rng.bounded(24) * 100 + rng.bounded(60)).rightJustified(4, '0'));
            field("FREQ", freqs[rng.bounded(6)]);
            field("MODE", modes[rng.bounded(5)]);
            field("CNTY", QByteArray::number(1001 + rng.bounded(4000)));
            adi += "<EOR>\n";
        }
        const QString adif = dir.filePath(QStringLiteral("big.adi"));
        QFile f(adif);
        f.open(QIODevice::WriteOnly);
        f.write(adi);
        f.close();
        LogStore store;
        if (!store.open(mst, true)) qFatal("the matching log cannot be made");
        importAdif(store, adif);
        // Four thousand areas for the tally.
        QByteArray areas;
        for (int code = 1001; code <= 5000; ++code)
            areas += QByteArray::number(code) + ",Area " + QByteArray::number(code) + ",\r\n";
        const QString list = dir.filePath(QStringLiteral("areas.csv"));
        QFile a(list);
        a.open(QIODevice::WriteOnly);
        a.write(areas);
        a.close();
        importAreas(mst, list);
    }
};

MatchLog& matchLog() {
    static MatchLog log;
    return log;
}

// A receive folder of `count` cards: nine in ten of QSOs of the log (their
// UTC time in Japan time), the others of stations never worked.
QString cardFolder(int count, bool addressed = false) {
    static std::map<int, std::unique_ptr<QTemporaryDir>> folders;
    auto& dir = folders[addressed ? -count : count];
    if (dir) return dir->path();
    dir = std::make_unique<QTemporaryDir>();
    ZkwHandle log;
    if (ZelkovOpen(0, log, matchLog().mst, 0) != 0) qFatal("the matching log cannot be opened");
    QRandomGenerator rng(count);
    for (int i = 0; i < count; ++i) {
        QString name;
        if (i % 10 != 9 && ZKW_read(log, 1 + rng.bounded(log.recordCount), read_mode::Card) == 0) {
            const QsoRecord& q = log.rec;
            const QDateTime utc(QDate::fromString(q.date, QStringLiteral("yy/MM/dd")).addYears(100),
                                QTime::fromString(q.time, QStringLiteral("HH:mm")), Qt::UTC);
            const QDateTime jst = utc.addSecs(9 * 3600);
            name = q.call + jst.toString(QStringLiteral("_yyMMdd_HHmm_")) + q.freq + u'_' + q.mode +
                   (addressed ? QStringLiteral("_JS2IIU.jpg")
                              : QStringLiteral("_JS2IIU_%1.jpg").arg(i));
        } else {
            name = QStringLiteral("JD1Z%1_261120_1200_7.041_CW_JS2IIU.jpg").arg(i);
            if (!addressed) name.replace(QStringLiteral(".jpg"), QStringLiteral("_%1.jpg").arg(i));
        }
        QFile file(dir->filePath(name));
        file.open(QIODevice::WriteOnly);
        file.resize(3000);  // a card's size without writing it
    }
    ZelkovClose(log, 0);
    return dir->path();
}

ReceivedListSettings settings() {
    ReceivedListSettings s;
    s.order = 1;
    s.toleranceMinutes = 10;
    return s;
}

void BM_ReadReceiveFolder(benchmark::State& state) {
    const QString folder = cardFolder(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(receivedCardFiles(folder, settings()).size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadReceiveFolder)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_MatchCardsAgainst200kLog(benchmark::State& state) {
    const QString folder = cardFolder(static_cast<int>(state.range(0)));
    const std::vector<ReceivedCardFile> files = receivedCardFiles(folder, settings());
    int matched = 0;
    for (auto _ : state) {
        ZkwHandle log;
        if (ZelkovOpen(0, log, matchLog().mst, 0) != 0) qFatal("the matching log cannot be opened");
        const ReceivedList list = matchReceivedCards(
            files, log, settings(), [](const QString& a, const QString& b) { return a == b; });
        matched = list.marked + list.matched;
        ZelkovClose(log, 0);
    }
    state.counters["matched"] = matched;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MatchCardsAgainst200kLog)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The tally by area over the 200,000-QSO log: every card addressed to this
// station matched, counted by area, every area listed.
void BM_TallyAgainst200kLog(benchmark::State& state) {
    const QString folder = cardFolder(static_cast<int>(state.range(0)), true);
    AbsentLoggingProgram program;
    RecordingProgressPort progress;
    int confirmed = 0, counted = 0;
    for (auto _ : state) {
        TallyJob job{matchLog().mst,
                     folder,
                     QStringLiteral("JS2IIU"),
                     10,
                     [](const QString& a, const QString& b) { return a == b; },
                     {},
                     0};
        const Tally tally = BuildConfirmation(job, program, progress);
        confirmed = tally.confirmed;
        counted = tally.counted;
    }
    state.counters["areas"] = confirmed;
    state.counters["cards"] = counted;
}
BENCHMARK(BM_TallyAgainst200kLog)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The backup of 10,000 cards run again: nothing to copy, every card looked at.
void BM_BackupSecondRun10kCards(benchmark::State& state) {
    const QString folder = cardFolder(10000);
    static QTemporaryDir target;
    BackupSettings settings;
    settings.folder = target.path();
    const CardFolders folders{folder, folder, folder};
    const QString ini = target.filePath(QStringLiteral("none.ini"));
    runBackup(settings, ini, folders, 0, nullptr);  // the first run copies them
    int copied = -1;
    for (auto _ : state)
        copied = runBackup(settings, ini, folders, 0, nullptr).copied;
    if (copied != 0) state.SkipWithError("the second run copied files");
}
BENCHMARK(BM_BackupSecondRun10kCards)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Received marks of a list of 1,000 matched QSOs of the 200,000-QSO log (a
// copy of it): written together as the list writes them (arg 0), against
// one commit a mark (arg 1), the way they went before. Each iteration writes
// into a fresh copy.
void BM_WriteReceivedMarks(benchmark::State& state) {
    std::vector<int> recnos;
    for (int recno = 1000; recno < 200000 && recnos.size() < 1000; recno += 197)
        recnos.push_back(recno);
    const QString source = LogStore::dataPathFor(matchLog().mst);
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const QString mst = dir.filePath(QStringLiteral("ZELKOV.mst"));
        QFile::copy(matchLog().mst, mst);
        QFile::copy(source, LogStore::dataPathFor(mst));
        ZkwHandle log;
        if (ZelkovOpen(0, log, mst, 0) != 0) qFatal("the log copy cannot be opened");
        RecordingProgressPort progress;
        state.ResumeTiming();
        if (state.range(0) == 0) {
            benchmark::DoNotOptimize(
                writeReceivedMarks(log, recnos, QStringLiteral("H"), true, progress));
        } else {
            for (const int recno : recnos)
                if (ZKW_read(log, recno, read_mode::BeforeMark) == 0)
                    benchmark::DoNotOptimize(QSL_Rcv(log, recno, u'H'));
        }
        state.PauseTiming();
        ZelkovClose(log, 0);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * qint64(recnos.size()));
}
BENCHMARK(BM_WriteReceivedMarks)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);
