#include "server/comm_session.h"

#include "core/app_info.h"
#include "core/mklink.h"
#include "core/msg_box.h"
#include "core/whole_file.h"
#include "core/zkw_ini.h"
#include "mail/mail_account.h"
#include "mail/mail_session.h"
#include "server/httplib.h"
#include "server/novq_requests.h"
#include "settings/kankyo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// The hourglass on for the length of a mail test.
class Busy {
public:
    explicit Busy(CommSession::View& view) : view_(view) { view_.busy(true); }
    ~Busy() { view_.busy(false); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    CommSession::View& view_;
};

// A test connection carries the window's fields, which may differ from the
// stored ones; nothing of them reaches another connection.
MailOptions optionsOf(const CommSettings& s) {
    return mailAccountFrom(s).options();
}

}  // namespace

CommSession::CommSession(const CommSessionParts& parts, View& view)
    : ini_(parts.settings),
      http_(parts.http),
      environment_(parts.environment),
      presets_(parts.presets),
      view_(view) {}

QString CommSession::serverBase() const {
    return environment_.serverBase();
}

void CommSession::load() {
    settings.load(ini_);
}

void CommSession::shown(std::uint32_t tick) {
    presetIndex = 0;
    generator.seed(tick);
}

bool CommSession::mailAddressEdited(const QString& text) {
    settings.mailAddress = text;
    settings.state |= reg_state::AddressEdited;
    const qsizetype at = text.indexOf(u'@');
    if (presetIndex == 102 && at >= 0) settings.account = text.left(at);
    if (presetIndex == 9 && at >= 0) settings.smtpHost = settings.pop3Host = text.mid(at + 1);
    return at >= 0;
}

void CommSession::reenterAddress() {
    if (settings.mailAddress.size() <= 4) {
        withdraw();
        return;
    }
    settings.state &= ~reg_state::AddressReentered;
    if (!view_.askAddressAgain()) {
        view_.focus(Field::MailAddress);
        return;
    }
    const QString next = presetIndex == 0
                             ? u"続いて、アカウントを入力し、\r\rSMTP設定 →【送信確認】と\r\r"
                               u"POP3設定 →【受信確認】を実行してください。"_s
                             : u"続いて、【送信確認】と【受信確認】を実行してください。"_s;
    if (ShowProgramMessage(next + u"\r\rよろしいですか？"_s, mb::YesNo | mb::IconQuestion) ==
        mb::IdYes) {
        settings.state |= reg_state::AddressEdited | reg_state::AddressReentered;
        view_.focus(Field::Account);
    } else {
        view_.focus(Field::MailAddress);
    }
}

bool CommSession::sendTest() {
    CommSettings& s = settings;
    if ((s.state & reg_state::AddressEdited) && !(s.state & reg_state::AddressReentered)) {
        reenterAddress();
        return false;
    }
    QString failure;
    QString detail;
    {
        const Busy hourglass(view_);
        s.state |= reg_state::SendTestPending;
        testIdentifier = makeTestIdentifier(generator);
        const QString body =
            app::title() + u"\r\nメールの送信テスト\r\n"_s + testIdentifier + u"\r\n"_s;
        const QString header = u"X-Mailer: "_s + app::title() + u' ' + testIdentifier.mid(5);
        SmtpSession smtp(s.smtpHost, s.smtpPort.toInt(), s.smtpSsl, optionsOf(s));
        if (!smtp.isOpen()) {
            failure = u"接続できません！サーバー名／ポート番号／SSL設定を確認"_s;
        } else {
            int r = smtp.authenticate(s.smtpHost, s.smtpLogin(), s.smtpLoginPassword(),
                                      smtpMethodForPosition(s.smtpAuth));
            if (r < 0) {
                failure = loginFailureHeadline(
                    r, u"認証できません！アカウント／パスワード／認証方法を確認"_s);
            } else {
                r = smtp.send(s.mailAddress, s.testSender(), u"メールのテスト"_s, body, header,
                              QString());
                if (r < 0) failure = u"(No%1) 送信できません！（アドレスの確認）"_s.arg(r);
            }
        }
        detail = smtp.message();
    }
    if (!failure.isEmpty()) {
        ShowProgramMessage(failure + u"\r送信できませんでした\r"_s + detail, mb::IconStop);
        return false;
    }
    s.state &= ~(reg_state::SendTestPending | reg_state::ReceiveTestPending);
    s.state |= reg_state::SendTestPassed;
    ShowProgramMessage(u"送信しました。\r少し時間が経過したら【受信確認】をクリックしてください"_s,
                       mb::IconInformation);
    return true;
}

