#include "server/ui/option_dialog.h"

#include "core/msg_box.h"
#include "core/shell_open.h"
#include "core/ui/key_filters.h"
#include "core/ui/wait_cursor.h"
#include "core/ui/widget_names.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

// --- TForm1 ---------------------------------------------------------------

TForm1::TForm1(QString mailAddress, QWidget* parent)
    : QDialog(parent), mailAddress_(std::move(mailAddress)) {
    setObjectName(u"Form1"_s);
    setWindowTitle(u"メールアドレスをもう一度入力"_s);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(u"メールアドレスを間違いなく再入力してください。"_s));
    MlEdit = named(new QLineEdit, "MlEdit");
    MlEdit->setMinimumWidth(320);
    layout->addWidget(MlEdit);
    auto* buttons = new QHBoxLayout;
    auto* ok = named(new QPushButton(u"OK"_s), "OkButton");
    auto* cancel = named(new QPushButton(u"キャンセル"_s), "CancelButton");
    ok->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &TForm1::OkButtonClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // The address must be typed, not pasted: the clipboard is emptied now
    // and whenever the program comes to the front while the dialog is open.
    QGuiApplication::clipboard()->clear();
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive) QGuiApplication::clipboard()->clear();
    });
}

bool TForm1::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) QGuiApplication::clipboard()->clear();
    return QDialog::event(e);
}

void TForm1::OkButtonClick() {
    switch (checkReenteredAddress(MlEdit->text(), mailAddress_)) {
        case 1:
            ShowMsgBox(this, u"メールアドレスに使えない文字があります！"_s, windowTitle(),
                       mb::IconExclamation);
            return;
        case 2:
            ShowMsgBox(this, u"メールアドレスを正しく入力してください！"_s, windowTitle(),
                       mb::IconExclamation);
            return;
        default: accept();
    }
}

// --- TOptionF -------------------------------------------------------------

TOptionF::TOptionF(const CommSessionParts& parts, QWidget* parent)
    : QDialog(parent), session_(parts, *this) {
    setObjectName(u"OptionF"_s);
    setWindowTitle(u"E-Mail QSL 通信設定"_s);
    buildControls();
    buildMenu();
}

bool TOptionF::askAddressAgain() {
    TForm1 dialog(MailEdit->text(), this);
    return dialog.exec() == QDialog::Accepted;
}

void TOptionF::busy(bool on) {
    if (on)
        hourglass_.emplace();
    else
        hourglass_.reset();
}

