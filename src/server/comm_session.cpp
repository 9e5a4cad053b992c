#include "server/comm_session.h"

#include "core/app_info.h"
#include "core/mklink.h"
#include "core/msg_box.h"
#include "core/zkw_ini.h"
#include "mail/mail_account.h"
#include "mail/n_mail.h"
#include "server/httplib.h"
#include "server/novq_requests.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

int box(const QString& text, unsigned flags) {
    return ShowMsgBox(nullptr, text, app::title(), flags);
}

// One mail test: the mail library set up from the settings (CA file, time-out,
// connection flag) and the hourglass, undone at the end.
class TestRun {
public:
    TestRun(const TZkwIni& ini, int timeout, const std::function<void(bool)>& busy) : busy_(busy) {
        NMailSetCaFile(ini.readString(u"Option", u"CaFile", QString()));
        NMailSetOption(nmail_option::Timeout, std::max(5, timeout));
        NMailSetOption(nmail_option::Connection, 1);
        if (busy_) busy_(true);
    }
    ~TestRun() {
        NMailSetOption(nmail_option::Connection, 0);
        if (busy_) busy_(false);
    }

private:
    const std::function<void(bool)>& busy_;
};

}  // namespace

CommSession::CommSession(TZkwIni& ini, THTTPDown& http, QString serverBase, ProviderPresets presets)
    : ini_(ini), http_(http), serverBase_(std::move(serverBase)), presets_(std::move(presets)) {}

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
    if (!askAddressAgain || !askAddressAgain()) {
        if (focus) focus(Field::MailAddress);
        return;
    }
    const QString next = presetIndex == 0
                             ? u"続いて、アカウントを入力し、\r\rSMTP設定 →【送信確認】と\r\r"
                               u"POP3設定 →【受信確認】を実行してください。"_s
                             : u"続いて、【送信確認】と【受信確認】を実行してください。"_s;
    if (box(next + u"\r\rよろしいですか？"_s, mb::YesNo | mb::IconQuestion) == mb::IdYes) {
        settings.state |= reg_state::AddressEdited | reg_state::AddressReentered;
        if (focus) focus(Field::Account);
    } else if (focus) {
        focus(Field::MailAddress);
    }
}

bool CommSession::sendTest() {
    CommSettings& s = settings;
    if ((s.state & reg_state::AddressEdited) && !(s.state & reg_state::AddressReentered)) {
        reenterAddress();
        return false;
    }
    QString failure;
    {
        TestRun run(ini_, s.timeout, busy);
        s.state |= reg_state::SendTestPending;
        testIdentifier = makeTestIdentifier(generator);
        const QString body =
            app::title() + u"\r\nメールの送信テスト\r\n"_s + testIdentifier + u"\r\n"_s;
        const QString header = u"X-Mailer: "_s + app::title() + u' ' + testIdentifier.mid(5);
        const int c = NMailSmtpConnectSsl(s.smtpHost, s.smtpPort.toInt(), s.smtpSsl, 0);
        if (c < 0) {
            failure = u"接続できません！サーバー名／ポート番号／SSL設定を確認"_s;
        } else {
            int r = NMailSmtpAuthenticate(c, s.smtpHost, s.smtpLogin(), s.smtpLoginPassword(),
                                          smtpMethodForPosition(s.smtpAuth));
            if (r < 0) {
                failure = u"(No%1) 認証できません！アカウント／パスワード／認証方法を確認"_s.arg(r);
            } else {
                QString result;
                r = NMailSmtpSendMailEx(c, s.mailAddress, 0, 0, s.testSender(), u"メールのテスト"_s,
                                        body, header, QString(), &result, 0);
                if (r < 0) failure = u"(No%1) 送信できません！（アドレスの確認）"_s.arg(r);
            }
            NMailSmtpClose(c);
        }
    }
    if (!failure.isEmpty()) {
        box(failure + u"\r送信できませんでした\r"_s + NMailGetMessage(0), mb::IconStop);
        return false;
    }
    s.state &= ~(reg_state::SendTestPending | reg_state::ReceiveTestPending);
    s.state |= reg_state::SendTestPassed;
    box(u"送信しました。\r少し時間が経過したら【受信確認】をクリックしてください"_s,
        mb::IconInformation);
    return true;
}

