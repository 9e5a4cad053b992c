#include "cli/log_command.h"

#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/record_arguments.h"

#include "core/app_paths.h"
#include "core/zkw_ini.h"
#include "logdata/adif.h"
#include "logdata/dbf_table.h"
#include "logdata/qso_selection.h"
#include "logdata/zelkov50.h"
#include "platform/termination.h"
#include "settings/kankyo.h"
#include "settings/log_follow.h"
#include "settings/program_files.h"

#include <QThread>

#include <ostream>

namespace {

int usage(std::ostream& err) {
    err << "usage: sendvik-cli log import FILE.adi|FILE.adx [--strict]\n"
           "         （--strict：不正なフィールドがあればレコードを読み飛ばさず、"
           "読み込みを中止）\n"
           "       sendvik-cli log export FILE.adi|FILE.adx\n"
           "       sendvik-cli log show N\n"
           "       sendvik-cli log count\n"
           "       sendvik-cli log follow FILE.adi [--once] [--send [--yes]]\n"
           "         （他のプログラムが書き足すADIFファイルから、前回の続きのQSOを読み込み、"
           "\n          書き足されるのを Ctrl+C まで待ちます。--once：一度だけ読み込む。"
           "\n          --send：読み込んだQSOの電子QSLをすぐに送信）\n";
    return 2;
}

int selectUsage(std::ostream& err) {
    err << "usage: sendvik-cli select FIRST LAST\n"
           "  レコード範囲のうち、電子QSLを送るQSOを表示します\n";
    return 2;
}

int areasUsage(std::ostream& err) {
    err << "usage: sendvik-cli areas import FILE\n"
           "  地域コードの一覧（「コード,地域名」または JARL "
           "のリスト）から地域マスタを作成します\n";
    return 2;
}

ProgramFiles filesOf(const AppPaths& paths) {
    TZkwIni settings(paths.settingsFile());
    return programFiles(settings, paths);
}

int openLog(const AppPaths& paths, ZkwHandle& log, std::ostream& err) {
    if (ZelkovOpen(0, log, filesOf(paths).qsoData, 1) != 0) {
        printLine(err, QStringLiteral("sendvik-cli: QSOデータを開けません: ") + log.errorText);
        return 1;
    }
    return 0;
}

void show(const QsoRecord& q, std::ostream& out) {
    const QString century = QString::number(q.century);
    const std::pair<const char*, QString> fields[] = {
        {"recno", QString::number(q.recno)},
        {"call", q.call},
        {"date", q.date},
        {"year", century + q.date.left(2)},
        {"time", q.time},
        {"zone", QString(q.zone)},
        {"qsl", q.qslField()},
        {"flags", QString::number(q.flags)},
        {"his_rst", q.hisRst},
        {"my_rst", q.myRst},
        {"freq", q.freq},
        {"mode", q.mode},
        {"code", q.code},
        {"code2", q.code2},
        {"grid", q.grid},
        {"name", q.name},
        {"qth", q.qth},
        {"remarks1", q.remarks1},
        {"remarks2", q.remarks2},
        {"key", q.key.trimmed()},
    };
    for (const auto& [name, value] : fields)
        out << name << '=' << value.toStdString() << '\n';
}

}  // namespace

int runLogCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                  std::ostream& err) {
    if (args.isEmpty()) return usage(err);
    const QString& verb = args[0];
    if (verb == u"import" && (args.size() == 2 || (args.size() == 3 && args[2] == u"--strict"))) {
        const ImportResult r = importAdifInto(filesOf(paths).qsoData, args[1], args.size() == 3);
        if (!r.error.isEmpty()) {
            printLine(err, QStringLiteral("sendvik-cli: ") + r.error);
            return 1;
        }
        printLine(out, QStringLiteral("added=%1").arg(r.added));
        printLine(out, QStringLiteral("duplicates=%1").arg(r.duplicates));
        printLine(out, QStringLiteral("skipped=%1").arg(r.skipped));
        for (const auto& [why, count] : r.skippedBy)
            printLine(out, QStringLiteral("skipped[%1]=%2").arg(why).arg(count));
        for (const auto& [line, why] : r.firstSkipped)
            printLine(err, QStringLiteral(
                               "sendvik-cli: %1 の %2行目: %3（このレコードは読み飛ばしました）")
                               .arg(shownPath(args[1]), QString::number(line), why));
        return 0;
    }
    if (verb == u"follow" && (args.size() == 2 || (args.size() == 3 && args[2] == u"--once")) &&
        !args[1].startsWith(u"--"))
        return followLogFile(paths, args[1], args.size() == 3, out, err, {});
    if (verb == u"follow" && args.size() > 2)
        printLine(err, QStringLiteral("sendvik-cli log follow: 使えない引数です: ") +
                           args.mid(2).join(u' ').left(80));
    if (verb == u"export" && args.size() == 2) {
        LogStore store;
        if (!store.open(filesOf(paths).qsoData, false)) {
            printLine(err,
                      QStringLiteral("sendvik-cli: QSOデータを開けません: ") + store.errorText());
            return 1;
        }
        const ExportResult r = exportAdif(store, args[1]);
        if (!r.error.isEmpty()) {
            printLine(err, QStringLiteral("sendvik-cli: ") + r.error);
            return 1;
        }
        printLine(out, QStringLiteral("written=%1").arg(r.written));
        return 0;
    }
    ZkwHandle log;
    if ((verb == u"count" && args.size() == 1) || (verb == u"show" && args.size() == 2)) {
        if (const int rc = openLog(paths, log, err)) return rc;
        if (verb == u"count") {
            printLine(out, QString::number(log.recordCount));
        } else if (const auto recno = recordArgument(args[1], log.recordCount, err); !recno) {
            ZelkovClose(log, 1);
            return 1;
        } else if (ZKW_read(log, *recno, read_mode::List) == 0) {
            show(log.rec, out);
        } else {
            printLine(err, QStringLiteral("sendvik-cli: レコード %1 を読めません: %2")
                               .arg(QString::number(*recno), shownPath(filesOf(paths).qsoData)));
            ZelkovClose(log, 1);
            return 1;
        }
        ZelkovClose(log, 1);
        return 0;
    }
    return usage(err);
}

int runAreasCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                    std::ostream& err) {
    if (args.size() != 2 || args[0] != u"import") return areasUsage(err);
    const AreaImportResult r = importAreas(filesOf(paths).qsoData, args[1]);
    if (!r.error.isEmpty()) {
        printLine(err, QStringLiteral("sendvik-cli: ") + r.error);
        return 1;
    }
    printLine(out, QStringLiteral("added=%1").arg(r.added));
    printLine(out, QStringLiteral("updated=%1").arg(r.updated));
    return 0;
}

int runSelectCommand(const AppPaths& paths, const QStringList& args, std::ostream& out,
                     std::ostream& err) {
    if (args.size() != 2) return selectUsage(err);

    TZkwIni settings(paths.settingsFile());
    const ProgramFiles files = programFiles(settings, paths);
    EnvironmentSettings environment;
    environment.load(settings, false);
    SelectionRules rules;
    rules.excludedRoutes = environment.excludedRoutes;
    rules.eligibleSentMarks = environment.eligibleSentMarks;
    rules.onlyUnsent = environment.onlyUnsent;

    ZkwHandle log;
    if (const int rc = openLog(paths, log, err)) return rc;
    const auto range = recordRange(args[0], args[1], log.recordCount, err);
    if (!range) {
        ZelkovClose(log, 1);
        return 1;
    }
    UserHandle users;
    if (openUserList(users, files.userList) != 0) {
        printLine(err, QStringLiteral("sendvik-cli: ユーザーリストを読めません: ") +
                           shownPath(files.userList));
        ZelkovClose(log, 1);
        return 1;
    }
    if (users.status != 0) {
        printLine(err, QStringLiteral(
                           "sendvik-cli: 一度、ZELKOV/Win でユーザーリストを開いてください。"));
        ZelkovClose(log, 1);
        User_close(users);
        return 1;
    }
    const Selection s = SelectCandidates(log, users, range->first, range->second, 0, rules);
    ZelkovClose(log, 1);
    User_close(users);
    printLine(out, QStringLiteral("key,recno,call,date,time,report,freq,mode,remarks1,remarks2"));
    for (const QString& c : s.candidates)
        printLine(out, c);
    printLine(out, QStringLiteral("not-in-user-list=%1").arg(s.counters.notInUserList));
    printLine(out, QStringLiteral("not-a-member=%1").arg(s.counters.notAMember));
    printLine(out, QStringLiteral("too-old=%1").arg(s.counters.tooOld));
    printLine(out, QStringLiteral("already-sent=%1").arg(s.counters.alreadySent));
    printLine(out, QStringLiteral("excluded-route=%1").arg(s.counters.excludedRoute));
    printLine(out, QStringLiteral("invalid-date=%1").arg(s.counters.invalidDate));
    if (s.stoppedAt > 0) {
        printLine(err, QStringLiteral("sendvik-cli: レコード %1 の日付または時刻が不正なため、"
                                      "選択を中止しました。上の一覧は途中までです。")
                           .arg(s.stoppedAt));
        return 1;
    }
    return 0;
}

