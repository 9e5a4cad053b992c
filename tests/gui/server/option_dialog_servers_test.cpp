// The communication settings window, offscreen by the controls' names,
// against the loopback mail servers and the reference service server.

#include "server/ui/option_dialog.h"

#include "core/message_ports.h"
#include "core/msg_box.h"
#include "core/zkw_ini.h"
#include "server/comm_session.h"
#include "server/httplib.h"
#include "server/novq_requests.h"
#include "settings/kankyo.h"

#include "env_file.h"

#include "gui_files.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using gui_files::readAll;
using gui_files::writeAll;

namespace {

// Runs `act` on the re-entry dialog once it is up.
void whenReentryDialog(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == u"Form1" && w->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(w);
                return;
            }
        }
    });
    timer->start();
}

void typeAgain(QWidget* dialog, const QString& text) {
    auto* edit = dialog->findChild<QLineEdit*>(u"MlEdit"_s);
    edit->setText(text);
    dialog->findChild<QPushButton*>(u"OkButton"_s)->click();
}

}  // namespace

class OptionDialogServersTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QMap<QString, QString> mail, novq;
    QByteArray users;
    QString bundle;
    EnvironmentSettings environment;  // the service server on loopback

    QStringList texts(const ScriptedMessagePort& port) {
        QStringList out;
        for (const MessageRequest& m : port.messages())
            out << m.text;
        return out;
    }
    // The requests the service server saw since the log was emptied.
    QStringList serverBodies() {
        QStringList out;
        for (const QByteArray& line : readAll(novq.value(u"NOVQ_LOG"_s)).split('\n'))
            if (!line.isEmpty())
                out << QJsonDocument::fromJson(line).object()[u"body"_s].toString();
        return out;
    }
    // A settings file for station JH3AAA with the mail servers' third account.
    void writeSettings(const QString& ini) {
        TZkwIni s(ini);
        s.writeString(u"Option", u"Calls", u"JH3AAA"_s);
        s.writeWords(u"Option", u"Pass2", u"novq-c"_s);
        s.writeString(u"Option", u"SmtpName", mail.value(u"MAIL_HOST"_s));
        s.writeString(u"Option", u"SmtpPort", mail.value(u"SMTPS_PORT"_s));
        s.writeString(u"Option", u"Pop3Name", mail.value(u"MAIL_HOST"_s));
        s.writeString(u"Option", u"Pop3Port", mail.value(u"POP3S_PORT"_s));
        s.writeString(u"Option", u"CaFile", bundle);
        s.writeWords(u"Option", u"Pass1", mail.value(u"MAIL_PASS3"_s));
        s.writeString(u"Option", u"Check", u"11,0"_s);
        QVERIFY(s.flush());
    }

