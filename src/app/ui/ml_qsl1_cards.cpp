// The main window's card commands: the beginner-mode fonts and colours, the
// position boxes dragged over the preview, the picture resize, the expert
// preview, the sample card and the received-card viewer.

#include "app/ui/ml_qsl1.h"
#include "link/logging_link.h"
#include "render/ui/definition_editor.h"

#include "app/command_table.h"
#include "app/main_state.h"
#include "core/app_info.h"
#include "core/bitmap_ops.h"
#include "core/file_dialogs.h"
#include "core/japanese_fonts.h"
#include "core/msg_box.h"
#include "core/ui/font_picker.h"
#include "core/ui/gui_progress_port.h"
#include "core/ui/wait_cursor.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "render/card_pictures.h"
#include "render/card_viewer.h"
#include "render/sample_cards.h"
#include "render/ui/view_bmp.h"
#include "render/ui/view_jpg.h"
#include "settings/kankyo.h"
#include "settings/program_files.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

namespace {

void warn(QWidget* owner, const QString& text) {
    ShowMsgBox(owner, text, app::title(), mb::Ok | mb::IconExclamation);
}

}  // namespace

void TZkvmQSL::lockCommands(bool locked) {
    for (const char* name : controlsLockedWhilePreviewing())
        if (auto* w = findChild<QWidget*>(QString::fromLatin1(name))) w->setEnabled(!locked);
    for (const char* name : menusLockedWhilePreviewing())
        if (auto* menu = findChild<QMenu*>(QString::fromLatin1(name)))
            menu->menuAction()->setEnabled(!locked);
}

// The received cards in the viewer.
void TZkvmQSL::VwrQ1Click() {
    viewer_->ShowCards(QDir(state_.folders.receivedDir).filePath(QStringLiteral("*.jpg")),
                       viewer_flag::MaskGiven);
}

void TZkvmQSL::Speed8Click(bool newestFirst) {
    if (newestFirst && viewer_->sortMode() != viewer_sort::FileTime)
        viewer_->setSortMode(viewer_sort::FileTime);  // shows them again
    else
        VwrQ1Click();
}

// Beginner mode: the fill colour of the text area; expert mode: the editor.
void TZkvmQSL::Speed2Click() {
    if (refusedWhileWorking()) return;
    if (state_.options.expertMode) {
        Speed9Click(true);
        return;
    }
    const QColor chosen = QColorDialog::getColor(colourOf(state_.drawing.backgroundColour), this,
                                                 QStringLiteral("QSL文字列の背景色"));
    if (chosen.isValid()) state_.drawing.backgroundColour = bgrOf(chosen);
}

void TZkvmQSL::Speed3Click(bool colourOnly) {
    if (refusedWhileWorking()) return;
    DrawingSettings& d = state_.drawing;
    if (colourOnly) {
        const QColor chosen = QColorDialog::getColor(colourOf(d.fontColour), this);
        if (!chosen.isValid()) return;
        d.fontColour = bgrOf(chosen);
    } else {
        const std::optional<QFont> font = chooseFont(this, styledFont(d.fontName, 12, d.fontStyle),
                                                     QStringLiteral("QSL記載文字のフォント"));
        if (!font) return;
        d.fontName = font->family();
        d.fontStyle = fontStyleBits(*font);
    }
    d.saveTextFont(settings_);
}

void TZkvmQSL::BgFontClick(bool colourOnly) {
    if (refusedWhileWorking()) return;
    DrawingSettings& d = state_.drawing;
    if (!BgCall->isChecked()) {
        if (ShowMsgBox(this, QStringLiteral("コールサインのフォントを初期設定に戻します。"),
                       app::title(), mb::OkCancel | mb::IconQuestion) != mb::IdOk)
            return;
        d.resetCallFont(settings_);
        return;
    }
    if (colourOnly) {
        const QColor chosen = QColorDialog::getColor(colourOf(d.callColour), this);
        if (!chosen.isValid()) return;
        d.callColour = bgrOf(chosen);
        d.saveCallColour(settings_);
        return;
    }
    const std::optional<QFont> font =
        chooseFont(this, styledFont(d.callFontName, d.callSize, d.callStyle),
                   QStringLiteral("自局コールサインのフォント"));
    if (!font) return;
    d.callFontName = font->family();
    d.callSize = font->pointSize();
    d.callStyle = fontStyleBits(*font);
    d.saveCallFont(settings_);
}

void TZkvmQSL::nColorClick() {
    if (refusedWhileWorking()) return;
    const QColor chosen = QColorDialog::getColor(colourOf(state_.drawing.nameColour), this,
                                                 QStringLiteral("Name の文字色"));
    if (!chosen.isValid()) return;
    state_.drawing.nameColour = bgrOf(chosen);
    state_.drawing.saveNameColour(settings_);
}

// The position boxes: dragged with the left button, kept on the preview,
// their tick as it was before the drag.
bool TZkvmQSL::dragBox(QCheckBox* box, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (type) {
        case QEvent::MouseButtonPress:
            if (mouse->button() != Qt::LeftButton) return false;
            dragStart_ = mouse->globalPosition().toPoint();
            dragTick_ = box->isChecked();
            box->setProperty("dragged", false);
            box->setCursor(Qt::SizeAllCursor);
            return false;
        case QEvent::MouseMove: {
            if (!(mouse->buttons() & Qt::LeftButton)) return false;
            const QPoint now = mouse->globalPosition().toPoint();
            if (now == dragStart_) return false;
            box->move(box->pos() + (now - dragStart_));
            dragStart_ = now;
            box->setProperty("dragged", true);
            return true;
        }
        case QEvent::MouseButtonRelease: {
            if (mouse->button() != Qt::LeftButton) return false;
            box->unsetCursor();
            if (!box->property("dragged").toBool()) return false;
            box->move(box == BgCall ? DrawingSettings::keptCallBox(box->pos())
                                    : DrawingSettings::keptNameBox(box->pos()));
            box->setDown(false);
            box->setChecked(dragTick_);
            box->setProperty("dragged", false);
            state_.drawing.callBox = BgCall->pos();
            state_.drawing.nameBox = BgName->pos();
            return true;
        }
        default: return false;
    }
}

void TZkvmQSL::resizePicture(QSize target) {
    if (ShowMsgBox(this, QStringLiteral("JPEG画像サイズを調整します。\r\rよろしいですか？"),
                   app::title(), mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes)
        return;
    const QString folder = places_.resizeFolder(QFileInfo(definitionFile_.path()).path());
    const auto chosen = chooseFile({FileDialogRequest::Kind::Save, QStringLiteral("JPEG画像の保存"),
                                    QStringLiteral("JPEG画像(*.jpg)|*.jpg"), folder});
    if (!chosen) return;
    QString path = *chosen;
    if (QFileInfo(path).suffix().compare(u"jpg", Qt::CaseInsensitive) != 0) path += u".jpg";
    const ResizeResult written = writeResizedPhoto(state_.picturePath, target, path);
    if (written == ResizeResult::Unreadable) return;
    if (written == ResizeResult::Unwritable) {
        ShowMsgBox(this, path + QStringLiteral("\r\r・・・を作成できません！"), app::title(),
                   mb::Ok | mb::IconStop);
        return;
    }
    places_.setResizeFolder(QFileInfo(path).path());
    choosePicture(path);
}

// The sample card: the latest QSO with a registered station, then the one
// before it at each "他のUser".
void TZkvmQSL::Speed4Click() {
    // Pressed again while a slow definition draws the sample: it stops.
    if (drawingSample_) {
        progress_->requestAbort();
        return;
    }
    if (refusedWhileWorking()) return;
    takeControls();
    SampleCards samples(state_.cardInputs(environment_, definitionFile_.path()), environment_,
                        definition_);
    if (const auto refusal = samples.open(state_.qsoDataOpened, state_.userList))
        return warn(this, *refusal);
    // The window stays alive while a card draws; other commands wait.
    struct Drawing {
        TZkvmQSL& window;
        explicit Drawing(TZkvmQSL& w) : window(w) {
            window.drawingSample_ = true;
            window.state_.busy = true;
            window.progress_->clearAbort();
        }
        ~Drawing() {
            window.drawingSample_ = false;
            window.state_.busy = false;
        }
        Drawing(const Drawing&) = delete;
        Drawing& operator=(const Drawing&) = delete;
    };
    samples.setGoOn([this] {
        QCoreApplication::processEvents();
        return !progress_->abortRequested();
    });
    while (const auto card = [&] {
        const Drawing drawing(*this);
        const WaitCursor hourglass;
        return samples.next();
    }()) {
        const int answer = preview_->ShowCardPreview(card->path, false, card->recno);
        QFile::remove(card->path);
        if (answer != TForm3::Next) break;
    }
}

void TZkvmQSL::Speed9Click(bool preview) {
    takeControls();
    TForm10 editor(
        {definitionFile_, places_, definition_, [this] { link_->beginLogAccess(); },
         [this] { link_->endLogAccess(); }, state_.programDir, [this] { return state_.qsoData; },
         [this] {
             DefinitionContext c;
             c.ownCall = state_.ownCall;
             c.placeText = state_.placeText;
             c.remarkText = state_.remarkText;
             c.messageBody = QString(state_.messageText).replace(u'\n', u'\r');
             c.rigLines = &state_.rigLines;
             return c;
         },
         [this](const QString& path) { chooseDefinition(path); },
         [this](const QString& path) { showCardsOrClose(path); }},
        this);
    editor.openDefinition(definitionFile_.path(), preview);
    editor.exec();
    loadPreview();
}
