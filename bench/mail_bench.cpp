// Card mails through real local servers: 200 cards of 200 kB sent over one
// SMTPS connection, then received by the receive run over POP3S; and the same
// mails sent and fetched by curl's command-line tool, as the peer to compare
// with. The *AgainstCurlTool benchmarks take turns with curl from the same
// settled state and give the median of the rounds' ratios.
// Needs the test mail servers:
//   tests/servers/mail/start.sh /tmp/mail.env
//   SENDVIK_MAIL_ENV=/tmp/mail.env build/ci/bench/sendvik_bench --benchmark_filter=Mail
//   tests/servers/mail/stop.sh /tmp/mail.env
// SENDVIK_BENCH_ROUNDS sets the rounds; SENDVIK_MAIL_ROOT=/dev/shm on start.sh
// keeps the servers off the disk, leaving mostly the clients' own work.

#include "core/message_ports.h"
#include "core/msg_box.h"
#include "core/progress_port.h"
#include "exchange/receive_run.h"
#include "mail/mail_session.h"
#include "mail/mime_message.h"
#include "mail/n_mail.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <optional>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kCards = 200;

struct Servers {
    QString host = QStringLiteral("127.0.0.1");
    int smtps = 0, pop3s = 0;
    QString ca;
    QString from, fromPass, to, toPass;
    MailOptions options;
    bool ok = false;
};

Servers servers() {
    Servers s;
    QFile f(qEnvironmentVariable("SENDVIK_MAIL_ENV"));
    if (!f.open(QIODevice::ReadOnly)) return s;
    QMap<QString, QString> v;
    for (const QByteArray& line : f.readAll().split('\n'))
        for (const QByteArray& pair : line.mid(7).split(' ')) {
            const int eq = static_cast<int>(pair.indexOf('='));
            if (eq > 0)
                v.insert(QString::fromUtf8(pair.left(eq)), QString::fromUtf8(pair.mid(eq + 1)));
        }
    s.smtps = v.value(QStringLiteral("SMTPS_PORT")).toInt();
    s.pop3s = v.value(QStringLiteral("POP3S_PORT")).toInt();
    s.ca = v.value(QStringLiteral("MAIL_CA_FILE"));
    s.from = v.value(QStringLiteral("MAIL_USER1"));
    s.fromPass = v.value(QStringLiteral("MAIL_PASS1"));
    s.to = v.value(QStringLiteral("MAIL_USER2"));
    s.toPass = v.value(QStringLiteral("MAIL_PASS2"));
    s.ok = s.smtps > 0;
    // Every benchmark here may run alone: the library set up for the servers.
    NMailInitializeWinSock();
    s.options.caFile = s.ca;
    return s;
}

// The servers' benchmarks keep their files to the end of the run: deleting
// hundreds of files just before the next one measures the file system's
// clean-up of the last one, not the next one.
QDir keptFolder(const QString& name) {
    static QTemporaryDir dir;
    QDir().mkpath(dir.filePath(name));
    return QDir(dir.filePath(name));
}

