// The main window's life: the settings shown at start, the checks once it is
// up, closing and saving, the geometry rules.

#include "app/ui/ml_qsl1.h"

#include "archive/ui/backup_dialog.h"
#include "archive/ui/sent_list_window.h"
#include "link/logging_link.h"
#include "link/qso_feed.h"
#include "mail/n_mail.h"

#include "app/command_table.h"
#include "app/main_state.h"
#include "app/startup_checks.h"
#include "app/ui/card_preview.h"
#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/shell_open.h"
#include "core/ui/history_combo.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "logdata/log_store.h"
#include "render/card_pictures.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"
#include "settings/program_files.h"
#include "settings/ui/kankyo_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>

namespace {

QString shown(const QString& hint) {
    return QString(hint).replace(u'\r', u'\n');
}

}  // namespace

void TZkvmQSL::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void TZkvmQSL::FormShow() {
    link_->poll();
    state_.busy = false;
    NMailInitializeWinSock();
    environmentWindow_->Load(true);
    applyLooks();

    state_.linkLastRecord = link_->lastRecordNumber();
    link_->beginLogAccess();
    const std::optional<QString> qsoWarning = state_.load(settings_, paths_);
    link_->endLogAccess();
    prepareProgramFolder(state_);
    // The place is the window's inside, as it was saved: setGeometry puts the
    // inside back there whatever the frame (move() would place the frame
    // there, and the window would creep by the frame at every start).
    const QRect place = state_.windowPlace;
    const QSize size(std::max(place.width(), minimumWidth()),
                     std::max(place.height(), minimumHeight()));
    if (ctrlHeldAtStart_)
        resize(size);
    else
        setGeometry(placedOnScreen(QRect(place.topLeft(), size), screenAreas()));

    showState();
    if (qsoWarning) ShowMsgBox(this, *qsoWarning, app::title(), mb::Ok | mb::IconExclamation);
    updateCaption();
    QTimer::singleShot(0, this, [this] { postShowChecks(); });
    Timer1->start();
    // WSJT-X and JTDX: listening as the settings say (a port another
    // program holds is said in the line, not in a box at every start).
    (void)feed_->apply();
    showFeed();
}

// The memo font of the environment settings.
void TZkvmQSL::applyLooks() {
    QFont font = Memo1->font();
    if (!environment_.memoFontName.isEmpty()) font.setFamily(environment_.memoFontName);
    if (environment_.memoFontSize > 0) font.setPointSize(environment_.memoFontSize);
    Memo1->setFont(font);
}

void TZkvmQSL::setOwnCall(const QString& call) {
    state_.ownCall = call;
    showOwnCall();
    updateCaption();
}

void TZkvmQSL::showOwnCall() {
    Label2->setText(state_.ownCall);
    BgCall->setText(state_.ownCall.isEmpty() ? QStringLiteral("Callを表示")
                                             : state_.ownCall + QStringLiteral("表示"));
    BgCall->adjustSize();
}

void TZkvmQSL::showState() {
    showOwnCall();
    BgName->adjustSize();
    PoBox1->setEntries(state_.places, state_.placeText);
    RmkBox->setEntries(state_.remarks, state_.remarkText);
    RstEdit->setText(state_.rstRule);
    RstEdit->setCursorPosition(0);
    Edit1->setText(QString::number(state_.firstRecord));
    Edit2->setText(QString::number(state_.lastRecord));
    Memo1->setPlainText(state_.messageText);
    AlphaBl->setValue(state_.drawing.alpha);
    BgCall->move(state_.drawing.callBox);
    BgName->move(state_.drawing.nameBox);
    QSO1->setChecked(state_.qsoDataOpened);
    USR1->setChecked(!state_.userEdition.isEmpty());
    Rig1->setChecked(!state_.rigLines.isEmpty());
    showOptions();
    showRecentMenus();
    updateHints();
    loadPreview();
}

void TZkvmQSL::showOptions() {
    const OptionSwitches& o = state_.options;
    placeButtons_[std::clamp(o.placeOutput, 0, 4)]->setChecked(true);
    TransC1->setCurrentIndex(o.textArea);
    Check2->setChecked(o.confirmSend);
    RecRead->setChecked(o.alwaysLast);
    BgCall->setChecked(o.drawCall);
    BgName->setChecked(o.drawName);
    const QSignalBlocker block(DefFile);
    DefFile->setChecked(o.expertMode);
    updateModeControls();
}

