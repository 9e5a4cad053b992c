// Cards exchanged end to end through the command line, on the loopback mail
// servers and the reference service server: station JR1ABC sends a batch,
// station JR2XYZ receives it.

#include "core/sjis.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "dropping_proxy.h"
#include "log_fixture.h"
#include "logdata/user_list.h"
#include "logdata/zelkov50.h"
#include "mail/mime_message.h"
#include "mail/qsl_mail_format.h"
#include "scripted_pop3.h"
#include "scripted_smtp.h"
#include "settings/qso_feed_settings.h"
#include "small_disk.h"
#include "station_home.h"
#include "test_support.h"
#include "wsjtx_announce.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QUdpSocket>

#include <csignal>
#include <iostream>
#include <map>

#include <gtest/gtest.h>

using namespace testing_support;
using testing_support::DroppingProxy;
using testing_support::ScriptedPop3Server;
using testing_support::ScriptedSmtpServer;

namespace {

struct CliRun {
    int code = -1;
    QString out, err;
};

// A station's program folder on the loopback servers: its settings, its log
// and the user list.
class Station {
public:
    Station(const QString& home, const QString& call, int mailUser, const MailServers& mail,
            const NovqServer& novq, const QString& caBundle)
        : home_(home), novqBase_(novq.base) {
        writeStationHome(
            home,
            {call, kNovqPasswords.value(call), mail.users[mailUser], mail.passwords[mailUser]},
            {mail.host, mail.smtps, mail.pop3s, caBundle},
            dataFile(u"jpeg/landscape_1800x1200.jpg"_s));
    }
    QString path(const QString& name) const { return home_ + u'/' + name; }
    // Mail through a server of the test's own on loopback: plain, no login.
    void useSmtpOn(int port) const {
        TZkwIni s(path(u"Sendvik.ini"_s));
        s.writeString(u"Option"_s, u"SmtpName"_s, u"127.0.0.1"_s);
        s.writeString(u"Option"_s, u"SmtpPort"_s, QString::number(port));
        s.writeInteger(u"Option"_s, u"SmtpSsl"_s, 0);
        s.writeInteger(u"Option"_s, u"SmtpAuth"_s, 0);
    }
    void usePop3On(int port) const {
        TZkwIni s(path(u"Sendvik.ini"_s));
        s.writeString(u"Option"_s, u"Pop3Name"_s, u"127.0.0.1"_s);
        s.writeString(u"Option"_s, u"Pop3Port"_s, QString::number(port));
        s.writeInteger(u"Option"_s, u"Pop3Ssl"_s, 0);
    }

    // Starts the command line on this station, with the tests' service
    // server; the caller waits, signals or kills it.
    void start(QProcess& p, const QStringList& args) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"SENDVIK_SERVER_BASE"_s, novqBase_);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(SENDVIK_CLI), QStringList{u"--home"_s, home_} + args);
    }
    // `input`: what the person types, line by line.
    CliRun cli(const QStringList& args, const QByteArray& input = {}) const {
        QProcess p;
        start(p, args);
        if (!input.isEmpty()) p.write(input);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(120000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    // The mailbox as other tests left it, emptied; from then on what is read
    // is deleted (`deleting`) or kept, cards only.
    void emptyMailbox(bool deleting) const {
        TZkwIni(path(u"Sendvik.ini"_s)).writeString(u"Option"_s, u"Check"_s, u"8,0"_s);
        TZkwIni(path(u"Sendvik.ini"_s)).writeInteger(u"Kankyo"_s, u"Check"_s, 0x80);
        EXPECT_EQ(cli({u"receive"_s, u"--yes"_s}).code, 0);
        QDir(path(u"受信"_s)).removeRecursively();
        QDir(path(u"QslMsg"_s)).removeRecursively();
        TZkwIni(path(u"Sendvik.ini"_s))
            .writeString(u"Option"_s, u"Check"_s, deleting ? u"8,0"_s : u"0,0"_s);
        TZkwIni(path(u"Sendvik.ini"_s)).writeInteger(u"Kankyo"_s, u"Check"_s, 0);
    }
    // Receives until the output holds `wanted` (Postfix delivers in its own
    // time; ten seconds at most): the last run.
    CliRun receiveUntil(const QString& wanted) const {
        CliRun r;
        for (int i = 0; i < 100 && !r.out.contains(wanted); ++i) {
            QThread::msleep(100);
            r = cli({u"receive"_s});
        }
        return r;
    }
    QChar sentMark(int recno) const {
        ZkwHandle log;
        if (ZelkovOpen(0, log, path(u"ZELKOV.mst"_s), 0) != 0) return u'?';
        const QChar mark = ZKW_read(log, recno, read_mode::Card) == 0 ? log.rec.qslSent : u'?';
        ZelkovClose(log, 0);
        return mark;
    }

private:
    inline static const QMap<QString, QString> kNovqPasswords = {
        {u"JR1ABC"_s, u"novq-a"_s}, {u"JR2XYZ"_s, u"novq-b"_s}, {u"JH3AAA"_s, u"novq-c"_s}};
    QString home_;
    QString novqBase_;
};

// The test mailboxes' script (tests/servers/mail/mailbox.sh) on this run's
// servers: its exit code; and a mailbox's count of mails.
int mailboxScript(const QStringList& args) {
    return QProcess::execute(QStringLiteral(SENDVIK_SOURCE "/tests/servers/mail/mailbox.sh"),
                             QStringList{QStringLiteral(SENDVIK_MAIL_ENV)} + args);
}

int mailboxCount(const QString& user) {
    QProcess count;
    count.start(QStringLiteral(SENDVIK_SOURCE "/tests/servers/mail/mailbox.sh"),
                {QStringLiteral(SENDVIK_MAIL_ENV), QStringLiteral("count"), user});
    if (!count.waitForFinished(10000)) return -1;
    return count.readAllStandardOutput().trimmed().toInt();
}

QStringList requestBodies(const NovqServer& novq) {
    QStringList out;
    for (const QByteArray& line : readBytes(novq.log).split('\n'))
        if (!line.isEmpty()) out << QJsonDocument::fromJson(line).object()[u"body"_s].toString();
    return out;
}

class Exchange : public ::testing::Test {
protected:
    MailServers mail = mailServers(QStringLiteral(SENDVIK_MAIL_ENV));
    NovqServer novq = novqServer(QStringLiteral(SENDVIK_NOVQ_ENV));
    Sandbox box;
    QString bundle;

    void SetUp() override {
        ASSERT_TRUE(mail.valid() && novq.valid()) << "the loopback servers are not running";
        bundle = box.path(u"ca-bundle.crt"_s);
        writeBytes(bundle, readBytes(mail.caFile) + readBytes(novq.caFile));
        QFile::resize(novq.log, 0);
    }
    // Messages put straight into a mailbox, exactly as written, oldest first:
    // mails no program of ours would make.
    void deliverRaw(int user, const QList<QByteArray>& messages) {
        const QString maildir = mail.dir + u"/mail/"_s + mail.users[user].section(u'@', 1) + u'/' +
                                mail.users[user].section(u'@', 0, 0) + u"/Maildir"_s;
        ASSERT_TRUE(QFileInfo(maildir + u"/new"_s).isDir()) << maildir.toStdString();
        static int serial = 0;
        for (const QByteArray& message : messages) {
            ++serial;
            writeBytes(
                maildir +
                    QStringLiteral("/new/%1.raw%2.qsl.test").arg(1800000000 + serial).arg(serial),
                message);
        }
        QProcess::execute(u"chown"_s, {u"-R"_s, u"vmail:vmail"_s, maildir});
    }
    // A mail of header lines, a text and attachments (name as raw bytes, bytes).
    static QByteArray rawMail(const QByteArray& headers,
                              const QList<std::pair<QByteArray, QByteArray>>& attachments) {
        QByteArray m = headers +
                       "MIME-Version: 1.0\r\n"
                       "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                       "--b\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n"
                       "TNX QSO\r\n";
        for (const auto& [name, bytes] : attachments)
            m += "--b\r\nContent-Type: image/jpeg\r\nContent-Transfer-Encoding: base64\r\n"
                 "Content-Disposition: attachment; filename=\"" +
                 name + "\"\r\n\r\n" + bytes.toBase64() + "\r\n";
        return m + "--b--\r\n";
    }
    // A recent QSO (the batch skips those older than half a year).
    static QsoRecord recent(const QString& call, int daysAgo, const QString& hhmm) {
        return qso(call, QDate::currentDate().addDays(-daysAgo).toString(u"yy/MM/dd"_s), hhmm);
    }
};

TEST_F(Exchange, ABatchLooksUpItsPartnersMailsTheirCardsAndMarksThem) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    makeLog(a.path(u"ZELKOV.mst"_s),
            {recent(u"JR2XYZ"_s, 10, u"12:00"_s), recent(u"JA9ZZZ"_s, 9, u"12:10"_s),
             recent(u"JH3AAA"_s, 8, u"12:20"_s), recent(u"JR2XYZ"_s, 7, u"21:05"_s)});

    const CliRun r = a.cli({u"send"_s, u"1"_s, u"4"_s, u"--yes"_s});
    ASSERT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"sent=2\n"_s)) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(u"next-first=5\n"_s)) << r.out.toStdString();
    // The summary, word for word.
    EXPECT_TRUE(r.err.contains(u"電子QSLメールを 2 件送信しました。"_s)) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"・ZELKOVユーザーリスト未登録 1局"_s));
    EXPECT_TRUE(r.err.contains(u"・ZELKOV E-Mail QSL未登録 1局"_s));

    // Filed in the sent folder, marked in the log; the others untouched.
    const QStringList cards =
        QDir(a.path(u"送信"_s)).entryList({u"JR1ABC_*_JR2XYZ.jpg"_s}, QDir::Files);
    EXPECT_EQ(cards.size(), 2) << cards.join(u' ').toStdString();
    EXPECT_EQ(a.sentMark(1), u'H');
    EXPECT_EQ(a.sentMark(2), u' ');
    EXPECT_EQ(a.sentMark(3), u' ');
    EXPECT_EQ(a.sentMark(4), u'H');
    // Asked the server in its order: the own address, the members, the report.
    const QStringList bodies = requestBodies(novq);
    ASSERT_GE(bodies.size(), 3);
    EXPECT_EQ(bodies[0], u"callx=Get_Mailad"_s);
    EXPECT_EQ(bodies[1], u"callx=JR2XYZ_JH3AAA_JR2XYZ_"_s);
    EXPECT_TRUE(bodies[2].startsWith(u"callx=Sent_Qsldt&SntCnt=2&Band="_s))
        << bodies[2].toStdString();
    EXPECT_TRUE(bodies[2].endsWith(u"&Version=Ver5.12"_s));
    EXPECT_FALSE(QFileInfo::exists(a.path(u"ZELKOV.sending"_s)));

    // Again with "未発行のみ送信" (MiHakko): both are marked, nothing goes
    // out, and the zero summary says why.
    TZkwIni(a.path(u"Sendvik.ini"_s)).writeInteger(u"Kankyo"_s, u"Check"_s, 304 | 4);
    const CliRun again = a.cli({u"send"_s, u"1"_s, u"4"_s, u"--yes"_s});
    EXPECT_EQ(again.code, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.contains(u"sent=0\n"_s));
    EXPECT_TRUE(again.err.contains(u"（送信したQSL数＝ゼロ）"_s)) << again.err.toStdString();
    EXPECT_TRUE(again.err.contains(u"・すでにQSL発行済み　　2局"_s));
}

TEST_F(Exchange, WithoutAUserListTheServiceDecidesAndItsStationsAreKept) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    for (const Station* s : {&a, &b}) {
        QFile::remove(s->path(u"UserList.usr"_s));
        QFile::remove(s->path(u"UserList.usx"_s));
    }
    makeLog(a.path(u"ZELKOV.mst"_s),
            {recent(u"JR2XYZ"_s, 10, u"12:00"_s), recent(u"JA9ZZZ"_s, 9, u"12:10"_s),
             recent(u"JH3AAA"_s, 8, u"12:20"_s)});
    b.emptyMailbox(false);
    // No own call: said, with where to set it.
    TZkwIni(a.path(u"Sendvik.ini"_s)).writeString(u"Option"_s, u"Calls"_s, QString());
    CliRun r = a.cli({u"send"_s, u"1"_s, u"3"_s, u"--yes"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(u"自局のコールサインが設定されていません！"_s))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"「コールサイン:」"_s));
    TZkwIni(a.path(u"Sendvik.ini"_s)).writeString(u"Option"_s, u"Calls"_s, u"JR1ABC"_s);
    // Every partner is asked; the service's answers decide.
    r = a.cli({u"send"_s, u"1"_s, u"3"_s, u"--yes"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"sent=1\n"_s)) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(u"・ZELKOV E-Mail QSL未登録 2局"_s)) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"・ZELKOVユーザーリスト未登録 0局"_s));
    const QString kept = QString::fromLatin1(readBytes(a.path(u"ServiceUsers.usr"_s)));
    EXPECT_TRUE(kept.startsWith(QDate::currentDate().toString(u"yyyy/MM/dd\r\n"_s)));
    EXPECT_TRUE(kept.endsWith(u"\r\nJR1ABC\r\nJR2XYZ\r\n"_s)) << kept.toStdString();
    // The partner, without a list too, receives it.
    for (int i = 0; i < 100 && b.cli({u"mail"_s, u"list"_s}).out.count(u'\n') < 2; ++i)
        QThread::msleep(100);
    r = b.cli({u"receive"_s, u"--yes"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"cards=1\n"_s)) << r.out.toStdString();
}