bool CommSession::receiveTest() {
    CommSettings& s = settings;
    QString failure;
    int count = 0;
    bool found = false;
    {
        const Busy hourglass(view_);
        s.state |= reg_state::ReceiveTestPending;
        Pop3Session pop3(s.pop3Host, s.pop3Port.toInt(), s.pop3Ssl, optionsOf(s));
        if (!pop3.isOpen()) {
            failure = u"接続できません！サーバー名／ポート番号／SSL設定を確認\r"_s + pop3.message();
        } else {
            count = pop3.authenticate(s.pop3Login(), s.password, s.apop);
            if (count < 0) {
                failure = loginFailureText(
                    count, u"認証できません！アカウント／パスワード／APOP？を確認"_s,
                    pop3.message());
            } else {
                // The test mail is looked for among the 10 newest only.
                const QString key = testIdentifier.mid(8);
                for (int i = count; i >= 1 && i > count - 10 && !key.isEmpty() && !found; --i) {
                    Pop3Session::Status mail;
                    if (pop3.status(i, mail) != 1) continue;
                    const qsizetype mailer = mail.header.indexOf(u"X-Mailer:"_s);
                    found = mailer >= 0 && mail.header.indexOf(key, mailer) >= 0;
                }
            }
        }
    }
    if (!failure.isEmpty()) {
        ShowProgramMessage(failure, mb::IconStop);
        return false;
    }
    if (!found) {
        ShowProgramMessage(
            u"%1 件のメールがありました。\r\r【送信確認】のメールは届いていません。"_s.arg(count),
            mb::IconInformation);
        return false;
    }
    s.state &= ~reg_state::ReceiveTestPending;
    s.state |= reg_state::ReceiveTestPassed;
    ShowProgramMessage(
        u"%1 件のメールがありました。\r【送信確認】のメールを受信しました！\r\r"
        u"【サーバに登録・保存】をクリックして完了です。"_s.arg(count),
        mb::IconInformation);
    return true;
}

void CommSession::registrationStatus() {
    const ServerReply reply =
        ::registrationStatus(http_, serverAccountFrom(settings, environment_));
    if (reply.ok()) ShowProgramMessage(reply.payload, mb::IconInformation);
}

CommSession::Outcome CommSession::saveAndRegister() {
    CommSettings& s = settings;
    s.saveServiceAccount(ini_);
    if ((s.state & reg_state::AddressEdited) && !(s.state & reg_state::AddressReentered)) {
        reenterAddress();
        return Outcome::StayOpen;
    }
    s.saveMailAccount(ini_);
    if (presetIndex == 1 || presetIndex == 101 || presetIndex == 102) {
        environment_.sendMax = 25;
        environment_.saveSendMax(ini_);
    }

    switch (decideSave(s.state)) {
        case SaveDecision::AskSendTest:
            ShowProgramMessage(
                u"メールアドレスに変更がある場合は【送信確認】も実行してください！"_s,
                mb::IconExclamation);
            return Outcome::StayOpen;
        case SaveDecision::AskReceiveTest:
            ShowProgramMessage(
                u"メールアドレスに変更がある場合は【受信確認】も実行してください！"_s,
                mb::IconExclamation);
            return Outcome::StayOpen;
        case SaveDecision::Register: tryRegister(s.mailAddress); break;
        case SaveDecision::Finish: break;
        case SaveDecision::CheckServer: {
            const ServerReply registered =
                getMailAddress(http_, serverAccountFrom(s, environment_), true);
            if (!registered.ok()) break;  // the client has said why; the window closes
            if (registered.payload.size() < 2) {
                ShowProgramMessage(u"【送信確認】と【受信確認】を成功させてください！"_s,
                                   mb::IconExclamation);
                return Outcome::StayOpen;
            }
            if (ShowProgramMessage(u"メール送信や受信が設定不調のため、"_s + app::title() +
                                       u" の登録を抹消します。"_s,
                                   mb::OkCancel | mb::IconExclamation | mb::DefButton2) != mb::IdOk)
                return Outcome::StayOpen;
            s.mailAddress.clear();
            tryRegister(QString());
            break;
        }
    }
    finish();
    return Outcome::Close;
}

