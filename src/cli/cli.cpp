#include "cli/cli.h"

#include "archive/card_match.h"
#include "cli/archive_command.h"
#include "cli/cli_output.h"
#include "cli/log_command.h"
#include "cli/render_command.h"
#include "cli/settings_command.h"
#include "core/app_info.h"
#include "core/app_paths.h"
#include "core/folder_lock.h"
#include "core/work_folder.h"
#include "core/zkw_ini.h"
#include "link/wsjtx_qso.h"

#include <QtGlobal>

#include <ostream>
#include <sstream>

using namespace Qt::StringLiterals;

namespace {

void printUsage(std::ostream& err) {
    err << "usage: sendvik-cli [--home DIR] COMMAND ...\n"
           "  --help, -h, help     この説明（COMMAND --help でそのコマンドの説明）\n"
           "  --version            プログラム名とバージョン\n"
           "  settings ...         設定ファイルの読み書き\n"
           "  log ...              ADIFログの読み込み・書き出し、レコードの表示と件数\n"
           "  select FIRST LAST    レコード範囲のうち電子QSLを送るQSO\n"
           "  areas import FILE    コード一覧から地域マスタを作成\n"
           "  mail send|list|fetch 設定のメールアカウントの確認\n"
           "  render RECNO -o F    レコードの電子QSLを作成\n"
           "  server whoami|check CALL|members CALL...\n"
           "                       設定のアカウントでサービスのサーバーに問い合わせ\n"
           "  send FIRST LAST [--yes] [--confirm] [--resume]\n"
           "                       レコード範囲の電子QSLを送信\n"
           "  send --check FIRST LAST\n"
           "                       送信せずに、範囲の電子QSLを作成して確認\n"
           "  receive [--yes] [--all | --newest]\n"
           "                       この局あての電子QSLを受信して保存\n"
           "  match [--write-marks [--confirm-areas]]\n"
           "                       受信した電子QSLとQSOデータの照合\n"
           "  match --explain [--force-common]\n"
           "                       QSOと一致しない理由と、共通する時刻のずれでの強制照合\n"
           "  sent-list [--unreceived | --undelivered [--take-back-marks]]\n"
           "            [--tolerance MINUTES]\n"
           "                       送信した電子QSLとQSOデータの照合\n"
           "  resend FILE [--yes] [--confirm]\n"
           "                       送信済み電子QSLを相手局へ再送信\n"
           "  confirm --view 0|1|2 [--band B]... [--mode M,M...] [--xlsx FILE]\n"
           "                       地域ごとのコンファーム状況\n"
           "  backup [--to DIR] [--sent] [--texts]\n"
           "                       設定と電子QSLをバックアップフォルダへコピー\n"
           "  wsjtx listen [--port N] [--group ADDR] [--send [--yes]] [--exit-after N]\n"
           "                       WSJT-X・JTDX が記録したQSOを受け取ってQSOデータへ\n";
}

}  // namespace

int cliUsage(std::ostream& err) {
    printUsage(err);
    return 2;
}

bool isHelpRequest(const QString& argument) {
    return argument == u"--help" || argument == u"-h" || argument == u"help";
}

int cliUnknownCommand(const QString& command, std::ostream& err) {
    printLine(err,
              QStringLiteral("sendvik-cli: そのようなコマンドはありません: ") + command.left(80));
    return cliUsage(err);
}

namespace {

QtMessageHandler qtDefaultHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // Qt's notice that the session has no runtime folder says nothing a
    // user of the command line can act on.
    if (type == QtWarningMsg && message.startsWith(u"QStandardPaths: XDG_RUNTIME_DIR")) return;
    if (qtDefaultHandler) qtDefaultHandler(type, context, message);
}

}  // namespace

void quietenQtNotices() {
    qtDefaultHandler = qInstallMessageHandler(quietHandler);
}

QString cliCommand(const QStringList& arguments) {
    QStringList args = arguments;
    takeHomeArgument(args);
    return args.isEmpty() ? QString() : args.front();
}

bool changesProgramFolder(const QString& command, const QStringList& args) {
    if (command == u"send") return !args.contains(QStringLiteral("--check"));
    if (command == u"receive" || command == u"resend") return true;
    if (command == u"wsjtx") return args.contains(QStringLiteral("--send"));
    // Where the followed file was left is written back to the settings.
    if (command == u"log") return args.value(0) == u"follow";
    if (command == u"match")
        return args.contains(QStringLiteral("--write-marks")) ||
               args.contains(QStringLiteral("--force-common"));
    // The log import does not: its one transaction keeps the log whole
    // beside a running window, which then follows the new QSOs.
    if (command == u"areas") return args.value(0) == u"import";  // writes beside the log
    return false;
}

bool startsProgramFolder(const QString& command, const QStringList& args) {
    const QString verb = args.value(0);
    if (command == u"settings") return verb == u"set" || verb == u"delete" || verb == u"words-set";
    return command == u"log" && verb == u"import";
}

