#include "cli/exchange_command.h"

#include "app/exchange_requests.h"
#include "app/main_state.h"
#include "archive/card_match.h"
#include "archive/received_list.h"
#include "archive/sent_list.h"
#include "cli/cli.h"
#include "cli/cli_output.h"
#include "cli/log_command.h"
#include "cli/record_arguments.h"
#include "core/app_paths.h"
#include "core/card_decisions.h"
#include "core/message_ports.h"
#include "core/progress_port.h"
#include "core/zkw_ini.h"
#include "exchange/logging_program.h"
#include "exchange/receive_run.h"
#include "exchange/send_batch.h"
#include "link/station_check.h"
#include "link/wsjtx_listener.h"
#include "link/wsjtx_qso.h"
#include "logdata/log_store.h"
#include "logdata/zelkov50.h"
#include "mail/mail_account.h"
#include "mail/mail_session.h"
#include "mail/n_mail.h"
#include "platform/terminal.h"
#include "platform/termination.h"
#include "render/qr_module.h"
#include "render/qsl_definition.h"
#include "server/httplib.h"
#include "server/novq_requests.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"
#include "settings/program_files.h"
#include "settings/qso_feed_settings.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <iostream>
#include <ostream>

namespace {

int sendUsage(std::ostream& err) {
    err << "usage: sendvik-cli send FIRST LAST [--yes] [--confirm] [--resume]\n"
           "       sendvik-cli send --check FIRST LAST\n"
           "  --yes      問い合わせには「はい」で答えます（省略時は既定のボタン）\n"
           "  --confirm  電子QSLを1枚ずつ確認してから送信します\n"
           "  --resume   中断した一括送信の続き：送信マーク済みのQSOは除き、中断前に\n"
           "             サーバーが受け取った電子QSLにはマークを付け、送られたかも\n"
           "             しれないものは名前を示して除きます\n"
           "  --check    電子QSLを作成して点検するだけで送信せず、問題をすべて示します。\n"
           "             問題が無ければ終了コード 0、あれば 1\n";
    return 2;
}

// What the run of a command needs around it: the mail library, the
// terminal's ports and Ctrl+C.
struct TerminalRun {
    TerminalMessagePort messages;
    ScopedMessagePort installed;
    TerminalProgressPort progress;

    explicit TerminalRun(bool yes)
        : messages(std::cin, std::cerr, platform::isInteractiveTerminal(), yes),
          installed(&messages),
          progress(std::cerr, platform::isInteractiveTerminal()) {
        NMailInitializeWinSock();
        platform::stopWorkOnInterrupt();
    }
};

// The program folder's settings a run reads (the operator names only when
// cards are drawn).
struct StationSettings {
    TZkwIni settings;
    MainState state;
    EnvironmentSettings environment;
    CommSettings communication;

    StationSettings(const AppPaths& paths, bool withOperatorNames)
        : settings(paths.settingsFile()) {
        state.load(settings, paths);
        environment.load(settings, withOperatorNames);
        communication.load(settings);
    }
    // The definition expert cards are drawn from.
    QString definition() const { return DefinitionChoice::storedPath(settings, state.programDir); }
};

// Cards for the QSOs another program logged, one at a time, told as the
// end of the terminal's line: " sent=1", or " sent=0 reason=...".
class LoggedQsoSender {
public:
    LoggedQsoSender(const AppPaths& paths, bool yes)
        : station_(paths, true),
          run_(yes),
          decisions_(std::cin, std::cerr, false),
          http_(HttpOptions{station_.communication.caFile}),
          definition_(&qr_) {}