void TOptionF::buildControls() {
    auto edit = [](const char* name, bool masked = false) {
        auto* e = named(new QLineEdit, name);
        if (masked) e->setEchoMode(QLineEdit::Password);
        return e;
    };
    MailEdit = edit("MailEdit");
    IdEdit = edit("IdEdit");
    PassEdit1 = edit("PassEdit1", true);
    PassWd1 = named(new QCheckBox(u"パスワード:"_s), "PassWd1");
    SmtpEdit = edit("SmtpEdit");
    SmtpPort = edit("SmtpPort");
    SmtpSsl = named(new QComboBox, "SmtpSsl");
    SmtpAuthC = named(new QComboBox, "SmtpAuthC");
    SmtpAct = named(new QCheckBox(u"アカウント:"_s), "SmtpAct");
    SmidEdit = edit("SmidEdit");
    SmtpPass = edit("SmtpPass", true);
    PassWd3 = named(new QCheckBox(u"パスワード:"_s), "PassWd3");
    Pop3Edit = edit("Pop3Edit");
    Pop3Port = edit("Pop3Port");
    Pop3Ssl = named(new QComboBox, "Pop3Ssl");
    ApopCheck = named(new QCheckBox(u"APOP認証を使用"_s), "ApopCheck");
    DelCheck = named(new QCheckBox(u"受信後もサーバー上に残す"_s), "DelCheck");
    CallEdit = edit("CallEdit");
    ZlkvPass = edit("ZlkvPass", true);
    PassWd2 = named(new QCheckBox(u"パスワード:"_s), "PassWd2");
    TimeOut = named(new QSpinBox, "TimeOut");
    TimeOut->setRange(5, 999);
    PassLen = named(new QSpinBox, "PassLen");
    PassLen->setRange(4, 64);
    SmtpSsl->addItems(tlsItems());
    Pop3Ssl->addItems(tlsItems());
    SmtpAuthC->addItems(authItems());
    for (QLineEdit* port : {SmtpPort, Pop3Port}) {
        port->setMaximumWidth(60);
        installKeyFilter(port, KeyFilter::Digits);
    }
    Speed1 = named(new QPushButton(u"送信確認"_s), "Speed1");
    Speed2 = named(new QPushButton(u"登録状況確認"_s), "Speed2");
    Speed3 = named(new QPushButton(u"メールアドレス確認再度入力"_s), "Speed3");
    Speed4 = named(new QPushButton(u"受信確認"_s), "Speed4");
    Speed5 = named(new QPushButton(u"Menu"_s), "Speed5");
    Speed6 = named(new QPushButton(u"PW生成"_s), "Speed6");
    OkButton = named(new QPushButton(u"サーバに登録・保存"_s), "OkButton");
    for (QPushButton* b : {Speed2, Speed3, OkButton})
        b->setMinimumWidth(b->sizeHint().width());
    CancelButton = named(new QPushButton(u"キャンセル"_s), "CancelButton");

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    // Said while something a send or a receive needs is missing (the first
    // start opens the window empty).
    FirstNote = named(
        new QLabel(
            u"通信設定が未入力です。各欄を入力して「サーバに登録・保存」を押してください。"_s),
        "FirstNote");
    FirstNote->setWordWrap(true);
    FirstNote->setStyleSheet(u"color: #a00000;"_s);
    FirstNote->hide();
    layout->addWidget(FirstNote);
    auto* top = new QGridLayout;
    top->addWidget(new QLabel(u"メールアドレス:"_s), 0, 0);
    top->addWidget(MailEdit, 0, 1, 1, 3);
    top->addWidget(Speed3, 0, 4);
    top->addWidget(new QLabel(u"アカウント:"_s), 1, 0);
    top->addWidget(IdEdit, 1, 1);
    top->addWidget(PassWd1, 1, 2);
    top->addWidget(PassEdit1, 1, 3, 1, 2);
    layout->addLayout(top);

    // A server group: its first row (server, port) and the SSL list.
    auto serverGroup = [&](const QString& title, QLineEdit* host, QLineEdit* port, QComboBox* ssl) {
        auto* group = new QGroupBox(title);
        auto* grid = new QGridLayout(group);
        grid->addWidget(new QLabel(u"サーバー:"_s), 0, 0);
        grid->addWidget(host, 0, 1, 1, 3);
        grid->addWidget(new QLabel(u"ポート:"_s), 0, 4);
        grid->addWidget(port, 0, 5);
        grid->addWidget(new QLabel(u"SSL:"_s), 1, 0);
        grid->addWidget(ssl, 1, 1);
        layout->addWidget(group);
        return grid;
    };
    QGridLayout* sg = serverGroup(u"SMTP設定（送信）"_s, SmtpEdit, SmtpPort, SmtpSsl);
    sg->addWidget(new QLabel(u"認証:"_s), 1, 2);
    sg->addWidget(SmtpAuthC, 1, 3);
    sg->addWidget(Speed1, 1, 4, 1, 2);
    sg->addWidget(SmtpAct, 2, 0);
    sg->addWidget(SmidEdit, 2, 1);
    sg->addWidget(PassWd3, 2, 2);
    sg->addWidget(SmtpPass, 2, 3, 1, 3);

    QGridLayout* pg = serverGroup(u"POP3設定（受信）"_s, Pop3Edit, Pop3Port, Pop3Ssl);
    pg->addWidget(ApopCheck, 1, 2);
    pg->addWidget(DelCheck, 1, 3);
    pg->addWidget(Speed4, 1, 4, 1, 2);

    auto* novq = new QGroupBox(u"NOVQ（電子QSLサーバー）"_s);
    auto* ng = new QGridLayout(novq);
    ng->addWidget(new QLabel(u"コールサイン:"_s), 0, 0);
    ng->addWidget(CallEdit, 0, 1);
    ng->addWidget(PassWd2, 0, 2);
    ng->addWidget(ZlkvPass, 0, 3);
    ng->addWidget(Speed2, 0, 4);
    layout->addWidget(novq);

    auto* misc = new QHBoxLayout;
    misc->addWidget(new QLabel(u"タイムアウト（秒）:"_s));
    misc->addWidget(TimeOut);
    misc->addStretch();
    misc->addWidget(new QLabel(u"パスワード桁数:"_s));
    misc->addWidget(PassLen);
    misc->addWidget(Speed6);
    layout->addLayout(misc);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Speed5);
    Speed5->setToolTip(u"プロバイダ別の設定の入力・登録の解除・通信設定ヘルプ"_s);
    bottom->addWidget(named(new QLabel(u"← プロバイダ別の設定・ヘルプ"_s), "MenuNote"));
    bottom->addStretch();
    bottom->addWidget(OkButton);
    bottom->addWidget(CancelButton);
    layout->addLayout(bottom);

    connect(MailEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (showing_) return;
        Speed3->setEnabled(session_.mailAddressEdited(text));
        if (session_.presetIndex == 102) IdEdit->setText(session_.settings.account);
        if (session_.presetIndex == 9) {
            SmtpEdit->setText(session_.settings.smtpHost);
            Pop3Edit->setText(session_.settings.pop3Host);
        }
    });
    connect(SmtpSsl, &QComboBox::activated, this,
            [this](int index) { SmtpPort->setText(portForTls(index, true)); });
    connect(Pop3Ssl, &QComboBox::activated, this,
            [this](int index) { Pop3Port->setText(portForTls(index, false)); });
    connect(CallEdit, &QLineEdit::editingFinished, this, [this] {
        const qsizetype slash = CallEdit->text().indexOf(u'/');
        if (slash >= 0) CallEdit->setText(CallEdit->text().left(slash));
    });
    for (QCheckBox* mask : {PassWd1, PassWd2, PassWd3})
        connect(mask, &QCheckBox::toggled, this, [this] { applyMasks(); });
    connect(SmtpAct, &QCheckBox::toggled, this, [this] { updateEnabling(); });
    connect(Speed1, &QPushButton::clicked, this, &TOptionF::Speed1Click);
    connect(Speed2, &QPushButton::clicked, this, &TOptionF::Speed2Click);
    connect(Speed3, &QPushButton::clicked, this, &TOptionF::Speed3Click);
    connect(Speed4, &QPushButton::clicked, this, &TOptionF::Speed4Click);
    connect(Speed6, &QPushButton::clicked, this, &TOptionF::Speed6Click);
    connect(OkButton, &QPushButton::clicked, this, &TOptionF::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TOptionF::buildMenu() {
    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    for (const ProviderPreset& p : session_.presets().items()) {
        QAction* item = PopupMenu1->addAction(p.caption);
        item->setObjectName(u"Preset%1"_s.arg(p.tag));
        item->setData(p.tag);
        connect(item, &QAction::triggered, this, [this, tag = p.tag] { presetClick(tag); });
    }
    PopupMenu1->addSeparator();
    QAction* withdrawal = PopupMenu1->addAction(u"【登録の解除】"_s);
    withdrawal->setObjectName(u"Kaijo1"_s);
    connect(withdrawal, &QAction::triggered, this, &TOptionF::withdrawClick);
    PopupMenu1->addSeparator();
    QAction* help = PopupMenu1->addAction(u"通信設定ヘルプ(&H)"_s);
    help->setObjectName(u"Help1"_s);
    connect(help, &QAction::triggered, this, [this] { ShellOpen(session_.helpAddress(false)); });
    QAction* examples = PopupMenu1->addAction(u"通信設定の参考例(&R)"_s);
    examples->setObjectName(u"Help2"_s);
    connect(examples, &QAction::triggered, this, [this] { ShellOpen(session_.helpAddress(true)); });
    connect(Speed5, &QPushButton::clicked, this, [this] {
        const QPoint at(64, std::max(1, height() - 168));
        PopupMenu1->popup(mapToGlobal(at));
    });
}

void TOptionF::LoadSettings() {
    session_.load();
    showModel();
    Q_EMIT callSignChanged(session_.settings.call.toUpper());
}

void TOptionF::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    session_.shown(static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch()));
    applyMasks();
    Speed3->setEnabled(false);
}

