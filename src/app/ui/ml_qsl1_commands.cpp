// The main window's commands of the file and option menus, the memo's save
// button, the resets and the manual.

#include "app/ui/ml_qsl1.h"

#include "app/main_state.h"
#include "core/app_info.h"
#include "core/file_dialogs.h"
#include "core/mklink.h"
#include "core/msg_box.h"
#include "core/shell_open.h"
#include "core/ui/browse_for_folder.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "logdata/adif.h"
#include "logdata/dbf_table.h"
#include "logdata/zelkov50.h"
#include "server/novq_requests.h"
#include "server/ui/about_dialog.h"
#include "server/ui/option_dialog.h"
#include "server/version_check.h"
#include "settings/kankyo.h"
#include "settings/program_files.h"
#include "settings/qsl_rig.h"
#include "settings/ui/kankyo_dialog.h"
#include "settings/ui/rig_ant_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QString shown(const QString& hint) {
    return QString(hint).replace(u'\r', u'\n');
}

QString folderOf(const QString& path) {
    return QFileInfo(path).path();
}

bool shiftHeld() {
    return QApplication::keyboardModifiers() & Qt::ShiftModifier;
}

}  // namespace

void TZkvmQSL::JPEG1Click() {
    const auto chosen = chooseFile(
        {FileDialogRequest::Kind::Open, QStringLiteral("JPEG画像ファイルを選択"),
         QStringLiteral("JPEG画像(*.jpg;*.jpeg)|*.jpg;*.jpeg"), folderOf(state_.picturePath)});
    if (chosen) choosePicture(*chosen);
}

void TZkvmQSL::choosePicture(const QString& path) {
    if (!QFileInfo(path).isFile() || (shiftHeld() && state_.pictures.files().contains(path))) {
        // A recent entry that is gone, or Shift-clicked: off the list.
        state_.pictures.remove(path);
        showRecentMenus();
        return;
    }
    state_.picturePath = path;
    state_.pictures.choose(path);
    showRecentMenus();
    loadPreview();
}

void TZkvmQSL::QSLO1Click() {
    const auto chosen = chooseFile(
        {FileDialogRequest::Kind::Open, QStringLiteral("QSL定義ファイルを開く"),
         QStringLiteral("QSL定義ファイル(*.mQsl)|*.mQsl"), folderOf(definitionFile_.path())});
    if (chosen) chooseDefinition(*chosen);
}

void TZkvmQSL::chooseDefinition(const QString& path) {
    if (!QFileInfo(path).isFile() || (shiftHeld() && state_.definitions.files().contains(path))) {
        state_.definitions.remove(path);
        showRecentMenus();
        return;
    }
    state_.setDefinition(definitionFile_, path);
    showRecentMenus();
    loadPreview();
}

void TZkvmQSL::QSO1Click() {
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("QSOデータを開く"),
                    QStringLiteral("QSOデータ(*.mst)|*.mst"), folderOf(state_.qsoData)});
    QSO1->setChecked(state_.qsoDataOpened);
    if (!chosen) return;
    state_.setQsoData(settings_, *chosen);
    QSO1->setChecked(true);
    noticeLogChange();
    updateHints();
}

void TZkvmQSL::ADIF1Click() {
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("ADIFファイルを読み込む"),
                    QStringLiteral("ADIFファイル(*.adi;*.adx)|*.adi;*.adx|"
                                   "すべてのファイル(*.*)|*.*"),
                    QString()});
    if (!chosen) return;
    const ImportResult result = importAdifInto(state_.qsoData, *chosen);
    if (result.error.isEmpty()) {
        state_.setQsoData(settings_, state_.qsoData);
        QSO1->setChecked(true);
        noticeLogChange();
        updateHints();
    }
    ShowMsgBox(this, adifImportMessage(*chosen, result), app::title(),
               mb::Ok | (result.error.isEmpty() ? mb::IconInformation : mb::IconExclamation));
}

void TZkvmQSL::noticeLogChange() {
    if (state_.busy) return;
    const int first = Edit1->text().trimmed().toInt();
    if (first > 0) state_.firstRecord = first;
    if (!state_.noticeLogChange()) return;
    Edit1->setText(QString::number(state_.firstRecord));
    Edit2->setText(QString::number(state_.lastRecord));
    QSO1->setChecked(state_.qsoDataOpened);
}

