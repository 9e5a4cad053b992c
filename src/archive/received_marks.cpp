#include "archive/received_marks.h"

#include "archive/area_confirm.h"
#include "archive/received_list.h"
#include "core/app_info.h"
#include "core/msg_box.h"
#include "exchange/logging_program.h"
#include "logdata/dbf_table.h"
#include "logdata/log_store.h"
#include "logdata/zelkov50.h"

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
                               const QString& setting, bool markReceived,
                               const std::function<int(int recno)>& confirmArea) {
    MarkWriting done;
    for (const int recno : recnos) {
        if (recno < 1 || ZKW_read(log, recno, read_mode::BeforeMark) != 0) continue;
        if (const std::optional<QChar> mark =
                receivedMarkFor(setting, log.rec.qslRcvd, markReceived);
            mark && QSL_Rcv(log, recno, *mark) == 0)
            ++done.written;
        if (confirmArea) done.areas += confirmArea(recno);
    }
    return done;
}

QString markWritingSummary(const MarkWriting& done, const QString& setting) {
    QString text = done.written == 0 ? QStringLiteral("すべて受領済みマーク記入済みです。")
                                     : QStringLiteral("%1 件のデータに\r［%2］\rを書き込みました。")
                                           .arg(done.written)
                                           .arg(setting);
    if (done.areas > 0)
        text += QStringLiteral("\r\rZelkov.mstに\"C\"(Confirmed)を%1個書き込みました。")
                    .arg(done.areas);
    return text;
}

std::optional<MarkWriting> WriteMarksOfList(const MarkWritingJob& job,
                                            const std::vector<int>& recnos,
                                            LoggingProgram& loggingProgram, bool ask) {
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
        done = writeReceivedMarks(log.handle(), recnos, job.rule, job.markReceived, confirm);
        dbf_close(areas);
        dbf_close(qsos);
    }
    ShowMsgBox(nullptr, markWritingSummary(done, job.rule), app::title(),
               mb::Ok | mb::IconInformation);
    return done;
}