    QString send(int recno, const QsoRecord& qso) {
        const CommSettings& c = station_.communication;
        const QuietSend quiet = sendIfMember(
            http_, serverAccountFrom(c, station_.environment), qso.call.trimmed(), [&] {
                SendBatch batch({run_.progress, decisions_, loggingProgram_, http_, definition_});
                SendRequest request =
                    sendRequestFrom(station_.state, station_.environment, c, station_.definition());
                request.handedRecord = recno;
                request.confirmEach = false;
                request.previewHanded = false;
                request.quietSummary = true;
                return batch.run(request);
            });
        if (quiet.outcome == QuietSend::Outcome::Sent) return QStringLiteral(" sent=1");
        return QStringLiteral(" sent=0 reason=") + QString(quiet.note).remove(u' ');
    }

private:
    StationSettings station_;
    TerminalRun run_;
    TerminalCardDecisions decisions_;
    AbsentLoggingProgram loggingProgram_;
    THTTPDown http_;
    QrModule qr_;
    QslDefinition definition_;
};

}  // namespace

int runSendCommand(const AppPaths& paths, const QStringList& arguments, std::ostream& out,
                   std::ostream& err) {
    QStringList args = arguments;
    const bool yes = takeFlag(args, QStringLiteral("--yes"));
    const bool confirm = takeFlag(args, QStringLiteral("--confirm"));
    const bool resume = takeFlag(args, QStringLiteral("--resume"));
    const bool checkOnly = takeFlag(args, QStringLiteral("--check"));
    if (args.size() != 2 || (checkOnly && (confirm || resume))) return sendUsage(err);
    const auto range = recordRange(args[0], args[1], kAnyRecordCount, err);
    if (!range) return 1;
    const auto [first, last] = *range;

    StationSettings station(paths, true);
    const MainState& state = station.state;
    const EnvironmentSettings& environment = station.environment;
    const CommSettings& communication = station.communication;

    TerminalRun run(yes);
    TerminalCardDecisions decisions(std::cin, std::cerr, confirm);
    AbsentLoggingProgram loggingProgram;
    THTTPDown http(HttpOptions{communication.caFile});
    QrModule qr;
    QslDefinition definition(&qr);
    SendBatchParts parts{run.progress, decisions, loggingProgram, http, definition};
    // The range's start moves on card by card, as the desktop program's does,
    // so that it (or the next run) does not send the same cards again.
    parts.advanced = [&station](int nextFirst) {
        station.state.firstRecord = nextFirst;
        station.state.saveRangeStart(station.settings);
    };
    SendBatch batch(parts);

    SendRequest request = sendRequestFrom(state, environment, communication, station.definition());
    request.confirmEach = confirm;
    request.first = first;
    request.last = last;
    // The QSOs whose cards went by themselves as WSJT-X or JTDX logged them
    // (or that were only to be logged), as the window leaves them out.
    for (const int recno : QsoFeedSettings::load(station.settings).leftOut)
        request.leaveOut << recno;
    if (resume) {
        request.onlyUnsent = true;
        request.resume = true;
    }
    request.checkOnly = checkOnly;
    const SendResult result = batch.run(request);

    if (checkOnly || !result.problems.empty()) {
        BatchCheck check;
        check.problems = result.problems;
        for (const QString& line : problemLines(check))
            printLine(out, line);
        printLine(out, QStringLiteral("checked=%1 problems=%2")
                           .arg(result.checked)
                           .arg(result.problems.size()));
    }
    if (checkOnly) return result.end == SendResult::End::Checked && result.problems.empty() ? 0 : 1;
    printLine(out, QStringLiteral("sent=%1").arg(result.sent));
    if (result.first) printLine(out, QStringLiteral("next-first=%1").arg(*result.first));
    if (result.failed) return 1;
    switch (result.end) {
        case SendResult::End::Sent:
        case SendResult::End::NothingToSend: return 0;
        default: return 1;
    }
}

