#include "settings/ui/qso_feed_dialog.h"

#include "core/file_dialogs.h"
#include "core/zkw_ini.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

QsoFeedDialog::QsoFeedDialog(TZkwIni& settings, QWidget* parent)
    : QDialog(parent), settings_(settings), follow_(LogFollowSettings::load(settings)) {
    setObjectName(QStringLiteral("QsoFeedDialog"));
    setWindowTitle(QStringLiteral("WSJT-X・JTDX 連携の設定"));
    const QsoFeedSettings feed = QsoFeedSettings::load(settings);
    auto* column = new QVBoxLayout(this);

    auto* udp = new QGroupBox(QStringLiteral("UDPで記録されたQSOを受け取る"), this);
    auto* udpForm = new QFormLayout(udp);
    listen_ = named(new QCheckBox(QStringLiteral("WSJT-X・JTDX からQSOを受け取る"), udp), "Listen");
    listen_->setChecked(feed.listen);
    udpForm->addRow(listen_);
    port_ = named(new QSpinBox(udp), "Port");
    port_->setRange(1, 65535);
    port_->setValue(feed.port);
    udpForm->addRow(QStringLiteral("UDPポート:"), port_);
    group_ = named(new QLineEdit(feed.group, udp), "Group");
    group_->setPlaceholderText(QStringLiteral("空欄＝127.0.0.1　例: 239.255.0.1"));
    udpForm->addRow(QStringLiteral("マルチキャスト:"), group_);
    auto* hint = new QLabel(
        QStringLiteral("WSJT-X・JTDX の「Settings」→「Reporting」→「UDP Server」に、ここと"
                       "同じアドレスとポートを設定してください。他のプログラムも受け取るときは"
                       "マルチキャストを使い、WSJT-X の「Outgoing interfaces」に"
                       "ループバック（lo）を含めてください。"),
        udp);
    hint->setWordWrap(true);
    udpForm->addRow(hint);
    column->addWidget(udp);

    auto* file = new QGroupBox(QStringLiteral("ログファイルを追跡する"), this);
    auto* fileColumn = new QVBoxLayout(file);
    watch_ = named(new QCheckBox(QStringLiteral("他のプログラムが書き足すADIFファイルから"
                                                "QSOを読み込む（5秒ごと）"),
                                 file),
                   "Watch");
    watch_->setChecked(follow_.watch);
    fileColumn->addWidget(watch_);
    auto* fileRow = new QHBoxLayout;
    file_ = named(new QLineEdit(QDir::toNativeSeparators(follow_.file), file), "LogFile");
    file_->setPlaceholderText(QStringLiteral("例: ~/.local/share/WSJT-X/wsjtx_log.adi"));
    auto* browse = named(new QPushButton(QStringLiteral("参照..."), file), "Browse");
    connect(browse, &QPushButton::clicked, this, &QsoFeedDialog::chooseLogFile);
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse);
    fileColumn->addLayout(fileRow);
    column->addWidget(file);

    auto* after = new QGroupBox(QStringLiteral("QSOがQSOデータに追加されたら"), this);
    auto* afterColumn = new QVBoxLayout(after);
    action_ = new QButtonGroup(this);
    for (const FeedAction a :
         {FeedAction::LogOnly, FeedAction::SendAtOnce, FeedAction::NextBatch}) {
        auto* button = new QRadioButton(feedActionText(a), after);
        button->setObjectName(QStringLiteral("Action%1").arg(int(a)));
        action_->addButton(button, int(a));
        afterColumn->addWidget(button);
        button->setChecked(a == feed.action);
    }
    preview_ = named(new QCheckBox(QStringLiteral("送信する前に電子QSLを表示して確認する"), after),
                     "Preview");
    preview_->setChecked(feed.preview);
    afterColumn->addWidget(preview_);
    auto* note = new QLabel(QStringLiteral("送信は相手局が E-Mail QSL に参加しているときだけです。"
                                           "参加していない局は数えて、下の行に表示します。"),
                            after);
    note->setWordWrap(true);
    afterColumn->addWidget(note);
    column->addWidget(after);

    error_ = named(new QLabel(this), "Error");
    error_->setStyleSheet(QStringLiteral("color: #c00000"));
    error_->setWordWrap(true);
    column->addWidget(error_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QsoFeedDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);

    for (QCheckBox* box : {listen_, watch_})
        connect(box, &QCheckBox::toggled, this, &QsoFeedDialog::updateEnabled);
    connect(action_, &QButtonGroup::idToggled, this, &QsoFeedDialog::updateEnabled);
    updateEnabled();
}

void QsoFeedDialog::updateEnabled() {
    port_->setEnabled(listen_->isChecked());
    group_->setEnabled(listen_->isChecked());
    file_->setEnabled(watch_->isChecked());
    preview_->setEnabled(action_->checkedId() == int(FeedAction::SendAtOnce));
}

void QsoFeedDialog::chooseLogFile() {
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("追跡するADIFファイル"),
                    QStringLiteral("ADIFファイル(*.adi;*.adif)|*.adi;*.adif|"
                                   "すべてのファイル(*.*)|*.*"),
                    QFileInfo(file_->text()).absolutePath()});
    if (!chosen) return;
    file_->setText(QDir::toNativeSeparators(*chosen));
    watch_->setChecked(true);
}

QsoFeedSettings QsoFeedDialog::feedFields() const {
    QsoFeedSettings s;
    s.listen = listen_->isChecked();
    s.port = port_->value();
    s.group = group_->text().trimmed();
    s.action = static_cast<FeedAction>(std::max(0, action_->checkedId()));
    s.preview = preview_->isChecked();
    return s;
}

LogFollowSettings QsoFeedDialog::followFields() const {
    LogFollowSettings s = follow_;
    const QString path = QDir::fromNativeSeparators(file_->text().trimmed());
    s.file = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    s.followed = follow_.placeOf(s.file);  // another file starts from its beginning
    s.watch = watch_->isChecked();
    return s;
}

std::optional<QString> QsoFeedDialog::problem() const {
    if (const auto wrong = feedFields().problem()) return wrong;
    const LogFollowSettings follow = followFields();
    if (follow.watch && follow.file.isEmpty())
        return QStringLiteral("追跡するADIFファイルを指定してください");
    if (follow.watch && !QFileInfo(follow.file).isFile())
        return QStringLiteral("ADIFファイルがありません: ") + QDir::toNativeSeparators(follow.file);
    return std::nullopt;
}

void QsoFeedDialog::accept() {
    if (const auto wrong = problem()) {
        error_->setText(*wrong);
        return;
    }
    feedFields().save(settings_);
    followFields().save(settings_);
    (void)settings_.flush();  // a failure is told by the store itself
    QDialog::accept();
}
