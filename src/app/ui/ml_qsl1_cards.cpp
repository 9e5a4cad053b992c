// The main window's card commands: the beginner-mode fonts and colours, the
// position boxes dragged over the preview, the picture resize, the expert
// preview, the sample card and the received-card viewer.

#include "app/ui/ml_qsl1.h"

#include "app/main_state.h"
#include "core/app_info.h"
#include "core/bitmap_ops.h"
#include "core/file_dialogs.h"
#include "core/msg_box.h"
#include "core/zkw_ini.h"
#include "logdata/qso_selection.h"
#include "logdata/user_list.h"
#include "render/card_composer.h"
#include "render/card_viewer.h"
#include "render/definition_operands.h"
#include "render/jpeg_io.h"
#include "render/qsl_definition.h"
#include "render/ui/view_bmp.h"
#include "render/ui/view_jpg.h"
#include "settings/kankyo.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

namespace {

int styleOf(const QFont& f) {
    return (f.bold() ? 1 : 0) | (f.italic() ? 2 : 0) | (f.underline() ? 4 : 0) |
           (f.strikeOut() ? 8 : 0);
}

QFont fontOf(const QString& face, int points, int style) {
    QFont f(face, std::max(points, 1));
    f.setBold(style & 1);
    f.setItalic(style & 2);
    f.setUnderline(style & 4);
    f.setStrikeOut(style & 8);
    return f;
}

void warn(QWidget* owner, const QString& text) {
    ShowMsgBox(owner, text, app::title(), mb::Ok | mb::IconExclamation);
}

}  // namespace

void TZkvmQSL::setCardWindows(TForm3* preview, TFormJP* viewer, QslDefinition* definition) {
    preview_ = preview;
    viewer_ = viewer;
    definition_ = definition;
    if (preview_) preview_->setCommandLock([this](bool locked) { lockCommands(locked); });
    if (viewer_) {
        viewer_->showReceivedCards = [this] { VwrQ1Click(); };
        viewer_->laterCommand = [this](const QString&) { notAvailableYet(); };
    }
}

void TZkvmQSL::lockCommands(bool locked) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{Speed1, Speed5, Speed4, Speed7, Speed10, DefFile})
        w->setEnabled(!locked);
    for (const char* name : {"File1", "QSLM1"})
        if (auto* menu = findChild<QMenu*>(QString::fromLatin1(name)))
            menu->menuAction()->setEnabled(!locked);
}

// The received cards in the viewer.
void TZkvmQSL::VwrQ1Click() {
    if (viewer_)
        viewer_->ShowCards(QDir(state_.receivedDir).filePath(QStringLiteral("*.jpg")),
                           viewer_flag::MaskGiven);
}

void TZkvmQSL::Speed8Click(bool newestFirst) {
    if (viewer_ && newestFirst && viewer_->sortMode() != viewer_sort::FileTime)
        viewer_->setSortMode(viewer_sort::FileTime);  // shows them again
    else
        VwrQ1Click();
}

// Beginner mode: the fill colour of the text area; expert mode: the editor.
void TZkvmQSL::Speed2Click() {
    if (state_.options.expertMode) {
        notAvailableYet();
        return;
    }
    const QColor chosen = QColorDialog::getColor(colourOf(state_.drawing.backgroundColour), this,
                                                 QStringLiteral("QSL文字列の背景色"));
    if (chosen.isValid()) state_.drawing.backgroundColour = bgrOf(chosen);
}

void TZkvmQSL::Speed3Click(bool colourOnly) {
    DrawingSettings& d = state_.drawing;
    if (colourOnly) {
        const QColor chosen = QColorDialog::getColor(colourOf(d.fontColour), this);
        if (!chosen.isValid()) return;
        d.fontColour = bgrOf(chosen);
    } else {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, fontOf(d.fontName, 12, d.fontStyle), this,
                                                QStringLiteral("QSL記載文字のフォント"));
        if (!ok) return;
        d.fontName = font.family();
        d.fontStyle = styleOf(font);
    }
    settings_.writeString(u"Config", u"FontColor",
                          QStringLiteral("%1,%2").arg(d.fontColour).arg(d.fontStyle));
    settings_.writeString(u"Config", u"FontName", d.fontName);
}