void TZkvmQSL::updateModeControls() {
    const ModeControls m = modeControls(state_.options.expertMode, state_.options.textArea);
    Speed9->setEnabled(m.editorEnabled);
    Speed2->setText(m.backgroundCaption);
    Speed2->setToolTip(m.backgroundHint);
    Speed2->setVisible(m.backgroundVisible);
    AlphaBl->setVisible(m.alphaVisible);
    for (QWidget* w : std::initializer_list<QWidget*>{BgCall, BgName, BgFont, nColor})
        w->setVisible(m.beginnerVisible);
    for (QRadioButton* r : std::as_const(placeButtons_))
        r->setEnabled(m.beginnerEnabled);
    TransC1->setEnabled(m.beginnerEnabled);
    Speed3->setEnabled(m.beginnerEnabled);
    RstEdit->setEnabled(m.beginnerEnabled);
    definitionMenu_->setEnabled(m.definitionsEnabled);
}

void TZkvmQSL::updateCaption() {
    // The own call first: two stations' windows side by side are told apart.
    QString caption = app::caption();
    if (!state_.ownCall.isEmpty()) caption = state_.ownCall + QStringLiteral(" - ") + caption;
    if (!state_.serviceDecides() && !state_.userEdition.isEmpty())
        caption += QStringLiteral("　【%1版】").arg(state_.userEdition);
    setWindowTitle(caption);
}

void TZkvmQSL::updateHints() {
    const QString saveTo = QStringLiteral("\r・・・に保存します");
    Speed5->setToolTip(shown(state_.folders.receivedDir + saveTo));
    Speed1->setToolTip(shown(state_.folders.sentDir + saveTo));
    Speed10->setToolTip(
        shown(QStringLiteral("送信済み電子QSLの一覧表示\r") + state_.folders.sentDir));
    Memo1->setToolTip(
        shown(state_.messageTextPath + QStringLiteral("\rメール本文に書き加えるメッセージです。")));
    if (QFileInfo::exists(state_.rigAntPath))
        Speed13->setToolTip(
            shown(QStringLiteral("リグ／アンテナ・データの編集\r") + state_.rigAntPath));
    Speed7->setToolTip(
        shown(LogStore::dataPathFor(state_.qsoData) + QStringLiteral("\rと 電子QSLを照合")));
    BgCall->setToolTip(QStringLiteral("QSL上にコールサインを大きく表示する"));
    BgName->setToolTip(
        shown(QStringLiteral("QSL上にオペレータ名などを表示\r環境設定／QSL送信系で設定します")));
    BgFont->setToolTip(
        shown(QStringLiteral("自局コールサインのフォント設定\rShift＋クリックで文字色のみ設定")));
    nColor->setToolTip(QStringLiteral("Name の文字色の設定"));
    RecRead->setToolTip(QStringLiteral("ZELKOV起動時は、常に最終レコード番号が入ります"));
}

void TZkvmQSL::showRecentMenus() {
    const QStringList pictures = state_.pictures.captions();
    for (int i = 0; i < pictureItems_.size(); ++i) {
        const QString caption = pictures.value(i);
        pictureItems_[i]->setText(caption);
        pictureItems_[i]->setVisible(!caption.isEmpty());
    }
    const QStringList definitions = state_.definitions.captions();
    for (int i = 0; i < definitionItems_.size(); ++i) {
        const QString caption = definitions.value(i);
        definitionItems_[i]->setText(caption);
        definitionItems_[i]->setVisible(!caption.isEmpty());
    }
}

void TZkvmQSL::loadPreview() {
    QImage picture;
    if (!state_.options.expertMode && !state_.picturePath.isEmpty()) {
        QSize size;
        picture = photoPreview(state_.picturePath, environment_.photoSize, &size);
        if (size.isValid())
            statusBar()->showMessage(
                state_.picturePath +
                QStringLiteral("（%1x%2）").arg(size.width()).arg(size.height()));
        else
            // A photo moved or spoilt since it was chosen is said at once,
            // not first by the send.
            statusBar()->showMessage(
                QDir::toNativeSeparators(state_.picturePath) +
                (QFileInfo::exists(state_.picturePath)
                     ? QStringLiteral(" ・・・をJPEG画像として読めません。")
                     : QStringLiteral(" ・・・が見つかりません。")) +
                QStringLiteral("ファイルメニューからJPEG画像を開いてください。"));
        pictureSize_ = size;
        PaintBox1->setToolTip(state_.picturePath);
    } else if (state_.options.expertMode) {
        pictureSize_ = QSize();
        const QString definition = definitionFile_.path();
        picture = definitionPreview(definition);
        PaintBox1->setToolTip(definition);
        statusBar()->showMessage(definition);
    } else {
        pictureSize_ = QSize();
        PaintBox1->setToolTip(QString());
        // A new program folder: what comes first.
        statusBar()->showMessage(
            state_.qsoDataOpened
                ? QStringLiteral("ファイルメニューでカードの写真（JPEG画像）を開いてください。")
                : QStringLiteral("はじめに：ファイルメニューでログ（ADIF）を読み込み、写真を"
                                 "開いてください。"));
    }
    PaintBox1->setPicture(picture);
}

