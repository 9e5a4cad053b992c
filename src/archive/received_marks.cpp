#include "archive/received_marks.h"

#include "archive/area_confirm.h"
#include "archive/received_list.h"
#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/progress_port.h"
#include "exchange/logging_program.h"
#include "logdata/dbf_table.h"
#include "logdata/log_store.h"
#include "logdata/sqlite_db.h"
#include "logdata/zelkov50.h"

#include <QCoreApplication>

std::optional<QChar> receivedMarkFor(const QString& setting, QChar current, bool markReceived) {
    if (setting.isEmpty()) return std::nullopt;
    const QChar first = setting.front();
    if (!markReceived || first.unicode() <= u' ') {
        if (current == u' ' && first.unicode() > u' ') return first;
        return std::nullopt;
    }
    QChar mark = first;
    if (current != u' ') {
        bool paired = false;
        for (qsizetype i = 1; i + 1 < setting.size() && !paired; ++i) {
            if (setting[i] == u'=' && setting[i - 1] == current) {
                mark = setting[i + 1];
                paired = true;
            }
        }
        if (!paired) {
            if (setting.back() == u';') return std::nullopt;
            mark = setting.back();
        }
    }
    if (current == first || mark == current || mark.unicode() <= u' ') return std::nullopt;
    return mark;
}

MarkWriting writeReceivedMarks(ZkwHandle& log, const std::vector<int>& recnos,
                               const QString& setting, bool markReceived, ProgressPort& progress,
                               const std::function<int(int recno)>& confirmArea) {
    // One commit a mark cost milliseconds each (20,000 marks: over a minute);
    // a commit every few thousand keeps the logging program's wait short.
    constexpr int kMarksPerCommit = 2000;
    MarkWriting done;
    if (!log.store) return done;
    SqliteDb& db = log.store->db();
    std::optional<SqliteTransaction> tx;
    int pending = 0;
    const auto commit = [&] {
        if (!tx) return true;
        const bool committed = tx->commit();
        tx.reset();
        if (!committed) {
            done.written -= pending;
            done.failure = db.errorText();
        }
        pending = 0;
        return committed;
    };
    progress.setMaximum(int(recnos.size()));
    progress.setVisible(true);
    for (size_t i = 0; i < recnos.size(); ++i) {
        progress.setPosition(int(i));
        if ((i & 63) == 0) QCoreApplication::processEvents();
        if (progress.abortRequested()) {
            done.stopped = true;
            break;
        }
        const int recno = recnos[i];
        if (recno < 1 || ZKW_read(log, recno, read_mode::BeforeMark) != 0) continue;
        if (const std::optional<QChar> mark =
                receivedMarkFor(setting, log.rec.qslRcvd, markReceived)) {
            if (!tx) {
                tx.emplace(db);
                if (!tx->active()) {
                    tx.reset();
                    done.failure = db.errorText();
                    break;
                }
            }
            if (QSL_Rcv(log, recno, *mark) != 0) {
                done.failure = log.errorText;
                break;
            }
            ++done.written;
            if (++pending >= kMarksPerCommit && !commit()) break;
        }
        if (confirmArea) done.areas += confirmArea(recno);
    }
    (void)commit();  // a failure is in done.failure
    progress.setPosition(int(recnos.size()));
    progress.setVisible(false);
    return done;
}

QString markWritingSummary(const MarkWriting& done, const QString& setting) {
    const bool whole = !done.stopped && done.failure.isEmpty();
    QString text = done.written == 0 && whole
                       ? QStringLiteral("すべて受領済みマーク記入済みです。")
                       : QStringLiteral("%1 件のデータに\r［%2］\rを書き込みました。")
                             .arg(done.written)
                             .arg(setting);
    if (done.areas > 0)
        text += QStringLiteral("\r\rZelkov.mstに\"C\"(Confirmed)を%1個書き込みました。")
                    .arg(done.areas);
    if (done.stopped) text += QStringLiteral("\r\r中断しました。残りのQSOには書き込んでいません。");
    if (!done.failure.isEmpty())
        text +=
            QStringLiteral("\r\rQSLマークを書き込めません！残りのQSOには書き込んでいません。\r") +
            done.failure;
    return text;
}

std::optional<MarkWriting> WriteMarksOfList(const MarkWritingJob& job,
                                            const std::vector<int>& recnos,
                                            LoggingProgram& loggingProgram, ProgressPort& progress,
                                            bool ask) {
    if (ask && ShowMsgBox(nullptr,
                          QStringLiteral("照合済みの交信に[QSL受領マーク]を書き込みます。\r\r"
                                         "よろしいですか？"),
                          app::title(), mb::YesNo | mb::IconQuestion) != mb::IdYes)
        return std::nullopt;
    MarkWriting done;
    {
        ListLog log(job.qsoData, loggingProgram, 0);
        if (!log.isOpen()) return std::nullopt;
        DbfTable qsos, areas;
        std::function<int(int)> confirm;
        if (job.confirmInMaster && dbf_open(LogStore::dataPathFor(job.qsoData), qsos) == 0 &&
            dbf_open(job.qsoData, areas) == 0)
            confirm = [&](int recno) { return MarkEntityConfirmed(qsos, areas, recno); };
        progress.clearAbort();
        done =
            writeReceivedMarks(log.handle(), recnos, job.rule, job.markReceived, progress, confirm);
        dbf_close(areas);
        dbf_close(qsos);
    }
    ShowMsgBox(nullptr, markWritingSummary(done, job.rule), app::title(),
               mb::Ok | (done.failure.isEmpty() ? mb::IconInformation : mb::IconExclamation));
    return done;
}