// WSJT-X announces each QSO twice (its fields, then its ADIF record): each
// joins the log once, the member's card goes out at once through the single
// send, the other is counted with its reason, a broken datagram is dropped.
TEST_F(Exchange, QsosAnnouncedByWsjtxJoinTheLogAndTheMembersCardGoesOut) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    makeLog(a.path(u"ZELKOV.mst"_s), {recent(u"JH3AAA"_s, 30, u"09:00"_s)});
    quint16 port = 0;
    {
        QUdpSocket probe;  // a free port for the listener
        ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
        port = probe.localPort();
    }
    QProcess listen;
    a.start(listen, {u"wsjtx"_s, u"listen"_s, u"--port"_s, QString::number(port), u"--send"_s,
                     u"--yes"_s, u"--exit-after"_s, u"2"_s});
    ASSERT_TRUE(listen.waitForStarted(10000));
    // Listening once it says so.
    for (int i = 0; i < 100 && !listen.readAllStandardError().contains("UDP"); ++i)
        listen.waitForReadyRead(100);
    QUdpSocket wsjtxSide;
    const QDateTime at = QDateTime::currentDateTimeUtc().addSecs(-600);
    for (const QString& call : {u"JR2XYZ"_s, u"JA9ZZZ"_s}) {
        for (const QByteArray& d : testing_support::announcedQso(call, at, u"JR1ABC"_s))
            wsjtxSide.writeDatagram(d, QHostAddress::LocalHost, port);
    }
    ASSERT_TRUE(listen.waitForFinished(60000));
    const QString out = QString::fromUtf8(listen.readAllStandardOutput());
    EXPECT_EQ(listen.exitCode(), 0) << out.toStdString();
    const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << out.toStdString();
    const QString minute = at.toString(u"yyyyMMdd,HHmm"_s);
    EXPECT_EQ(lines[0], u"logged=JR2XYZ,%1,40m,FT8 record=2 sent=1"_s.arg(minute));
    EXPECT_TRUE(
        lines[1].startsWith(u"logged=JA9ZZZ,%1,40m,FT8 record=3 sent=0 reason="_s.arg(minute)))
        << lines[1].toStdString();
    EXPECT_EQ(lines[2], u"qsos=2 dropped=2 ignored=0"_s);
    EXPECT_EQ(a.sentMark(2), u'H');
    EXPECT_EQ(a.sentMark(3), u' ');
    EXPECT_EQ(QDir(a.path(u"送信"_s)).entryList({u"JR1ABC_*_JR2XYZ.jpg"_s}, QDir::Files).size(), 1);

    // The log file WSJT-X appends to, followed with --send: the QSO already
    // announced is not added again, the new one's card goes out.
    const QDateTime later = at.addSecs(180);
    const auto record = [](const QString& call, const QDateTime& on, const QString& band) {
        return u"<call:%1>%2 <mode:3>FT4 <qso_date:8>%3 <time_on:6>%4 <band:%5>%6 <EOR>\n"_s.arg(
            QString::number(call.size()), call, on.toString(u"yyyyMMdd"_s),
            on.toString(u"HHmmss"_s), QString::number(band.size()), band);
    };
    // The file's first reading is its history: logged, no card.
    const QString file = box.path(u"wsjtx_log.adi"_s);
    writeBytes(file, (u"WSJT-X ADIF Export<eoh>\n"_s +
                      record(u"JR2XYZ"_s, at, u"40m"_s).replace(u"FT4"_s, u"FT8"_s) +
                      record(u"JR2XYZ"_s, later, u"20m"_s))
                         .toUtf8());
    const QStringList follow{u"log"_s, u"follow"_s, file, u"--once"_s, u"--send"_s, u"--yes"_s};
    CliRun f = a.cli(follow);
    ASSERT_EQ(f.code, 0) << f.err.toStdString();
    EXPECT_EQ(f.out, u"logged=JR2XYZ,%1,20m,FT4 record=4\nadded=1\n"_s.arg(
                         later.toString(u"yyyyMMdd,HHmm"_s)));
    EXPECT_EQ(a.sentMark(4), u' ');
    // What is appended afterwards gets its card.
    QFile appended(file);
    ASSERT_TRUE(appended.open(QIODevice::Append));
    appended.write(record(u"JR2XYZ"_s, later.addSecs(120), u"20m"_s).toUtf8());
    appended.close();
    f = a.cli(follow);
    ASSERT_EQ(f.code, 0) << f.err.toStdString();
    EXPECT_EQ(f.out, u"logged=JR2XYZ,%1,20m,FT4 record=5 sent=1\nadded=1\n"_s.arg(
                         later.addSecs(120).toString(u"yyyyMMdd,HHmm"_s)));
    EXPECT_EQ(a.sentMark(5), u'H');
    // The window keeps these cards out of the next batch; so does the
    // command line's.
    {
        TZkwIni ini(a.path(u"Sendvik.ini"_s));
        QsoFeedSettings feed = QsoFeedSettings::load(ini);
        feed.leftOut = {2, 5};
        feed.save(ini);
    }
    const CliRun batch = a.cli({u"send"_s, u"2"_s, u"2"_s, u"--yes"_s});
    EXPECT_TRUE(batch.out.contains(u"sent=0\n"_s)) << batch.out.toStdString();
    EXPECT_EQ(QDir(a.path(u"送信"_s)).entryList({u"JR1ABC_*_JR2XYZ.jpg"_s}, QDir::Files).size(), 2);
    EXPECT_EQ(QDir(a.path(u"送信"_s)).entryList({u"JR1ABC_*_JR2XYZ.jpg"_s}, QDir::Files).size(), 2);
}

TEST_F(Exchange, TheOtherStationReceivesFilesAndRejectsOldCards) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    makeLog(a.path(u"ZELKOV.mst"_s),
            {recent(u"JR2XYZ"_s, 10, u"12:00"_s), recent(u"JR2XYZ"_s, 9, u"08:30"_s)});
    b.emptyMailbox(false);

    ASSERT_EQ(a.cli({u"send"_s, u"1"_s, u"2"_s, u"--yes"_s}).code, 0);
    writeBytes(box.path(u"note.txt"_s), "See you on 7 MHz.\n");
    ASSERT_EQ(a.cli({u"mail"_s, u"send"_s, u"--to"_s, mail.users[1], u"--subject"_s, u"hello"_s,
                     u"--body-file"_s, box.path(u"note.txt"_s)})
                  .code,
              0);
    // Postfix delivers in its own time.
    // (a header line, then a line a mail)
    for (int i = 0; i < 100 && b.cli({u"mail"_s, u"list"_s}).out.count(u'\n') < 4; ++i)
        QThread::msleep(100);

    // Cards only, kept on the server.
    TZkwIni(b.path(u"Sendvik.ini"_s)).writeString(u"Option"_s, u"Check"_s, u"0,0"_s);
    TZkwIni(b.path(u"Sendvik.ini"_s)).writeInteger(u"Kankyo"_s, u"Check"_s, 0);
    CliRun r = b.cli({u"receive"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"cards=2\nmails=3\nrejected=0\nmailbox=3\nundelivered=0\n"_s))
        << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(u"2 件の電子QSLを受信しました。\n\n届いているメールの件数は 3件"_s))
        << r.err.toStdString();
    const QStringList sent = QDir(a.path(u"送信"_s)).entryList(QDir::Files);
    const QStringList received = QDir(b.path(u"受信"_s)).entryList(QDir::Files);
    EXPECT_EQ(received, sent);  // the pictures only, under the sender's names
    for (const QString& name : received) {
        EXPECT_EQ(readBytes(b.path(u"受信/"_s + name)), readBytes(a.path(u"送信/"_s + name)));
        const QString text = QString::fromUtf8(
            readBytes(b.path(u"QslMsg/"_s + QFileInfo(name).completeBaseName() + u".txt"_s)));
        EXPECT_TRUE(text.startsWith(u"Subject:ZELKOV E-Mail QSL From:JR1ABC QSO-Date:20"_s))
            << text.toStdString();
    }

    // Every mail: the other one is filed as text too, and named for opening.
    TZkwIni(b.path(u"Sendvik.ini"_s)).writeInteger(u"Kankyo"_s, u"Check"_s, 0x80);
    r = b.cli({u"receive"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"text="_s + b.path(u"QslMsg/"_s))) << r.out.toStdString();
    EXPECT_EQ(QDir(b.path(u"受信"_s)).entryList(QDir::Files), received);

    // Cards of QSOs before the oldest month accepted: deleted unread.
    TZkwIni(b.path(u"Sendvik.ini"_s)).writeInteger(u"Kankyo"_s, u"Check"_s, 0);
    TZkwIni(b.path(u"Sendvik.ini"_s)).writeString(u"Kankyo"_s, u"OldQso"_s, u"9912"_s);
    r = b.cli({u"receive"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"cards=0\nmails=3\nrejected=2\n"_s)) << r.out.toStdString();
    EXPECT_TRUE(
        r.err.contains(u"新しい電子QSLは届いておりません。\n\n2 件の古い電子QSLを拒否"
                       u"（削除）しました。"_s))
        << r.err.toStdString();
    EXPECT_TRUE(b.cli({u"receive"_s}).out.contains(u"mailbox=1\n"_s));
}

TEST_F(Exchange, AMailServerGoneMidBatchLeavesNothingMarkedThatWasNotSent) {
    // The real service server, a mail server that takes one mail and goes.
    ScriptedSmtpServer::Script script;
    script.mailsBeforeGone = 1;
    ScriptedSmtpServer smtp(script);
    ASSERT_GT(smtp.port(), 0);
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    a.useSmtpOn(smtp.port());
    makeLog(a.path(u"ZELKOV.mst"_s),
            {recent(u"JR2XYZ"_s, 10, u"12:00"_s), recent(u"JR2XYZ"_s, 9, u"12:00"_s),
             recent(u"JR2XYZ"_s, 8, u"12:00"_s)});
    const CliRun r = a.cli({u"send"_s, u"1"_s, u"3"_s, u"--yes"_s});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();  // cards left unsent: no success
    EXPECT_TRUE(r.out.contains(u"sent=1\n"_s)) << r.out.toStdString();
    // The last box holds both refusals (each question shows them so far).
    const QString last = r.err.section(u"[ZELKOV E-Mail QSL]"_s, -2, -2);
    EXPECT_EQ(last.count(u"JR2XYZ局へ送信できません！"_s), 2) << r.err.toStdString();
    EXPECT_EQ(smtp.mailsTaken(), 1);
    EXPECT_EQ(a.sentMark(1), u'H');
    EXPECT_EQ(a.sentMark(2), u' ');
    EXPECT_EQ(a.sentMark(3), u' ');
    EXPECT_EQ(QDir(a.path(u"送信"_s)).entryList(QDir::Files).size(), 1);
    EXPECT_FALSE(QFileInfo::exists(a.path(u"ZELKOV.sending"_s)));
    EXPECT_TRUE(requestBodies(novq).last().startsWith(u"callx=Sent_Qsldt&SntCnt=1&"_s));

    // Stopped at the failed card (the question's default): the next batch
    // starts with that card, not after it.
    ScriptedSmtpServer again(script);
    TZkwIni(a.path(u"Sendvik.ini"_s))
        .writeString(u"Option"_s, u"SmtpPort"_s, QString::number(again.port()));
    makeLog(a.path(u"ZELKOV.mst"_s), {recent(u"JR2XYZ"_s, 7, u"12:00"_s)});  // No4
    const CliRun stopped = a.cli({u"send"_s, u"2"_s, u"4"_s});
    EXPECT_EQ(stopped.code, 1);
    EXPECT_TRUE(stopped.out.contains(u"sent=1\n"_s)) << stopped.out.toStdString();
    EXPECT_TRUE(stopped.out.contains(u"next-first=3\n"_s)) << stopped.out.toStdString();
}