bool isNetworkCommand(const QString& command, const QStringList& arguments) {
    if (command == u"log")
        return arguments.contains(QStringLiteral("follow")) &&
               arguments.contains(QStringLiteral("--send"));
    return command == u"mail" || command == u"server" || command == u"send" ||
           command == u"receive" || command == u"resend" || command == u"wsjtx";
}

int runCliWith(const QStringList& arguments, const QString& executableDir, std::ostream& out,
               std::ostream& err, CliHandler handler) {
    QStringList args = arguments;
    takeHomeArgument(args);
    if (!args.isEmpty() && (args.front() == u"--home" || args.front() == u"--home=")) {
        printLine(err,
                  QStringLiteral("sendvik-cli: --home にはプログラムフォルダを指定してください"));
        return cliUsage(err);
    }
    if (args.isEmpty()) return cliUsage(err);
    // Asked for: the whole usage, on standard output, and success.
    if (isHelpRequest(args.front())) {
        printUsage(out);
        return 0;
    }
    if (args.front() == u"--version") {
        out << app::caption().toStdString() << '\n';
        return 0;
    }
    // "COMMAND --help": that command's own usage, on standard output, and
    // success. Every command answers an argument it does not know with its
    // usage before it touches anything.
    if (args.size() > 1 && (args.mid(1).contains(u"--help"_s) || args.mid(1).contains(u"-h"_s))) {
        std::ostringstream usage, ignored;
        const int rc = handler(args.front(), AppPaths::locate(arguments, executableDir),
                               {u"--help"_s}, ignored, usage);
        const std::string text = usage.str();
        if (rc == 2 && text.starts_with("usage:")) {
            out << text;
            return 0;
        }
        err << text;
        return rc;
    }
    // Only a command that writes starts a new program folder; the others
    // would only find nothing there.
    const AppPaths paths = AppPaths::locate(arguments, executableDir);
    const QString folder = QDir::cleanPath(paths.programDir());
    bool made = false;
    if (!QFileInfo::exists(folder)) {
        if (!startsProgramFolder(args.front(), args.mid(1))) {
            printLine(err, QStringLiteral("sendvik-cli: プログラムフォルダがありません: ") +
                               shownPath(folder) +
                               QStringLiteral("（設定の書き込みかログの読み込みで作成します）"));
            return 1;
        }
        made = QDir().mkpath(folder);
    }
    if (!paths.usable()) {
        printLine(err, QStringLiteral("sendvik-cli: プログラムフォルダを使用できません: ") +
                           shownPath(QDir::cleanPath(paths.programDir())));
        return 1;
    }
    app::useServerBasesOf(TZkwIni(paths.settingsFile()));
    // What killed runs left in the temporary folder goes now.
    removeAbandonedWorkFolders();
    const QString command = args.takeFirst();
    // Held until the command ends; a second run on the folder is refused.
    FolderLock lock(paths.programDir());
    if (changesProgramFolder(command, args))
        if (const auto busy = lock.take()) {
            printLine(err, QStringLiteral("sendvik-cli: ") + *busy);
            return 1;
        }
    const int rc = handler(command, paths, args, out, err);
    // A new folder stays when the command did its work, and is said; one
    // that failed leaves nothing behind.
    if (made) {
        if (rc == 0)
            printLine(err, QStringLiteral("sendvik-cli: 新しいプログラムフォルダを作成しました: ") +
                               shownPath(folder));
        else
            QDir().rmdir(folder);  // only when still empty
    }
    return rc;
}

int runCli(const QStringList& arguments, const QString& executableDir, std::ostream& out,
           std::ostream& err) {
    return runCliWith(arguments, executableDir, out, err,
                      [](const QString& command, const AppPaths& paths, const QStringList& args,
                         std::ostream& o, std::ostream& e) {
                          if (command == u"settings") return runSettingsCommand(paths, args, o, e);
                          if (command == u"log") return runLogCommand(paths, args, o, e);
                          if (command == u"select") return runSelectCommand(paths, args, o, e);
                          if (command == u"areas") return runAreasCommand(paths, args, o, e);
                          if (command == u"render") return runRenderCommand(paths, args, o, e);
                          if (command == u"match") return runMatchCommand(paths, args, o, e);
                          if (command == u"sent-list") return runSentListCommand(paths, args, o, e);
                          if (command == u"backup") return runBackupCommand(paths, args, o, e);
                          if (command == u"confirm") return runConfirmCommand(paths, args, o, e);
                          return cliUnknownCommand(command, e);
                      });
}

QString loggedQsoLine(const QsoRecord& q) {
    const QDateTime utc = qsoJapanTime(q).toUTC();
    return QStringLiteral("logged=%1,%2,%3,%4,%5")
        .arg(q.call.trimmed(), utc.toString(QStringLiteral("yyyyMMdd")),
             utc.toString(QStringLiteral("HHmm")), wsjtx::bandOfMHz(q.freq), q.mode.trimmed());
}
