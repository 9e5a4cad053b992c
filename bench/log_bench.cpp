// The log: importing a large ADIF log (against sqlite3's own CSV import of the
// same rows), opening it, reading records, walking the call index and
// choosing the QSOs of a 300-record range.

#include "logdata/adif.h"
#include "logdata/log_store.h"
#include "logdata/qso_selection.h"
#include "logdata/user_list.h"
#include "logdata/zelkov50.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kQsos = 200000;

struct BigLog {
    QTemporaryDir dir;
    QString adif, csv, mst, userList;
    std::vector<QString> calls;

    BigLog() {
        adif = dir.filePath(QStringLiteral("big.adi"));
        csv = dir.filePath(QStringLiteral("big.csv"));
        mst = dir.filePath(QStringLiteral("ZELKOV.mst"));
        userList = dir.filePath(QStringLiteral("UserList.usr"));
        QRandomGenerator rng(42);
        for (int i = 0; i < 20000; ++i) {
            const char16_t prefix[][3] = {u"JA", u"JR", u"JH", u"JE", u"JF", u"7K"};
            QString call = QString::fromUtf16(prefix[i % 6]) + QString::number(i % 10);
            for (int k = 0; k < 3; ++k)
                call += QChar(u'A' + rng.bounded(26));
            calls.push_back(call);
        }
        const char* modes[] = {"CW", "SSB", "FT8", "FM", "RTTY"};
        const char* freqs[] = {"1.910",  "3.530",  "7.041",   "10.120",  "14.074",  "21.200",
                               "28.500", "50.150", "144.200", "433.000", "1295.000"};
        QByteArray adi = "generated log\n<ADIF_VER:5>3.1.4 <EOH>\n";
        QByteArray rows;
        for (int i = 0; i < kQsos; ++i) {
            const QByteArray call = calls[rng.bounded(20000)].toLatin1();
            const int year = 2000 + i * 25 / kQsos;
            const QByteArray date =
                QByteArray::number(year) +
                QByteArray::number(101 + rng.bounded(12) * 100 + rng.bounded(28))
                    .rightJustified(4, '0');
            const QByteArray time =
                QByteArray::number(rng.bounded(24) * 100 + rng.bounded(60)).rightJustified(4, '0');
            const QByteArray mode = modes[rng.bounded(5)];
            const QByteArray freq = freqs[rng.bounded(11)];
            auto field = [&adi](const char* name, const QByteArray& v) {
                adi += '<' + QByteArray(name) + ':' + QByteArray::number(v.size()) + '>' + v + ' ';
            };
            field("CALL", call);
            field("QSO_DATE", date);
            field("TIME_ON", time);
            field("FREQ", freq);
            field("MODE", mode);
            field("RST_SENT", "599");
            field("RST_RCVD", "579");
            field("QSL_SENT", "N");
            adi += "<EOR>\n";
            rows += call + ',' + call + ',' + call.left(6) + ',' + date + ',' + time +
                    ",U,\" N \",0,599,579," + freq + ',' + mode + ",,,,,,,," + ',' + call + '|' +
                    date + time + '|' + freq + '|' + mode + '\n';
        }
        QFile f(adif);
        f.open(QIODevice::WriteOnly);
        f.write(adi);
        QFile c(csv);
        c.open(QIODevice::WriteOnly);
        c.write(rows);
        QByteArray users = "2025/11/01\n";
        for (const QString& call : calls)
            users += call.toLatin1() + '\n';
        QFile u(userList);
        u.open(QIODevice::WriteOnly);
        u.write(users);
        if (!BuildUserListIndex(userList)) qFatal("the user list index cannot be made");
    }
};

BigLog& bigLog() {
    static BigLog log;
    return log;
}