private Q_SLOTS:
    void initTestCase() {
        mail = testing_support::envFileVars(QStringLiteral(SENDVIK_MAIL_ENV));
        novq = testing_support::envFileVars(QStringLiteral(SENDVIK_NOVQ_ENV));
        QVERIFY2(!mail.isEmpty() && !novq.isEmpty(), "the loopback servers are not running");
        // One CA file trusted by both the mail library and the HTTP client.
        bundle = dir.filePath(u"ca-bundle.crt"_s);
        writeAll(bundle,
                 readAll(mail.value(u"MAIL_CA_FILE"_s)) + readAll(novq.value(u"NOVQ_CA"_s)));
        users = readAll(novq.value(u"NOVQ_USERS"_s));
        environment.alternateServer = true;
        environment.alternateServerBase = novq.value(u"NOVQ_BASE"_s);
    }
    void cleanup() { writeAll(novq.value(u"NOVQ_USERS"_s), users); }

    void storedValuesShowAsTheListsSay() {
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        const QString ini = dir.filePath(u"lists.ini"_s);
        {
            TZkwIni s(ini);
            s.writeString(u"Option", u"SmtpAuth", u"9"_s);
            s.writeString(u"Option", u"SmtpSsl", u"20480"_s);  // 0x5000
            s.writeString(u"Option", u"Pop3Ssl", u"16384"_s);  // STARTTLS
            s.writeString(u"Option", u"Calls", u"jh3aaa"_s);
        }
        TZkwIni settings(ini);
        THTTPDown http([&settings] { return httpOptionsFrom(settings); });
        TOptionF window({settings, http, environment, ProviderPresets::load()});
        QString shownCall;
        connect(&window, &TOptionF::callSignChanged, this,
                [&](const QString& c) { shownCall = c; });
        window.LoadSettings();
        QCOMPARE(shownCall, u"JH3AAA"_s);
        QCOMPARE(window.findChild<QComboBox*>(u"SmtpAuthC"_s)->currentText(), u"自動選択"_s);
        QCOMPARE(window.findChild<QComboBox*>(u"SmtpSsl"_s)->currentText(), u"使用しない"_s);
        QCOMPARE(window.findChild<QComboBox*>(u"Pop3Ssl"_s)->currentText(), u"STARTTLS"_s);
        // The default Check "11": both passwords masked, received mail deleted.
        QVERIFY(window.findChild<QCheckBox*>(u"PassWd1"_s)->isChecked());
        QVERIFY(!window.findChild<QCheckBox*>(u"DelCheck"_s)->isChecked());
        QVERIFY(!window.findChild<QLineEdit*>(u"SmidEdit"_s)->isEnabled());
        // Choosing a TLS mode sets its port.
        auto* ssl = window.findChild<QComboBox*>(u"SmtpSsl"_s);
        ssl->setCurrentIndex(1);
        Q_EMIT ssl->activated(1);
        QCOMPARE(window.findChild<QLineEdit*>(u"SmtpPort"_s)->text(), u"465"_s);
        // A preset needs the call sign first; then it fills the servers.
        auto* call = window.findChild<QLineEdit*>(u"CallEdit"_s);
        call->setText(u"JH3"_s);
        window.presetClick(2);
        QCOMPARE(texts(port).last(), u"コールサインが未設定です。"_s);
        call->setText(u"JH3AAA"_s);
        port.answer(mb::IdYes);
        window.presetClick(2);
        QCOMPARE(window.findChild<QLineEdit*>(u"MailEdit"_s)->text(), u"JH3AAA@gmail.com"_s);
        QCOMPARE(window.findChild<QLineEdit*>(u"SmtpEdit"_s)->text(), u"smtp.gmail.com"_s);
        QCOMPARE(window.findChild<QLineEdit*>(u"SmtpPort"_s)->text(), u"587"_s);
        QCOMPARE(ssl->currentText(), u"STARTTLS"_s);
        // The preset's address is a new one: it must be typed again.
        QCOMPARE(window.session().settings.state & 3, 1);
        QVERIFY(window.findChild<QPushButton*>(u"Speed3"_s)->isEnabled());
        window.reject();
        // Cancelled: nothing was saved.
        QCOMPARE(TZkwIni(ini).readString(u"Option", u"MailAdd", u"-"_s), u"-"_s);
    }

    void aNewAddressIsTypedAgainTestedBothWaysThenRegistered() {
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        const QString ini = dir.filePath(u"register.ini"_s);
        writeSettings(ini);
        TZkwIni settings(ini);
        THTTPDown http([&settings] { return httpOptionsFrom(settings); });
        TOptionF window({settings, http, environment, ProviderPresets::load()});
        window.LoadSettings();
        window.show();
        QVERIFY(!window.findChild<QPushButton*>(u"Speed3"_s)->isEnabled());
        const QString address = mail.value(u"MAIL_USER3"_s);
        auto* mailEdit = window.findChild<QLineEdit*>(u"MailEdit"_s);
        mailEdit->setText(address);
        QVERIFY(window.findChild<QPushButton*>(u"Speed3"_s)->isEnabled());

        // The send test first asks for the address again; the clipboard is emptied.
        QGuiApplication::clipboard()->setText(address);
        bool clipboardEmptied = false;
        whenReentryDialog([&](QWidget* d) {
            clipboardEmptied = QGuiApplication::clipboard()->text().isEmpty();
            typeAgain(d, u"jh3 aaa@qsl.test"_s);
            typeAgain(d, u"jh3aaa@qsltest"_s);
            typeAgain(d, address);
        });
        window.Speed1Click();
        QVERIFY(clipboardEmptied);
        QCOMPARE(
            texts(port),
            (QStringList{u"メールアドレスに使えない文字があります！"_s,
                         u"メールアドレスを正しく入力してください！"_s,
                         u"続いて、アカウントを入力し、\r\rSMTP設定 →【送信確認】と\r\r"
                         u"POP3設定 →【受信確認】を実行してください。\r\rよろしいですか？"_s}));
        QCOMPARE(window.session().settings.state, 3);

        // Now the test mail goes out.
        port.clear();
        QFile::resize(novq.value(u"NOVQ_LOG"_s), 0);
        window.Speed1Click();
        QCOMPARE(texts(port).value(0),
                 u"送信しました。\r少し時間が経過したら【受信確認】をクリックしてください"_s);
        QCOMPARE(window.session().settings.state, 7);

        // Saving now asks for the receive test and does not contact the server.
        port.clear();
        window.OkButtonClick();
        QCOMPARE(
            texts(port),
            QStringList{u"メールアドレスに変更がある場合は【受信確認】も実行してください！"_s});
        QVERIFY(window.isVisible());
        QVERIFY(serverBodies().isEmpty());

        // The receive test finds the mail once it is delivered.
        for (int i = 0; i < 50 && !(window.session().settings.state & 8); ++i) {
            port.clear();
            window.Speed4Click();
            if (!(window.session().settings.state & 8)) QTest::qWait(200);
        }
        QVERIFY(window.session().settings.state & 8);
        QVERIFY(texts(port).value(0).contains(u"【送信確認】のメールを受信しました！"_s));

        // Both tests passed: saving registers the address and closes, leaving
        // a copy of the settings in the documents folder's "ZelkovBak".
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", dir.path().toUtf8());
        QVERIFY(QDir().mkpath(dir.filePath(u"Documents/ZelkovBak"_s)));
        port.clear();
        window.OkButtonClick();
        qputenv("HOME", home);
        QCOMPARE(readAll(dir.filePath(u"Documents/ZelkovBak/register.ini"_s)), readAll(ini));
        // Both hold the passwords: the owner's alone.
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
        for (const QString& f : {ini, dir.filePath(u"Documents/ZelkovBak/register.ini"_s)})
            QCOMPARE(QFile::permissions(f) & ~(QFile::ReadUser | QFile::WriteUser), ownerOnly);
        QVERIFY(!window.isVisible());
        QCOMPARE(serverBodies(),
                 QStringList{u"callx=Add_Mailad&Mail="_s + address + u"&Version=Ver5.12"_s});
        QCOMPARE(texts(port), QStringList{u"ZELKOVサーバに登録しました！\r\rコールサイン ：JH3AAA"
                                          u"\r\rメールアドレス："_s +
                                          address});
        TZkwIni saved(ini);
        QCOMPARE(saved.readString(u"Option", u"MailAdd", QString()), address);
        QCOMPARE(saved.readString(u"Option", u"Check", QString()), u"11,0"_s);
        // The passwords stand only in their word form.
        QVERIFY(!readAll(ini).contains(mail.value(u"MAIL_PASS3"_s).toUtf8()));
        QCOMPARE(saved.readWords(u"Option", u"Pass1"), mail.value(u"MAIL_PASS3"_s));
    }

    void aFailedTestLeadsToTheServerCheckAndTheWithdrawal() {
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        // The server knows an address for JH3AAA.
        QJsonObject db = QJsonDocument::fromJson(users).object();
        QJsonObject me = db[u"JH3AAA"_s].toObject();
        me[u"address"_s] = mail.value(u"MAIL_USER3"_s);
        db[u"JH3AAA"_s] = me;
        writeAll(novq.value(u"NOVQ_USERS"_s), QJsonDocument(db).toJson());
        const QString ini = dir.filePath(u"failed.ini"_s);
        writeSettings(ini);
        TZkwIni settings(ini);
        settings.writeString(u"Option", u"MailAdd", mail.value(u"MAIL_USER3"_s));
        THTTPDown http([&settings] { return httpOptionsFrom(settings); });
        TOptionF window({settings, http, environment, ProviderPresets::load()});
        window.LoadSettings();
        window.show();
        window.findChild<QLineEdit*>(u"PassEdit1"_s)->setText(u"wrong"_s);
        window.Speed1Click();
        QVERIFY(texts(port).value(0).startsWith(
            u"(No-2) 認証できません！アカウント／パスワード／認証方法を確認\r送信できませんでした\r"_s));
        QCOMPARE(window.session().settings.state, 16);

        // Saving asks the server, which has an address: the registration goes.
        port.clear();
        QFile::resize(novq.value(u"NOVQ_LOG"_s), 0);
        port.answer(mb::IdOk);
        window.OkButtonClick();
        QCOMPARE(serverBodies(),
                 (QStringList{u"callx=Get_Mailad"_s, u"callx=Add_Mailad&Mail=&Version=Ver5.12"_s}));
        QCOMPARE(texts(port),
                 (QStringList{
                     u"メール送信や受信が設定不調のため、ZELKOV E-Mail QSL の登録を抹消します。"_s,
                     u"NOVQの登録を解除しました！\r\rコールサイン ：JH3AAA"_s}));
        QCOMPARE(port.messages()[0].flags, mb::OkCancel | mb::IconExclamation | mb::DefButton2);
        QVERIFY(!window.isVisible());
        QCOMPARE(TZkwIni(ini).readString(u"Option", u"MailAdd", u"-"_s), QString());

        // With nothing registered, a failed test only asks for both tests.
        TZkwIni again(ini);
        again.writeString(u"Option", u"Check", u"11,32"_s);
        QVERIFY(again.flush());
        TOptionF second({again, http, environment, ProviderPresets::load()});
        second.LoadSettings();
        second.show();
        port.clear();
        second.OkButtonClick();
        QCOMPARE(texts(port), QStringList{u"【送信確認】と【受信確認】を成功させてください！"_s});
        QVERIFY(second.isVisible());
    }

    void withdrawalStatusPageAndPasswordGenerator() {
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        const QString ini = dir.filePath(u"withdraw.ini"_s);
        writeSettings(ini);
        TZkwIni settings(ini);
        settings.writeString(u"Option", u"MailAdd", u"jh3aaa@qsl.test"_s);
        settings.writeString(u"Option", u"PassLen", u"12"_s);
        THTTPDown http([&settings] { return httpOptionsFrom(settings); });
        TOptionF window({settings, http, environment, ProviderPresets::load()});
        window.LoadSettings();
        window.show();

        window.findChild<QPushButton*>(u"Speed6"_s)->click();
        const QString password = QGuiApplication::clipboard()->text();
        QCOMPARE(password.size(), 12);
        QVERIFY(texts(port).last().contains(u"Password（12桁）＝"_s + password));

        port.clear();
        window.findChild<QPushButton*>(u"Speed2"_s)->click();
        QCOMPARE(texts(port),
                 QStringList{u"コールサイン：JH3AAA\rメールアドレスは未登録です\rｴﾝﾄﾘｰ済み"_s});

        // Withdrawal: the question (No by default), then the server.
        port.clear();
        QFile::resize(novq.value(u"NOVQ_LOG"_s), 0);
        port.answer(mb::IdYes);
        window.withdrawClick();
        QCOMPARE(port.messages()[0].flags, mb::YesNo | mb::IconQuestion | mb::DefButton2);
        QCOMPARE(texts(port).value(1), u"登録を解除しました！\r\rコールサイン ：JH3AAA"_s);
        QCOMPARE(serverBodies(), QStringList{u"callx=Add_Mailad&Mail="_s});
        QVERIFY(window.findChild<QLineEdit*>(u"MailEdit"_s)->text().isEmpty());
        TZkwIni saved(ini);
        QCOMPARE(saved.readString(u"Option", u"MailAdd", u"-"_s), u"-"_s);
        QCOMPARE(saved.readString(u"Option", u"Pass1", u"-"_s), u"-"_s);
    }
};

QTEST_MAIN(OptionDialogServersTest)
#include "option_dialog_servers_test.moc"