TEST_F(Exchange, KilledMidBatchNothingSentIsLeftUnmarked) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    makeLog(a.path(u"ZELKOV.mst"_s),
            {recent(u"JR2XYZ"_s, 10, u"12:00"_s), recent(u"JR2XYZ"_s, 9, u"12:00"_s)});
    // Asked card by card: the first sent, then killed at the second's question.
    QProcess p;
    a.start(p, {u"send"_s, u"1"_s, u"2"_s, u"--confirm"_s});
    ASSERT_TRUE(p.waitForStarted());
    QString err;
    const auto waitFor = [&](const QString& text) {
        for (int i = 0; i < 300 && !err.contains(text); ++i) {
            p.waitForReadyRead(100);
            err += QString::fromUtf8(p.readAllStandardError());
        }
        return err.contains(text);
    };
    ASSERT_TRUE(waitFor(u"No1 "_s)) << err.toStdString();
    p.write("s\n");
    ASSERT_TRUE(waitFor(u"No2 "_s)) << err.toStdString();
    ASSERT_GT(p.processId(), 0);
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished(10000);
    EXPECT_EQ(a.sentMark(1), u'H');  // out and marked
    EXPECT_EQ(a.sentMark(2), u' ');  // never out
    EXPECT_FALSE(QFileInfo::exists(a.path(u"ZELKOV.sending"_s)));
    EXPECT_EQ(QDir(a.path(u"送信"_s)).entryList(QDir::Files).size(), 1);
}

TEST_F(Exchange, ACardTheReceiveFolderRefusesStaysOnTheServer) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    makeLog(a.path(u"ZELKOV.mst"_s), {recent(u"JR2XYZ"_s, 10, u"12:00"_s)});
    b.emptyMailbox(true);

    ASSERT_EQ(a.cli({u"send"_s, u"1"_s, u"1"_s, u"--yes"_s}).code, 0);
    const QString card = QDir(a.path(u"送信"_s)).entryList(QDir::Files).value(0);
    ASSERT_FALSE(card.isEmpty());
    // The card's place in the receive folder is taken by a folder: the
    // picture cannot be written. Answered OK, the mail is skipped, not deleted.
    QDir().mkpath(b.path(u"受信/"_s + card));
    CliRun r;
    for (int i = 0; i < 50; ++i) {
        r = b.cli({u"receive"_s, u"--yes"_s});
        if (r.out.contains(u"mails=1"_s)) break;
        QThread::msleep(100);
    }
    EXPECT_TRUE(r.err.contains(u"(Mail-No1, Error-6) メールが受信できません！"_s))
        << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"cards=0\nmails=1\n"_s)) << r.out.toStdString();
    // Once the folder is put right the card comes, whole.
    QDir(b.path(u"受信/"_s + card)).removeRecursively();
    r = b.cli({u"receive"_s});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"cards=1\nmails=1\n"_s)) << r.out.toStdString();
    EXPECT_EQ(readBytes(b.path(u"受信/"_s + card)), readBytes(a.path(u"送信/"_s + card)));
}

TEST_F(Exchange, APop3ConnectionLostAfterAFetchLosesNothing) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    makeLog(a.path(u"ZELKOV.mst"_s),
            {recent(u"JR2XYZ"_s, 10, u"12:00"_s), recent(u"JR2XYZ"_s, 9, u"12:00"_s)});
    b.emptyMailbox(true);
    ASSERT_EQ(a.cli({u"send"_s, u"1"_s, u"2"_s, u"--yes"_s}).code, 0);
    for (int i = 0; i < 100 && !b.cli({u"mail"_s, u"list"_s}).out.contains(u"2\t"_s); ++i)
        QThread::msleep(100);

    // Plain POP3 through a relay that drops at the second fetch.
    DroppingProxy proxy(mail.pop3, "RETR", 2);
    {
        TZkwIni s(b.path(u"Sendvik.ini"_s));
        s.writeString(u"Option"_s, u"Pop3Name"_s, u"127.0.0.1"_s);
        s.writeString(u"Option"_s, u"Pop3Port"_s, QString::number(proxy.port()));
        s.writeInteger(u"Option"_s, u"Pop3Ssl"_s, 0);
    }
    CliRun r = b.cli({u"receive"_s, u"--yes"_s});
    EXPECT_TRUE(proxy.dropped());
    EXPECT_TRUE(r.err.contains(u"メールが受信できません！"_s)) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"cards=1\n"_s)) << r.out.toStdString();
    // Nothing lost: the next run gets both (the lost session deleted nothing).
    TZkwIni(b.path(u"Sendvik.ini"_s))
        .writeString(u"Option"_s, u"Pop3Port"_s, QString::number(mail.pop3));
    r = b.cli({u"receive"_s});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"cards=2\n"_s)) << r.out.toStdString();
    EXPECT_EQ(QDir(b.path(u"受信"_s)).entryList(QDir::Files),
              QDir(a.path(u"送信"_s)).entryList(QDir::Files));
}

TEST_F(Exchange, EachFailureSaysWhyInItsOwnWords) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    const auto set = [&](const QString& section, const QString& key, const QString& value) {
        TZkwIni(a.path(u"Sendvik.ini"_s)).writeString(section, key, value);
    };
    const auto said = [&](const QStringList& args, const QString& text) {
        const CliRun r = a.cli(args);
        EXPECT_EQ(r.code, 1) << text.toStdString();
        EXPECT_TRUE(r.err.contains(text)) << r.err.toStdString();
    };
    const QStringList send = {u"send"_s, u"1"_s, u"1"_s, u"--yes"_s};
    said(send, u"ファイルメニューからQSOデータを開いてください。"_s);  // no log yet
    makeLog(a.path(u"ZELKOV.mst"_s), {recent(u"JR2XYZ"_s, 10, u"12:00"_s)});
    set(u"Option"_s, u"Calls"_s, u"JR9QQQ"_s);
    said(send, u"JR9QQQ局は、2026/12/01版には掲載されていません！"_s);
    set(u"Option"_s, u"Calls"_s, u"JR1ABC"_s);
    set(u"Config"_s, u"PCheck"_s, QString::number(441 | 64));  // expert mode
    set(u"QslDef"_s, u"mQSL"_s, u"none.mQSL"_s);
    said(send, u"QSL定義ファイルを登録してください。"_s);
    set(u"Config"_s, u"PCheck"_s, u"441"_s);
    // The mail server: not there, then a wrong password.
    set(u"Option"_s, u"SmtpPort"_s, u"1"_s);
    CliRun r = a.cli(send);
    EXPECT_EQ(r.code, 1);  // nothing could be sent
    EXPECT_TRUE(r.err.contains(u"接続できません！サーバー名／ポート番号／SSL設定を確認"_s))
        << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"sent=0"_s));
    set(u"Option"_s, u"SmtpPort"_s, QString::number(mail.smtps));
    TZkwIni(a.path(u"Sendvik.ini"_s)).writeWords(u"Option"_s, u"Pass1"_s, u"wrong"_s);
    r = a.cli(send);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(u"(No-2) 認証できません！アカウント／パスワード／認証方法を確認"_s))
        << r.err.toStdString();
    EXPECT_EQ(a.sentMark(1), u' ');
    // The receive side: the login, then the server.
    const QStringList receive = {u"receive"_s};
    said(receive, u"(No-2) 認証できません！アカウント／パスワード／APOP？を確認"_s);
    set(u"Option"_s, u"Pop3Port"_s, u"1"_s);
    said(receive, u"接続できません！サーバー名／ポート番号／SSL設定を確認"_s);
    // Without the user list that was chosen nothing is sent or received.
    set(u"Config"_s, u"UserList"_s, u"UserList.usr"_s);
    QFile::remove(a.path(u"UserList.usr"_s));
    QFile::remove(a.path(u"UserList.usx"_s));
    said(send, u"一度、ZELKOV/Win でユーザーリストを開いてください。"_s);
    said(receive, u"一度、ZELKOV/Win でユーザーリストを開いてください。"_s);
}