int runReceiveCommand(const AppPaths& paths, const QStringList& arguments, std::ostream& out,
                      std::ostream& err) {
    QStringList args = arguments;
    const bool yes = takeFlag(args, QStringLiteral("--yes"));
    const bool all = takeFlag(args, QStringLiteral("--all"));
    const bool newest = takeFlag(args, QStringLiteral("--newest"));
    if (!args.isEmpty() || (all && newest)) {
        err << "usage: sendvik-cli receive [--yes] [--all | --newest]\n"
               "  --yes      問い合わせには「はい」で答えます（省略時は既定のボタン）\n"
               "  --all      100通を超えるメールボックスもすべて読みます（省略時は確認）\n"
               "  --newest   新しい100通だけを読みます\n";
        return 2;
    }
    const StationSettings station(paths, false);
    const MainState& state = station.state;
    const EnvironmentSettings& environment = station.environment;
    const CommSettings& communication = station.communication;

    TerminalRun run(yes);
    // The list's edition says it can be used; its index is made when needed.
    ReceiveRequest request = receiveRequestFrom(
        state, environment, communication,
        QFileInfo::exists(state.userList) ? openUserListAtStart(state.userList) : QString());
    if (all || newest) request.newestOnly = newest;
    const ReceiveResult result = ReceiveRun(run.progress).run(request);

    printLine(out, QStringLiteral("cards=%1").arg(result.cards));
    printLine(out, QStringLiteral("mails=%1").arg(result.mails));
    printLine(out, QStringLiteral("rejected=%1").arg(result.rejected));
    printLine(out, QStringLiteral("mailbox=%1").arg(std::max(result.mailbox, 0)));
    printLine(out, QStringLiteral("undelivered=%1").arg(result.undelivered));
    if (!result.lastOtherText.isEmpty())
        printLine(out, QStringLiteral("text=") + result.lastOtherText);
    if (result.failed > 0) printLine(out, QStringLiteral("failed=%1").arg(result.failed));
    const bool whole = result.end == ReceiveResult::End::Reported && !result.loginFailed &&
                       !result.stopped && result.failed == 0 && result.unfinished.isEmpty();
    return whole ? 0 : 1;
}

int runResendCommand(const AppPaths& paths, const QStringList& arguments, std::ostream& out,
                     std::ostream& err) {
    QStringList args = arguments;
    const bool yes = takeFlag(args, QStringLiteral("--yes"));
    const bool confirm = takeFlag(args, QStringLiteral("--confirm"));
    if (args.size() != 1 || args[0].startsWith(u"--")) {
        err << "usage: sendvik-cli resend FILE [--yes] [--confirm]\n"
               "  FILE       送信フォルダの電子QSL（ファイル名またはパス）\n"
               "  --yes      問い合わせには「はい」で答えます（省略時は既定のボタン）\n"
               "  --confirm  送信する前に確認します\n";
        return 2;
    }
    const StationSettings station(paths, true);
    const MainState& state = station.state;
    const EnvironmentSettings& environment = station.environment;
    const CommSettings& communication = station.communication;

    QFileInfo card(args[0]);
    if (!card.exists() && !args[0].contains(u'/'))
        card = QFileInfo(cardFilePath(state.folders.sentDir, args[0]));
    if (!card.isFile()) {
        printLine(err, QStringLiteral("sendvik-cli resend: 送信済み電子QSLが見つかりません: ") +
                           shownPath(args[0]));
        return 1;
    }
    if (card.size() <= kMaxNonCardBytes) {
        printLine(err, QStringLiteral(
                           "sendvik-cli resend: %1 は電子QSLではありません（%2バイト以下です）")
                           .arg(shownPath(card.filePath()), QString::number(kMaxNonCardBytes)));
        return 1;
    }
    const QString name = card.fileName().toUpper();
    const QString call = partnerCallOfSentCard(name);
    if (call.isEmpty() || name.count(u'_') < 5) {
        printLine(
            err, QStringLiteral("sendvik-cli resend: %1 は送信済み電子QSLのファイル名ではありません"
                                "（自局_yymmdd_hhmm_バンド_モード_相手局.jpg）")
                     .arg(card.fileName()));
        return 1;
    }

    TerminalRun run(yes);
    AbsentLoggingProgram loggingProgram;
    // The QSO of the card: the one the sent list matches it with.
    int recno = 0;
    {
        SentList matched;
        {
            ListLog log(state.qsoData, loggingProgram, 0);
            if (!log.isOpen()) return 1;
            matched =
                matchSentCards({{name, QString(), name}}, log.handle(), matchToleranceSeconds(0));
        }
        if (matched.unmatched > 0 || matched.rows.empty()) {
            printLine(
                err,
                QStringLiteral("sendvik-cli resend: この電子QSLと一致するQSOがありません（%1）")
                    .arg(matched.rows.empty() ? QStringLiteral("無し") : matched.rows[0].value(3)));
            return 1;
        }
        recno = matched.rows[0].value(3).toInt();
    }

    TerminalCardDecisions decisions(std::cin, std::cerr, confirm);
    THTTPDown http(HttpOptions{communication.caFile});
    QrModule qr;
    QslDefinition definition(&qr);
    const std::optional<SendResult> result = CheckStationAndSend(
        http, serverAccountFrom(communication, environment), call, StationRequest::Send,
        state.userList, [&] {
            SendBatch batch({run.progress, decisions, loggingProgram, http, definition});
            SendRequest request =
                sendRequestFrom(state, environment, communication, station.definition());
            request.confirmEach = confirm;
            request.handedRecord = recno;
            request.resendFile = card.absoluteFilePath();
            return batch.run(request);
        });
    printLine(out, QStringLiteral("record=%1").arg(recno));
    printLine(out, QStringLiteral("sent=%1").arg(result ? result->sent : 0));
    return result && result->sent == 1 ? 0 : 1;
}