void TOptionF::done(int result) {
    // Cancelled, the window shows the call that was saved.
    Q_EMIT callSignChanged(result == QDialog::Accepted ? CallEdit->text().trimmed().toUpper()
                                                       : session_.savedCall());
    session_.presetIndex = 0;
    QDialog::done(result);
}

void TOptionF::showModel() {
    const CommSettings& s = session_.settings;
    showing_ = true;
    FirstNote->setVisible(s.incomplete());
    MailEdit->setText(s.mailAddress);
    IdEdit->setText(s.account);
    PassEdit1->setText(s.password);
    PassWd1->setChecked(s.maskPassword);
    SmtpEdit->setText(s.smtpHost);
    SmtpPort->setText(s.smtpPort);
    SmtpSsl->setCurrentIndex(tlsIndexOf(s.smtpSsl));
    SmtpAuthC->setCurrentIndex(std::clamp(s.smtpAuth, 0, 5));
    SmtpAct->setChecked(s.separateSmtp);
    SmidEdit->setText(s.smtpAccount);
    SmtpPass->setText(s.smtpPassword);
    PassWd3->setChecked(s.maskSmtpPassword);
    Pop3Edit->setText(s.pop3Host);
    Pop3Port->setText(s.pop3Port);
    Pop3Ssl->setCurrentIndex(tlsIndexOf(s.pop3Ssl));
    ApopCheck->setChecked(s.apop);
    DelCheck->setChecked(s.leaveOnServer);
    CallEdit->setText(s.call);
    ZlkvPass->setText(s.servicePassword);
    PassWd2->setChecked(s.maskServicePassword);
    TimeOut->setValue(s.timeout);
    PassLen->setValue(s.passLen);
    showing_ = false;
    applyMasks();
    updateEnabling();
}