TEST_F(Exchange, RefusalsBeforeAnythingIsSentSayWhy) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    makeLog(a.path(u"ZELKOV.mst"_s), {recent(u"JR2XYZ"_s, 10, u"12:00"_s)});
    // 301 records.
    CliRun r = a.cli({u"send"_s, u"1"_s, u"301"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(u"301件の送信指定はできません。"_s)) << r.err.toStdString();
    // A station with another address registered.
    TZkwIni(a.path(u"Sendvik.ini"_s)).writeString(u"Option"_s, u"MailAdd"_s, u"other@qsl.test"_s);
    r = a.cli({u"send"_s, u"1"_s, u"1"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(u"jr1abc@qsl.test\n\n登録されたメールアドレスと一致しません！"_s))
        << r.err.toStdString();
    // No picture.
    TZkwIni(a.path(u"Sendvik.ini"_s)).writeString(u"Config"_s, u"Jpeg"_s, u"none.jpg"_s);
    r = a.cli({u"send"_s, u"1"_s, u"1"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(u"ファイルメニューからJPEG画像を開いてください。"_s));
    EXPECT_EQ(a.sentMark(1), u' ');
    r = a.cli({u"send"_s, u"2"_s, u"1"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(
        r.err.startsWith(u"sendvik-cli: 範囲 2～1 が逆順です（レコード番号は1からです）\n"_s))
        << r.err.toStdString();
    EXPECT_EQ(a.cli({u"send"_s, u"1"_s}).code, 2);
}

}  // namespace

// The receiving station matches the cards with its log and marks them; the
// sending station's sent list shows who has not confirmed, and a resend
// from it reaches the partner again.
TEST_F(Exchange, ReceivedCardsAreMatchedAndMarkedAndASentCardGoesAgain) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    makeLog(a.path(u"ZELKOV.mst"_s),
            {recent(u"JR2XYZ"_s, 10, u"12:00"_s), recent(u"JR2XYZ"_s, 9, u"08:30"_s)});
    // B logged the first QSO four minutes later, the second one on SSB.
    QsoRecord other = recent(u"JR1ABC"_s, 9, u"08:30"_s);
    other.mode = u"SSB"_s;
    makeLog(b.path(u"ZELKOV.mst"_s), {recent(u"JR1ABC"_s, 10, u"12:04"_s), other});
    b.emptyMailbox(true);
    ASSERT_EQ(a.cli({u"send"_s, u"1"_s, u"2"_s, u"--yes"_s}).code, 0);
    CliRun r = b.receiveUntil(u"cards=2\n"_s);
    ASSERT_TRUE(r.out.startsWith(u"cards=2"_s)) << r.out.toStdString() << r.err.toStdString();

    r = b.cli({u"match"_s, u"--write-marks"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QStringList lines = r.out.split(u'\n');
    ASSERT_GE(lines.size(), 4) << r.out.toStdString();
    EXPECT_EQ(lines[0], u"No,照合,電子QSL～JPEGファイル,ファイル時刻,RecNo"_s);
    EXPECT_TRUE(lines[1].startsWith(u"1,\"○    \",JR1ABC_"_s)) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(u",1"_s));
    EXPECT_TRUE(lines[2].startsWith(u"2,■×,JR1ABC_"_s)) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith(u",不一致"_s));  // the mode differs
    EXPECT_EQ(lines[3], u"2個の電子QSL（◎＝0個, ○＝1個, ■×＝1個, 未発行＝1件）"_s);
    EXPECT_TRUE(r.out.contains(u"1 件のデータに\n［H;*=W;］\nを書き込みました。"_s));
    EXPECT_TRUE(r.out.contains(u"written=1\n"_s));
    {
        ZkwHandle log;
        ASSERT_EQ(ZelkovOpen(0, log, b.path(u"ZELKOV.mst"_s), 0), 0);
        ASSERT_EQ(ZKW_read(log, 1, read_mode::Card), 0);
        EXPECT_EQ(log.rec.qslRcvd, u'H');
        ZelkovClose(log, 0);
    }
    r = b.cli({u"match"_s, u"--write-marks"_s});
    EXPECT_TRUE(r.out.contains(u"\"◎  H \""_s)) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(u"すべて受領済みマーク記入済みです。"_s));

    // A's sent list: both unconfirmed; the first one goes again.
    r = a.cli({u"sent-list"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    lines = r.out.split(u'\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], u"No,QSL,電子QSL～JPEGファイル,ファイル時刻,RecNo"_s);
    EXPECT_EQ(lines[3], u"2 個の送信済み電子QSL（未受領＝2個）"_s);
    // The window's stored order, bottom-up, is the command line's too.
    {
        TZkwIni settings(a.path(u"Sendvik.ini"_s));
        WindowState places(settings);
        WindowState::ListPlace place = places.sentListPlace();
        place.descending = true;
        places.setSentListPlace(place);
    }
    const QStringList upward = a.cli({u"sent-list"_s}).out.split(u'\n');
    ASSERT_GE(upward.size(), 4);
    EXPECT_EQ(upward[1].section(u',', 1), lines[2].section(u',', 1));
    EXPECT_EQ(upward[2].section(u',', 1), lines[1].section(u',', 1));
    const QStringList sent =
        QDir(a.path(u"送信"_s)).entryList({u"*.jpg"_s}, QDir::Files, QDir::Name);
    ASSERT_EQ(sent.size(), 2);
    r = a.cli({u"resend"_s, sent[0], u"--yes"_s});
    ASSERT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"sent=1\n"_s));
    QDir(b.path(u"受信"_s)).removeRecursively();
    r = b.receiveUntil(u"cards=1\n"_s);
    EXPECT_TRUE(r.out.startsWith(u"cards=1"_s)) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(QDir(b.path(u"受信"_s)).entryList({u"*.jpg"_s}, QDir::Files), QStringList{sent[0]});

    // Wrong input says what is wrong.
    r = a.cli({u"resend"_s, u"NOSUCH.jpg"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(
        r.err.startsWith(u"sendvik-cli resend: 送信済み電子QSLが見つかりません: NOSUCH.jpg\n"_s))
        << r.err.toStdString();
    // A file too small for a card, a name no sent card has, a card of no QSO.
    writeBytes(a.path(u"送信/tiny.jpg"_s), "x");
    r = a.cli({u"resend"_s, u"tiny.jpg"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(u"sendvik-cli resend: "_s)) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith(u"tiny.jpg は電子QSLではありません（2048バイト以下です）\n"_s))
        << r.err.toStdString();
    ASSERT_TRUE(QFile::copy(a.path(u"送信/"_s + sent[0]), a.path(u"送信/not_a_card.jpg"_s)));
    r = a.cli({u"resend"_s, u"not_a_card.jpg"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              u"sendvik-cli resend: not_a_card.jpg は送信済み電子QSLのファイル名ではありません"
              u"（自局_yymmdd_hhmm_バンド_モード_相手局.jpg）\n"_s);
    QStringList parts = sent[0].split(u'_');
    parts[1] = u"000101"_s;
    const QString stranger = parts.join(u'_');
    ASSERT_TRUE(QFile::copy(a.path(u"送信/"_s + sent[0]), a.path(u"送信/"_s + stranger)));
    r = a.cli({u"resend"_s, stranger});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(u"sendvik-cli resend: この電子QSLと一致するQSOがありません（"_s))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith(u"）\n"_s)) << r.err.toStdString();
    EXPECT_EQ(a.cli({u"match"_s, u"--confirm-areas"_s}).code, 2);
}

// A receive killed at random moments, again and again, loses no card and
// leaves none half-written: a run after the kills files every card whole,
// and only then are the mails gone from the server.
TEST_F(Exchange, AReceiveKilledAtRandomLosesNoCard) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    std::vector<QsoRecord> qsos;
    for (int i = 0; i < 24; ++i)
        qsos.push_back(recent(u"JR2XYZ"_s, 3 + i / 6,
                              QStringLiteral("%1:15").arg(8 + i % 6, 2, 10, QChar(u'0'))));
    makeLog(a.path(u"ZELKOV.mst"_s), qsos);
    b.emptyMailbox(false);  // kept: every killed run reads them all again
    ASSERT_EQ(a.cli({u"send"_s, u"1"_s, u"24"_s, u"--yes"_s}).code, 0);
    const QStringList sent = QDir(a.path(u"送信"_s)).entryList(QDir::Files);
    ASSERT_EQ(sent.size(), 24);
    for (int i = 0; i < 200 && b.cli({u"mail"_s, u"list"_s}).out.count(u'\n') < 25; ++i)
        QThread::msleep(100);

    // How long a whole run takes, so that the kills land all over one.
    QElapsedTimer whole;
    whole.start();
    ASSERT_EQ(b.cli({u"receive"_s}).code, 0);
    const int runMs = int(whole.elapsed());
    QDir(b.path(u"受信"_s)).removeRecursively();
    QRandomGenerator random(24);
    for (int n = 0; n < 10; ++n) {
        QProcess p;
        b.start(p, {u"receive"_s});
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(random.bounded(runMs + 1));
        ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
        p.waitForFinished(10000);
        // Whatever a killed run left under a card's own name is whole.
        for (const QString& name : QDir(b.path(u"受信"_s)).entryList({u"*.jpg"_s}, QDir::Files))
            ASSERT_EQ(readBytes(b.path(u"受信/"_s + name)), readBytes(a.path(u"送信/"_s + name)))
                << name.toStdString() << " after kill " << n;
    }
    TZkwIni(b.path(u"Sendvik.ini"_s)).writeString(u"Option"_s, u"Check"_s, u"8,0"_s);
    const CliRun r = b.cli({u"receive"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList received = QDir(b.path(u"受信"_s)).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(received, sent);  // every card, nothing half-done beside them
    for (const QString& name : received)
        EXPECT_EQ(readBytes(b.path(u"受信/"_s + name)), readBytes(a.path(u"送信/"_s + name)))
            << name.toStdString();
    EXPECT_TRUE(b.cli({u"receive"_s}).out.contains(u"mailbox=0\n"_s));
}

// A receive folder that fills up: the run stops there, said once, and what
// did not fit stays on the server; with room again the next run brings it,
// whole.
TEST_F(Exchange, AFullReceiveFolderLeavesTheCardsItCannotTakeOnTheServer) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    SmallDisk disk(b.path(u"受信"_s), u"size=4m"_s);
    if (!disk.mounted()) GTEST_SKIP() << disk.why();
    std::vector<QsoRecord> qsos;
    for (int i = 0; i < 6; ++i)
        qsos.push_back(recent(u"JR2XYZ"_s, 4, QStringLiteral("1%1:00").arg(i)));
    makeLog(a.path(u"ZELKOV.mst"_s), qsos);
    b.emptyMailbox(true);
    ASSERT_EQ(a.cli({u"send"_s, u"1"_s, u"6"_s, u"--yes"_s}).code, 0);
    const QStringList sent = QDir(a.path(u"送信"_s)).entryList(QDir::Files);
    ASSERT_EQ(sent.size(), 6);
    for (int i = 0; i < 200 && b.cli({u"mail"_s, u"list"_s}).out.count(u'\n') < 7; ++i)
        QThread::msleep(100);
    // Room for two and a half cards.
    disk.fill(QFileInfo(a.path(u"送信/"_s + sent[0])).size() * 5 / 2);
    CliRun r = b.cli({u"receive"_s, u"--yes"_s});
    const int stored = int(QDir(b.path(u"受信"_s)).entryList({u"*.jpg"_s}, QDir::Files).size());
    EXPECT_GE(stored, 1);
    EXPECT_LT(stored, 6);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("cards=%1\n").arg(stored))) << r.out.toStdString();
    // Said once: the run stops at the full disk, the rest left on the server.
    EXPECT_EQ(r.err.count(u"・・・の空き容量が足りません！"_s), 1) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(u"メールが受信できません！"_s)) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"受信を中止しました。"_s)) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(u"届いておりません"_s)) << r.err.toStdString();
    EXPECT_NE(r.code, 0);
    for (const QString& name : QDir(b.path(u"受信"_s)).entryList({u"*.jpg"_s}, QDir::Files))
        EXPECT_EQ(readBytes(b.path(u"受信/"_s + name)), readBytes(a.path(u"送信/"_s + name)));
    EXPECT_TRUE(b.cli({u"mail"_s, u"list"_s}).out.count(u'\n') == 7 - stored);

    disk.empty();
    r = b.cli({u"receive"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(b.path(u"受信"_s)).entryList(QDir::Files), sent);
    for (const QString& name : sent)
        EXPECT_EQ(readBytes(b.path(u"受信/"_s + name)), readBytes(a.path(u"送信/"_s + name)));
    EXPECT_TRUE(b.cli({u"receive"_s}).out.contains(u"mailbox=0\n"_s));
}

// A sent folder without room: the batch stops before the card goes out. One
// that takes no file although it has room (no entries left): the card that
// went out is marked, counted, kept beside the log, and filed by the next run
// without going out again.
TEST_F(Exchange, ASentFolderThatCannotTakeTheCardKeepsItUntilItIsFiled) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    SmallDisk disk(a.path(u"送信"_s), u"size=512k,nr_inodes=64"_s);
    if (!disk.mounted()) GTEST_SKIP() << disk.why();
    makeLog(a.path(u"ZELKOV.mst"_s), {recent(u"JR2XYZ"_s, 10, u"12:00"_s)});
    disk.fill(0);
    CliRun r = a.cli({u"send"_s, u"1"_s, u"1"_s, u"--yes"_s});
    EXPECT_TRUE(r.err.contains(u"・・・の空き容量が足りません"_s)) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"電子QSLは送信していません"_s)) << r.err.toStdString();
    EXPECT_NE(r.code, 0);
    EXPECT_EQ(a.sentMark(1), u' ');
    EXPECT_FALSE(QFileInfo::exists(a.path(u"ZELKOV.sending"_s)));
    EXPECT_TRUE(QDir(a.path(u"ZELKOV.cards/unfiled"_s)).isEmpty());

    disk.empty();
    disk.fillEntries();
    r = a.cli({u"send"_s, u"1"_s, u"1"_s, u"--yes"_s});
    EXPECT_TRUE(r.err.contains(u"・・・が保存できません！"_s)) << r.err.toStdString();
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.out.contains(u"sent=1"_s)) << r.out.toStdString();
    EXPECT_EQ(a.sentMark(1), u'H');
    EXPECT_TRUE(QDir(a.path(u"送信"_s)).entryList({u"*.jpg"_s}, QDir::Files).isEmpty());
    const QStringList kept =
        QDir(a.path(u"ZELKOV.cards/unfiled"_s)).entryList({u"*.jpg"_s}, QDir::Files);
    ASSERT_EQ(kept.size(), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(kept.front())) << r.err.toStdString();
    disk.empty();
    TZkwIni(a.path(u"Sendvik.ini"_s)).writeInteger(u"Kankyo"_s, u"Check"_s, 4);  // unsent only
    const CliRun next = a.cli({u"send"_s, u"1"_s, u"1"_s, u"--yes"_s});
    EXPECT_TRUE(next.out.contains(u"sent=0"_s)) << next.out.toStdString();
    EXPECT_EQ(QDir(a.path(u"送信"_s)).entryList({u"*.jpg"_s}, QDir::Files), kept);
    EXPECT_TRUE(QDir(a.path(u"ZELKOV.cards/unfiled"_s)).isEmpty());
}

namespace {

// A command's run with its time and its peak memory (resident, KiB).
struct Measured {
    int code = -1;
    QString out, err;
    qint64 ms = 0;
    qint64 peakKb = 0;
};

Measured measured(const Station& s, const QString& novqBase, const QStringList& args) {
    // The child's peak comes from the kernel's account of waited-for children.
    const QString wrapper =
        u"import resource, subprocess, sys\n"
        u"r = subprocess.run(sys.argv[1:])\n"
        u"print('peak-kb=%d' % resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss,"
        u" file=sys.stderr)\n"
        u"sys.exit(r.returncode)\n"_s;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"SENDVIK_SERVER_BASE"_s, novqBase);
    p.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    p.start(u"/usr/bin/python3"_s, QStringList{u"-c"_s, wrapper, QStringLiteral(SENDVIK_CLI),
                                               u"--home"_s, s.path(QString())} +
                                       args);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(600000));
    Measured m{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
               QString::fromUtf8(p.readAllStandardError()), t.elapsed(), 0};
    m.peakKb = m.err.section(u"peak-kb="_s, 1).trimmed().toLongLong();
    return m;
}

}  // namespace

// POP3 servers that lie, stall or trickle: every mail not handled is named
// and the run says it failed; a silent or trickling answer ends the run in
// the time-out's order of time, and Ctrl+C ends a transfer in progress.
TEST_F(Exchange, Pop3ServersThatLieStallOrTrickleEndInBoundedTimeAndNameEachMail) {
    const QByteArray photo = readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s));
    std::vector<std::string> mails;
    for (int i = 1; i <= 3; ++i) {
        const QByteArray name =
            "JR1ABC_261202_120" + QByteArray::number(i) + "_7.024_CW_JR2XYZ.jpg";
        mails.push_back(rawMail("From: jr1abc@qsl.test\r\nTo: jr2xyz@qsl.test\r\nSubject: " +
                                    cardSubject(u"JR1ABC"_s, u"261202"_s).toUtf8() + "\r\n" +
                                    cardXMailer(u"261202"_s).toUtf8() +
                                    "\r\nDate: Wed, 02 Dec 2026 12:00:00 +0900\r\n",
                                {{name, photo + QByteArray::number(i)}})
                            .toStdString());
    }
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    const auto useServer = [&](const ScriptedPop3Server& server, int timeout) {
        b.usePop3On(server.port());
        TZkwIni(b.path(u"Sendvik.ini"_s)).writeInteger(u"Option"_s, u"TimeOut"_s, timeout);
    };
    QElapsedTimer clock;
    {
        // Headers refused for one mail: named, counted, left; the others filed.
        ScriptedPop3Server server({mails, 0, 2, 0, 0});
        useServer(server, 5);
        const CliRun r = b.cli({u"receive"_s, u"--yes"_s});
        EXPECT_EQ(r.code, 1) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(u"(Mail-No2, Error"_s)) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(u"cards=2\n"_s)) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(u"failed=1\n"_s)) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(u"1 件のメールを受信できませんでした"_s)) << r.err.toStdString();
    }
    for (const bool silent : {true, false}) {
        // No answer, or 20 bytes a second: over in about the time-out.
        ScriptedPop3Server server({mails, 0, 0, silent ? 3 : 0, silent ? 0 : 3});
        useServer(server, 5);
        clock.start();
        const CliRun r = b.cli({u"receive"_s, u"--yes"_s});
        EXPECT_LT(clock.elapsed(), 30000) << silent;
        EXPECT_EQ(r.code, 1) << silent;
        EXPECT_TRUE(r.err.contains(u"(Mail-No3, Error"_s)) << r.err.toStdString();
    }
    {
        // Ctrl+C while a mail is on its way at a server's normal pace: the
        // mail is let finish, so that the connection stays and the deletions
        // of both mails filed are carried out; the oldest stays, named.
        ScriptedPop3Server server({mails, 0, 0, 0, 0, 2});
        useServer(server, 60);
        QProcess p;
        b.start(p, {u"receive"_s, u"--yes"_s});
        ASSERT_TRUE(p.waitForStarted());
        for (int i = 0; i < 1000 && server.lastRetr() != 2; ++i)
            QThread::msleep(10);
        ::kill(static_cast<pid_t>(p.processId()), SIGINT);
        ASSERT_TRUE(p.waitForFinished(20000));
        const QString said = QString::fromUtf8(p.readAllStandardError());
        EXPECT_NE(p.exitCode(), 0);
        EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).contains(u"cards=2\n"_s));
        EXPECT_EQ(server.deletionsDone(), 2) << said.toStdString();
        EXPECT_TRUE(said.contains(u"まだ読んでいない 1 件のメール"_s)) << said.toStdString();
    }
    {
        // Ctrl+C while a mail trickles in, with a time-out of a minute: the
        // newest, filed already, is deleted on the server all the same (it
        // would come again as new), the counts add up.
        ScriptedPop3Server server({mails, 0, 0, 0, 2});
        useServer(server, 60);
        QProcess p;
        b.start(p, {u"receive"_s, u"--yes"_s});
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(3000);
        clock.start();
        ::kill(static_cast<pid_t>(p.processId()), SIGINT);
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_LT(clock.elapsed(), 10000);
        EXPECT_NE(p.exitCode(), 0);
        const QString said = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(server.deleted(), 1) << said.toStdString();
        EXPECT_TRUE(said.contains(u"受信したメールの件数は 1件／全3件"_s)) << said.toStdString();
        EXPECT_TRUE(said.contains(u"まだ読んでいない 2 件のメール"_s)) << said.toStdString();
    }
}

// A card mail whose picture is no picture: kept with the mail's text and
// said, never counted or filed as a card.
TEST_F(Exchange, APictureThatDoesNotReadIsNoCard) {
    const QByteArray photo = readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s));
    const auto card = [&](const QByteArray& name, const QByteArray& bytes) {
        return rawMail("From: jr1abc@qsl.test\r\nTo: jr2xyz@qsl.test\r\nSubject: " +
                           cardSubject(u"JR1ABC"_s, u"261202"_s).toUtf8() + "\r\n" +
                           cardXMailer(u"261202"_s).toUtf8() +
                           "\r\nDate: Wed, 02 Dec 2026 12:00:00 +0900\r\n",
                       {{name, bytes}})
            .toStdString();
    };
    ScriptedPop3Server server(
        {{card("JR1ABC_261202_1200_7.024_CW_JR2XYZ.jpg", photo),
          card("JR1ABC_261202_1201_7.024_CW_JR2XYZ.jpg", photo.left(photo.size() / 2)),
          card("JR1ABC_261202_1202_7.024_CW_JR2XYZ.jpg", "<html>not a picture</html>")},
         0,
         0,
         0,
         0});
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    b.usePop3On(server.port());
    const CliRun r = b.cli({u"receive"_s, u"--yes"_s});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"cards=1\n"_s)) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(u"2 件の添付画像はJPEG画像として読めないため"_s))
        << r.err.toStdString();
    EXPECT_EQ(QDir(b.path(u"受信"_s)).entryList({u"*.jpg"_s}, QDir::Files),
              QStringList{u"JR1ABC_261202_1200_7.024_CW_JR2XYZ.jpg"_s});
    EXPECT_EQ(QDir(b.path(u"QslMsg"_s)).entryList({u"*.jpg"_s}, QDir::Files).size(), 2);
}

// A LIST of two million mails: read in bounded memory, the newest examined.
TEST_F(Exchange, AListingOfMillionsOfMailsIsReadInBoundedMemory) {
    const QByteArray photo = readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s));
    const std::string card = rawMail("From: jr1abc@qsl.test\r\nTo: jr2xyz@qsl.test\r\nSubject: " +
                                         cardSubject(u"JR1ABC"_s, u"261202"_s).toUtf8() + "\r\n" +
                                         cardXMailer(u"261202"_s).toUtf8() +
                                         "\r\nDate: Wed, 02 Dec 2026 12:00:00 +0900\r\n",
                                     {{"JR1ABC_261202_1200_7.024_CW_JR2XYZ.jpg", photo}})
                                 .toStdString();
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    Measured runs[2];
    const int older[2] = {1000, 2000000};
    for (int i = 0; i < 2; ++i) {
        ScriptedPop3Server server({{card}, older[i], 0, 0, 0});
        b.usePop3On(server.port());
        runs[i] = measured(b, novq.base, {u"receive"_s, u"--newest"_s});
        EXPECT_EQ(runs[i].code, 0) << runs[i].err.toStdString();
        EXPECT_TRUE(runs[i].out.contains(u"cards=1\n"_s)) << runs[i].out.toStdString();
        EXPECT_TRUE(runs[i].out.contains(u"mailbox=%1\n"_s.arg(older[i] + 1)))
            << runs[i].out.toStdString();
    }
    std::cerr << "LIST of 1,001 mails: peak " << runs[0].peakKb / 1024
              << " MiB; of 2,000,001: " << runs[1].peakKb / 1024 << " MiB\n";
    // Memory does not follow the listing.
    EXPECT_LT(runs[1].peakKb, runs[0].peakKb * 3 / 2 + 20000);
}

// A mailbox of 1,000 and then 5,000 mails (cards among the test data's
// mails, each varied): read in time that grows with it, in memory that does
// not, every card filed whole.
TEST_F(Exchange, FiveThousandMailsAreReadInLinearTimeAndBoundedMemory) {
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    ASSERT_EQ(mailboxScript({u"reset"_s, mail.users[1]}), 0);
    b.emptyMailbox(false);  // kept: the second run reads the first thousand again
    const QString user = mail.users[1].section(u'@', 0, 0);
    const QString maildir =
        mail.dir + u"/mail/"_s + mail.users[1].section(u'@', 1) + u'/' + user + u"/Maildir"_s;
    ASSERT_TRUE(QFileInfo(maildir + u"/new"_s).isDir()) << maildir.toStdString();
    const QByteArray photo = readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s));
    QStringList others;
    for (const QString& f : QDir(dataFile(u"mail"_s)).entryList({u"*.eml"_s}, QDir::Files))
        others << dataFile(u"mail/"_s + f);
    ASSERT_GE(others.size(), 20);
    QMap<QString, QByteArray> cards;  // name, picture
    int written = 0;
    const auto deliver = [&](int count) {
        for (int i = 0; i < count; ++i, ++written) {
            QByteArray message;
            if (written % 5 == 0) {
                // A card: its own picture (the photo with bytes after its end).
                const int n = written / 5;
                const QString yymmdd = QStringLiteral("26%1%2")
                                           .arg(1 + n % 12, 2, 10, QChar(u'0'))
                                           .arg(1 + (n / 12) % 28, 2, 10, QChar(u'0'));
                const QString name = QStringLiteral("JR1ABC_%1_%2_7.024_CW_JR2XYZ.jpg")
                                         .arg(yymmdd)
                                         .arg(n % 1440 / 60 * 100 + n % 60, 4, 10, QChar(u'0'));
                const QString file = box.path(u"cards/"_s + name);
                QDir().mkpath(box.path(u"cards"_s));
                cards[name] = photo + QByteArray::number(n);
                writeBytes(file, cards[name]);
                QString error;
                message = buildMimeMessage({u"jr1abc@qsl.test"_s,
                                            mail.users[1],
                                            cardSubject(u"JR1ABC"_s, yymmdd),
                                            u"TNX QSO\r\n"_s,
                                            {cardXMailer(yymmdd)},
                                            file},
                                           &error);
                ASSERT_FALSE(message.isEmpty()) << error.toStdString();
            } else {
                message = "Message-ID: <" + QByteArray::number(written) + "@load.test>\r\n" +
                          readBytes(others[written % others.size()]);
            }
            const QString path =
                maildir +
                QStringLiteral("/new/%1.load%2.qsl.test").arg(1700000000 + written).arg(written);
            writeBytes(path, message);
        }
        QProcess::execute(u"chown"_s, {u"-R"_s, u"vmail:vmail"_s, maildir});
    };
    deliver(1000);
    const Measured first = measured(b, novq.base, {u"receive"_s, u"--all"_s});
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.startsWith(u"cards=200\nmails=1000\n"_s)) << first.out.toStdString();
    deliver(4000);
    const Measured second = measured(b, novq.base, {u"receive"_s, u"--all"_s});
    ASSERT_EQ(second.code, 0) << second.err.toStdString();
    EXPECT_TRUE(second.out.startsWith(u"cards=1000\nmails=5000\n"_s)) << second.out.toStdString();
    std::cerr << "receive 1000 mails: " << first.ms << " ms, peak " << first.peakKb / 1024
              << " MiB; 5000 mails: " << second.ms << " ms, peak " << second.peakKb / 1024
              << " MiB\n";
    EXPECT_LT(second.ms, first.ms * 8);                      // five times the mail, not more
    EXPECT_LT(second.peakKb, first.peakKb * 3 / 2 + 20000);  // memory does not follow the mailbox
    const QStringList received = QDir(b.path(u"受信"_s)).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(received.size(), cards.size());
    for (auto it = cards.cbegin(); it != cards.cend(); ++it)
        EXPECT_EQ(readBytes(b.path(u"受信/"_s + it.key())), it.value()) << it.key().toStdString();
    // The mailbox as the next test expects it: empty.
    EXPECT_EQ(mailboxScript({u"reset"_s, mail.users[1]}), 0);
}

// A batch of 300 records at a limit of 300 cards: every card goes, is filed
// and marked, in time that grows with the batch and memory that does not.
TEST_F(Exchange, ABatchOf300CardsGoesOutWhole) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    TZkwIni(a.path(u"Sendvik.ini"_s)).writeInteger(u"Kankyo"_s, u"SendMax"_s, 300);
    std::vector<QsoRecord> qsos;
    for (int i = 0; i < 400; ++i)
        qsos.push_back(recent(u"JR2XYZ"_s, 2 + i / 96,
                              QStringLiteral("%1:%2")
                                  .arg(i % 96 / 4, 2, 10, QChar(u'0'))
                                  .arg(i % 4 * 15, 2, 10, QChar(u'0'))));
    makeLog(a.path(u"ZELKOV.mst"_s), qsos);
    b.emptyMailbox(true);
    const Measured small = measured(a, novq.base, {u"send"_s, u"1"_s, u"100"_s, u"--yes"_s});
    ASSERT_EQ(small.code, 0) << small.err.toStdString();
    EXPECT_TRUE(small.out.contains(u"sent=100\n"_s)) << small.out.toStdString();
    const Measured large = measured(a, novq.base, {u"send"_s, u"101"_s, u"400"_s, u"--yes"_s});
    ASSERT_EQ(large.code, 0) << large.err.toStdString();
    EXPECT_TRUE(large.out.contains(u"sent=300\n"_s)) << large.out.toStdString();
    std::cerr << "send 100 cards: " << small.ms << " ms, peak " << small.peakKb / 1024
              << " MiB; 300 cards: " << large.ms << " ms, peak " << large.peakKb / 1024 << " MiB\n";
    EXPECT_LT(large.ms, small.ms * 5);
    EXPECT_LT(large.peakKb, small.peakKb * 3 / 2 + 20000);
    for (int r = 1; r <= 400; ++r)
        ASSERT_EQ(a.sentMark(r), u'H') << r;
    EXPECT_EQ(QDir(a.path(u"送信"_s)).entryList(QDir::Files).size(), 400);
    EXPECT_EQ(mailboxScript({u"wait"_s, mail.users[1], u"400"_s, u"60"_s}), 0);
    EXPECT_EQ(mailboxScript({u"reset"_s, mail.users[1]}), 0);
}

// A card carries its QSO inside: renamed by its receiver, even to a name
// whose date is wrong, it still matches the QSO it confirms.
TEST_F(Exchange, ARenamedCardMatchesByTheQsoInside) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    makeLog(a.path(u"ZELKOV.mst"_s), {recent(u"JR2XYZ"_s, 10, u"12:00"_s)});
    makeLog(b.path(u"ZELKOV.mst"_s),
            {recent(u"JR1ABC"_s, 10, u"12:03"_s), recent(u"JR1ABC"_s, 5, u"12:00"_s)});
    b.emptyMailbox(true);
    ASSERT_EQ(a.cli({u"send"_s, u"1"_s, u"1"_s, u"--yes"_s}).code, 0);
    CliRun r = b.receiveUntil(u"cards=1\n"_s);
    ASSERT_TRUE(r.out.startsWith(u"cards=1"_s)) << r.out.toStdString();
    const QString card = QDir(b.path(u"受信"_s)).entryList(QDir::Files).value(0);
    ASSERT_TRUE(
        QFile::rename(b.path(u"受信/"_s + card), b.path(u"受信/JR1ABC_from_the_bureau.jpg"_s)));
    ASSERT_TRUE(QFile::copy(b.path(u"受信/JR1ABC_from_the_bureau.jpg"_s),
                            b.path(u"受信/JR1ABC_991231_0000_1.9_SSB_JR2XYZ.jpg"_s)));
    // Renamed to another QSO's time (the forced match): the name decides.
    const QString moved = u"JR1ABC_"_s + QDate::currentDate().addDays(-5).toString(u"yyMMdd"_s) +
                          u"_1200_7.024_CW_JR2XYZ.jpg"_s;
    ASSERT_TRUE(
        QFile::copy(b.path(u"受信/JR1ABC_from_the_bureau.jpg"_s), b.path(u"受信/"_s + moved)));
    r = b.cli({u"match"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n');
    ASSERT_GE(lines.size(), 4) << r.out.toStdString();
    int byRecord = 0;
    for (const QString& line : lines.mid(1, 3)) {
        EXPECT_TRUE(line.contains(u"\"○    \",JR1ABC_"_s)) << line.toStdString();
        if (line.contains(moved.toUpper().chopped(4)))
            EXPECT_TRUE(line.endsWith(u",2"_s)) << line.toStdString();
        else
            byRecord += line.endsWith(u",1"_s);
    }
    EXPECT_EQ(byRecord, 2) << r.out.toStdString();
}

// A batch killed part of the way resumes with the cards after the last one
// marked and mails none twice: the card the server took just before the
// kill is marked at the next start instead of mailed again, and one caught
// in the middle of its mail is named and left out.
TEST_F(Exchange, AKilledBatchResumesWithoutMailingACardTwice) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    std::vector<QsoRecord> qsos;
    for (int i = 0; i < 25; ++i)
        qsos.push_back(
            recent(u"JR2XYZ"_s, 3,
                   QStringLiteral("%1:%2").arg(i % 24, 2, 10, QChar(u'0')).arg(i < 24 ? 30 : 45)));
    makeLog(a.path(u"ZELKOV.mst"_s), qsos);
    TZkwIni(a.path(u"Sendvik.ini"_s)).writeInteger(u"Kankyo"_s, u"SendMax"_s, 300);
    b.emptyMailbox(true);
    QProcess p;
    a.start(p, {u"send"_s, u"1"_s, u"25"_s, u"--yes"_s});
    ASSERT_TRUE(p.waitForStarted());
    const auto marked = [&] {
        int n = 0;
        for (int r = 1; r <= 25; ++r)
            n += a.sentMark(r) == u'H';
        return n;
    };
    for (int i = 0; i < 600 && marked() < 10; ++i)
        QThread::msleep(20);
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished(10000);
    const int before = marked();
    ASSERT_GE(before, 10);
    ASSERT_LT(before, 25) << "the batch ended before the kill";
    const CliRun r = a.cli({u"send"_s, u"1"_s, u"25"_s, u"--yes"_s, u"--resume"_s});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const int after = marked();
    const bool named = r.err.contains(u"可能性があります"_s);
    EXPECT_EQ(after, named ? 24 : 25) << r.err.toStdString();
    // Every card that went out is filed, the one marked at the start too.
    EXPECT_EQ(QDir(a.path(u"送信"_s)).entryList(QDir::Files).size(), after);
    // No QSO's card reached the partner twice: as many mails as marks, and
    // one more at most for the card named.
    EXPECT_EQ(mailboxScript({u"wait"_s, mail.users[1], QString::number(after), u"30"_s}), 0);
    QThread::msleep(1000);  // anything more would have come by now
    const int mails = mailboxCount(mail.users[1]);
    EXPECT_GE(mails, after);
    EXPECT_LE(mails, 25);
    EXPECT_EQ(mailboxScript({u"reset"_s, mail.users[1]}), 0);
}

// A server that holds its answer to each mail, and batches killed at random
// moments twice: a card that may have gone out is never mailed again without
// the person's word. Resumed, it is left out and named; asked (--yes: it went
// out), it is marked. Every QSO's card reaches the server once at most.
TEST_F(Exchange, KilledTwiceWithASlowServerNoCardGoesOutTwice) {
    ScriptedSmtpServer::Script script;
    script.dataDelay = std::chrono::milliseconds(100);
    ScriptedSmtpServer smtp(script);
    ASSERT_GT(smtp.port(), 0);
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    a.useSmtpOn(smtp.port());
    {
        TZkwIni s(a.path(u"Sendvik.ini"_s));
        s.writeInteger(u"Kankyo"_s, u"SendMax"_s, 300);
        s.writeInteger(u"Kankyo"_s, u"Check"_s, 304 | 4);  // cards for unsent QSOs only
    }
    std::vector<QsoRecord> qsos;
    for (int i = 0; i < 12; ++i)
        qsos.push_back(recent(u"JR2XYZ"_s, 3, QStringLiteral("%1:30").arg(i, 2, 10, QChar(u'0'))));
    makeLog(a.path(u"ZELKOV.mst"_s), qsos);
    QRandomGenerator random(20261210);
    for (int kill = 1; kill <= 2; ++kill) {
        QProcess p;
        a.start(p, {u"send"_s, u"1"_s, u"12"_s, u"--yes"_s, u"--resume"_s});
        ASSERT_TRUE(p.waitForStarted());
        const int target = smtp.mailsTaken() + 2;
        for (int i = 0; i < 1500 && smtp.mailsTaken() < target; ++i)
            QThread::msleep(10);
        QThread::msleep(random.bounded(150));
        ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
        p.waitForFinished(10000);
    }
    const CliRun resumed = a.cli({u"send"_s, u"1"_s, u"12"_s, u"--yes"_s, u"--resume"_s});
    EXPECT_EQ(resumed.code, 0) << resumed.err.toStdString();
    const CliRun last = a.cli({u"send"_s, u"1"_s, u"12"_s, u"--yes"_s});
    for (int r = 1; r <= 12; ++r)
        EXPECT_EQ(a.sentMark(r), u'H') << "record " << r << last.err.toStdString();
    std::map<std::string, int> times;
    for (const std::string& name : smtp.attachments())
        ++times[name];
    for (const auto& [name, count] : times)
        EXPECT_EQ(count, 1) << name;
    EXPECT_LE(times.size(), size_t(12));
    EXPECT_FALSE(QFileInfo::exists(a.path(u"ZELKOV.undecided"_s)));
    EXPECT_FALSE(QFileInfo::exists(a.path(u"ZELKOV.sending"_s)));
}

// Looked over one by one: each card says where it stands in the batch; one
// reached again with "前へ" after it went out says so, and goes again only
// when the person says yes (the default is no).
TEST_F(Exchange, ACardReachedAgainByBackIsNotMailedTwiceUnasked) {
    ScriptedSmtpServer smtp({});
    ASSERT_GT(smtp.port(), 0);
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    a.useSmtpOn(smtp.port());
    makeLog(a.path(u"ZELKOV.mst"_s),
            {recent(u"JR2XYZ"_s, 3, u"12:00"_s), recent(u"JR2XYZ"_s, 3, u"12:10"_s)});
    // Send the first; back from the second; send the first again (asked:
    // no); send the second.
    const CliRun r = a.cli({u"send"_s, u"1"_s, u"2"_s, u"--confirm"_s}, "s\nb\ns\ns\n");
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"sent=2\n"_s)) << r.out.toStdString();
    EXPECT_EQ(smtp.mailsTaken(), 2);
    EXPECT_TRUE(r.err.contains(u"1／2枚目 No1"_s)) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"2／2枚目 No2"_s));
    EXPECT_TRUE(r.err.contains(u"1／2枚目（送信済み） No1"_s));
    EXPECT_TRUE(r.err.contains(u"この送信で送信済みです。"_s));
    // The range's start moved on with the cards, for the next run.
    EXPECT_EQ(TZkwIni(a.path(u"Sendvik.ini"_s)).readString(u"Config"_s, u"Recno1"_s, {}), u"3"_s);
    // Looked over again, the QSOs marked by the first batch are said so.
    const CliRun again = a.cli({u"send"_s, u"1"_s, u"1"_s, u"--confirm"_s}, "q\n");
    EXPECT_TRUE(again.err.contains(u"1／1枚目（発行済み） No1"_s)) << again.err.toStdString();
}

// Ctrl+C while the server weighs the recipient: no byte of the card went
// out, so nothing is named and the next batch mails it without a question.
TEST_F(Exchange, ACardStoppedBeforeItsMailStartedIsNotNamedAsPossiblyOut) {
    ScriptedSmtpServer::Script script;
    script.rcptDelay = std::chrono::milliseconds(4000);
    ScriptedSmtpServer smtp(script);
    ASSERT_GT(smtp.port(), 0);
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    a.useSmtpOn(smtp.port());
    makeLog(a.path(u"ZELKOV.mst"_s), {recent(u"JR2XYZ"_s, 3, u"12:00"_s)});
    QProcess p;
    a.start(p, {u"send"_s, u"1"_s, u"1"_s, u"--yes"_s});
    ASSERT_TRUE(p.waitForStarted());
    for (int i = 0; i < 1500 && smtp.commands().find("RCPT") == std::string::npos; ++i)
        QThread::msleep(10);
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(u"途中で中止しました"_s));
    EXPECT_EQ(smtp.mailsTaken(), 0);
    EXPECT_FALSE(QFileInfo::exists(a.path(u"ZELKOV.sending"_s)));
    EXPECT_FALSE(QFileInfo::exists(a.path(u"ZELKOV.undecided"_s)));
    EXPECT_EQ(a.sentMark(1), u' ');
}

// The cards of a batch are drawn and looked over before the first mail: one
// whose text runs off the card and one whose printed QTH is empty are both
// listed; the check alone mails nothing, the batch asks first and stops on
// its default answer, and goes when told to.
TEST_F(Exchange, ABatchWithProblemsIsListedBeforeAnythingGoes) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    QsoRecord longRemark = recent(u"JR2XYZ"_s, 10, u"12:00"_s);
    longRemark.qth = u"名古屋市"_s;
    longRemark.remarks1 = u"TNX FB QSO ON 40M CW, HOPE TO SEE YOU AGAIN ON 20M AND 15M SOON 73"_s;
    QsoRecord noQth = recent(u"JR2XYZ"_s, 9, u"12:10"_s);
    QsoRecord sound = recent(u"JR2XYZ"_s, 8, u"12:20"_s);
    sound.qth = u"豊田市"_s;
    makeLog(a.path(u"ZELKOV.mst"_s), {longRemark, noQth, sound});
    writeBytes(a.path(u"card.mQsl"_s),
               "#Size 800,510,0xFFFFFF\r\n#FontSize=20\r\n"
               "#Print 10,10,\"To !cp  QTH:!QT\"\r\n"
               "#Print 10,60,\"!R1\"\r\n");
    {
        TZkwIni ini(a.path(u"Sendvik.ini"_s));
        ini.writeInteger(u"Config"_s, u"PCheck"_s, 441 | 64);
        ini.writeString(u"QslDef"_s, u"mQSL"_s, a.path(u"card.mQsl"_s));
    }
    b.emptyMailbox(true);

    CliRun r = a.cli({u"send"_s, u"--check"_s, u"1"_s, u"3"_s});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_EQ(r.out,
              u"No.1 JR2XYZ  「TNX FB QSO ON 40M CW, HO…」がカードの右端からはみ出します\n"
              u"No.2 JR2XYZ  QTHが空欄です\n"
              u"checked=3 problems=2\n"_s);
    EXPECT_EQ(a.sentMark(1), u' ');

    // The batch lists them and stops on its default answer.
    r = a.cli({u"send"_s, u"1"_s, u"3"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(u"送信前の確認で 3枚中 2枚のカードに問題があります。"_s))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"No.2 JR2XYZ  QTHが空欄です"_s));
    EXPECT_TRUE(r.out.contains(u"sent=0\n"_s));
    QThread::msleep(500);
    EXPECT_EQ(mailboxCount(mail.users[1]), 0);

    // A sound card gives the check nothing to say; a batch told yes sends
    // every card.
    r = a.cli({u"send"_s, u"--check"_s, u"3"_s, u"3"_s});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, u"checked=1 problems=0\n"_s);
    r = a.cli({u"send"_s, u"1"_s, u"3"_s, u"--yes"_s});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"sent=3\n"_s)) << r.out.toStdString();
    EXPECT_EQ(mailboxScript({u"wait"_s, mail.users[1], u"3"_s, u"30"_s}), 0);
    EXPECT_EQ(mailboxScript({u"reset"_s, mail.users[1]}), 0);
}