void TZkvmQSL::USR1Click() {
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("ユーザーリストを開く"),
                    QStringLiteral("ユーザーリスト(*.usr)|*.usr"), folderOf(state_.userList)});
    USR1->setChecked(!state_.userEdition.isEmpty());
    if (!chosen) return;
    state_.userEdition.clear();
    USR1->setChecked(false);
    const UserListChoice choice = chooseUserList(*chosen, Label2->text());
    if (!choice.warning.isEmpty())
        ShowMsgBox(this, choice.warning, app::title(), mb::Ok | mb::IconExclamation);
    state_.setUserList(settings_, choice);
    USR1->setChecked(!choice.edition.isEmpty());
    updateCaption();
}

void TZkvmQSL::Rig1Click() {
    const bool fileSet = state_.rigAntPath.size() > 5;
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("リグ・アンテナデータを開く"),
                    QStringLiteral("Rig/Antﾃﾞｰﾀﾌｧｲﾙ(*.dat)|*.dat"),
                    fileSet ? folderOf(state_.rigAntPath) : state_.programDir});
    if (chosen) {
        if (isCtyDat(*chosen)) {
            ShowMsgBox(this, QStringLiteral("CTY.DAT は開けません！"),
                       QFileInfo(*chosen).fileName(), mb::Ok | mb::IconStop);
        } else {
            state_.setRigAnt(settings_, *chosen);
        }
    } else if (!fileSet ||
               ShowMsgBox(this, state_.rigAntPath + QStringLiteral("\r\r・・・を閉じますか？"),
                          app::title(), mb::YesNo | mb::IconQuestion) == mb::IdYes) {
        state_.closeRigAnt(settings_);
    }
    Rig1->setChecked(!state_.rigLines.isEmpty());
    updateHints();
}

void TZkvmQSL::AntR1Click() {
    if (state_.rigAntPath.size() <= 5) {
        Rig1Click();
        return;
    }
    TForm11 editor(places_, state_.rigAntPath, state_.programDir, this);
    const int result = editor.exec();
    // The file the editor ended on is the settings' one, saved or not.
    storeProgramFile(settings_, ProgramFile::RigAnt, editor.dataPath(), state_.programDir);
    if (result == QDialog::Accepted) {
        state_.rigAntPath = editor.dataPath();
        state_.reloadRig();
        Rig1->setChecked(!state_.rigLines.isEmpty());
        updateHints();
    }
}

void TZkvmQSL::M1Click() {
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("メール本文を開く"),
                    QStringLiteral("テキスト(*.txt)|*.txt|すべて(*.*)|*.*"),
                    folderOf(state_.messageTextPath)});
    if (!chosen) return;
    state_.setMessageTextPath(settings_, *chosen);
    if (QFileInfo::exists(*chosen)) {
        state_.messageText = readMessageText(*chosen);
        Memo1->setPlainText(state_.messageText);
    }
    updateHints();
}

void TZkvmQSL::BN1Click() {
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Save, QStringLiteral("メール本文に名前を付けて保存"),
                    QStringLiteral("テキスト(*.txt)|*.txt"), state_.messageTextPath});
    if (!chosen) return;
    state_.setMessageTextPath(settings_, *chosen);
    updateHints();
    Speed6Click(false);
}

void TZkvmQSL::Speed6Click(bool shift) {
    if (shift) {
        if (QFileInfo::exists(state_.messageTextPath)) {
            state_.messageText = readMessageText(state_.messageTextPath);
            Memo1->setPlainText(state_.messageText);
        }
        return;
    }
    state_.messageText = Memo1->toPlainText();
    writeMessageText(state_.messageTextPath, state_.messageText);
}