bool CommSession::receiveTest() {
    CommSettings& s = settings;
    QString failure;
    int count = 0;
    bool found = false;
    {
        TestRun run(ini_, s.timeout, busy);
        s.state |= reg_state::ReceiveTestPending;
        const int c = NMailPop3ConnectSsl(s.pop3Host, s.pop3Port.toInt(), s.pop3Ssl, 0);
        if (c < 0) {
            failure =
                u"接続できません！サーバー名／ポート番号／SSL設定を確認\r"_s + NMailGetMessage(0);
        } else {
            count = NMailPop3Authenticate(c, s.pop3Login(), s.password, s.apop ? -1 : 0);
            if (count < 0) {
                failure =
                    u"(No%1) 認証できません！アカウント／パスワード／APOP？を確認\r"_s.arg(count) +
                    NMailGetMessage(0);
            } else {
                // The test mail is looked for among the 10 newest only.
                const QString key = testIdentifier.mid(8);
                for (int i = count; i >= 1 && i > count - 10 && !key.isEmpty() && !found; --i) {
                    QString subject, date, from, header;
                    if (NMailPop3GetMailStatus(c, i, subject, date, from, header, 0) != 1) continue;
                    const qsizetype mailer = header.indexOf(u"X-Mailer:"_s);
                    found = mailer >= 0 && header.indexOf(key, mailer) >= 0;
                }
            }
            NMailPop3Close(c);
        }
    }
    if (!failure.isEmpty()) {
        box(failure, mb::IconStop);
        return false;
    }
    if (!found) {
        box(u"%1 件のメールがありました。\r\r【送信確認】のメールは届いていません。"_s.arg(count),
            mb::IconInformation);
        return false;
    }
    s.state &= ~reg_state::ReceiveTestPending;
    s.state |= reg_state::ReceiveTestPassed;
    box(u"%1 件のメールがありました。\r【送信確認】のメールを受信しました！\r\r"
        u"【サーバに登録・保存】をクリックして完了です。"_s.arg(count),
        mb::IconInformation);
    return true;
}

void CommSession::registrationStatus() {
    const ServerReply reply =
        ::registrationStatus(http_, {serverBase_, settings.call, settings.servicePassword});
    if (reply.ok()) box(reply.payload, mb::IconInformation);
}

void CommSession::saveState() {
    ini_.writeString(u"Option", u"Check",
                     u"%1,%2"_s.arg(settings.optionBits()).arg(settings.state));
}