int logFollowUsage(std::ostream& err) {
    return usage(err);
}

int followLogFile(const AppPaths& paths, const QString& file, bool once, std::ostream& out,
                  std::ostream& err, const AfterFollowedQso& afterAdded) {
    const QString path = QFileInfo(file).absoluteFilePath();
    if (!QFileInfo(path).isFile()) {
        printLine(
            err,
            (QFileInfo(path).isDir()
                 ? QStringLiteral("sendvik-cli: フォルダです（ADIFファイルを指定してください）: ")
                 : QStringLiteral("sendvik-cli: ADIFファイルがありません: ")) +
                shownPath(path));
        return 1;
    }
    LogStore store;
    if (!store.open(filesOf(paths).qsoData, true)) {
        printLine(err, QStringLiteral("sendvik-cli: QSOデータを開けません: ") + store.errorText());
        return 1;
    }
    TZkwIni ini(paths.settingsFile());
    LogFollowSettings follow = LogFollowSettings::load(ini);
    // One file is followed a program folder, and the place in it is kept:
    // the desktop program's is not changed behind its back.
    if (follow.watch && !follow.file.isEmpty() &&
        QFileInfo(follow.file).absoluteFilePath() != path) {
        printLine(err,
                  QStringLiteral("sendvik-cli: デスクトップ版は %1 を追跡する設定です"
                                 "（「WSJT-X・JTDX 連携の設定」）。別のファイルを追跡するには、"
                                 "そこでログファイルの追跡をやめるか、そのファイルに変えて"
                                 "ください")
                      .arg(shownPath(follow.file)));
        return 1;
    }
    FollowedFile place = follow.placeOf(path);
    if (!once) {
        platform::stopWorkOnInterrupt();
        printLine(err, QStringLiteral("sendvik-cli: %1 に書き足されるQSOを待っています。"
                                      "Ctrl+C で終了します。")
                           .arg(shownPath(path)));
    }
    int added = 0;
    do {
        // A file read for the first time brings its history: into the log,
        // but no card goes for it.
        const bool history = place.position == 0 && place.head.isEmpty();
        const FollowResult r = followAdif(store, path, place);
        if (!r.counts.error.isEmpty()) {
            printLine(err, QStringLiteral("sendvik-cli: ") + r.counts.error);
            return 1;
        }
        if (r.restarted)
            printLine(err, QStringLiteral("sendvik-cli: %1 は書き直されました。最初から読み直します"
                                          "（すでにあるQSOは追加しません）")
                               .arg(shownPath(path)));
        // Where the file was left is kept before any card goes: a run
        // stopped while sending does not add the same QSOs again.
        follow.file = path;
        follow.followed = place;
        follow.save(ini);
        if (!ini.flush()) return 1;
        if (history && afterAdded && !r.added.empty())
            printLine(err, QStringLiteral("sendvik-cli: %1 を初めて読みました。すでにあった %2件の"
                                          "QSOの電子QSLは送りません（これから書き足されるQSOに"
                                          "送ります）")
                               .arg(shownPath(path))
                               .arg(r.added.size()));
        for (const auto& [recno, q] : r.added) {
            QString line = loggedQsoLine(q) + QStringLiteral(" record=%1").arg(recno);
            if (afterAdded && !history) line += afterAdded(recno, q);
            printLine(out, line);
            out.flush();
        }
        added += r.counts.added;
        for (int i = 0; !once && i < 20 && !platform::interruptRequested(); ++i)
            QThread::msleep(100);
    } while (!once && !platform::interruptRequested());
    printLine(out, QStringLiteral("added=%1").arg(added));
    return 0;
}