QString cardFile(const QDir& dir, int bytes = 200 * 1024) {
    QByteArray jpeg(bytes, '\0');
    QRandomGenerator rng(5);
    for (char& c : jpeg)
        c = static_cast<char>(rng.bounded(256));
    const QString path = dir.filePath(QStringLiteral("JR1ABC_240401_0830_7.041_CW_JR2XYZ.jpg"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(jpeg);
    return path;
}

// A card each, under names of their own as a batch's are.
QStringList cardFiles(const QDir& dir) {
    const QString card = cardFile(dir);
    QStringList names;
    for (int i = 0; i < kCards; ++i) {
        names.append(dir.filePath(QStringLiteral("JR1ABC_240401_%1_7.041_CW_JR2XYZ.jpg")
                                      .arg(i, 4, 10, QLatin1Char('0'))));
        QFile::copy(card, names.last());
    }
    return names;
}

int mailboxCount(const Servers& s) {
    const auto c = NMailPop3ConnectSsl(s.host, s.pop3s, nmail_ssl::Implicit, s.options);
    return NMailPop3Authenticate(*c, s.to, s.toPass, 0);
}

void waitForMailbox(const Servers& s, int n) {
    for (int i = 0; i < 600 && mailboxCount(s) < n; ++i)
        QThread::msleep(50);
}

void emptyMailbox(const Servers& s) {
    const auto c = NMailPop3ConnectSsl(s.host, s.pop3s, nmail_ssl::Implicit, s.options);
    const int n = NMailPop3Authenticate(*c, s.to, s.toPass, 0);
    for (int i = 1; i <= n; ++i)
        (void)NMailPop3DeleteMail(*c, i);  // a mail left over only slows the next round
}

// Rounds of a comparison with curl's tool; more narrow the median on a busy
// machine (SENDVIK_BENCH_ROUNDS, default 9).
int rounds() {
    const int asked = qEnvironmentVariableIntValue("SENDVIK_BENCH_ROUNDS");
    return asked > 0 && asked < 100 ? asked : 9;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The rounds' ratios: the median, and the spread the machine gave them.
void reportRatios(benchmark::State& state, const std::vector<double>& ratios) {
    state.counters["ratio"] = median(ratios);
    state.counters["ratio_min"] = *std::min_element(ratios.begin(), ratios.end());
    state.counters["ratio_max"] = *std::max_element(ratios.begin(), ratios.end());
}

// Sends the cards over one SMTPS connection as the send batch does; the time
// in milliseconds, or -1 with the server's answer.
qint64 sendOurs(const Servers& s, const QStringList& cards, QString* failure) {
    QElapsedTimer t;
    t.start();
    const auto c = NMailSmtpConnectSsl(s.host, s.smtps, nmail_ssl::Implicit, s.options);
    if (NMailSmtpAuthenticate(*c, s.host, s.from, s.fromPass, nmail_auth::Automatic) != 0) {
        if (failure) *failure = c->message();
        return -1;
    }
    for (int i = 0; i < cards.size(); ++i) {
        if (NMailSmtpSendMailEx(*c, s.to, s.from, QStringLiteral("ZELKOV E-Mail QSL %1").arg(i),
                                QStringLiteral("電子QSL\r\n"),
                                QStringLiteral("X-Mailer: ZELKOV E-Mail QSL, QSO-yymm:2404"),
                                cards[i], failure) != 0)
            return -1;
    }
    (void)NMailSmtpClose(*c);  // the mails were taken; the time is what counts
    return t.elapsed();
}

// curl's tool sends the same number of prebuilt messages over one connection
// (one invocation, its URL globbing uploads them in turn).
qint64 sendCurl(const Servers& s, const QDir& dir, const QStringList& names) {
    QElapsedTimer t;
    t.start();
    QProcess send;
    send.setWorkingDirectory(dir.path());
    send.start(
        QStringLiteral("curl"),
        {QStringLiteral("-s"), QStringLiteral("--cacert"), s.ca, QStringLiteral("--user"),
         s.from + u':' + s.fromPass, QStringLiteral("--mail-from"), s.from,
         QStringLiteral("--mail-rcpt"), s.to, QStringLiteral("-T"), u'{' + names.join(u',') + u'}',
         QStringLiteral("smtps://%1:%2/").arg(s.host).arg(s.smtps)});
    send.waitForFinished(-1);
    return send.exitCode() == 0 ? t.elapsed() : -1;
}

// Every send starts from the same state: the mails of the one before
// delivered and deleted, the disk written out, the servers idle.
void settle(const Servers& s, int delivered) {
    waitForMailbox(s, delivered);
    emptyMailbox(s);
    ::sync();
    QThread::msleep(300);
}

// The prebuilt messages the peer sends: the same card mail, a file each.
QStringList prebuiltMessages(const Servers& s, const QDir& dir) {
    OutgoingMail mail{s.from,
                      s.to,
                      QStringLiteral("ZELKOV E-Mail QSL"),
                      QStringLiteral("電子QSL\r\n"),
                      {QStringLiteral("X-Mailer: ZELKOV E-Mail QSL, QSO-yymm:2404")},
                      cardFile(dir)};
    QString error;
    const QByteArray message = buildMimeMessage(mail, &error);
    QStringList names;
    for (int i = 0; i < kCards; ++i) {
        QFile f(dir.filePath(QStringLiteral("m%1.eml").arg(i)));
        f.open(QIODevice::WriteOnly);
        f.write(message);
        names.append(QStringLiteral("m%1.eml").arg(i));
    }
    return names;
}

void BM_MailSend200Cards(benchmark::State& state) {
    const Servers s = servers();
    if (!s.ok)
        return state.SkipWithError("SENDVIK_MAIL_ENV is not set (start the test mail servers)");
    const QDir dir = keptFolder(QStringLiteral("send"));
    const QStringList cards = cardFiles(dir);
    for (auto _ : state) {
        state.PauseTiming();
        settle(s, 0);
        state.ResumeTiming();
        QString failure;
        if (sendOurs(s, cards, &failure) < 0)
            return state.SkipWithError(failure.toUtf8().constData());
    }
    state.counters["cards_per_s"] =
        benchmark::Counter(kCards * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MailSend200Cards)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The send rate against curl's tool, as a ratio: rounds that take turns on
// the same servers, each send from the same settled state; the median of
// the rounds' ratios (curl's time over ours: above 1 is faster than curl).
void BM_MailSendAgainstCurlTool(benchmark::State& state) {
    const Servers s = servers();
    if (!s.ok) return state.SkipWithError("SENDVIK_MAIL_ENV is not set");
    const QDir ourDir = keptFolder(QStringLiteral("paired-ours"));
    const QDir curlDir = keptFolder(QStringLiteral("paired-curl"));
    const QStringList cards = cardFiles(ourDir);
    const QStringList names = prebuiltMessages(s, curlDir);
    std::vector<double> ratios, ours, theirs;
    for (auto _ : state) {
        settle(s, 0);
        for (int round = 0; round < rounds(); ++round) {
            QString failure;
            // Who goes first changes each round.
            qint64 a = 0, b = 0;
            if (round % 2 == 0) {
                a = sendOurs(s, cards, &failure);
                settle(s, kCards);
                b = sendCurl(s, curlDir, names);
            } else {
                b = sendCurl(s, curlDir, names);
                settle(s, kCards);
                a = sendOurs(s, cards, &failure);
            }
            settle(s, kCards);
            if (a <= 0 || b <= 0)
                return state.SkipWithError(failure.isEmpty() ? "curl failed"
                                                             : failure.toUtf8().constData());
            ours.push_back(static_cast<double>(a));
            theirs.push_back(static_cast<double>(b));
            ratios.push_back(static_cast<double>(b) / static_cast<double>(a));
        }
    }
    state.counters["ours_ms"] = median(ours);
    state.counters["curl_ms"] = median(theirs);
    reportRatios(state, ratios);
}
BENCHMARK(BM_MailSendAgainstCurlTool)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The receive run as the program makes it (every mail taken, left on the
// server like curl's fetch): fetched, read, the card and its text filed.
// The receive run's request for the benchmarks: every mail taken, left on
// the server like curl's fetch.
ReceiveRequest receiveRequest(const Servers& s) {
    ReceiveRequest request;
    request.mail.pop3Host = s.host;
    request.mail.pop3Port = s.pop3s;
    request.mail.pop3Ssl = nmail_ssl::Implicit;
    request.mail.pop3Account = s.to;
    request.mail.pop3Password = s.toPass;
    request.mail.leaveOnServer = true;
    request.userEdition = QStringLiteral("1");
    request.receiveAllMail = true;
    return request;
}

// The servers with the mails to receive, sent afresh (a benchmark may run
// alone); nullopt with the benchmark skipped when that fails.
std::optional<Servers> filledMailbox(benchmark::State& state) {
    const Servers s = servers();
    if (!s.ok) {
        state.SkipWithError("SENDVIK_MAIL_ENV is not set");
        return std::nullopt;
    }
    settle(s, 0);
    QString failure;
    if (sendOurs(s, cardFiles(keptFolder(QStringLiteral("receive-cards"))), &failure) < 0) {
        state.SkipWithError(failure.toUtf8().constData());
        return std::nullopt;
    }
    waitForMailbox(s, kCards);
    return s;
}

// One receive run into folders of its own; the time in milliseconds, or -1
// when not every card arrived.
qint64 receiveOurs(ReceiveRequest request, const QDir& dir, int round) {
    ScriptedMessagePort messages;
    const ScopedMessagePort use(&messages);
    RecordingProgressPort progress;
    request.receivedDir = dir.filePath(QStringLiteral("QslRcv%1").arg(round));
    request.messageDir = dir.filePath(QStringLiteral("QslMsg%1").arg(round));
    messages.answer(mb::IdNo);  // more than 100 mails: all of them
    QElapsedTimer t;
    t.start();
    const ReceiveResult r = ReceiveRun(progress).run(request);
    return r.cards < kCards ? -1 : t.elapsed();
}

// curl's tool fetches the same mails, each into a file of its own.
qint64 fetchCurl(const Servers& s, const QDir& dir, int round) {
    QDir().mkpath(dir.filePath(QString::number(round)));
    QElapsedTimer t;
    t.start();
    QProcess fetch;
    fetch.setWorkingDirectory(dir.filePath(QString::number(round)));
    fetch.start(QStringLiteral("curl"),
                {QStringLiteral("-s"), QStringLiteral("--cacert"), s.ca, QStringLiteral("--user"),
                 s.to + u':' + s.toPass,
                 QStringLiteral("pop3s://%1:%2/[1-%3]").arg(s.host).arg(s.pop3s).arg(kCards),
                 QStringLiteral("-o"), QStringLiteral("fetched_#1.eml")});
    fetch.waitForFinished(-1);
    return fetch.exitCode() == 0 ? t.elapsed() : -1;
}

void BM_ReceiveRun200Cards(benchmark::State& state) {
    const std::optional<Servers> s = filledMailbox(state);
    if (!s) return;
    const QDir dir = keptFolder(QStringLiteral("receive"));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ::sync();  // the disk writes of the benchmarks before are not this one's
        state.ResumeTiming();
        if (receiveOurs(receiveRequest(*s), dir, round++) < 0)
            state.SkipWithError("not all cards arrived");
    }
    state.counters["cards_per_s"] =
        benchmark::Counter(kCards * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceiveRun200Cards)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The receive rate against curl's raw fetch, as a ratio: rounds that take
// turns on the same 200 mails, each after the disk was written out; the
// median of the rounds' ratios (curl's time over ours).
void BM_ReceiveAgainstCurlTool(benchmark::State& state) {
    const std::optional<Servers> s = filledMailbox(state);
    if (!s) return;
    const QDir ourDir = keptFolder(QStringLiteral("paired-receive"));
    const QDir curlDir = keptFolder(QStringLiteral("paired-fetch"));
    std::vector<double> ratios;
    for (auto _ : state) {
        for (int round = 0; round < rounds(); ++round) {
            qint64 a = 0, b = 0;
            for (int turn = 0; turn < 2; ++turn) {
                ::sync();
                QThread::msleep(300);
                if ((turn == 0) == (round % 2 == 0))
                    a = receiveOurs(receiveRequest(*s), ourDir, round);
                else
                    b = fetchCurl(*s, curlDir, round);
            }
            if (a <= 0 || b <= 0) return state.SkipWithError("a fetch failed");
            ratios.push_back(static_cast<double>(b) / static_cast<double>(a));
        }
    }
    reportRatios(state, ratios);
}
BENCHMARK(BM_ReceiveAgainstCurlTool)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Building one card mail (MIME with the 200 kB card), without a server: the
// part of a send that is ours alone.
void BM_BuildCardMail(benchmark::State& state) {
    QTemporaryDir temporary;
    const QString card = cardFile(QDir(temporary.path()), static_cast<int>(state.range(0)));
    OutgoingMail mail{QStringLiteral("jr1abc@qsl.test"),
                      QStringLiteral("jr2xyz@qsl.test"),
                      QStringLiteral("ZELKOV E-Mail QSL"),
                      QStringLiteral("電子QSL\r\n"),
                      {QStringLiteral("X-Mailer: ZELKOV E-Mail QSL, QSO-yymm:2404")},
                      card};
    QString error;
    for (auto _ : state)
        benchmark::DoNotOptimize(buildMimeMessage(mail, &error));
}
BENCHMARK(BM_BuildCardMail)->Arg(200 * 1024)->Arg(1024)->Unit(benchmark::kMicrosecond);

// Reading one card mail back (MIME with the 200 kB card), without a server.
void BM_ParseCardMail(benchmark::State& state) {
    QTemporaryDir temporary;
    OutgoingMail mail{QStringLiteral("jr1abc@qsl.test"),
                      QStringLiteral("jr2xyz@qsl.test"),
                      QStringLiteral("ZELKOV E-Mail QSL"),
                      QStringLiteral("電子QSL\r\n"),
                      {QStringLiteral("X-Mailer: ZELKOV E-Mail QSL, QSO-yymm:2404")},
                      cardFile(QDir(temporary.path()))};
    QString error;
    const QByteArray raw = buildMimeMessage(mail, &error);
    for (auto _ : state)
        benchmark::DoNotOptimize(parseMimeMessage(raw));
}
BENCHMARK(BM_ParseCardMail)->Unit(benchmark::kMicrosecond);

// The peer: curl's own tool sends the same 200 messages over one connection
// (one invocation, its URL globbing uploads them in turn), then fetches them.
void BM_CurlToolSendAndFetch200Cards(benchmark::State& state) {
    const Servers s = servers();
    if (!s.ok) return state.SkipWithError("SENDVIK_MAIL_ENV is not set");
    const QDir dir = keptFolder(QStringLiteral("curl"));
    const QStringList names = prebuiltMessages(s, dir);
    int round = 0;
    for (auto _ : state) {
        settle(s, 0);
        const qint64 sendMs = sendCurl(s, dir, names);
        waitForMailbox(s, kCards);
        ::sync();
        const qint64 fetchMs = fetchCurl(s, dir, round++);
        if (sendMs < 0 || fetchMs < 0) return state.SkipWithError("curl failed");
        state.counters["send_ms"] = static_cast<double>(sendMs);
        state.counters["fetch_ms"] = static_cast<double>(fetchMs);
    }
}
BENCHMARK(BM_CurlToolSendAndFetch200Cards)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace
