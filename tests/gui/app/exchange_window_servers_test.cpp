// The main window's send and receive buttons, offscreen, against the loopback
// mail servers and the reference service server: a card previewed and sent,
// the next one stopped at its preview; the card received at the other
// station; a receive stopped by the same button.

#include "app/ui/ml_qsl1.h"

#include "app/main_state.h"
#include "core/app_paths.h"
#include "core/file_dialogs.h"
#include "core/message_ports.h"
#include "core/msg_box.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "logdata/log_store.h"
#include "logdata/zelkov50.h"
#include "render/qsl_definition.h"
#include "render/ui/view_bmp.h"
#include "render/ui/view_jpg.h"
#include "server/comm_session.h"
#include "server/httplib.h"
#include "server/setup_archive.h"
#include "settings/kankyo.h"
#include "settings/qso_feed_settings.h"

#include "env_file.h"
#include "gui_files.h"
#include "main_window_desk.h"
#include "station_home.h"
#include "tar_gz.h"
#include "wsjtx_announce.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using gui_files::readAll;
using gui_files::writeAll;

namespace {

QsoRecord recentQso(const QString& call, int daysAgo, const QString& hhmm) {
    QsoRecord q;
    q.call = call;
    q.date = QDate::currentDate().addDays(-daysAgo).toString(u"yy/MM/dd"_s);
    q.century = 20;
    q.time = hhmm;
    q.zone = u'J';
    q.freq = u"7.024"_s;
    q.mode = u"CW"_s;
    q.hisRst = u"599"_s;
    q.key = lookupKeyOf(call);
    return q;
}

// One station's desktop program on its folder.
struct Desk : testing_support::MainWindowDesk {
    using MainWindowDesk::MainWindowDesk;
    QChar sentMark(int recno) const {
        ZkwHandle log;
        if (ZelkovOpen(0, log, home + u"ZELKOV.mst"_s, 0) != 0) return u'?';
        const QChar mark = ZKW_read(log, recno, read_mode::Card) == 0 ? log.rec.qslSent : u'?';
        ZelkovClose(log, 0);
        return mark;
    }
};

}  // namespace

class ExchangeWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QMap<QString, QString> mail, novq;
    testing_support::LoopbackServers servers;

    QStringList texts(const ScriptedMessagePort& port) const {
        QStringList out;
        for (const MessageRequest& m : port.messages())
            out << m.text;
        return out;
    }

