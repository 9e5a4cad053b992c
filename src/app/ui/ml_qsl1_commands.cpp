// The main window's commands of the file and option menus, the memo's save
// button, the resets and the manual.

#include "app/ui/ml_qsl1.h"
#include "server/novq_requests.h"

#include "app/main_state.h"
#include "core/app_info.h"
#include "core/file_dialogs.h"
#include "core/mklink.h"
#include "core/msg_box.h"
#include "core/shell_open.h"
#include "core/ui/browse_for_folder.h"
#include "core/zkw_ini.h"
#include "settings/kankyo.h"
#include "settings/qsl_rig.h"
#include "settings/ui/kankyo_dialog.h"
#include "settings/ui/rig_ant_dialog.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
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
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("JPEG画像ファイルを選択"),
                    QStringLiteral("JPEG画像(*.jpg)|*.jpg"), folderOf(state_.picturePath)});
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
    const QString current = settings_.readString(u"QslDef", u"mQSL", QStringLiteral(".mQsl"));
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("QSL定義ファイルを開く"),
                    QStringLiteral("QSL定義ファイル(*.mQsl)|*.mQsl"),
                    folderOf(MakeAbsolutePath(current, state_.programDir))});
    if (chosen) chooseDefinition(*chosen);
}

void TZkvmQSL::chooseDefinition(const QString& path) {
    if (!QFileInfo(path).isFile() || (shiftHeld() && state_.definitions.files().contains(path))) {
        state_.definitions.remove(path);
        showRecentMenus();
        return;
    }
    state_.definitions.choose(path);
    state_.definitionPath = path;
    settings_.writeString(u"QslDef", u"mQSL", path);
    showRecentMenus();
    loadPreview();
}

void TZkvmQSL::QSO1Click() {
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("QSOデータを開く"),
                    QStringLiteral("QSOデータ(*.mst)|*.mst"), folderOf(state_.qsoData)});
    QSO1->setChecked(state_.qsoDataOpened);
    if (!chosen) return;
    state_.qsoData = *chosen;
    settings_.writeString(u"Config", u"QsoData", MakeRelativePath(*chosen, state_.programDir));
    state_.qsoDataOpened = true;
    QSO1->setChecked(true);
    updateHints();
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
    state_.userList = choice.path;
    state_.userEdition = choice.edition;
    USR1->setChecked(!choice.edition.isEmpty());
    if (!choice.memoryOnly)
        settings_.writeOrDelete(
            u"Config", u"UserList",
            choice.path.isEmpty() ? QString() : MakeRelativePath(choice.path, state_.programDir));
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
            state_.rigAntPath = *chosen;
            settings_.writeString(u"Config", u"RigAnt",
                                  MakeRelativePath(*chosen, state_.programDir));
            state_.reloadRig();
        }
    } else if (!fileSet ||
               ShowMsgBox(this, state_.rigAntPath + QStringLiteral("\r\r・・・を閉じますか？"),
                          app::title(), mb::YesNo | mb::IconQuestion) == mb::IdYes) {
        state_.rigAntPath = QStringLiteral("C:\\");
        state_.reloadRig();
        settings_.writeString(u"Config", u"RigAnt", state_.rigAntPath);
    }
    Rig1->setChecked(!state_.rigLines.isEmpty());
    updateHints();
}

void TZkvmQSL::AntR1Click() {
    if (state_.rigAntPath.size() <= 5) {
        Rig1Click();
        return;
    }
    TForm11 editor(settings_, state_.rigAntPath, state_.programDir, this);
    if (editor.exec() == QDialog::Accepted) {
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
    state_.messageTextPath = *chosen;
    settings_.writeString(u"Config", u"QslMsg", MakeRelativePath(*chosen, state_.programDir));
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
    state_.messageTextPath = *chosen;
    settings_.writeString(u"Config", u"QslMsg", MakeRelativePath(*chosen, state_.programDir));
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
    const QString current = received ? state_.receivedDir : state_.sentDir;
    const QString other = received ? state_.sentDir : state_.receivedDir;
    const QString question =
        received ? QStringLiteral("受信フォルダを変更しますか？\r\r現在の受信フォルダ＝")
                 : QStringLiteral("送信フォルダを変更しますか？\r\r現在の送信フォルダ＝");
    if (ShowMsgBox(this, question + current, app::title(),
                   mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes)
        return;
    QString folder = current;
    if (!BrowseForFolder(received ? QStringLiteral("電子QSL受信フォルダの選択")
                                  : QStringLiteral("送信済み電子QSLフォルダの選択"),
                         folder))
        return;
    auto bare = [](QString path) {
        while (path.size() > 1 && (path.endsWith(u'/') || path.endsWith(u'\\')))
            path.chop(1);
        return path;
    };
    folder = bare(folder);
    if (folder.compare(bare(other), Qt::CaseInsensitive) == 0) {
        ShowMsgBox(this, QStringLiteral("このフォルダは選択できません！\r\r") + folder,
                   app::title(), mb::Ok | mb::IconExclamation);
        return;
    }
    const QString stored = MakeRelativePath(folder, state_.programDir);
    if (received) {
        state_.receivedDir = folder;
        settings_.writeString(u"Config", u"RcvDir", stored);
    } else {
        state_.sentDir = folder;
        settings_.writeString(u"Config", u"SntDir", stored);
    }
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
    ShellOpen(state_.receivedDir);
}

void TZkvmQSL::T1Click() {
    ShellOpen(state_.sentDir);
}

void TZkvmQSL::O1Popup() {
    const bool hasPicture = !state_.options.expertMode && pictureSize_.isValid();
    const std::array<bool, 3> enabled = MainState::resizeItemsEnabled(pictureSize_);
    N800->setEnabled(hasPicture && enabled[0]);
    N640->setEnabled(hasPicture && enabled[1]);
    N528->setEnabled(hasPicture && enabled[2]);
}

void TZkvmQSL::QSL2Click() {
    if (!environmentWindow_) return;
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
    if (!http_) {
        ShellOpen(environment_.serverBase() + QStringLiteral("tgw/Sendvik.html"));
        return;
    }
    openManual(*http_, environment_.serverBase(), app::primaryServerBase(),
               environment_.alternateServer);
}