// A partner whose log keeps Japan time as UTC sends every card nine hours
// late: none of the five matches, each is explained by its nearest QSO, the
// shared nine hours are named, and the forced match renames all five to
// their QSOs so that they match.
TEST_F(Exchange, ANineHourOffsetIsExplainedAndForceMatchedTogether) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    std::vector<QsoRecord> sent, logged;
    for (int i = 0; i < 5; ++i) {
        const QString hhmm = QStringLiteral("1%1:%2").arg(i).arg(i * 7 + 3, 2, 10, QChar(u'0'));
        QsoRecord wrong = recent(u"JR2XYZ"_s, 10 + i, hhmm);
        wrong.zone = u'U';  // the Japan time it was, logged as UTC
        sent.push_back(wrong);
        logged.push_back(recent(u"JR1ABC"_s, 10 + i, hhmm));
    }
    logged.push_back(recent(u"JR1ABC"_s, 14, u"23:50"_s));  // another QSO of the day
    makeLog(a.path(u"ZELKOV.mst"_s), sent);
    makeLog(b.path(u"ZELKOV.mst"_s), logged);
    b.emptyMailbox(true);
    ASSERT_EQ(a.cli({u"send"_s, u"1"_s, u"5"_s, u"--yes"_s}).code, 0);
    CliRun r = b.receiveUntil(u"cards=5\n"_s);
    ASSERT_TRUE(r.out.startsWith(u"cards=5"_s)) << r.out.toStdString() << r.err.toStdString();

    r = b.cli({u"match"_s, u"--explain"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // Each card with its nearest QSOs (one of the cards is nearer to the
    // other QSO of its day than to its own).
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2) << r.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(u"JR1ABC_"_s)) << lines[0].toStdString();
    EXPECT_EQ(r.out.count(u"7.024MHz CW  時刻 +540分（9時間遅い）\n"_s), 5) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(u"JST  7.024MHz CW  時刻 -19分（19分早い）\n"_s));
    EXPECT_EQ(lines.last(),
              u"JR1ABC局の電子QSL 5枚は、QSOの時刻より 9時間 遅くなっています。"
              u"（日本時間をUTCとして記録した可能性があります）"_s);

    r = b.cli({u"match"_s, u"--explain"_s, u"--force-common"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"\nrenamed=5\n"_s)) << r.out.toStdString();
    r = b.cli({u"match"_s, u"--write-marks"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(u"\"○    \",JR1ABC_"_s), 5) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(u"written=5\n"_s)) << r.out.toStdString();
}

// A card to an address the mail server cannot deliver to comes back as its
// report: the receive run files it and counts it on a line of its own, the
// sent list shows the card undelivered with the server's reason, and its
// sent mark can be taken back; the delivered card is left as it was.
TEST_F(Exchange, AnUndeliveredCardComesBackToTheSentListAndItsMarkIsTakenBack) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    makeLog(a.path(u"ZELKOV.mst"_s),
            {recent(u"JR2XYZ"_s, 10, u"12:00"_s), recent(u"JA7BAD"_s, 9, u"12:10"_s)});
    a.emptyMailbox(false);
    CliRun r = a.cli({u"send"_s, u"1"_s, u"2"_s, u"--yes"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_TRUE(r.out.contains(u"sent=2\n"_s)) << r.out.toStdString();
    EXPECT_EQ(a.sentMark(2), u'H');

    // Postfix's report reaches the sender's own mailbox.
    r = a.receiveUntil(u"undelivered=1\n"_s);
    ASSERT_TRUE(r.out.contains(u"undelivered=1\n"_s)) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"cards=0\n"_s));
    EXPECT_TRUE(r.err.contains(u"1 件の電子QSLが相手に届かなかったと通知されました。"_s))
        << r.err.toStdString();
    const QStringList texts = QDir(a.path(u"QslMsg"_s)).entryList({u"*.txt"_s}, QDir::Files);
    ASSERT_EQ(texts.size(), 1) << texts.join(u' ').toStdString();
    EXPECT_TRUE(readBytes(a.path(u"QslMsg/"_s + texts[0])).contains("user unknown in this test"))
        << readBytes(a.path(u"QslMsg/"_s + texts[0])).toStdString();

    r = a.cli({u"sent-list"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"No,QSL,電子QSL～JPEGファイル,ファイル時刻,RecNo,配達状況\n"_s))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(u"〔配達不能＝1個〕"_s));
    r = a.cli({u"sent-list"_s, u"--undelivered"_s, u"--take-back-marks"_s});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << r.out.toStdString();
    EXPECT_TRUE(lines[1].contains(u"_JA7BAD.jpg"_s)) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(u",2,\"配達不能：user unknown in this test\""_s))
        << lines[1].toStdString();
    EXPECT_EQ(lines[3], u"taken-back=1"_s);
    EXPECT_EQ(a.sentMark(1), u'H');
    EXPECT_EQ(a.sentMark(2), u' ');
    EXPECT_EQ(mailboxScript({u"reset"_s, mail.users[1]}), 0);
}

// Mails that share names with received cards, bounces of this station's own
// cards, a mail of two cards, a card mail without a card, and header values
// in raw Shift_JIS: every card and text stays what it was, and nothing a
// mail brought is lost.
TEST_F(Exchange, NoMailTakesAReceivedCardsPlaceAndNothingItBringsIsLost) {
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    b.emptyMailbox(true);
    const QByteArray photo = readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s));
    const QString kept = u"JR1ABC_261201_1200_7.024_CW_JR2XYZ"_s;
    QDir().mkpath(b.path(u"受信"_s));
    QDir().mkpath(b.path(u"QslMsg"_s));
    writeBytes(b.path(u"受信/"_s + kept + u".jpg"_s), photo + "kept");
    writeBytes(b.path(u"QslMsg/"_s + kept + u".txt"_s), "Subject:kept\r\nDate:then\r\n");
    const QByteArray to = "To: " + mail.users[1].toUtf8() + "\r\n";
    const QByteArray cardHead = "From: jr1abc@qsl.test\r\n" + to +
                                "Subject: " + cardSubject(u"JR1ABC"_s, u"261202"_s).toUtf8() +
                                "\r\n" + cardXMailer(u"261202"_s).toUtf8() + "\r\n";
    const QByteArray daemon = "From: MAILER-DAEMON@qsl.test\r\n" + to +
                              "Subject: Undelivered Mail Returned to Sender\r\n";

    // The filter as it comes: card mails and reports only.
    deliverRaw(1, {rawMail(cardHead + "Date: Wed, 02 Dec 2026 12:00:00 +0900\r\n",
                           {{"JR1ABC_261202_1200_7.024_CW_JR2XYZ.jpg", photo + "1"},
                            {"JH3AAA_261202_1300_14.020_CW_JR2XYZ.jpg", photo + "2"}}),
                   rawMail(daemon + "Date: Thu, 03 Dec 2026 12:00:00 +0900\r\n",
                           {{"JR2XYZ_261203_1200_7.024_CW_JR1ABC.jpg", photo + "own"}}),
                   rawMail(cardHead + "Date: Fri, 04 Dec 2026 09:00:00 +0900\r\n", {})});
    ASSERT_EQ(mailboxCount(mail.users[1]), 3);
    CliRun r = b.cli({u"receive"_s, u"--yes"_s});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    // Both cards of the two-card mail; the returned own card is a report.
    EXPECT_TRUE(r.out.startsWith(u"cards=2\n"_s)) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(u"undelivered=1\n"_s)) << r.out.toStdString();
    EXPECT_EQ(readBytes(b.path(u"受信/JH3AAA_261202_1300_14.020_CW_JR2XYZ.jpg"_s)), photo + "2");
    EXPECT_EQ(readBytes(b.path(u"QslMsg/JR2XYZ_261203_1200_7.024_CW_JR1ABC.jpg"_s)), photo + "own");
    // The card mail without a card is filed as other mail and opened.
    const QString text = r.out.section(u"text="_s, 1).section(u'\n', 0, 0);
    EXPECT_TRUE(text.startsWith(b.path(u"QslMsg/"_s))) << r.out.toStdString();
    EXPECT_TRUE(readBytes(text).contains("Date:Fri, 04 Dec 2026")) << text.toStdString();
    EXPECT_EQ(mailboxCount(mail.users[1]), 0);

    // All mail: a real card, then a newer report carrying its name and the
    // names of a card and a text of an earlier run; no Date line; raw
    // Shift_JIS in a name and a date.
    TZkwIni(b.path(u"Sendvik.ini"_s)).writeInteger(u"Kankyo"_s, u"Check"_s, 0x80);
    const QString real = u"JR1ABC_261206_1200_7.024_CW_JR2XYZ.jpg"_s;
    deliverRaw(1, {rawMail(cardHead + "Date: Sun, 06 Dec 2026 12:00:00 +0900\r\n",
                           {{real.toLatin1(), photo + "real"}})});
    ASSERT_EQ(mailboxCount(mail.users[1]), 1);  // numbered before the rest
    deliverRaw(1, {rawMail(daemon + "Date: Mon, 07 Dec 2026 12:00:00 +0900\r\n",
                           {{real.toLatin1(), photo + "fake"},
                            {(kept + u".jpg"_s).toLatin1(), photo + "fake"},
                            {(kept + u".txt"_s).toLatin1(), "fake text"}}),
                   rawMail("From: friend@qsl.test\r\n" + to + "Subject: no date\r\n", {}),
                   rawMail("From: friend@qsl.test\r\n" + to +
                               "Subject: photo\r\nDate: Tue, 08 Dec 2026 10:00:00 +0900 (" +
                               sjis::fromUnicode(u"日本"_s) + ")\r\n",
                           {{sjis::fromUnicode(u"局の写真.jpg"_s), photo + "friend"}})});
    r = b.cli({u"receive"_s, u"--yes"_s});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"cards=1\nmails=4\n"_s)) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(u"undelivered=0\n"_s)) << r.out.toStdString();
    EXPECT_EQ(readBytes(b.path(u"受信/"_s + real)), photo + "real");
    EXPECT_EQ(readBytes(b.path(u"受信/"_s + kept + u".jpg"_s)), photo + "kept");
    EXPECT_EQ(readBytes(b.path(u"QslMsg/"_s + kept + u".txt"_s)), "Subject:kept\r\nDate:then\r\n");
    // What the report brought is beside its text, under names of its own.
    EXPECT_EQ(readBytes(b.path(u"QslMsg/"_s + kept + u"-2.jpg"_s)), photo + "fake");
    EXPECT_EQ(readBytes(b.path(u"QslMsg/"_s + kept + u"-2.txt"_s)), "fake text");
    EXPECT_EQ(readBytes(b.path(u"QslMsg/局の写真.jpg"_s)), photo + "friend");
    EXPECT_TRUE(QFileInfo::exists(b.path(u"QslMsg/NoDate.txt"_s)));
    bool datedInJapanese = false;
    for (const QString& name : QDir(b.path(u"QslMsg"_s)).entryList({u"Tue*.txt"_s}, QDir::Files))
        datedInJapanese = sjis::decodeUserText(readBytes(b.path(u"QslMsg/"_s + name)))
                              .contains(u"Date:Tue, 08 Dec 2026 10:00:00 +0900 (日本)"_s);
    EXPECT_TRUE(datedInJapanese);
    const QString last = r.out.section(u"text="_s, 1).section(u'\n', 0, 0);
    EXPECT_TRUE(QFileInfo::exists(last)) << r.out.toStdString();
    // The receive folder holds the card pictures, nothing else; the list of
    // undelivered cards holds this station's card only.
    QStringList pictures = {kept + u".jpg"_s, u"JH3AAA_261202_1300_14.020_CW_JR2XYZ.jpg"_s,
                            u"JR1ABC_261202_1200_7.024_CW_JR2XYZ.jpg"_s, real};
    pictures.sort();
    EXPECT_EQ(QDir(b.path(u"受信"_s)).entryList(QDir::Files | QDir::Hidden, QDir::Name), pictures);
    const QByteArray undelivered = readBytes(b.path(u"QslMsg/Undelivered.csv"_s));
    EXPECT_TRUE(undelivered.contains("JR2XYZ_261203_1200_7.024_CW_JR1ABC.jpg"));
    EXPECT_FALSE(undelivered.contains("JR1ABC_")) << undelivered.toStdString();
    EXPECT_EQ(mailboxCount(mail.users[1]), 0);
}

