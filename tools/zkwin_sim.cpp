// A stand-in for the running logging program, for tests, the demo and a
// user at a terminal:
//   zkwin-sim --open-userlist FILE.usr     open a user list as the logging program does
//   zkwin-sim --log FILE.mst --show N      print record N of a log
//   zkwin-sim --serve --log FILE.mst [--current N] [--no-reload] [--no-call]
//             [--slow CODE MS] [--hang CODE] [--die CODE]
//       run as the logging program's window: answer Sendvik's requests from the log (the QSO
//       on its screen is record N, the last one unless given; its menu offers "再読込み"
//       unless --no-reload), print every message it receives and every answer it sends;
//       --hang CODE never answers that request, --die CODE ends on it; --slow CODE MS
//       answers that request after MS milliseconds, taking other messages meanwhile;
//       --no-call answers 101 with nothing (no call in its input window)
//   zkwin-sim --request CODE [TEXT | --log FILE.mst --record N]
//       send one of its own requests to Sendvik (-999 all received cards of the QSO,
//       -998 sent cards, -997 received cards of the station) and print the result; TEXT
//       is sent as it stands after the code line ("\n" starts a line)

#include "core/sjis.h"
#include "logdata/user_list.h"
#include "logdata/zelkov50.h"
#include "platform/window_link.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace {

const QString kOwnClass = QStringLiteral("TZkwin");
const QString kSendvikClass = QStringLiteral("TZkvmQSL");

int usage() {
    std::cerr << "usage: zkwin-sim --open-userlist FILE.usr\n"
                 "       zkwin-sim --log FILE.mst --show N\n"
                 "       zkwin-sim --serve --log FILE.mst [--current N] [--no-reload]"
                 " [--no-call] [--slow CODE MS] [--hang CODE] [--die CODE]\n"
                 "       zkwin-sim --request CODE [TEXT | --log FILE.mst --record N]\n";
    return 2;
}

void say(const QString& line) {
    std::cout << line.toStdString() << std::endl;
}

// The value after an option, or `fallback`.
QString option(const QStringList& args, const QString& name, const QString& fallback = {}) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1] : fallback;
}

QString codeText(qint32 code) {
    return code >= 0x10000
               ? QStringLiteral("0x%1").arg(code, 0, 16).toUpper().replace(u"0X"_qs, u"0x"_qs)
               : QString::number(code);
}

bool readRecord(const QString& mst, int recno, QsoRecord& qso) {
    ZkwHandle log;
    if (ZelkovOpen(0, log, mst, 1) != 0) return false;
    const bool ok = ZKW_read(log, recno, read_mode::List) == 0;
    if (ok) qso = log.rec;
    ZelkovClose(log, 1);
    return ok;
}

// The QSO on the screen as the logging program answers with it: its record
// number, the call, date, time (with the zone letter of a QSO not logged in
// Japan time), the reports, frequency, mode and code.
QString qsoLines(const QsoRecord& q) {
    const QString time = q.zone == u'J' ? q.time : q.time + q.zone;
    return QStringList{QString::number(q.recno),
                       q.call,
                       q.date,
                       time,
                       q.hisRst,
                       q.myRst,
                       q.freq,
                       q.mode,
                       q.code}
               .join(QStringLiteral("\r\n")) +
           QStringLiteral("\r\n");
}