void TZkvmQSL::chooseFolder(bool received) {
    const CardFolders& f = state_.folders;
    const QString current = received ? f.receivedDir : f.sentDir;
    const QString other = received ? f.sentDir : f.receivedDir;
    const QString question =
        received ? QStringLiteral("受信フォルダを変更しますか？\r\r現在の受信フォルダ＝")
                 : QStringLiteral("送信フォルダを変更しますか？\r\r現在の送信フォルダ＝");
    if (ShowMsgBox(this, question + current, app::title(),
                   mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes)
        return;
    QString chosen = current;
    if (!BrowseForFolder(received ? QStringLiteral("電子QSL受信フォルダの選択")
                                  : QStringLiteral("送信済み電子QSLフォルダの選択"),
                         chosen))
        return;
    const QString folder = acceptedCardFolder(chosen, other);
    if (folder.isEmpty()) {
        ShowMsgBox(this,
                   QStringLiteral("このフォルダは選択できません！\r\r") +
                       acceptedCardFolder(chosen, QString()),
                   app::title(), mb::Ok | mb::IconExclamation);
        return;
    }
    state_.setCardFolder(settings_, received, folder);
    updateHints();
    if (received)
        Speed5->setToolTip(shown(folder + QStringLiteral("\r・・・に受信します")));
    else
        Speed1->setToolTip(folder);
}

void TZkvmQSL::QSL1Click() {
    chooseFolder(true);
}

void TZkvmQSL::QSLS1Click() {
    chooseFolder(false);
}

void TZkvmQSL::C2Click() {
    ShellOpen(state_.folders.receivedDir);
}

void TZkvmQSL::T1Click() {
    ShellOpen(state_.folders.sentDir);
}

void TZkvmQSL::O1Popup() {
    const bool hasPicture = !state_.options.expertMode && pictureSize_.isValid();
    const std::array<bool, 3> enabled = MainState::resizeItemsEnabled(pictureSize_);
    N800->setEnabled(hasPicture && enabled[0]);
    N640->setEnabled(hasPicture && enabled[1]);
    N528->setEnabled(hasPicture && enabled[2]);
}

void TZkvmQSL::QSL2Click() {
    environmentWindow_->setExpertMode(state_.options.expertMode);
    environmentWindow_->Load(false);
    environmentWindow_->exec();
}

void TZkvmQSL::N11Click() {
    const int answer = ShowMsgBox(
        this,
        QStringLiteral("各ウインドウ位置をインストール直後の状態に戻します。\r処理後は終了します。"
                       "よろしいですか？\r\r[いいえ(Y)]でヘルプの表示・Q15を参照"),
        app::title(), mb::YesNoCancel | mb::IconQuestion | mb::DefButton2);
    if (answer == mb::IdNo) {
        ShellOpen(environment_.serverBase() + QStringLiteral("tgw/qsl/qanda.html#Ques15"));
        return;
    }
    if (answer != mb::IdYes) return;
    if (ShowMsgBox(this, QStringLiteral("よろしいですか？"), app::title(),
                   mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes)
        return;
    state_.resets.windowPlaces = true;
    close();
}

void TZkvmQSL::askReset(int which) {
    const QString text =
        which == 13
            ? QStringLiteral(
                  "電子QSL 環境設定をインストール直後の状態に戻します。\r処理後は終了します。"
                  "よろしいですか？")
            : QStringLiteral(
                  "通信設定以外をすべてインストール直後の状態に戻します。\r処理後は終了"
                  "します。よろしいですか？");
    if (ShowMsgBox(this, text, app::title(), mb::YesNo | mb::IconQuestion | mb::DefButton2) !=
        mb::IdYes)
        return;
    (which == 13 ? state_.resets.environment : state_.resets.allButMail) = true;
    close();
}

void TZkvmQSL::N13Click() {
    askReset(13);
}

void TZkvmQSL::N14Click() {
    askReset(14);
}

void TZkvmQSL::H1Click() {
    openManual(http_, environment_.serverBase(), app::primaryServerBase(),
               environment_.alternateServer);
}

void TZkvmQSL::S1Click() {
    communicationWindow_->LoadSettings();
    communicationWindow_->exec();
}

// The communication settings' help page, as that window's own help opens it.
void TZkvmQSL::C1Click() {
    ShellOpen(communicationWindow_->session().helpAddress(false));
}

void TZkvmQSL::V6Click() {
    AboutInfo info;
    info.call = state_.ownCall;
    info.libraryDate = GetDll__Date();
    info.programPath = QCoreApplication::applicationFilePath();
    info.qsoData = state_.qsoData;
    info.recordCount = std::max(0, qsoRecordCount(state_.qsoData));
    if (!state_.serviceDecides()) info.userListEdition = state_.userEdition;
    info.receivedDir = state_.folders.receivedDir;
    info.sentDir = state_.folders.sentDir;
    TAbForm about(info, http_, environment_.serverBase(), places_, state_.programDir, this);
    // A started installer replaces the program: it ends.
    if (about.exec() == TAbForm::kInstallerStarted) close();
}
