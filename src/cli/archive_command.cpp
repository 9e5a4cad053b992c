#include "cli/archive_command.h"

#include "app/main_state.h"
#include "archive/area_tally.h"
#include "archive/backup.h"
#include "archive/card_match.h"
#include "archive/near_misses.h"
#include "archive/received_list_model.h"
#include "archive/received_marks.h"
#include "archive/sent_list.h"
#include "archive/spreadsheet_export.h"
#include "cli/cli_output.h"
#include "cli/record_arguments.h"
#include "core/app_info.h"
#include "core/app_paths.h"
#include "core/comma_text.h"
#include "core/msg_box.h"
#include "core/progress_port.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "exchange/logging_program.h"
#include "platform/terminal.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <iostream>
#include <ostream>

namespace {

// The grid's columns as lines: the header, then "No," and each row's items.
void printRows(std::ostream& out, const CardListModel& model) {
    QStringList header;
    for (int c = 0; c < model.columnCount(); ++c)
        header.append(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    printLine(out, commaTextJoin(header));
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList items;
        for (int c = 0; c < model.columnCount(); ++c)
            items.append(model.data(model.index(row, c), Qt::DisplayRole).toString());
        printLine(out, commaTextJoin(items));
    }
}

struct ListRun {
    MainState state;
    EnvironmentSettings environment;
    AbsentLoggingProgram loggingProgram;
    TerminalProgressPort progress{std::cerr, platform::isInteractiveTerminal()};

    explicit ListRun(const AppPaths& paths) {
        TZkwIni settings(paths.settingsFile());
        state.load(settings, paths);
        environment.load(settings, false);
    }
};

}  // namespace

int runMatchCommand(const AppPaths& paths, const QStringList& arguments, std::ostream& out,
                    std::ostream& err) {
    QStringList args = arguments;
    const bool writeMarks = takeFlag(args, QStringLiteral("--write-marks"));
    const bool confirmAreas = takeFlag(args, QStringLiteral("--confirm-areas"));
    const bool explain = takeFlag(args, QStringLiteral("--explain"));
    const bool forceCommon = takeFlag(args, QStringLiteral("--force-common"));
    if (!args.isEmpty() || (confirmAreas && !writeMarks) || (forceCommon && !explain)) {
        err << "usage: sendvik-cli match [--write-marks [--confirm-areas]]\n"
               "       sendvik-cli match --explain [--force-common]\n"
               "  --write-marks    照合できたQSOに受領マークを書き込みます\n"
               "  --confirm-areas  その地域を地域マスタでもコンファーム済みにします\n"
               "  --explain        どのQSOとも一致しない電子QSLについて、同じコールの近い\n"
               "                   QSOと違う所、多くの電子QSLに共通する時刻のずれを示します\n"
               "  --force-common   その共通のずれを持つ電子QSLの名前をQSOの時刻に変えて\n"
               "                   （強制照合）、もう一度照合します\n";
        return 2;
    }
    ListRun run(paths);
    const EnvironmentSettings& environment = run.environment;
    ReceivedListJob job;
    job.qsoData = run.state.qsoData;
    job.receivedDir = run.state.folders.receivedDir;
    TZkwIni settings(paths.settingsFile());
    const WindowState::ListPlace place = WindowState(settings).receivedListPlace();
    job.settings.order = place.order;
    job.settings.details = place.third;
    job.settings.oldestDate = environment.oldestMatchDate;
    job.settings.toleranceMinutes = environment.toleranceMinutes;
    job.modesAgree = environment.modeComparison();
    ReceivedListBuild build = BuildReceivedList(job, run.loggingProgram, run.progress, 0);
    if (build.end != ReceivedListBuild::End::Built) return 1;
    if (explain) {
        const NearMissJob near{job.qsoData, job.receivedDir, run.state.folders.messageDir,
                               job.settings.toleranceMinutes, job.modesAgree};
        const auto found = nearMissesOf(near, build.list.rows, run.loggingProgram);
        if (!found) return 1;
        const std::vector<NearMiss>& misses = *found;
        for (const NearMiss& miss : misses) {
            printLine(out, miss.cardName);
            for (const QString& line : nearMissLines(miss))
                printLine(out, QStringLiteral("  ") + line);
        }
        const std::vector<CommonOffset> common =
            commonOffsets(misses, matchToleranceSeconds(near.toleranceMinutes));
        for (const CommonOffset& offset : common)
            printLine(out, commonOffsetText(offset));
        if (!forceCommon || common.empty()) return 0;
        int renamed = 0;
        bool renameFailed = false;
        for (const CommonOffset& offset : common) {
            const ForcedMatch done = forceMatch(offset, near.receivedDir, near.messageDir);
            renamed += done.renamed;
            renameFailed = renameFailed || !done.failed.isEmpty();
            for (const QString& failed : done.failed)
                printLine(err, QStringLiteral("sendvik-cli match: ファイル名を変更できません: ") +
                                   failed);
        }
        printLine(out, QStringLiteral("renamed=%1").arg(renamed));
        build = BuildReceivedList(job, run.loggingProgram, run.progress, 0);
        if (build.end != ReceivedListBuild::End::Built || renameFailed) return 1;
    }
    ReceivedListModel model;
    model.setDescending(place.descending);  // the order the window shows
    model.setList(build.list, job.settings.details);
    if (!explain || forceCommon) {
        printRows(out, model);
        printLine(out, model.status().trimmed());
    }
    if (!writeMarks) return 0;

    MarkWritingJob marks;
    marks.qsoData = job.qsoData;
    marks.rule = environment.receivedMarkRule;
    marks.markReceived = environment.markAlreadyReceived;
    marks.confirmInMaster = confirmAreas;
    const std::optional<MarkWriting> done =
        WriteMarksOfList(marks, model.matchedRecords(), run.loggingProgram, run.progress, false);
    if (!done) return 1;
    printLine(out, QString(markWritingSummary(*done, marks.rule)).replace(u'\r', u'\n'));
    printLine(out, QStringLiteral("written=%1").arg(done->written));
    printLine(out, QStringLiteral("areas=%1").arg(done->areas));
    return done->stopped || !done->failure.isEmpty() ? 1 : 0;
}