namespace {

int wsjtxUsage(std::ostream& err) {
    err << "usage: sendvik-cli wsjtx listen [--port N] [--group ADDR] [--send] [--yes]\n"
           "                                [--exit-after N]\n"
           "  WSJT-X・JTDX が記録したQSOをUDPで受け取り、QSOデータに追加します\n"
           "  --port        UDPポート（省略時 2237、127.0.0.1 で受信）\n"
           "  --group       マルチキャストグループ（例 239.255.0.1、ループバックで受信）\n"
           "  --send        追加したQSOの電子QSLをすぐに送信します\n"
           "  --yes         送信時の問い合わせには「はい」で答えます\n"
           "  --exit-after  N件のQSOを受け取ったら終了します（省略時は Ctrl+C まで）\n";
    return 2;
}

// The value after an option, taken out of the arguments with it.
std::optional<QString> takeValue(QStringList& args, const QString& option, bool& missing) {
    const qsizetype at = args.indexOf(option);
    if (at < 0) return std::nullopt;
    if (at + 1 >= args.size()) {
        missing = true;
        return std::nullopt;
    }
    const QString value = args[at + 1];
    args.remove(at, 2);
    return value;
}

}  // namespace

int runWsjtxCommand(const AppPaths& paths, const QStringList& arguments, std::ostream& out,
                    std::ostream& err) {
    QStringList args = arguments;
    if (args.value(0) != u"listen") return wsjtxUsage(err);
    args.removeFirst();
    const bool send = takeFlag(args, QStringLiteral("--send"));
    const bool yes = takeFlag(args, QStringLiteral("--yes"));
    bool missing = false;
    const auto port = takeValue(args, QStringLiteral("--port"), missing);
    const auto group = takeValue(args, QStringLiteral("--group"), missing);
    const auto exitAfter = takeValue(args, QStringLiteral("--exit-after"), missing);
    if (missing)
        printLine(err, QStringLiteral("sendvik-cli wsjtx: オプションの後に値がありません"));
    else if (!args.isEmpty())
        printLine(err, QStringLiteral("sendvik-cli wsjtx: 使えない引数です: ") + args[0].left(80));
    if (!args.isEmpty() || missing) return wsjtxUsage(err);
    wsjtx::ListenOptions options;
    if (port) {
        bool ok = false;
        const uint n = port->toUInt(&ok);
        if (!ok || n == 0 || n > 65535) {
            printLine(err,
                      QStringLiteral("sendvik-cli wsjtx: --port には 1～65535 を指定してください"));
            return 2;
        }
        options.port = static_cast<quint16>(n);
    }
    if (group) {
        options.group = QHostAddress(*group);
        if (options.group.isNull() || !options.group.isMulticast()) {
            printLine(
                err, QStringLiteral("sendvik-cli wsjtx: マルチキャストのアドレスではありません: ") +
                         group->left(80));
            return 2;
        }
    }
    int limit = 0;
    if (exitAfter) {
        bool ok = false;
        limit = exitAfter->toInt(&ok);
        if (!ok || limit < 1) {
            printLine(err,
                      QStringLiteral(
                          "sendvik-cli wsjtx: --exit-after には 1 以上の件数を指定してください"));
            return 2;
        }
    }

    const StationSettings station(paths, false);
    LogStore log;
    if (!log.open(station.state.qsoData, true)) {
        printLine(err,
                  QStringLiteral("sendvik-cli wsjtx: QSOデータを開けません: ") + log.errorText());
        return 1;
    }
    wsjtx::Listener listener;
    QString why;
    if (!listener.start(options, &why)) {
        printLine(err, QStringLiteral("sendvik-cli wsjtx: ") + why);
        return 1;
    }
    printLine(
        err,
        QStringLiteral("sendvik-cli wsjtx: WSJT-X・JTDX のQSOを待っています（UDP %1:%2）。"
                       "Ctrl+C で終了します。")
            .arg(options.group.isNull() ? options.address.toString() : options.group.toString())
            .arg(listener.port()));

    std::optional<LoggedQsoSender> sender;
    if (send) sender.emplace(paths, yes);
    int qsos = 0;
    int failed = 0;
    QEventLoop loop;
    QObject::connect(
        &listener, &wsjtx::Listener::datagramRead, &loop, [&](const wsjtx::Datagram& datagram) {
            const std::optional<QByteArray> adif = wsjtx::adifOf(datagram);
            if (!adif) {
                if (std::holds_alternative<wsjtx::Close>(datagram.body))
                    printLine(err, QStringLiteral("sendvik-cli wsjtx: %1 が終了しました")
                                       .arg(datagram.id.left(40)));
                return;
            }
            const wsjtx::Joined joined = wsjtx::joinQso(log, *adif);
            if (joined.result == wsjtx::Joined::Result::Duplicate) return;
            if (joined.result != wsjtx::Joined::Result::Added) {
                ++failed;
                printLine(err,
                          QStringLiteral("sendvik-cli wsjtx: QSOを追加できません: ") + joined.why);
                return;
            }
            ++qsos;
            QString line =
                loggedQsoLine(joined.qso) + QStringLiteral(" record=%1").arg(joined.recno);
            if (sender) line += sender->send(joined.recno, joined.qso);
            printLine(out, line);
            out.flush();
            if (limit > 0 && qsos >= limit) loop.quit();
        });
    platform::stopWorkOnInterrupt();
    QTimer interrupt;
    QObject::connect(&interrupt, &QTimer::timeout, &loop, [&] {
        if (platform::interruptRequested()) loop.quit();
    });
    interrupt.start(100);
    loop.exec();
    printLine(out, QStringLiteral("qsos=%1 dropped=%2 ignored=%3")
                       .arg(qsos)
                       .arg(listener.dropped())
                       .arg(listener.ignored()));
    return failed > 0 ? 1 : 0;
}

int runLogFollowSendCommand(const AppPaths& paths, const QStringList& arguments, std::ostream& out,
                            std::ostream& err) {
    QStringList args = arguments;
    const bool yes = takeFlag(args, QStringLiteral("--yes"));
    if (!takeFlag(args, QStringLiteral("--send")))
        return cliUnknownCommand(QStringLiteral("log"), err);
    const bool once = takeFlag(args, QStringLiteral("--once"));
    if (args.size() != 2 || args[0] != u"follow" || args[1].startsWith(u"--"))
        return logFollowUsage(err);
    std::optional<LoggedQsoSender> sender;
    return followLogFile(paths, args[1], once, out, err, [&](int recno, const QsoRecord& qso) {
        if (!sender) sender.emplace(paths, yes);
        return sender->send(recno, qso);
    });
}