void TZkvmQSL::BgFontClick(bool colourOnly) {
    DrawingSettings& d = state_.drawing;
    if (!BgCall->isChecked()) {
        if (ShowMsgBox(this, QStringLiteral("コールサインのフォントを初期設定に戻します。"),
                       app::title(), mb::OkCancel | mb::IconQuestion) != mb::IdOk)
            return;
        settings_.eraseSection(u"CallFont");
        d.load(settings_);
        return;
    }
    if (colourOnly) {
        const QColor chosen = QColorDialog::getColor(colourOf(d.callColour), this);
        if (!chosen.isValid()) return;
        d.callColour = bgrOf(chosen);
        settings_.writeInteger(u"CallFont", u"Color", int(d.callColour));
        return;
    }
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, fontOf(d.callFontName, d.callSize, d.callStyle),
                                            this, QStringLiteral("自局コールサインのフォント"));
    if (!ok) return;
    d.callFontName = font.family();
    d.callSize = font.pointSize();
    d.callStyle = styleOf(font);
    settings_.writeString(u"CallFont", u"Name", d.callFontName);
    settings_.writeInteger(u"CallFont", u"Color", int(d.callColour));
    settings_.writeInteger(u"CallFont", u"Size", d.callSize);
    settings_.writeInteger(u"CallFont", u"Style", d.callStyle);
}

void TZkvmQSL::nColorClick() {
    const QColor chosen = QColorDialog::getColor(colourOf(state_.drawing.nameColour), this,
                                                 QStringLiteral("Name の文字色"));
    if (!chosen.isValid()) return;
    state_.drawing.nameColour = bgrOf(chosen);
    settings_.writeInteger(u"CallFont", u"Color2", int(state_.drawing.nameColour));
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
            const int maxLeft = box == BgCall ? 240 : 294;
            box->move(std::clamp(box->x(), 0, maxLeft), std::clamp(box->y(), 0, 204));
            box->setDown(false);
            box->setChecked(dragTick_);
            box->setProperty("dragged", false);
            state_.drawing.callXY = {BgCall->x(), BgCall->y(), BgName->x(), BgName->y()};
            return true;
        }
        default:
            return false;
    }
}

// Expert mode's preview: the first picture of the definition that exists, cut
// to the card's shape.
QImage TZkvmQSL::expertPreview() const {
    QStringList lines;
    if (!QslDefinition::readLines(state_.definitionPath, lines)) return {};
    const QDir folder = QFileInfo(state_.definitionPath).dir();
    for (const QString& raw : std::as_const(lines)) {
        const QString line = normalizedLine(raw);
        if (!line.startsWith(u"#Jpg", Qt::CaseInsensitive)) continue;
        const qsizetype first = line.indexOf(u'"');
        const qsizetype last = line.lastIndexOf(u'"');
        if (first < 0 || last <= first) continue;
        QString name = line.mid(first + 1, last - first - 1);
        if (!QDir::isAbsolutePath(name) && !(name.size() > 1 && name[1] == u':'))
            name = folder.filePath(name);
        if (!QFileInfo(name).isFile()) continue;
        const JpegReadResult read = readJpeg(name, QSize(528, 336));
        if (!read.ok()) continue;
        const QImage& p = read.image;
        if (p.width() * 336 >= p.height() * 528)
            return p.copy(0, 0, p.width(), int(qint64(p.width()) * 336000 / 528000));
        return p.copy(0, 0, int(qint64(p.height()) * 528000 / 336000), p.height());
    }
    return {};
}