void TZkvmQSL::postShowChecks(bool beforeSend) {
    CommSettings communication;
    communication.load(settings_);
    for (const ShownCheck& check :
         checksOnceShown(state_, environment_, communication, QDateTime::currentDateTime(),
                         QTimeZone::systemTimeZone(), beforeSend)) {
        if (check.text.isEmpty())
            S1Click();
        else
            ShowMsgBox(this, check.text, app::title(), mb::Ok | check.icon);
    }
}

void TZkvmQSL::takeControls() {
    PoBox1->commitText();
    RmkBox->commitText();
    state_.places = PoBox1->entries();
    state_.placeText = PoBox1->currentText();
    state_.remarks = RmkBox->entries();
    state_.remarkText = RmkBox->currentText();
    state_.rstRule = RstEdit->text();
    state_.firstRecord = Edit1->text().trimmed().isEmpty() ? 0 : Edit1->text().toInt();
    state_.messageText = Memo1->toPlainText();
    OptionSwitches& o = state_.options;
    for (int i = 0; i < placeButtons_.size(); ++i)
        if (placeButtons_[i]->isChecked()) o.placeOutput = i;
    o.textArea = TransC1->currentIndex();
    o.confirmSend = Check2->isChecked();
    o.alwaysLast = RecRead->isChecked();
    o.expertMode = DefFile->isChecked();
    o.drawCall = BgCall->isChecked();
    o.drawName = BgName->isChecked();
    state_.drawing.alpha = AlphaBl->value();
    state_.drawing.callBox = BgCall->pos();
    state_.drawing.nameBox = BgName->pos();
    state_.maximised = isMaximized();
    // Where move() puts it back (the frame's corner) and the size resize()
    // gives it: a place taken from inside the frame would creep by the
    // frame's width at every start.
    state_.windowPlace = normalGeometry();
}

bool TZkvmQSL::FormCloseQuery() {
    if (state_.busy) return false;
    Timer1->stop();
    return true;
}

void TZkvmQSL::FormClose() {
    NMailEndWinSock();
    takeControls();
    state_.save(settings_);
}

void TZkvmQSL::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    closed_ = true;
    event->accept();
}

void TZkvmQSL::FormDestroy() {
    // The backup at the end, when asked for and cards were exchanged.
    {
        TForm2 backup(settings_, paths_.settingsFile(), state_.folders, this);
        if (backupAtExitDue(backup.backupSettings(), state_.activityFlags)) {
            TForm4 notice;
            notice.show();
            QCoreApplication::processEvents();
            backup.runAtExit(state_.activityFlags);
        }
    }
    receivedList_->saveState(!state_.resets.windowPlaces);
    if (sentList_) sentList_->saveState(!state_.resets.windowPlaces);
    applyResets(settings_, state_.resets);
    (void)settings_.flush();  // a failure is told by the store itself
}

void TZkvmQSL::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layoutBottom();
}

void TZkvmQSL::layoutBottom() {
    QWidget* central = centralWidget();
    const int clientWidth = central->width();
    const int clientHeight = central->height() + statusBar()->height();
    top_->setGeometry(0, 0, clientWidth, 506);
    FeedBar->setGeometry(0, 506, clientWidth, 22);
    Memo1->setGeometry(8, 530, clientWidth - 16, std::max(clientHeight - 556, 20));
    showFeed();  // the line elided to its new width
    BitBtn1->setGeometry(statusBar()->width() - 96, 1, 80, statusBar()->height() - 2);
}

void TZkvmQSL::changeEvent(QEvent* event) {
    // Back to the window: QSOs may have been logged or imported meanwhile.
    if (event->type() == QEvent::ActivationChange && Edit1) noticeLogChange();
    QMainWindow::changeEvent(event);
}

bool TZkvmQSL::eventFilter(QObject* watched, QEvent* event) {
    if (!Memo1 || !BitBtn1) return QMainWindow::eventFilter(watched, event);  // being built
    if (watched == BgCall || watched == BgName)
        return dragBox(static_cast<QCheckBox*>(watched), event) ||
               QMainWindow::eventFilter(watched, event);
    if ((watched == Edit1 || watched == Edit2) && event->type() == QEvent::FocusIn) {
        BitBtn1->setVisible(true);
        BitBtn1->raise();
    }
    if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const bool handled = QMainWindow::eventFilter(watched, event);
        OpenLinkInText(Memo1->textCursor().block().text());
        return handled;
    }
    return QMainWindow::eventFilter(watched, event);
}