void BM_ImportAdif200k(benchmark::State& state) {
    BigLog& big = bigLog();
    for (auto _ : state) {
        QFile::remove(big.mst);
        QFile::remove(LogStore::dataPathFor(big.mst));
        LogStore store;
        if (!store.open(big.mst, true)) qFatal("the big log cannot be made");
        const ImportResult r = importAdif(store, big.adif);
        if (r.added < kQsos * 9 / 10) state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_ImportAdif200k)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// sqlite3's shell importing the same rows as CSV into a table of the same
// shape and indexes: the yardstick for our import.
void BM_Sqlite3CsvImport200k(benchmark::State& state) {
    BigLog& big = bigLog();
    const QString db = big.dir.filePath(QStringLiteral("csv.db"));
    const QByteArray script =
        "CREATE TABLE qso (recno INTEGER PRIMARY KEY, call TEXT NOT NULL, lookup TEXT NOT NULL,"
        " key6 TEXT NOT NULL, qso_date TEXT NOT NULL, time_on TEXT NOT NULL, zone TEXT NOT NULL,"
        " qsl TEXT NOT NULL, flags INTEGER NOT NULL, his_rst TEXT, my_rst TEXT, freq TEXT, mode "
        "TEXT,"
        " code TEXT, code2 TEXT, grid TEXT, name TEXT, qth TEXT, remarks1 TEXT, remarks2 TEXT,"
        " sent_date TEXT, rcvd_date TEXT, ident TEXT NOT NULL UNIQUE);\n"
        "CREATE INDEX qso_call_index ON qso (key6, recno);\n"
        "CREATE TEMP TABLE raw (call, lookup, key6, qso_date, time_on, zone, qsl, flags, his_rst,"
        " my_rst, freq, mode, code, code2, grid, name, qth, remarks1, remarks2, sent_date, "
        "rcvd_date, ident);\n"
        ".mode csv\n.import " +
        big.csv.toUtf8() +
        " raw\n"
        "INSERT OR IGNORE INTO qso (call, lookup, key6, qso_date, time_on, zone, qsl, flags, "
        "his_rst,"
        " my_rst, freq, mode, code, code2, grid, name, qth, remarks1, remarks2, sent_date, "
        "rcvd_date,"
        " ident) SELECT * FROM raw;\n";
    for (auto _ : state) {
        QFile::remove(db);
        QProcess p;
        p.start(QStringLiteral("sqlite3"), {db});
        p.write(script);
        p.closeWriteChannel();
        p.waitForFinished(-1);
        if (p.exitCode() != 0) state.SkipWithError(p.readAllStandardError().constData());
    }
}
BENCHMARK(BM_Sqlite3CsvImport200k)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void openedLog(ZkwHandle& log) {
    BigLog& big = bigLog();
    if (!QFile::exists(LogStore::dataPathFor(big.mst))) {
        LogStore store;
        if (!store.open(big.mst, true)) qFatal("the big log cannot be made");
        importAdif(store, big.adif);
    }
    if (ZelkovOpen(0, log, big.mst, 1) != 0) qFatal("the big log cannot be opened");
}

void BM_OpenLog(benchmark::State& state) {
    ZkwHandle warm;
    openedLog(warm);
    ZelkovClose(warm, 1);
    for (auto _ : state) {
        ZkwHandle log;
        if (ZelkovOpen(0, log, bigLog().mst, 1) != 0) qFatal("the big log cannot be opened");
        benchmark::DoNotOptimize(log.recordCount);
        ZelkovClose(log, 1);
    }
}
BENCHMARK(BM_OpenLog)->Unit(benchmark::kMicrosecond);

void BM_ReadRandomRecord(benchmark::State& state) {
    ZkwHandle log;
    openedLog(log);
    QRandomGenerator rng(7);
    for (auto _ : state)
        benchmark::DoNotOptimize(ZKW_read(log, 1 + rng.bounded(log.recordCount), 3));
}
BENCHMARK(BM_ReadRandomRecord);

// Finding a call and reading every QSO with it, as matching a card does.
void BM_IndexWalkOneCall(benchmark::State& state) {
    ZkwHandle log;
    openedLog(log);
    QRandomGenerator rng(9);
    for (auto _ : state) {
        const QString key = bigLog().calls[rng.bounded(20000)].left(6).leftJustified(6, u' ');
        int n = 0;
        for (int r = idxLsearch(log.index, key); r != 0 && log.index.key6 == key;
             r = idx_back(log.index)) {
            benchmark::DoNotOptimize(ZKW_read(log, r, 16));
            ++n;
        }
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_IndexWalkOneCall);

void BM_Select300(benchmark::State& state) {
    ZkwHandle log;
    openedLog(log);
    UserHandle users;
    if (User_open(0, 0, users, bigLog().userList) != 0) qFatal("the user list cannot be opened");
    SelectionRules rules;
    rules.today = QStringLiteral("25/06/15");
    for (auto _ : state) {
        const Selection s =
            SelectCandidates(log, users, log.recordCount - 299, log.recordCount, 0, rules);
        benchmark::DoNotOptimize(s.candidates.size());
    }
}
BENCHMARK(BM_Select300)->Unit(benchmark::kMicrosecond);

}  // namespace