bool CommSession::tryRegister(const QString& address) {
    const ServerReply reply =
        addMailAddress(http_, serverAccountFrom(settings, environment_), address);
    if (!reply.ok()) return false;
    const QString call = settings.call.toUpper();
    QString text = address.size() > 4 ? u"ZELKOVサーバに登録しました！\r\rコールサイン ："_s + call
                                      : u"NOVQの登録を解除しました！\r\rコールサイン ："_s + call;
    if (address.size() >= 2) text += u"\r\rメールアドレス："_s + address;
    settings.saveMailAddress(ini_);
    settings.state = 0;
    settings.saveCheck(ini_);
    (void)ini_.flush();  // a failure is told by the store itself
    ShowProgramMessage(text, mb::IconInformation);
    return true;
}

void CommSession::finish() {
    (void)ini_.flush();  // a failure is told by the store itself
    // A copy of the settings in the documents folder's "ZelkovBak" (when it
    // exists); a failed copy is not reported.
    const QString folder = GetShellFolder(kFolderPersonal) + u"/ZelkovBak"_s;
    if (QFileInfo(folder).isDir()) {
        const QString copy = folder + u'/' + QFileInfo(ini_.fileName()).fileName();
        // The older copy stays until the new one is whole (a copy failing
        // midway must not leave no copy at all).
        if (copyWholeFile(ini_.fileName(), copy))
            QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    }
}

void CommSession::withdraw() {
    if (ShowProgramMessage(app::title() + u" の登録を解除します。\r\rよろしいですか？"_s,
                           mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes)
        return;
    settings.mailAddress.clear();
    settings.password.clear();
    const ServerReply reply =
        addMailAddress(http_, serverAccountFrom(settings, environment_), QString(), false);
    if (!reply.ok()) return;
    ShowProgramMessage(u"登録を解除しました！\r\rコールサイン ："_s + settings.call.toUpper(),
                       mb::IconInformation);
    settings.eraseMailAccount(ini_);
    settings.state = 0;
    settings.saveCheck(ini_);
    (void)ini_.flush();  // a failure is told by the store itself
}

bool CommSession::applyPreset(int tag) {
    const ProviderPreset* item = presets_.item(tag);
    if (!item) return false;
    if (settings.call.size() < 4) {
        ShowProgramMessage(u"コールサインが未設定です。"_s, mb::IconExclamation);
        view_.focus(Field::Call);
        return false;
    }
    if (ShowProgramMessage(
            u"メール設定を【"_s + item->name() +
                u"】に変更します。\r\rメールアドレスとパスワードだけ手入力してください。\r"_s
                u"よろしいですか？\r\r実行後でも、[キャンセル]すれば保存しません。"_s,
            mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes)
        return false;
    presetIndex = tag;
    const QString before = settings.mailAddress;
    presets_.apply(tag, settings);
    // A new address from the preset is an edited address: it is typed again
    // and tested before it is registered.
    if (settings.mailAddress != before) settings.state |= reg_state::AddressEdited;
    view_.focus(Field::MailAddress);
    return true;
}

QString CommSession::generatePassword() {
    return generator.make(std::max(4, settings.passLen));
}

void CommSession::showGeneratedPassword(const QString& password) const {
    ShowProgramMessage(
        u"パスワード文字列をランダムに生成し、クリップボードにコピーしました。\r\r"
        u"Password（%1桁）＝%2\r\r"
        u"これをプロバイダに登録すれば、パスワード欄に Ctrl＋Ｖキーで貼り付けて使用することが"
        u"できます。\r（Gmailを除く）"_s.arg(password.size())
            .arg(password),
        mb::IconInformation);
}

QString CommSession::savedCall() const {
    return CommSettings::storedCall(ini_);
}

QString CommSession::helpAddress(bool examples) const {
    return serverBase() + u"tgw/qsl/comset"_s + (examples ? u"2"_s : QString()) + u".html"_s;
}