int runSentListCommand(const AppPaths& paths, const QStringList& arguments, std::ostream& out,
                       std::ostream& err) {
    QStringList args = arguments;
    const bool unreceived = takeFlag(args, QStringLiteral("--unreceived"));
    const bool undelivered = takeFlag(args, QStringLiteral("--undelivered"));
    const bool takeBack = takeFlag(args, QStringLiteral("--take-back-marks"));
    int tolerance = 0;
    if (const qsizetype at = args.indexOf(QStringLiteral("--tolerance")); at >= 0) {
        bool ok = false;
        tolerance = args.value(at + 1).toInt(&ok);
        if (!ok || tolerance < 0 || tolerance > 59) {
            printLine(err, QStringLiteral("sendvik-cli sent-list: --tolerance には 0～59 の分数を"
                                          "指定してください"));
            return 2;
        }
        args.remove(at, 2);
    }
    if (!args.isEmpty() || (takeBack && !undelivered) || (unreceived && undelivered)) {
        err << "usage: sendvik-cli sent-list [--unreceived | --undelivered [--take-back-marks]]\n"
               "                             [--tolerance MINUTES]\n"
               "  --unreceived       まだ受領していない電子QSL（と照合できないもの）だけ\n"
               "  --undelivered      配信できなかったとサーバーが知らせた電子QSLだけ\n"
               "  --take-back-marks  そのQSOの送信マークを取り消し、次の一括送信で\n"
               "                     もう一度送るようにします\n"
               "  --tolerance        QSO時刻のずれの許容（分。既定は0：同じ分）\n";
        return 2;
    }
    ListRun run(paths);
    TZkwIni settings(paths.settingsFile());
    const WindowState::ListPlace place = WindowState(settings).sentListPlace();
    const SentListJob job{run.state.qsoData, run.state.folders.sentDir, place.order,
                          matchToleranceSeconds(tolerance), run.state.folders.messageDir};
    const SentListBuild build = BuildSentList(job, run.loggingProgram, run.progress, 0);
    if (build.end != ReceivedListBuild::End::Built) return 1;
    SentListModel model;
    model.setDescending(place.descending);  // the order the window shows
    model.setList(build.list);
    if (unreceived && model.keepUnreceived() == 0) {
        ShowMsgBox(nullptr, QStringLiteral("QSL未受領は該当がありません。"), app::title(),
                   mb::Ok | mb::IconInformation);
        return 0;
    }
    if (undelivered && model.keepUndelivered() == 0) {
        ShowMsgBox(nullptr, QStringLiteral("配達不能の電子QSLはありません。"), app::title(),
                   mb::Ok | mb::IconInformation);
        return 0;
    }
    printRows(out, model);
    printLine(out, model.status().trimmed());
    if (!takeBack) return 0;
    const std::optional<int> changed = takeBackSentMarks(
        job.qsoData, model.undeliveredRecords(), run.environment.sentMarkRule, run.loggingProgram);
    if (!changed) return 1;
    printLine(out, QStringLiteral("taken-back=%1").arg(*changed));
    return 0;
}

