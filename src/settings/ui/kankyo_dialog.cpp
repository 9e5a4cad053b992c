#include "settings/ui/kankyo_dialog.h"
#include "core/ui/font_picker.h"
#include "core/ui/widget_names.h"

#include "core/bitmap_ops.h"
#include "core/msg_box.h"
#include "core/qso_time.h"
#include "core/shell_open.h"
#include "core/ui/history_combo.h"
#include "core/ui/key_filters.h"
#include "core/zkw_ini.h"
#include "settings/comm_settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QLineEdit* upperCaseEdit(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        const int caret = edit->cursorPosition();
        edit->setText(text.toUpper());
        edit->setCursorPosition(caret);
    });
    return edit;
}

bool shiftHeld() {
    return QApplication::keyboardModifiers() & Qt::ShiftModifier;
}

QColor shownColour(int value) {
    return colourOfSetting(value).value_or(QApplication::palette().color(QPalette::Base));
}

constexpr int kSystemWindowColour = static_cast<int>(0x80000005);

}  // namespace

TSetQSL::TSetQSL(EnvironmentSettings& model, TZkwIni& settings, QWidget* parent)
    : QDialog(parent), model_(model), settings_(settings) {
    setObjectName(QStringLiteral("SetQSL"));
    setWindowTitle(QStringLiteral("電子QSL 環境設定"));

    UtcCheck = named(new QComboBox, "UtcCheck");
    UtcCheck->addItems({QStringLiteral("そのままの時刻でQSL作成"),
                        QStringLiteral("時刻をUTCに変換してQSL作成"),
                        QStringLiteral("時刻をJSTに変換してQSL作成")});
    MiHakko = named(new QCheckBox(QStringLiteral("QSL未発行局のみQSLを送信")), "MiHakko");
    QslS2 = named(new QLineEdit, "QslS2");
    QslVia = upperCaseEdit(named(new QLineEdit, "QslVia"));
    SentMark =
        named(new QCheckBox(QStringLiteral("QSL発行済みでも発行済みマークする")), "SentMark");
    SentEd = named(new QLineEdit, "SentEd");
    SentEd->setMaxLength(82);
    SendMax = named(new QSpinBox, "SendMax");
    SendMax->setRange(3, 999);
    nMemoSd = named(new QCheckBox(QStringLiteral("メモ欄のメール本文は送信しない")), "nMemoSd");
    fJpgSize = named(new QComboBox, "fJpgSize");
    fJpgSize->addItems({QStringLiteral("1024x652"), QStringLiteral("800x510"),
                        QStringLiteral("640x408"), QStringLiteral("528x336"),
                        QStringLiteral("整形なし")});
    RigSele = named(new QCheckBox(QStringLiteral("送信時Rig/Ant確認あり")), "RigSele");
    BetuURL = named(new QCheckBox(QStringLiteral("別ドメイン使用")), "BetuURL");
    Potbl = upperCaseEdit(named(new QLineEdit, "Potbl"));
    OpName = named(new HistoryCombo, "OpName");
    OpName->setMaxCount(30);

    auto* send = new QWidget;
    auto* sendForm = new QFormLayout(send);
    sendForm->addRow(UtcCheck);
    sendForm->addRow(MiHakko);
    sendForm->addRow(QStringLiteral("送信対象とするQSL欄２文字目："), QslS2);
    sendForm->addRow(QStringLiteral("送信対象外のQSL欄１文字目："), QslVia);
    sendForm->addRow(SentMark);
    sendForm->addRow(QStringLiteral("QSL発行済み:"), SentEd);
    sendForm->addRow(QStringLiteral("QSLメールの連続送信可能件数"), SendMax);
    sendForm->addRow(nMemoSd);
    sendForm->addRow(QStringLiteral("写真の整形"), fJpgSize);
    sendForm->addRow(RigSele);
    sendForm->addRow(BetuURL);
    PotblLabel = new QLabel(QStringLiteral("Call/"));
    PotblLabel->setObjectName(QStringLiteral("PotblLabel"));
    sendForm->addRow(PotblLabel, Potbl);
    sendForm->addRow(QStringLiteral("QSLのName設定"), OpName);

    RcvEdit = named(new QLineEdit, "RcvEdit");
    RcvEdit->setMaxLength(82);
    RcvWrite =
        named(new QCheckBox(QStringLiteral("QSL受領済みでも受領済みマークする")), "RcvWrite");
    RcvAftr = named(new QCheckBox(QStringLiteral("QSLを受信後に表示する")), "RcvAftr");
    ShoGoEd = named(new QLineEdit, "ShoGoEd");
    ShoGoEd->setMaxLength(8);
    ShoGoEd->setContextMenuPolicy(Qt::NoContextMenu);
    ShoGoEd->setAttribute(Qt::WA_InputMethodEnabled, false);
    ShoGoEd->installEventFilter(this);
    GosaMin = named(new QSpinBox, "GosaMin");
    GosaMin->setRange(0, 59);
    ModeRcv = named(new QCheckBox(QStringLiteral("照合時のモード読み替え↓")), "ModeRcv");
    ModeTbl = upperCaseEdit(named(new QLineEdit, "ModeTbl"));
    mFilter = named(new QCheckBox(QStringLiteral("E-Mail QSL以外のメールも受信する")), "mFilter");
    DelOldEd = named(new QLineEdit, "DelOldEd");
    DelOldEd->setMaxLength(4);
    installKeyFilter(DelOldEd, KeyFilter::Digits);
    ConfChk = named(new QCheckBox(QStringLiteral("QSL受領マークでZelkov.mstにCfm")), "ConfChk");

    auto* receive = new QWidget;
    auto* receiveForm = new QFormLayout(receive);
    receiveForm->addRow(QStringLiteral("QSL受領:"), RcvEdit);
    receiveForm->addRow(RcvWrite);
    receiveForm->addRow(RcvAftr);
    receiveForm->addRow(QStringLiteral("最も古い照合対象の年月日:"), ShoGoEd);
    receiveForm->addRow(QStringLiteral("照合時の交信時刻許容範囲(分)："), GosaMin);
    receiveForm->addRow(ModeRcv);
    receiveForm->addRow(ModeTbl);
    receiveForm->addRow(mFilter);
    receiveForm->addRow(QStringLiteral("受信せずサーバから削除するQSOの年月"), DelOldEd);
    receiveForm->addRow(ConfChk);

    auto* tabs = new QTabWidget;
    tabs->addTab(send, QStringLiteral("QSL送信系"));
    tabs->addTab(receive, QStringLiteral("QSL受信・照合"));

    MesCheck = named(new QCheckBox(QStringLiteral("確認メッセージのFont.Size：")), "MesCheck");
    SpinFnt = named(new QSpinBox, "SpinFnt");
    SpinFnt->setRange(5, 72);
    for (QSpinBox* spin : {SendMax, GosaMin})
        if (auto* edit = spin->findChild<QLineEdit*>()) installKeyFilter(edit, KeyFilter::Digits);
    FontD1 = named(new QPushButton(QStringLiteral("一覧Font")), "FontD1");
    FontD2 = named(new QPushButton(QStringLiteral("メモFont")), "FontD2");
    LineColorButton = named(new QPushButton(QStringLiteral("１行おきに色")), "LineColor");
    auto* help = named(new QPushButton(QStringLiteral("Help")), "HelpButton");
    connect(FontD1, &QPushButton::clicked, this, [this] { FontD1Click(shiftHeld()); });
    connect(FontD2, &QPushButton::clicked, this, [this] { FontD2Click(shiftHeld()); });
    connect(LineColorButton, &QPushButton::clicked, this, [this] { LineColorClick(shiftHeld()); });
    connect(help, &QPushButton::clicked, this, &TSetQSL::HelpClick);
    auto* common = new QHBoxLayout;
    common->addWidget(MesCheck);
    common->addWidget(SpinFnt);
    common->addStretch();
    common->addWidget(FontD1);
    common->addWidget(FontD2);
    common->addWidget(LineColorButton);
    common->addWidget(help);

    auto* buttons = new QDialogButtonBox;
    QPushButton* save = buttons->addButton(QStringLiteral("保存"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("SaveButton"));
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("CloseButton"));
    connect(save, &QPushButton::clicked, this, [this] {
        Save();
        accept();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(common);
    layout->addWidget(buttons);

    for (QCheckBox* box : {MiHakko, ModeRcv, mFilter, MesCheck})
        connect(box, &QCheckBox::toggled, this, [this] { updateEnabling(); });
}

void TSetQSL::Load(bool full) {
    model_.load(settings_, full);
    if (full) SetMsgFontSize(model_.messageFontSize);
    SetMesCheck(model_.ownMessageBox);
    showModel();
}

void TSetQSL::Save() {
    takeControls();
    model_.save(settings_, NowText(now_text::YyMm));
    SetMsgFontSize(model_.messageFontSize);
    SetMesCheck(model_.ownMessageBox);
    showModel();
}

void TSetQSL::showModel() {
    const EnvironmentSettings& m = model_;
    UtcCheck->setCurrentIndex(std::clamp(m.cardTime, 0, 2));
    MiHakko->setChecked(m.onlyUnsent);
    QslS2->setText(m.eligibleSentMarks);
    QslVia->setText(m.excludedRoutes);
    SentMark->setChecked(m.markAlreadySent);
    SentEd->setText(m.sentMarkRule);
    SendMax->setValue(m.sendMax);
    nMemoSd->setChecked(m.noMemoInMail);
    fJpgSize->setCurrentIndex(m.photoSize);
    RigSele->setChecked(m.confirmRig);
    BetuURL->setChecked(m.alternateServer);
    Potbl->setText(m.portable);
    OpName->setEntries(m.operatorNames, m.operatorNames.value(0));
    RcvEdit->setText(m.receivedMarkRule);
    RcvWrite->setChecked(m.markAlreadyReceived);
    RcvAftr->setChecked(m.showAfterReceive);
    ShoGoEd->setText(m.oldestMatchDate);
    GosaMin->setValue(m.toleranceMinutes);
    ModeRcv->setChecked(m.modeAliases);
    ModeTbl->setText(m.modeTable);
    mFilter->setChecked(m.receiveAllMail);
    DelOldEd->setText(m.deleteOlderThan);
    ConfChk->setChecked(m.confirmInMaster);
    MesCheck->setChecked(m.ownMessageBox);
    SpinFnt->setValue(m.messageFontSize);
    updateEnabling();
}

void TSetQSL::takeControls() {
    EnvironmentSettings& m = model_;
    m.cardTime = UtcCheck->currentIndex();
    m.onlyUnsent = MiHakko->isChecked();
    m.eligibleSentMarks = QslS2->text().trimmed();
    m.excludedRoutes = QslVia->text();
    m.markAlreadySent = SentMark->isChecked();
    m.sentMarkRule = SentEd->text();
    m.sendMax = SendMax->value();
    m.noMemoInMail = nMemoSd->isChecked();
    m.photoSize = fJpgSize->currentIndex();
    m.confirmRig = RigSele->isChecked();
    m.alternateServer = BetuURL->isChecked();
    m.portable = Potbl->text();
    m.operatorNames.clear();
    OpName->commitText();
    for (const QString& name : OpName->entries())
        if (!name.trimmed().isEmpty() && m.operatorNames.size() < 30) m.operatorNames.append(name);
    m.receivedMarkRule = RcvEdit->text();
    m.markAlreadyReceived = RcvWrite->isChecked();
    m.showAfterReceive = RcvAftr->isChecked();
    m.oldestMatchDate = ShoGoEd->text();
    m.toleranceMinutes = GosaMin->value();
    m.modeAliases = ModeRcv->isChecked();
    m.modeTable = ModeTbl->text();
    m.receiveAllMail = mFilter->isChecked();
    m.deleteOlderThan = DelOldEd->text();
    m.confirmInMaster = ConfChk->isChecked();
    m.ownMessageBox = MesCheck->isChecked();
    m.messageFontSize = SpinFnt->value();
}

void TSetQSL::updateEnabling() {
    QslS2->setEnabled(MiHakko->isChecked());
    ModeTbl->setEnabled(ModeRcv->isChecked());
    DelOldEd->setEnabled(!mFilter->isChecked());
    SpinFnt->setEnabled(MesCheck->isChecked());
}

void TSetQSL::setExpertMode(bool on) {
    expertMode_ = on;
    for (QWidget* w : std::initializer_list<QWidget*>{UtcCheck, OpName, RigSele, Potbl, fJpgSize})
        w->setEnabled(!on);
}

void TSetQSL::FontD1Click(bool shift) {
    QFont font(
        model_.listFontName.isEmpty() ? QStringLiteral("ＭＳ ゴシック") : model_.listFontName,
        model_.listFontSize > 0 ? model_.listFontSize : 10);
    if (shift) {
        font = QFont(QStringLiteral("ＭＳ ゴシック"), 14);
    } else {
        const std::optional<QFont> chosen = chooseFont(this, font, QStringLiteral("一覧Font"));
        if (!chosen) return;
        font = *chosen;
    }
    model_.listFontName = font.family();
    model_.listFontSize = font.pointSize();
    model_.listFontChanged = true;
    Q_EMIT looksChanged();
    showEvent(nullptr);
}

void TSetQSL::FontD2Click(bool shift) {
    QFont font(
        model_.memoFontName.isEmpty() ? QStringLiteral("ＭＳ ゴシック") : model_.memoFontName,
        model_.memoFontSize > 0 ? model_.memoFontSize : 10);
    if (shift) {
        font = QFont(QStringLiteral("ＭＳ ゴシック"), 14);
    } else {
        const std::optional<QFont> chosen = chooseFont(this, font, QStringLiteral("メモFont"));
        if (!chosen) return;
        font = *chosen;
    }
    model_.memoFontName = font.family();
    model_.memoFontSize = font.pointSize();
    model_.memoFontChanged = true;
    Q_EMIT looksChanged();
    showEvent(nullptr);
}

void TSetQSL::LineColorClick(bool shift) {
    if (shift) {
        model_.lineColor = kSystemWindowColour;
    } else {
        const QColor chosen = QColorDialog::getColor(shownColour(model_.lineColor), this,
                                                     QStringLiteral("１行おきに色"));
        if (!chosen.isValid()) return;
        const int value = static_cast<int>(bgrOf(chosen));
        model_.lineColor = value == 0 ? kSystemWindowColour : value;
    }
    Q_EMIT looksChanged();
}

void TSetQSL::HelpClick() {
    ShellOpen(model_.serverBase() + QStringLiteral("tgw/qsl/kankyo.html"));
}

void TSetQSL::showEvent(QShowEvent* event) {
    if (event) QDialog::showEvent(event);
    const QString listFont =
        model_.listFontName.isEmpty() ? QStringLiteral("（標準）") : model_.listFontName;
    const QString memoFont =
        model_.memoFontName.isEmpty() ? QStringLiteral("（標準）") : model_.memoFontName;
    FontD1->setToolTip(listFont + QStringLiteral("\n受信・送信済みQSL一覧の文字"));
    FontD2->setToolTip(memoFont + QStringLiteral("\nメモ欄・メール本文の文字"));
    SpinFnt->setValue(MsgFontSize() <= 4 ? 12 : MsgFontSize());
    fJpgSize->setEnabled(!expertMode_);
    const QString call = CommSettings::storedCall(settings_);
    PotblLabel->setText((call.size() < 4 ? QStringLiteral("Call") : call) + u'/');
}

void TSetQSL::done(int result) {
    model_.listFontChanged = false;
    model_.memoFontChanged = false;
    if (SendMax->value() < 3) SendMax->setValue(3);
    QDialog::done(result);
}

// The oldest-date field: digits in overtype, the caret hops over the two
// slashes, the text keeps its 8 characters; nothing is deleted.
bool TSetQSL::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ShoGoEd && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        if (typed.size() == 1 && typed.front().isDigit() &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            QString text = ShoGoEd->text().leftJustified(8, u' ').left(8);
            int at = ShoGoEd->cursorPosition();
            if (at == 2 || at == 5) ++at;
            if (at < 8) {
                text[at] = typed.front();
                ShoGoEd->setText(text);
                ++at;
                if (at == 2 || at == 5) ++at;
                ShoGoEd->setCursorPosition(std::min(at, 8));
            }
            return true;
        }
        switch (key->key()) {
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Home:
            case Qt::Key_End:
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Escape: return false;
            default: return true;  // backspace, delete, letters, paste: ignored
        }
    }
    return QDialog::eventFilter(watched, event);
}