// A mail over the size limit is left on the server, named by its number and
// its own failure; the cards of the run are deleted once all the same.
// Names that lie or cannot be written: a JPEG under a text's name, a name
// with a NUL, a name of 110 kanji (more bytes than a file system takes), a
// plain word. Each is filed under a sound name by its content, nothing keeps
// the run's temporary name, and a later mail with the same names is written
// too before it is deleted.
TEST_F(Exchange, AttachmentNamesThatLieOrCannotBeWrittenAreFiledWhole) {
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    b.emptyMailbox(true);
    const QByteArray photo = readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s));
    const QByteArray head = "From: jr1abc@qsl.test\r\nTo: " + mail.users[1].toUtf8() +
                            "\r\nSubject: " + cardSubject(u"JR1ABC"_s, u"261202"_s).toUtf8() +
                            "\r\n" + cardXMailer(u"261202"_s).toUtf8() +
                            "\r\nDate: Wed, 02 Dec 2026 12:00:00 +0900\r\n";
    const QList<std::pair<QByteArray, QByteArray>> attachments = {
        {"a.txt", photo + "as-text"},
        {"x\"; filename*=utf-8''a%00b.jpg; y=\"z", "not a picture"},
        {(QString(110, u'局') + u".jpg"_s).toUtf8(), photo + "kanji"},
        {"bashrc", "alias ls=rm"}};
    for (int run = 1; run <= 2; ++run) {
        deliverRaw(1, {rawMail(head, attachments)});
        const CliRun r = b.cli({u"receive"_s, u"--yes"_s});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(mailboxCount(mail.users[1]), 0);
        for (const QString& folder : {u"受信"_s, u"QslMsg"_s})
            for (const QString& name : QDir(b.path(folder)).entryList(QDir::Files | QDir::Hidden))
                EXPECT_FALSE(name.endsWith(u'_')) << name.toStdString();
    }
    const QDir received(b.path(u"受信"_s));
    EXPECT_EQ(readBytes(received.filePath(u"a.jpg"_s)), photo + "as-text");
    const QStringList kanji = received.entryList({u"局*.jpg"_s}, QDir::Files);
    ASSERT_EQ(kanji.size(), 1) << received.entryList().join(u' ').toStdString();
    EXPECT_LE(kanji.front().toUtf8().size(), 255);
    EXPECT_EQ(readBytes(received.filePath(kanji.front())), photo + "kanji");
    // What is no picture is beside the mail's text, both times.
    const QDir texts(b.path(u"QslMsg"_s));
    EXPECT_EQ(readBytes(texts.filePath(u"bashrc"_s)), "alias ls=rm");
    EXPECT_EQ(readBytes(texts.filePath(u"bashrc-2"_s)), "alias ls=rm");
}

TEST_F(Exchange, ABigMailIsLeftAndTheRunsCardsAreDeletedOnce) {
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    b.emptyMailbox(true);
    const QByteArray head = "From: jr1abc@qsl.test\r\nTo: " + mail.users[1].toUtf8() +
                            "\r\nSubject: " + cardSubject(u"JR1ABC"_s, u"261202"_s).toUtf8() +
                            "\r\n" + cardXMailer(u"261202"_s).toUtf8() +
                            "\r\nDate: Wed, 02 Dec 2026 12:00:00 +0900\r\n";
    QByteArray big = head + "\r\n";
    const QByteArray line = QByteArray(76, 'A') + "\r\n";
    while (big.size() < 65 * 1024 * 1024)
        big += line;
    deliverRaw(1, {big});
    ASSERT_EQ(mailboxCount(mail.users[1]), 1);
    deliverRaw(1, {rawMail(head, {{"JR1ABC_261202_1200_7.024_CW_JR2XYZ.jpg",
                                   readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s))}})});
    CliRun r = b.cli({u"receive"_s, u"--yes"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.startsWith(u"cards=1\n"_s)) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(u"(Mail-No1, Error-7) メールが受信できません！"_s))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"メールが大きすぎます: 66 MB（受信できるのは 64 MB まで）"_s))
        << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(u"通信が切れました"_s)) << r.err.toStdString();
    EXPECT_EQ(mailboxCount(mail.users[1]), 1);
    r = b.cli({u"receive"_s, u"--yes"_s});
    EXPECT_TRUE(r.out.startsWith(u"cards=0\n"_s)) << r.out.toStdString();
    EXPECT_EQ(mailboxScript({u"reset"_s, mail.users[1]}), 0);
}

// A server gone in the middle of a run: the run ends at once and says so,
// rather than asking every mail left and waiting on each.
TEST_F(Exchange, AServerGoneMidRunEndsTheRunWithItsFailure) {
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    b.emptyMailbox(true);
    const QByteArray photo = readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s));
    QList<QByteArray> cards;
    for (int i = 0; i < 4; ++i)
        cards << rawMail("From: jr1abc@qsl.test\r\nTo: " + mail.users[1].toUtf8() +
                             "\r\nSubject: card\r\n" + cardXMailer(u"261202"_s).toUtf8() +
                             "\r\nDate: Wed, 02 Dec 2026 12:00:00 +0900\r\n",
                         {{QByteArray("JR1ABC_261202_120") + char('0' + i) + "_7.024_CW_JR2XYZ.jpg",
                           photo + QByteArray::number(i)}});
    deliverRaw(1, cards);
    ASSERT_EQ(mailboxCount(mail.users[1]), 4);
    DroppingProxy proxy(mail.pop3, "TOP", 2);
    {
        TZkwIni s(b.path(u"Sendvik.ini"_s));
        s.writeString(u"Option"_s, u"Pop3Name"_s, u"127.0.0.1"_s);
        s.writeString(u"Option"_s, u"Pop3Port"_s, QString::number(proxy.port()));
        s.writeInteger(u"Option"_s, u"Pop3Ssl"_s, 0);
    }
    const CliRun r = b.cli({u"receive"_s, u"--yes"_s});
    EXPECT_TRUE(proxy.dropped());
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.startsWith(u"cards=1\n"_s)) << r.out.toStdString();
    EXPECT_EQ(r.err.count(u"メールが受信できません！"_s), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"(Mail-No3, Error-4)"_s)) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"受信を中止しました。"_s)) << r.err.toStdString();
    EXPECT_EQ(mailboxScript({u"reset"_s, mail.users[1]}), 0);
}

// The log held by another program while a card goes out: the card is told
// of by its record, counted, and marked by the next batch without going out
// again; a check in between changes nothing. The summary names the range as
// it was entered.
TEST_F(Exchange, ACardWhoseMarkCannotBeWrittenIsToldAndNotMailedAgain) {
    Station a(box.path(u"a"_s), u"JR1ABC"_s, 0, mail, novq, bundle);
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    makeLog(a.path(u"ZELKOV.mst"_s),
            {recent(u"JR2XYZ"_s, 10, u"12:00"_s), recent(u"JR2XYZ"_s, 9, u"12:00"_s),
             recent(u"JR2XYZ"_s, 8, u"12:00"_s)});
    b.emptyMailbox(true);
    QProcess holder;
    holder.start(u"python3"_s, {u"-c"_s,
                                u"import sqlite3, sys, time\n"
                                "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                "c.execute('BEGIN IMMEDIATE')\n"
                                "print('held', flush=True)\n"
                                "time.sleep(120)\n"_s,
                                a.path(u"ZELKOV.zdb"_s)});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    CliRun r = a.cli({u"send"_s, u"1"_s, u"5"_s, u"--yes"_s});
    holder.kill();
    holder.waitForFinished();
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains(u"sent=1\n"_s)) << r.out.toStdString();
    EXPECT_TRUE(
        r.err.contains(u"JR2XYZ局へ電子QSLを送信しましたが、QSOデータ（No1）に送信マーク"
                       u"を書き込めません！"_s))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"送信指定範囲＝ 5件"_s)) << r.err.toStdString();
    EXPECT_EQ(a.sentMark(1), u' ');
    ASSERT_EQ(mailboxScript({u"wait"_s, mail.users[1], u"1"_s, u"30"_s}), 0);

    const QString journal = a.path(u"ZELKOV.sending"_s);
    const QByteArray kept = readBytes(journal);
    ASSERT_FALSE(kept.isEmpty());
    r = a.cli({u"send"_s, u"--check"_s, u"1"_s, u"3"_s});
    EXPECT_EQ(readBytes(journal), kept);
    EXPECT_EQ(a.sentMark(1), u' ');

    r = a.cli({u"send"_s, u"1"_s, u"3"_s, u"--yes"_s});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"sent=2\n"_s)) << r.out.toStdString();
    for (int recno = 1; recno <= 3; ++recno)
        EXPECT_EQ(a.sentMark(recno), u'H') << recno;
    EXPECT_EQ(mailboxScript({u"wait"_s, mail.users[1], u"3"_s, u"30"_s}), 0);
    QThread::msleep(1000);  // a fourth would have come by now
    EXPECT_EQ(mailboxCount(mail.users[1]), 3);
    EXPECT_EQ(mailboxScript({u"reset"_s, mail.users[1]}), 0);
}

// A card never replaces another picture or any other file: a different
// picture under a stored card's name, a card named like another mail's
// text, a card mail's own text attachment, two different pictures of one
// name in a run each keep a name of their own; the same picture twice is one
// card; what is no JPEG goes with the text. A mail with more attachments
// than are read stays on the server.
TEST_F(Exchange, ACardNeverReplacesAnotherPictureOrText) {
    Station b(box.path(u"b"_s), u"JR2XYZ"_s, 1, mail, novq, bundle);
    b.emptyMailbox(true);
    const QByteArray photo = readBytes(dataFile(u"jpeg/tower_baseline.jpg"_s));
    QDir().mkpath(b.path(u"受信"_s));
    QDir().mkpath(b.path(u"QslMsg"_s));
    writeBytes(b.path(u"受信/K.jpg"_s), photo + "A");
    writeBytes(b.path(u"QslMsg/K.txt"_s), "Subject:old\r\n");
    writeBytes(b.path(u"QslMsg/memo.txt"_s), "From:friend\r\nmemo\r\n");
    const QByteArray head = "From: jr1abc@qsl.test\r\nTo: " + mail.users[1].toUtf8() +
                            "\r\nSubject: card\r\n" + cardXMailer(u"261202"_s).toUtf8() +
                            "\r\nDate: Wed, 02 Dec 2026 12:00:00 +0900\r\n";
    deliverRaw(1, {rawMail(head, {{"D.jpg", photo + "older"}, {"E.jpg", photo + "E"}})});
    ASSERT_EQ(mailboxCount(mail.users[1]), 1);  // numbered first: read last
    QList<std::pair<QByteArray, QByteArray>> many;
    for (int i = 0; i < 65; ++i)
        many.append({"M" + QByteArray::number(i) + ".jpg", photo});
    deliverRaw(
        1,
        {rawMail(head, {{"K.jpg", photo + "B"}}), rawMail(head, {{"memo.jpg", photo + "C"}}),
         rawMail(head,
                 {{"X.jpg", photo + "X"}, {"X.txt", "their note"}, {"log.pdf", "%PDF-1.4 log"}}),
         rawMail(head, {{"D.jpg", photo + "newer"}, {"E.jpg", photo + "E"}}), rawMail(head, many)});
    const CliRun r = b.cli({u"receive"_s, u"--yes"_s});
    EXPECT_EQ(r.code, 1);  // the mail of 65 attachments could not be kept whole
    EXPECT_TRUE(r.out.startsWith(u"cards=6\n"_s)) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(u"添付ファイルが多すぎます（64個まで）"_s)) << r.err.toStdString();
    EXPECT_EQ(mailboxCount(mail.users[1]), 1);
    const auto bytes = [&](const QString& name) { return readBytes(b.path(name)); };
    EXPECT_EQ(bytes(u"受信/K.jpg"_s), photo + "A");
    EXPECT_EQ(bytes(u"受信/K-2.jpg"_s), photo + "B");
    EXPECT_EQ(bytes(u"QslMsg/K.txt"_s), "Subject:old\r\n");
    EXPECT_TRUE(bytes(u"QslMsg/K-2.txt"_s).startsWith("Subject:card"));
    EXPECT_EQ(bytes(u"QslMsg/memo.txt"_s), "From:friend\r\nmemo\r\n");
    EXPECT_EQ(bytes(u"受信/memo-2.jpg"_s), photo + "C");
    EXPECT_TRUE(bytes(u"QslMsg/memo-2.txt"_s).startsWith("Subject:card"));
    EXPECT_EQ(bytes(u"受信/X.jpg"_s), photo + "X");
    EXPECT_EQ(bytes(u"QslMsg/X-2.txt"_s), "their note");
    EXPECT_EQ(bytes(u"QslMsg/log.pdf"_s), "%PDF-1.4 log");
    const QString note = sjis::decodeUserText(bytes(u"QslMsg/X.txt"_s));
    EXPECT_TRUE(note.contains(u"X-2.txt"_s) && note.contains(u"log.pdf"_s)) << note.toStdString();
    EXPECT_EQ(bytes(u"受信/D.jpg"_s), photo + "newer");
    EXPECT_EQ(bytes(u"受信/D-2.jpg"_s), photo + "older");
    EXPECT_EQ(QDir(b.path(u"受信"_s)).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{u"D-2.jpg"_s, u"D.jpg"_s, u"E.jpg"_s, u"K-2.jpg"_s, u"K.jpg"_s,
                           u"X.jpg"_s, u"memo-2.jpg"_s}));
    EXPECT_EQ(mailboxScript({u"reset"_s, mail.users[1]}), 0);
}
