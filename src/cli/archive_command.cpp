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
               "  --write-marks    writes the received marks into the matched QSOs\n"
               "  --confirm-areas  marks their areas confirmed in the area master too\n"
               "  --explain        for each card matching no QSO, the nearest QSOs of its\n"
               "                   call and what differs; a time difference many cards share\n"
               "  --force-common   renames the cards of such a shared difference to their\n"
               "                   QSOs' time (the forced match) and matches again\n";
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
                printLine(err, QStringLiteral("sendvik-cli match: cannot rename ") + failed);
        }
        printLine(out, QStringLiteral("renamed=%1").arg(renamed));
        build = BuildReceivedList(job, run.loggingProgram, run.progress, 0);
        if (build.end != ReceivedListBuild::End::Built || renameFailed) return 1;
    }
    ReceivedListModel model;
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
        WriteMarksOfList(marks, model.matchedRecords(), run.loggingProgram, false);
    if (!done) return 1;
    printLine(out, QString(markWritingSummary(*done, marks.rule)).replace(u'\r', u'\n'));
    printLine(out, QStringLiteral("written=%1").arg(done->written));
    printLine(out, QStringLiteral("areas=%1").arg(done->areas));
    return 0;
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
            err << "sendvik-cli sent-list: --tolerance takes minutes from 0 to 59\n";
            return 2;
        }
        args.remove(at, 2);
    }
    if (!args.isEmpty() || (takeBack && !undelivered) || (unreceived && undelivered)) {
        err << "usage: sendvik-cli sent-list [--unreceived | --undelivered [--take-back-marks]]\n"
               "                             [--tolerance MINUTES]\n"
               "  --unreceived       only the cards not confirmed yet (and the unmatched ones)\n"
               "  --undelivered      only the cards a server reported it could not deliver\n"
               "  --take-back-marks  takes their QSOs' sent marks back, so that the next\n"
               "                     batch sends them again\n"
               "  --tolerance        how far the QSO time may be off (default 0: the same\n"
               "                     minute)\n";
        return 2;
    }
    ListRun run(paths);
    TZkwIni settings(paths.settingsFile());
    const int order = WindowState(settings).sentListPlace().order;
    const SentListJob job{run.state.qsoData, run.state.folders.sentDir, order,
                          matchToleranceSeconds(tolerance), run.state.folders.messageDir};
    const SentListBuild build = BuildSentList(job, run.loggingProgram, run.progress, 0);
    if (build.end != ReceivedListBuild::End::Built) return 1;
    SentListModel model;
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
            err << "sendvik-cli backup: --to takes a folder\n";
            return 2;
        }
        args.remove(at, 2);
    }
    if (!args.isEmpty()) {
        err << "usage: sendvik-cli backup [--to DIR] [--sent] [--texts]\n"
               "  the settings file and the received cards, copied when newer, into the\n"
               "  backup folder of the settings (or DIR, made when missing)\n"
               "  --sent   the sent cards too\n"
               "  --texts  the received mail texts too\n";
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
               "  --view   0 every area with its cards, 1 the confirmed areas, 2 the others\n"
               "  --band   a band as the window names it (1.9 3.5 7 ... 5600 SAT 10G);\n"
               "           none: the bands of the settings\n"
               "  --mode   the modes counted (empty: every mode); none: the settings'\n"
               "  --xlsx   the result as a spreadsheet too\n";
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
                err << "sendvik-cli confirm: --view takes 0, 1 or 2\n";
                return 2;
            }
        } else if (option == u"--band") {
            for (const QString& b : value.split(u',')) {
                const int index = tallyBandIndex(b);
                if (index < 0) {
                    err << "sendvik-cli confirm: no such band: " << b.toStdString() << '\n';
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
        err << "sendvik-cli confirm: no call sign in the communication settings\n";
        return 1;
    }
    const Tally tally = BuildConfirmation(job, run.loggingProgram, run.progress);
    if (tally.end != Tally::End::Built) return 1;
    const QStringList lines = tallySheetLines(tally.rows, tally.columns, false);
    for (const QString& line : lines)
        printLine(out, line);
    printLine(out, tallyTitle(view, tally));
    if (!xlsx.isEmpty()) {
        const SpreadsheetExport sheet =
            ExportToSpreadsheet(lines, QFileInfo(xlsx).absoluteFilePath(), SheetCells::Text);
        if (!sheet.written) {
            err << "sendvik-cli confirm: " << sheet.error.toStdString() << '\n';
            return 1;
        }
        printLine(out, QStringLiteral("xlsx=") + QFileInfo(xlsx).absoluteFilePath());
    }
    return 0;
}