int runBackupCommand(const AppPaths& paths, const QStringList& arguments, std::ostream& out,
                     std::ostream& err) {
    QStringList args = arguments;
    const bool sent = takeFlag(args, QStringLiteral("--sent"));
    const bool texts = takeFlag(args, QStringLiteral("--texts"));
    QString to;
    if (const qsizetype at = args.indexOf(QStringLiteral("--to")); at >= 0) {
        to = args.value(at + 1);
        if (to.isEmpty()) {
            printLine(err,
                      QStringLiteral("sendvik-cli backup: --to にはフォルダを指定してください"));
            return 2;
        }
        args.remove(at, 2);
    }
    if (!args.isEmpty()) {
        err << "usage: sendvik-cli backup [--to DIR] [--sent] [--texts]\n"
               "  設定ファイルと受信した電子QSLを、新しいものだけ設定のバックアップ\n"
               "  フォルダ（または DIR。無ければ作成）にコピーします\n"
               "  --sent   送信した電子QSLも\n"
               "  --texts  受信したメールのテキストも\n";
        return 2;
    }
    ListRun run(paths);
    TZkwIni settings(paths.settingsFile());
    BackupSettings backup;
    backup.load(settings);
    if (!to.isEmpty()) {
        backup.folder = QFileInfo(to).absoluteFilePath();
        QDir().mkpath(backup.folder);
    }
    backup.alsoSent = sent;
    backup.alsoTexts = texts;
    const int scope = backup_scope::Sent | backup_scope::Received;
    const BackupResult result =
        runBackup(backup, paths.settingsFile(), run.state.folders, scope, &run.progress);
    if (result.folderMissing) return 1;
    printLine(out, QStringLiteral("copied=%1").arg(result.copied));
    if (result.failed > 0) printLine(out, QStringLiteral("failed=%1").arg(result.failed));
    printLine(out, QStringLiteral("received=%1").arg(result.looked[0]));
    if (sent) printLine(out, QStringLiteral("sent=%1").arg(result.looked[1]));
    if (texts) printLine(out, QStringLiteral("texts=%1").arg(result.looked[2]));
    return result.aborted || result.failed > 0 ? 1 : 0;
}

int runConfirmCommand(const AppPaths& paths, const QStringList& arguments, std::ostream& out,
                      std::ostream& err) {
    const auto usage = [&err] {
        err << "usage: sendvik-cli confirm --view 0|1|2 [--band B]... [--mode M,M...] [--xlsx "
               "FILE]\n"
               "  --view   0 全地域と電子QSL、1 コンファーム済みの地域、2 未コンファームの地域\n"
               "  --band   画面と同じバンド名（1.9 3.5 7 ... 5600 SAT 10G）。\n"
               "           省略時は設定のバンド\n"
               "  --mode   集計するモード（空：全モード）。省略時は設定のモード\n"
               "  --xlsx   結果を表計算ファイルにも書き出します\n";
        return 2;
    };
    QStringList args = arguments;
    int view = -1;
    unsigned bands = 0;
    std::optional<QString> modes;
    QString xlsx;
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        if (args.isEmpty()) return usage();
        const QString value = args.takeFirst();
        if (option == u"--view") {
            bool ok = false;
            view = value.toInt(&ok);
            if (!ok || view < 0 || view > 2) {
                printLine(err,
                          QStringLiteral("sendvik-cli confirm: --view には 0、1、2 のいずれかを"
                                         "指定してください"));
                return 2;
            }
        } else if (option == u"--band") {
            for (const QString& b : value.split(u',')) {
                const int index = tallyBandIndex(b);
                if (index < 0) {
                    printLine(
                        err, QStringLiteral("sendvik-cli confirm: そのようなバンドはありません: ") +
                                 b.left(40));
                    return 2;
                }
                bands |= 1u << index;
            }
        } else if (option == u"--mode") {
            modes = value;
        } else if (option == u"--xlsx") {
            xlsx = value;
        } else {
            return usage();
        }
    }
    if (view < 0) return usage();

    ListRun run(paths);
    TZkwIni settings(paths.settingsFile());
    TallySettings stored;
    stored.load(settings);
    if (modes) stored.modeText = *modes;
    TallyJob job;
    job.qsoData = run.state.qsoData;
    job.receivedDir = run.state.folders.receivedDir;
    job.ownCall = CommSettings::storedCall(settings).toUpper();
    job.toleranceMinutes = run.environment.toleranceMinutes;
    job.modesAgree = run.environment.modeComparison();
    job.filter = stored.filterOfTexts();
    if (bands) job.filter.bandMask = bands;
    job.view = view;
    if (job.ownCall.isEmpty()) {
        printLine(err, QStringLiteral("sendvik-cli confirm: 通信設定にコールサインがありません"));
        return 1;
    }
    const Tally tally = BuildConfirmation(job, run.loggingProgram, run.progress);
    if (tally.end != Tally::End::Built) return 1;
    const QStringList lines = tallySheetLines(tally.rows, tally.columns, false);
    for (const QString& line : lines)
        printLine(out, line);
    printLine(out, tallyTitle(view, tally));
    if (const QString leftOut = tallyLeftOutText(tally, job.filter.modes.join(u','));
        !leftOut.isEmpty())
        printLine(err, leftOut);
    if (!xlsx.isEmpty()) {
        const SpreadsheetExport sheet =
            ExportToSpreadsheet(lines, QFileInfo(xlsx).absoluteFilePath(), SheetCells::Text);
        if (!sheet.written) {
            printLine(err, QStringLiteral("sendvik-cli confirm: ") + oneLine(sheet.error));
            return 1;
        }
        printLine(out, QStringLiteral("xlsx=") + QFileInfo(xlsx).absoluteFilePath());
    }
    return 0;
}
