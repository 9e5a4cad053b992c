// The main window's send and receive buttons, offscreen, against the loopback
// mail servers and the reference service server: a card previewed and sent,
// the next one stopped at its preview; the card received at the other
// station; a receive stopped by the same button.

#include "app/ui/ml_qsl1.h"

#include "app/main_state.h"
#include "core/app_paths.h"
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
#include "settings/kankyo.h"

#include "env_file.h"
#include "gui_files.h"
#include "main_window_desk.h"
#include "station_home.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
        THTTPDown::setCaFile(bundle);
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
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            TForm3& preview = sender.window->cardPreview();
            if (!preview.isVisible()) return;
            // The commands that would start another run are locked meanwhile.
            QVERIFY(!sender.find<QPushButton>("Speed5")->isEnabled());
            QVERIFY(sender.find<QProgressBar>("Progress1")->isVisible());
            previewed << preview.findChild<QLabel*>(u"Label1"_s)->text();
            preview.findChild<QPushButton*>(++shown == 1 ? u"SendButton"_s : u"CancelButton"_s)
                ->click();
        });
        answer.start(50);
        sender.find<QPushButton>("Speed1")->click();
        answer.stop();
        QCOMPARE(previewed.size(), 2);
        QVERIFY(previewed[0].startsWith(u"No1 "_s));
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
        QVERIFY(texts(port).value(0).startsWith(u"新しい電子QSLは届いておりません。"_s));
        // Not stopped, the card comes again.
        port.clear();
        receiver.window->Speed5Click();
        QVERIFY(texts(port).value(0).startsWith(u"1 件の電子QSLを受信しました。"_s));
        receiver.finish();
    }
};

QTEST_MAIN(ExchangeWindowTest)
#include "exchange_window_servers_test.moc"