private Q_SLOTS:
    void initTestCase() {
        mail = testing_support::envFileVars(QStringLiteral(SENDVIK_MAIL_ENV));
        novq = testing_support::envFileVars(QStringLiteral(SENDVIK_NOVQ_ENV));
        QVERIFY2(!mail.isEmpty() && !novq.isEmpty(), "the loopback servers are not running");
        const QString bundle = dir.filePath(u"ca-bundle.crt"_s);
        writeAll(bundle,
                 readAll(mail.value(u"MAIL_CA_FILE"_s)) + readAll(novq.value(u"NOVQ_CA"_s)));
        servers = {mail.value(u"MAIL_HOST"_s), mail.value(u"SMTPS_PORT"_s).toInt(),
                   mail.value(u"POP3S_PORT"_s).toInt(), bundle};
        qputenv("SENDVIK_SERVER_BASE", novq.value(u"NOVQ_BASE"_s).toUtf8());
    }

    void aCardSentThenTheNextStoppedAtItsPreviewThenReceived() {
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        const QString a = dir.filePath(u"a"_s);
        const QString b = dir.filePath(u"b"_s);
        const QString photo = QStringLiteral(SENDVIK_TEST_DATA "/jpeg/landscape_1800x1200.jpg");
        testing_support::writeStationHome(
            a, {u"JR1ABC"_s, u"novq-a"_s, mail.value(u"MAIL_USER1"_s), mail.value(u"MAIL_PASS1"_s)},
            servers, photo);
        testing_support::writeStationHome(
            b, {u"JR2XYZ"_s, u"novq-b"_s, mail.value(u"MAIL_USER2"_s), mail.value(u"MAIL_PASS2"_s)},
            servers, photo);
        {
            LogStore store;
            QVERIFY(store.open(a + u"/ZELKOV.mst"_s, true));
            QCOMPARE(store.insert(recentQso(u"JR2XYZ"_s, 5, u"10:00"_s)),
                     LogStore::InsertResult::Added);
            QCOMPARE(store.insert(recentQso(u"JR2XYZ"_s, 4, u"11:00"_s)),
                     LogStore::InsertResult::Added);
        }
        // B's mailbox emptied of what other tests left (deleting what it reads).
        TZkwIni(b + u"/Sendvik.ini"_s).writeString(u"Option"_s, u"Check"_s, u"8,0"_s);
        TZkwIni(b + u"/Sendvik.ini"_s).writeInteger(u"Kankyo"_s, u"Check"_s, 0x80);
        {
            Desk emptying(b);
            emptying.start();
            emptying.window->Speed5Click();
            emptying.finish();
        }
        QDir(b + u"/受信"_s).removeRecursively();
        // From now on B keeps what it reads on the server.
        TZkwIni(b + u"/Sendvik.ini"_s).writeString(u"Option"_s, u"Check"_s, u"0,0"_s);
        TZkwIni(b + u"/Sendvik.ini"_s).writeInteger(u"Kankyo"_s, u"Check"_s, 0x100);

        Desk sender(a);
        sender.start();
        port.clear();
        sender.find<QLineEdit>("Edit1")->setText(u"1"_s);
        sender.find<QLineEdit>("Edit2")->setText(u"2"_s);
        // "確認しながら送信": the first card sent, the second stopped at its preview.
        QStringList previewed;
        int shown = 0;
        QString rangeStartMeanwhile;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            TForm3& preview = sender.window->cardPreview();
            if (!preview.isVisible()) return;
            // The commands that would start another run are locked meanwhile.
            QVERIFY(!sender.find<QPushButton>("Speed5")->isEnabled());
            QVERIFY(sender.find<QProgressBar>("Progress1")->isVisible());
            previewed << preview.findChild<QLabel*>(u"Label1"_s)->text();
            // At the second card the first one's mail is kept as the range's
            // start on disk already: a crash now does not send it again.
            if (shown == 1)
                rangeStartMeanwhile =
                    TZkwIni(a + u"/Sendvik.ini"_s).readString(u"Config", u"Recno1", {});
            preview.findChild<QPushButton*>(++shown == 1 ? u"SendButton"_s : u"CancelButton"_s)
                ->click();
        });
        answer.start(50);
        sender.find<QPushButton>("Speed1")->click();
        answer.stop();
        QCOMPARE(previewed.size(), 2);
        QVERIFY2(previewed[0].startsWith(u"1／2枚目 No1 "_s), qPrintable(previewed[0]));
        QCOMPARE(rangeStartMeanwhile, u"2"_s);
        const QStringList said = texts(port);
        QVERIFY2(
            said.contains(u"電子QSLメールを 1 件送信しました。\r（実際の送信範囲 2件中の 50.00％）"
                          u"\r\r送信指定範囲＝ 2件。　うち、\r・ZELKOVユーザーリスト未登録 0局"
                          u"\r・ZELKOV E-Mail QSL未登録 0局"_s),
            qPrintable(said.join(u" | "_s)));
        // The stopped card was not sent: the next batch starts with it.
        QCOMPARE(sender.find<QLineEdit>("Edit1")->text(), u"2"_s);
        QCOMPARE(sender.sentMark(1), u'H');
        QCOMPARE(sender.sentMark(2), u' ');
        QVERIFY(!sender.find<QProgressBar>("Progress1")->isVisible());
        QVERIFY(sender.find<QPushButton>("Speed5")->isEnabled());
        QVERIFY(!sender.state.busy);
        QVERIFY(sender.state.activityFlags & activity::CardSent);

        // Without the preview, the send button itself stops a batch.
        sender.find<QCheckBox>("Check2")->setChecked(false);
        QString captionMeanwhile;
        QTimer stop;
        connect(&stop, &QTimer::timeout, this, [&] {
            if (!sender.state.busy || !captionMeanwhile.isEmpty()) return;
            captionMeanwhile = sender.find<QPushButton>("Speed1")->text();
            sender.find<QPushButton>("Speed1")->click();
        });
        stop.start(1);
        sender.find<QPushButton>("Speed1")->click();
        stop.stop();
        QCOMPARE(captionMeanwhile, u"中 断"_s);
        QCOMPARE(sender.find<QPushButton>("Speed1")->text(), u"QSL送信"_s);
        QCOMPARE(sender.sentMark(2), u' ');
        QVERIFY(!sender.state.busy);
        sender.finish();

        // B: the card arrives (Postfix delivers in its own time).
        Desk receiver(b);
        receiver.start();
        QStringList files;
        for (int i = 0; i < 50 && files.isEmpty(); ++i) {
            port.clear();
            receiver.window->Speed5Click();
            files = QDir(b + u"/受信"_s).entryList(QDir::Files);
            if (files.isEmpty()) QTest::qWait(200);
        }
        QCOMPARE(files.size(), 1);
        QVERIFY(files[0].startsWith(u"JR1ABC_"_s) && files[0].endsWith(u"_JR2XYZ.jpg"_s));
        QVERIFY(texts(port).contains(
            u"1 件の電子QSLを受信しました。\r\r届いているメールの件数は 1件"_s));
        QCOMPARE(receiver.find<QPushButton>("Speed5")->text(), u"QSL受信"_s);
        QVERIFY(receiver.state.activityFlags & activity::CardReceived);
        // Received cards are shown, newest first.
        QVERIFY(receiver.window->cardViewer().isVisible());
        receiver.window->cardViewer().close();

        // The same button, pressed while a receive runs, stops it before
        // the first mail; the mail stays for the next run.
        port.clear();
        QTimer press;
        connect(&press, &QTimer::timeout, this, [&] {
            if (receiver.state.busy) receiver.find<QPushButton>("Speed5")->click();
        });
        press.start(1);
        receiver.window->Speed5Click();
        press.stop();
        QVERIFY(texts(port).value(0).startsWith(u"受信を中止しました。"_s));
        QVERIFY(texts(port).value(0).contains(
            u"まだ読んでいない 1 件のメールはサーバーに残っています。"_s));
        // Not stopped, the card comes again.
        port.clear();
        receiver.window->Speed5Click();
        QVERIFY(texts(port).value(0).startsWith(u"1 件の電子QSLを受信しました。"_s));
        receiver.finish();
    }

    // The logging program (zkwin-sim) asks for a card to the station on its
    // screen: the server asked whether it takes part, the card previewed,
    // mailed and marked; then its registration check is told.
    void theLoggingProgramsSendRequestMailsOneCard() {
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        QTemporaryDir links;
        qputenv("SENDVIK_LINK_DIR", links.path().toUtf8());
        const QString a = dir.filePath(u"link-a"_s);
        testing_support::writeStationHome(
            a, {u"JR1ABC"_s, u"novq-a"_s, mail.value(u"MAIL_USER1"_s), mail.value(u"MAIL_PASS1"_s)},
            servers, QStringLiteral(SENDVIK_TEST_DATA "/jpeg/landscape_1800x1200.jpg"));
        {
            LogStore store;
            QVERIFY(store.open(a + u"/ZELKOV.mst"_s, true));
            QCOMPARE(store.insert(recentQso(u"JA9ZZZ"_s, 6, u"09:00"_s)),
                     LogStore::InsertResult::Added);
            QCOMPARE(store.insert(recentQso(u"JR2XYZ/2"_s, 5, u"10:00"_s)),
                     LogStore::InsertResult::Added);
        }
        QProcess sim;
        sim.start(QStringLiteral(ZKWIN_SIM), {u"--serve"_s, u"--log"_s, a + u"/ZELKOV.mst"_s,
                                              u"--current"_s, u"2"_s, u"--no-reload"_s});
        QVERIFY(sim.waitForReadyRead(10000));

        Desk sender(a);
        sender.start();
        QVERIFY(sender.find<QAction>("ZELKOV1")->isEnabled());
        QVERIFY(!sender.find<QAction>("KY1")->isVisible());
        port.clear();
        QStringList previewed;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            TForm3& preview = sender.window->cardPreview();
            if (!preview.isVisible()) return;
            previewed << preview.findChild<QLabel*>(u"Label1"_s)->text();
            preview.findChild<QPushButton*>(u"SendButton"_s)->click();
        });
        answer.start(50);
        sender.find<QAction>("NOVQ1")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(sender.sentMark(2), u'H', 30000);
        answer.stop();
        QCOMPARE(previewed.size(), 1);
        QVERIFY(previewed[0].startsWith(u"No2 "_s));
        QCOMPARE(sender.sentMark(1), u' ');
        QCOMPARE(QDir(a + u"/送信"_s).entryList({u"JR1ABC_*_JR2XYZ.jpg"_s}, QDir::Files).size(), 1);
        QVERIFY(!sender.state.busy);

        // The registration check of the station on its screen.
        port.clear();
        sender.find<QAction>("ZLKV1")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!texts(port).isEmpty(), 10000);
        QVERIFY2(texts(port)[0].startsWith(u"JR2XYZ 局は ZELKOV E-Mail QSL に登録済みです。\r"_s),
                 qPrintable(texts(port).join(u" | "_s)));

        // Its request for the received card of the QSO on its screen: a card
        // of that QSO is found and its record named.
        QDir().mkpath(a + u"/受信"_s);
        const QString when = QDate::currentDate().addDays(-5).toString(u"yyMMdd"_s);
        QVERIFY(QFile::copy(QStringLiteral(SENDVIK_TEST_DATA "/jpeg/landscape_1800x1200.jpg"),
                            a + u"/受信/JR2XYZ_"_s + when + u"_1003_7.024_CW_JR1ABC.jpg"_s));
        QProcess asking;
        asking.start(QStringLiteral(ZKWIN_SIM), {u"--request"_s, u"-999"_s, u"--log"_s,
                                                 a + u"/ZELKOV.mst"_s, u"--record"_s, u"2"_s});
        QTRY_COMPARE_WITH_TIMEOUT(asking.state(), QProcess::NotRunning, 15000);
        QCOMPARE(asking.readAllStandardOutput(), QByteArray("result 2\n"));
        sender.finish();
        sender.window.reset();  // its window leaves the link to the next one
        sim.kill();
        sim.waitForFinished();
        const QByteArray seen = sim.readAllStandardOutput();
        QVERIFY2(seen.contains("received 0x400073"), seen.constData());
        QVERIFY2(seen.contains("received 0x40001B"), seen.constData());

        // A logging program on another log: told at start.
        const QString other = dir.filePath(u"link-other.mst"_s);
        {
            LogStore store;
            QVERIFY(store.open(other, true));
            QCOMPARE(store.insert(recentQso(u"JA1AAA"_s, 1, u"09:00"_s)),
                     LogStore::InsertResult::Added);
        }
        sim.start(QStringLiteral(ZKWIN_SIM), {u"--serve"_s, u"--log"_s, other});
        QVERIFY(sim.waitForReadyRead(10000));
        port.clear();
        Desk again(a);
        again.start();
        QVERIFY2(texts(port).contains(
                     u"ZELKOV/Win のQSOデータと一致しません！\r\rZELKOV/Win "
                     u"が使用しているQSOデータを\rファイルメニューから開いてください。"_s),
                 qPrintable(texts(port).join(u" | "_s)));
        again.finish();
        sim.kill();
        sim.waitForFinished();
        qunsetenv("SENDVIK_LINK_DIR");
    }

    // WSJT-X announces two QSOs (each as its fields and as its ADIF record)
    // and a broken datagram while the window runs: each QSO joins the log
    // once, the member's card goes out without a box, the other is counted,
    // and the line under the card says so; its switch lets the port go.
    void qsosWsjtxLogsGetTheirCardsWhileTheWindowRuns() {
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        const QString a = dir.filePath(u"feed-a"_s);
        testing_support::writeStationHome(
            a, {u"JR1ABC"_s, u"novq-a"_s, mail.value(u"MAIL_USER1"_s), mail.value(u"MAIL_PASS1"_s)},
            servers, QStringLiteral(SENDVIK_TEST_DATA "/jpeg/landscape_1800x1200.jpg"));
        {
            LogStore store;
            QVERIFY(store.open(a + u"/ZELKOV.mst"_s, true));
            QCOMPARE(store.insert(recentQso(u"JA9ZZZ"_s, 6, u"09:00"_s)),
                     LogStore::InsertResult::Added);
        }
        quint16 udp = 0;
        {
            QUdpSocket probe;
            QVERIFY(probe.bind(QHostAddress::LocalHost, 0));
            udp = probe.localPort();
        }
        {
            TZkwIni ini(a + u"/Sendvik.ini"_s);
            QsoFeedSettings feed;
            feed.listen = true;
            feed.port = udp;
            feed.action = FeedAction::SendAtOnce;
            feed.save(ini);
        }
        Desk desk(a);
        desk.start();
        auto* line = desk.find<QLabel>("FeedLine");
        QVERIFY(desk.find<QCheckBox>("FeedSwitch")->isChecked());
        QVERIFY2(line->text().contains(u"UDP 127.0.0.1:%1 で受信中"_s.arg(udp)),
                 qPrintable(line->text()));
        port.clear();

        QUdpSocket wsjtxSide;
        const QDateTime at = QDateTime::currentDateTimeUtc().addSecs(-600);
        for (const QString& call : {u"JR2XYZ"_s, u"JA9ZZZ"_s}) {
            for (const QByteArray& d : testing_support::announcedQso(call, at, u"JR1ABC"_s))
                wsjtxSide.writeDatagram(d, QHostAddress::LocalHost, udp);
        }
        QTRY_COMPARE_WITH_TIMEOUT(desk.sentMark(2), u'H', 30000);
        QTRY_VERIFY_WITH_TIMEOUT(line->toolTip().contains(u"QSO 2件（送信 1・非参加 1）"_s), 30000);
        QVERIFY2(line->toolTip().contains(u"破棄 2"_s), qPrintable(line->toolTip()));
        QCOMPARE(desk.sentMark(3), u' ');
        QCOMPARE(QDir(a + u"/送信"_s).entryList({u"JR1ABC_*_JR2XYZ.jpg"_s}, QDir::Files).size(), 1);
        {
            LogStore store;
            QVERIFY(store.open(a + u"/ZELKOV.mst"_s, false));
            QCOMPARE(store.recordCount(), 3);
        }
        QVERIFY2(texts(port).isEmpty(), qPrintable(texts(port).join(u" | "_s)));  // no box
        QCOMPARE(desk.find<QLineEdit>("Edit2")->text(), u"3"_s);  // the range follows
        QVERIFY(!desk.state.busy);
        // The next "QSL送信" over the whole range does not mail it again.
        desk.find<QLineEdit>("Edit1")->setText(u"1"_s);
        desk.window->Speed1Click();
        QVERIFY2(texts(port).join(u' ').contains(u"電子QSLメールを 0 件送信しました。"_s),
                 qPrintable(texts(port).join(u" | "_s)));
        QCOMPARE(QDir(a + u"/送信"_s).entryList({u"JR1ABC_*_JR2XYZ.jpg"_s}, QDir::Files).size(), 1);
        port.clear();

        // Switched off: the port is free again, and the settings say so.
        desk.find<QCheckBox>("FeedSwitch")->click();
        QVERIFY2(line->text().startsWith(u"WSJT-X・JTDX: 受信していません"_s),
                 qPrintable(line->text()));
        QUdpSocket again;
        QVERIFY(again.bind(QHostAddress::LocalHost, udp));
        desk.finish();
        QCOMPARE(QsoFeedSettings::load(TZkwIni(a + u"/Sendvik.ini"_s)).listen, false);
    }

    // A registration check that the logging program answers slowly while the
    // 1.5-second poll falls due (another program has the focus, RecRead is
    // ticked): the check tells its answer, and no card goes out.
    void aSlowRegistrationAnswerStaysACheck() {
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        QTemporaryDir links;
        qputenv("SENDVIK_LINK_DIR", links.path().toUtf8());
        const QString a = dir.filePath(u"slow-link"_s);
        testing_support::writeStationHome(
            a, {u"JR1ABC"_s, u"novq-a"_s, mail.value(u"MAIL_USER1"_s), mail.value(u"MAIL_PASS1"_s)},
            servers, QStringLiteral(SENDVIK_TEST_DATA "/jpeg/landscape_1800x1200.jpg"));
        {
            LogStore store;
            QVERIFY(store.open(a + u"/ZELKOV.mst"_s, true));
            QCOMPARE(store.insert(recentQso(u"JA9ZZZ"_s, 6, u"09:00"_s)),
                     LogStore::InsertResult::Added);
            QCOMPARE(store.insert(recentQso(u"JR2XYZ"_s, 5, u"10:00"_s)),
                     LogStore::InsertResult::Added);
        }
        QProcess sim;
        sim.start(QStringLiteral(ZKWIN_SIM),
                  {u"--serve"_s, u"--log"_s, a + u"/ZELKOV.mst"_s, u"--current"_s, u"2"_s,
                   u"--no-reload"_s, u"--no-call"_s, u"--slow"_s, u"0x400073"_s, u"3500"_s});
        QVERIFY(sim.waitForReadyRead(10000));
        Desk sender(a);
        sender.start();
        QVERIFY(sender.find<QAction>("ZELKOV1")->isEnabled());
        sender.find<QCheckBox>("RecRead")->setChecked(true);
        QApplication::setActiveWindow(nullptr);
        port.clear();
        sender.find<QAction>("ZLKV1")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!texts(port).isEmpty(), 15000);
        QVERIFY2(texts(port)[0].startsWith(u"JR2XYZ 局は ZELKOV E-Mail QSL に登録済みです。\r"_s),
                 qPrintable(texts(port).join(u" | "_s)));
        QTest::qWait(1000);  // a card would be on its way by now
        QCOMPARE(sender.sentMark(2), u' ');
        QVERIFY(QDir(a + u"/送信"_s).entryList({u"*.jpg"_s}, QDir::Files).isEmpty());
        sender.finish();
        sender.window.reset();
        sim.kill();
        sim.waitForFinished();
        const QByteArray seen = sim.readAllStandardOutput();
        QVERIFY2(seen.contains("received 0x400073"), seen.constData());
        // After the answer, the logging program's window the reply named
        // comes to the front.
        QVERIFY2(seen.contains("to the front: window 2"), seen.constData());
        qunsetenv("SENDVIK_LINK_DIR");
    }

    // The about box's update: the archive the service offers is downloaded,
    // its installer started, and the program ends for it.
    void anUpdateStartsTheInstallerAndTheProgramEnds() {
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        ScriptedFileDialogPort files;
        ScopedFileDialogPort filesInstalled(&files);
        const QString a = dir.filePath(u"update"_s);
        testing_support::writeStationHome(
            a, {u"JR1ABC"_s, u"novq-a"_s, mail.value(u"MAIL_USER1"_s), mail.value(u"MAIL_PASS1"_s)},
            servers, QStringLiteral(SENDVIK_TEST_DATA "/jpeg/landscape_1800x1200.jpg"));
        const QString offered = novq.value(u"NOVQ_DIR"_s) + u"/soft/SendvikSetup.exe"_s;
        const QByteArray original = readAll(offered);
        const QString mark = dir.filePath(u"update-started"_s);
        qputenv("SENDVIK_TEST_MARK", QFile::encodeName(mark));
        QVERIFY(tar_gz::write(
            offered,
            {{"sendvik-setup", "#!/bin/sh\necho \"$0\" > \"$SENDVIK_TEST_MARK\"\n", 0755}}));
        QDir().mkpath(a + u"/downloads"_s);
        files.answer(a + u"/downloads"_s);
        port.answer(mb::IdYes);

        Desk desk(a);
        desk.start();
        QTimer pressIt;
        connect(&pressIt, &QTimer::timeout, this, [&] {
            auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!about || about->objectName() != u"AbForm"_s) return;
            pressIt.stop();
            auto* speed1 = about->findChild<QPushButton*>(u"Speed1"_s);
            speed1->click();  // the check
            speed1->click();  // the download
        });
        pressIt.start(50);
        desk.find<QAction>("V6")->trigger();
        writeAll(offered, original);
        QTRY_VERIFY_WITH_TIMEOUT(readAll(mark).endsWith("/sendvik-setup\n"), 10000);
        const QString privateFolder = updateFolderOf(QString::fromUtf8(readAll(mark).trimmed()));
        QVERIFY(!privateFolder.isEmpty());
        QVERIFY(QDir(privateFolder).removeRecursively());
        QVERIFY(!desk.window->isVisible());
        QCOMPARE(texts(port), QStringList{u"インストールを開始しますか？"_s});
        QVERIFY(QFile::exists(a + u"/downloads/SendvikSetup.exe"_s));
        desk.window->FormDestroy();
    }
};

QTEST_MAIN(ExchangeWindowTest)
#include "exchange_window_servers_test.moc"