void TZkvmQSL::resizePicture(QSize target) {
    if (ShowMsgBox(this, QStringLiteral("JPEG画像サイズを調整します。\r\rよろしいですか？"),
                   app::title(), mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes)
        return;
    const QString folder =
        settings_.readString(u"QslDef", u"ReSize", QFileInfo(state_.definitionPath).path());
    const auto chosen = chooseFile({FileDialogRequest::Kind::Save, QStringLiteral("JPEG画像の保存"),
                                    QStringLiteral("JPEG画像(*.jpg)|*.jpg"), folder});
    if (!chosen) return;
    QString path = *chosen;
    if (QFileInfo(path).suffix().compare(u"jpg", Qt::CaseInsensitive) != 0) path += u".jpg";
    JpegInfo info;
    if (!readJpegInfo(state_.picturePath, info)) return;
    const QSize photo = info.uprightSize();
    const double proportion = double(target.width()) / target.height();
    const QRect crop =
        double(photo.width()) / photo.height() <= proportion
            ? QRect(0, 0, photo.width(), int(std::nearbyint(photo.width() / proportion)))
            : QRect(0, 0, int(std::nearbyint(photo.height() * proportion)), photo.height());
    const JpegReadResult read = readJpeg(state_.picturePath, target, crop);
    if (!read.ok()) return;
    QImage card(target, QImage::Format_RGB32);
    StretchCopy(read.image, card);
    QString error;
    if (!writeJpeg(card, path, 90, &error)) {
        ShowMsgBox(this, path + QStringLiteral("\r\r・・・を作成できません！"), app::title(),
                   mb::Ok | mb::IconStop);
        return;
    }
    settings_.writeString(u"QslDef", u"ReSize", QFileInfo(path).path());
    choosePicture(path);
}

// The sample card: the latest QSO with a registered station, then the one
// before it at each "他のUser".
void TZkvmQSL::Speed4Click() {
    const bool expert = state_.options.expertMode;
    if (!expert && !QFileInfo(state_.picturePath).isFile())
        return warn(this, QStringLiteral("ファイルメニューからJPEG画像を開いてください。"));
    if (!state_.qsoDataOpened)
        return warn(this, QStringLiteral("ファイルメニューからQSOデータを開いてください。"));
    if (expert && !QFileInfo(state_.definitionPath).isFile())
        return warn(this, QStringLiteral("QSL定義ファイルを登録してください。"));
    if (!QFileInfo(state_.userList).isFile())
        return warn(this, QStringLiteral("ファイルメニューからユーザーリストを開いてください。"));
    UserHandle users;
    if (User_open(0, 0, users, state_.userList) != 0 || users.status != 0) {
        User_close(users);
        return warn(this, QStringLiteral("一度、ZELKOV/Win でユーザーリストを開いてください。"));
    }
    takeControls();
    ZkwHandle log;
    if (ZelkovOpen(0, log, state_.qsoData, 0) != 0) {
        User_close(users);
        return warn(this, QStringLiteral("ファイルメニューからQSOデータを開いてください。"));
    }
    SelectionRules rules;
    rules.excludedRoutes = environment_.excludedRoutes;
    rules.eligibleSentMarks = environment_.eligibleSentMarks;
    rules.onlyUnsent = false;  // any card will do for a sample
    int from = log.recordCount;
    QslDefinition fallback;
    CardComposer composer(state_, environment_, definition_ ? *definition_ : fallback);
    while (from >= 1) {
        const Selection found = SelectCandidates(log, users, from, from, 1, rules);
        if (found.candidates.isEmpty()) {
            warn(this, QStringLiteral("ユーザー登録局との交信が見つかりません！"));
            break;
        }
        const CardComposer::Result card = composer.ComposeCard(found.candidates.front());
        if (card.path == u"-" || !preview_) break;
        const int answer = preview_->ShowCardPreview(card.path, false, found.lastAdded);
        QFile::remove(card.path);
        if (answer != TForm3::Next) break;
        from = found.lastAdded - 1;
    }
    ZelkovClose(log, 0);
    User_close(users);
}