void TOptionF::takeControls() {
    CommSettings& s = session_.settings;
    s.mailAddress = MailEdit->text().trimmed();
    s.account = IdEdit->text().trimmed();
    s.password = PassEdit1->text();
    s.maskPassword = PassWd1->isChecked();
    s.smtpHost = SmtpEdit->text().trimmed();
    s.smtpPort = SmtpPort->text().trimmed();
    s.smtpSsl = tlsValueAt(SmtpSsl->currentIndex());
    s.smtpAuth = SmtpAuthC->currentIndex();
    s.separateSmtp = SmtpAct->isChecked();
    s.smtpAccount = SmidEdit->text().trimmed();
    s.smtpPassword = SmtpPass->text();
    s.maskSmtpPassword = PassWd3->isChecked();
    s.pop3Host = Pop3Edit->text().trimmed();
    s.pop3Port = Pop3Port->text().trimmed();
    s.pop3Ssl = tlsValueAt(Pop3Ssl->currentIndex());
    s.apop = ApopCheck->isChecked();
    s.leaveOnServer = DelCheck->isChecked();
    s.call = CallEdit->text().trimmed();
    s.servicePassword = ZlkvPass->text();
    s.maskServicePassword = PassWd2->isChecked();
    s.timeout = TimeOut->value();
    s.passLen = PassLen->value();
}

void TOptionF::applyMasks() {
    PassEdit1->setEchoMode(PassWd1->isChecked() ? QLineEdit::Password : QLineEdit::Normal);
    ZlkvPass->setEchoMode(PassWd2->isChecked() ? QLineEdit::Password : QLineEdit::Normal);
    SmtpPass->setEchoMode(PassWd3->isChecked() ? QLineEdit::Password : QLineEdit::Normal);
}

void TOptionF::updateEnabling() {
    const bool separate = SmtpAct->isChecked();
    SmidEdit->setEnabled(separate);
    PassWd3->setEnabled(separate);
    SmtpPass->setEnabled(separate);
}

void TOptionF::focus(CommSession::Field field) {
    switch (field) {
        case CommSession::Field::MailAddress: MailEdit->setFocus(); break;
        case CommSession::Field::Account: IdEdit->setFocus(); break;
        case CommSession::Field::Call: CallEdit->setFocus(); break;
    }
}

void TOptionF::Speed1Click() {
    takeControls();
    session_.sendTest();
    showModel();
}

void TOptionF::Speed2Click() {
    takeControls();
    session_.registrationStatus();
}

void TOptionF::Speed3Click() {
    takeControls();
    session_.reenterAddress();
    showModel();
}

void TOptionF::Speed4Click() {
    takeControls();
    session_.receiveTest();
    showModel();
}

void TOptionF::Speed6Click() {
    takeControls();
    const QString password = session_.generatePassword();
    QGuiApplication::clipboard()->setText(password);
    session_.showGeneratedPassword(password);
}

void TOptionF::OkButtonClick() {
    takeControls();
    const CommSession::Outcome outcome = session_.saveAndRegister();
    showModel();
    if (outcome == CommSession::Outcome::Close) accept();
}

void TOptionF::presetClick(int tag) {
    takeControls();
    if (!session_.applyPreset(tag)) return;
    showModel();
    Speed3->setEnabled(MailEdit->text().contains(u'@'));
}

void TOptionF::withdrawClick() {
    takeControls();
    session_.withdraw();
    showModel();
}