CommSession::Outcome CommSession::saveAndRegister() {
    CommSettings& s = settings;
    ini_.writeInteger(u"Option", u"PassLen", s.passLen);
    ini_.writeString(u"Option", u"Calls", s.call);
    ini_.writeWords(u"Option", u"Pass2", s.servicePassword);
    if ((s.state & reg_state::AddressEdited) && !(s.state & reg_state::AddressReentered)) {
        reenterAddress();
        return Outcome::StayOpen;
    }
    if (s.separateSmtp && s.smtpAccount.size() > 3 && s.smtpAccount != s.account) {
        ini_.writeWords(u"Option", u"Pass3", s.smtpPassword);
    } else {
        s.smtpAccount.clear();
        s.separateSmtp = false;
        ini_.deleteKey(u"Option", u"Pass3");
    }
    saveState();
    ini_.writeString(u"Option", u"SmtpName", s.smtpHost);
    ini_.writeString(u"Option", u"SmtpPort", s.smtpPort);
    ini_.writeInteger(u"Option", u"SmtpSsl", s.smtpSsl);
    ini_.writeInteger(u"Option", u"SmtpAuth", s.smtpAuth);
    ini_.writeString(u"Option", u"Pop3Name", s.pop3Host);
    ini_.writeString(u"Option", u"Pop3Port", s.pop3Port);
    ini_.writeInteger(u"Option", u"Pop3Ssl", s.pop3Ssl);
    ini_.writeString(u"Option", u"MailAdd", s.mailAddress);
    ini_.writeString(u"Option", u"MailID", s.account);
    ini_.writeWords(u"Option", u"Pass1", s.password);
    ini_.writeInteger(u"Option", u"TimeOut", s.timeout);
    ini_.writeString(u"Option", u"SmtpAct", s.smtpAccount);
    NMailSetOption(nmail_option::Timeout, std::max(5, s.timeout));
    if (presetIndex == 1 || presetIndex == 101 || presetIndex == 102)
        ini_.writeString(u"Kankyo", u"SendMax", u"25"_s);

    switch (decideSave(s.state)) {
        case SaveDecision::AskSendTest:
            box(u"メールアドレスに変更がある場合は【送信確認】も実行してください！"_s,
                mb::IconExclamation);
            return Outcome::StayOpen;
        case SaveDecision::AskReceiveTest:
            box(u"メールアドレスに変更がある場合は【受信確認】も実行してください！"_s,
                mb::IconExclamation);
            return Outcome::StayOpen;
        case SaveDecision::Register:
            tryRegister(s.mailAddress);
            break;
        case SaveDecision::Finish:
            break;
        case SaveDecision::CheckServer: {
            const ServerReply registered =
                getMailAddress(http_, {serverBase_, s.call, s.servicePassword}, true);
            if (!registered.ok()) break;  // the client has said why; the window closes
            if (registered.payload.size() < 2) {
                box(u"【送信確認】と【受信確認】を成功させてください！"_s, mb::IconExclamation);
                return Outcome::StayOpen;
            }
            if (box(u"メール送信や受信が設定不調のため、"_s + app::title() +
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
        addMailAddress(http_, {serverBase_, settings.call, settings.servicePassword}, address);
    if (!reply.ok()) return false;
    const QString call = settings.call.toUpper();
    QString text = address.size() > 4 ? u"ZELKOVサーバに登録しました！\r\rコールサイン ："_s + call
                                      : u"NOVQの登録を解除しました！\r\rコールサイン ："_s + call;
    if (address.size() >= 2) text += u"\r\rメールアドレス："_s + address;
    ini_.writeString(u"Option", u"MailAdd", address);
    settings.state = 0;
    saveState();
    ini_.flush();
    box(text, mb::IconInformation);
    return true;
}

void CommSession::finish() {
    ini_.flush();
    // A copy of the settings in the documents folder's "ZelkovBak" (when it
    // exists); a failed copy is not reported.
    const QString folder = GetShellFolder(kFolderPersonal) + u"/ZelkovBak"_s;
    if (QFileInfo(folder).isDir()) {
        const QString copy = folder + u'/' + QFileInfo(ini_.fileName()).fileName();
        QFile::remove(copy);
        QFile::copy(ini_.fileName(), copy);
    }
}

void CommSession::withdraw() {
    if (box(app::title() + u" の登録を解除します。\r\rよろしいですか？"_s,
            mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes)
        return;
    settings.mailAddress.clear();
    settings.password.clear();
    const ServerReply reply = addMailAddress(
        http_, {serverBase_, settings.call, settings.servicePassword}, QString(), false);
    if (!reply.ok()) return;
    box(u"登録を解除しました！\r\rコールサイン ："_s + settings.call.toUpper(),
        mb::IconInformation);
    ini_.deleteKey(u"Option", u"MailAdd");
    ini_.deleteKey(u"Option", u"Pass1");
    settings.state = 0;
    saveState();
    ini_.flush();
}

bool CommSession::applyPreset(int tag) {
    const ProviderPreset* item = presets_.item(tag);
    if (!item) return false;
    if (settings.call.size() < 4) {
        box(u"コールサインが未設定です。"_s, mb::IconExclamation);
        if (focus) focus(Field::Call);
        return false;
    }
    if (box(u"メール設定を【"_s + item->name() +
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
    if (focus) focus(Field::MailAddress);
    return true;
}

QString CommSession::generatePassword() {
    return generator.make(std::max(4, settings.passLen));
}

void CommSession::showGeneratedPassword(const QString& password) const {
    box(u"パスワード文字列をランダムに生成し、クリップボードにコピーしました。\r\r"
        u"Password（%1桁）＝%2\r\r"
        u"これをプロバイダに登録すれば、パスワード欄に Ctrl＋Ｖキーで貼り付けて使用することが"
        u"できます。\r（Gmailを除く）"_s.arg(password.size())
            .arg(password),
        mb::IconInformation);
}

QString CommSession::helpAddress(bool examples) const {
    return serverBase_ + u"tgw/qsl/comset"_s + (examples ? u"2"_s : QString()) + u".html"_s;
}