int serve(const QStringList& args) {
    const QString mst = option(args, QStringLiteral("--log"));
    if (mst.isEmpty()) return usage();
    ZkwHandle probe;
    if (ZelkovOpen(0, probe, mst, 1) != 0) {
        std::cerr << "zkwin-sim: " << probe.errorText.toStdString() << '\n';
        return 1;
    }
    const int records = probe.recordCount;
    ZelkovClose(probe, 1);
    const int current = option(args, QStringLiteral("--current"), QString::number(records)).toInt();
    const int hang = option(args, QStringLiteral("--hang"), QStringLiteral("0")).toInt(nullptr, 0);
    const int die = option(args, QStringLiteral("--die"), QStringLiteral("0")).toInt(nullptr, 0);
    const int slow = option(args, QStringLiteral("--slow"), QStringLiteral("0")).toInt(nullptr, 0);
    const qsizetype slowAt = args.indexOf(QStringLiteral("--slow"));
    const int slowMs = slowAt >= 0 ? std::clamp(args.value(slowAt + 2).toInt(), 0, 60000) : 0;
    const bool noCall = args.contains(QStringLiteral("--no-call"));

    platform::LinkWindow* self = nullptr;
    // Answers go back to Sendvik's window as messages of their own, before
    // the request returns.
    const auto answer = [&self](const QString& text) {
        platform::LinkMessage m;
        m.sender = self->id();
        m.data = sjis::fromUnicode(text) + '\0';
        say(QStringLiteral("answer ") + QString(text).replace(u"\r\n"_qs, u"|"_qs));
        self->sendMessage(kSendvikClass, m);
    };
    platform::LinkWindow window(kOwnClass, [&](const platform::LinkMessage& m) -> qint64 {
        const QString text = sjis::toUnicode(
            m.data.left(m.data.indexOf('\0') < 0 ? m.data.size() : m.data.indexOf('\0')));
        say(QStringLiteral("received %1%2")
                .arg(codeText(m.code), text.isEmpty() ? QString() : u' ' + text));
        if (m.code == die && die != 0) std::_Exit(3);
        if (m.code == hang && hang != 0) {
            for (;;)
                QThread::sleep(60);
        }
        if (m.code == slow && slow != 0) {
            // Busy for a while, as a logging program with a dialog up is; the
            // messages that come meanwhile are answered.
            QEventLoop busy;
            QTimer::singleShot(slowMs, &busy, &QEventLoop::quit);
            busy.exec();
        }
        QsoRecord qso;
        const bool onScreen = current > 0 && readRecord(mst, current, qso);
        switch (m.code) {
            case 0x40001B:
            case 0x40001C: return 1;
            case 116: {
                // The log as it is now: QSOs other programs add (an import,
                // WSJT-X) are counted as a logging program sharing it does.
                ZkwHandle now;
                int count = records;
                if (ZelkovOpen(0, now, mst, 1) == 0) {
                    count = now.recordCount;
                    ZelkovClose(now, 1);
                }
                answer(QString::number(count) + QStringLiteral("\r\n"));
                return 1;
            }
            case 101:
                answer(onScreen && !noCall ? qso.call + QStringLiteral("\r\n") : QString());
                return 1;
            case 0x400073:
            case 0x400076: answer(onScreen ? qsoLines(qso) : QStringLiteral("0\r\n")); return 1;
            case 20: say(QStringLiteral("edit window at record ") + text); return self->id();
            case 21: say(QStringLiteral("to the front: window ") + text); return 1;
            default: return 0;
        }
    });
    self = &window;
    QStringList menu{QStringLiteral("ファイル(&F)"), QStringLiteral("編集(&E)"),
                     QStringLiteral("表示(&V)"), QStringLiteral("検索(&S)"),
                     QStringLiteral("集計(&T)")};
    if (!args.contains(QStringLiteral("--no-reload"))) menu << QStringLiteral("再読込み(&R)");
    menu << QStringLiteral("ヘルプ(&H)");
    window.setMenuCaptions(menu);
    QString error;
    if (!window.listen(&error)) {
        std::cerr << "zkwin-sim: " << error.toStdString() << '\n';
        return 1;
    }
    say(QStringLiteral("serving %1 records, record %2 on the screen").arg(records).arg(current));
    return QCoreApplication::exec();
}

int request(const QStringList& args) {
    bool ok = false;
    const int code = args.value(1).toInt(&ok);
    if (!ok || code > -997 || code < -999) {
        std::cerr << "zkwin-sim: --request takes -999, -998 or -997\n";
        return 2;
    }
    QString text = QString::number(code) + QStringLiteral("\r\n");
    if (args.contains(QStringLiteral("--log"))) {
        QsoRecord qso;
        const int recno = option(args, QStringLiteral("--record")).toInt();
        if (!readRecord(option(args, QStringLiteral("--log")), recno, qso)) {
            std::cerr << "zkwin-sim: no record " << recno << '\n';
            return 1;
        }
        QString lines = qsoLines(qso);
        lines.remove(0, lines.indexOf(u'\n') + 1);  // the call first, after the code
        text += lines;
    } else if (args.size() > 2) {
        text += QString(args[2]).replace(u"\\n"_qs, u"\r\n"_qs);
    }
    platform::LinkWindow window(kOwnClass, [](const platform::LinkMessage&) { return qint64{0}; });
    window.listen();
    platform::LinkMessage m;
    m.code = 0;
    m.sender = window.id();
    m.data = sjis::fromUnicode(text) + '\0';
    if (platform::LinkWindow::findWindow(kSendvikClass) <= 1) {
        std::cerr << "zkwin-sim: Sendvik is not running\n";
        return 1;
    }
    say(QStringLiteral("result %1").arg(window.sendMessage(kSendvikClass, m)));
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 2 && args[0] == u"--open-userlist") {
        QString error;
        if (!BuildUserListIndex(args[1], &error)) {
            std::cerr << "zkwin-sim: " << error.toStdString() << '\n';
            return 1;
        }
        UserHandle users;
        if (User_open(0, 0, users, args[1]) != 0) {
            std::cerr << "zkwin-sim: " << args[1].toStdString() << ": cannot be opened\n";
            return 1;
        }
        std::cout << "edition=" << users.edition.toStdString() << '\n';
        return 0;
    }
    if (args.size() == 4 && args[0] == u"--log" && args[2] == u"--show") {
        ZkwHandle log;
        if (ZelkovOpen(0, log, args[1], 1) != 0) {
            std::cerr << "zkwin-sim: " << log.errorText.toStdString() << '\n';
            return 1;
        }
        if (ZKW_read(log, args[3].toInt(), read_mode::List) != 0) {
            std::cerr << "zkwin-sim: no record " << args[3].toStdString() << '\n';
            return 1;
        }
        const QsoRecord& q = log.rec;
        std::cout << q.recno << ' ' << q.call.toStdString() << ' ' << q.date.toStdString() << ' '
                  << q.time.toStdString() << q.zone.toLatin1() << ' ' << q.freq.toStdString() << ' '
                  << q.mode.toStdString() << " [" << q.qslField().toStdString() << "]\n";
        return 0;
    }
    if (!args.isEmpty() && args[0] == u"--serve") return serve(args);
    if (!args.isEmpty() && args[0] == u"--request") return request(args);
    return usage();
}
