#include "render/ui/view_jpg.h"

#include "core/app_info.h"
#include "core/card_folders.h"
#include "core/file_dialogs.h"
#include "core/msg_box.h"
#include "core/shell_open.h"
#include "core/sjis.h"
#include "core/text_files.h"
#include "core/window_state.h"
#include "render/card_viewer.h"
#include "render/jpeg_io.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QThreadPool>
#include <QWheelEvent>

namespace {

constexpr int kLabelRow = 22;
constexpr int kMemoHeight = 96;
// Pictures other than JPEG are refused beyond this (an RGB32 5,600 x 5,600).
constexpr int kOtherPictureLimitMB = 128;

}  // namespace

TFormJP::TFormJP(WindowState& places, const CardFolders& folders, ViewerCommands commands,
                 QWidget* parent)
    : QWidget(parent, Qt::Window),
      places_(places),
      folders_(folders),
      commands_(std::move(commands)) {
    reader_.setMaxThreadCount(1);
    setObjectName(QStringLiteral("FormJP"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    ScrollBar1 = new QScrollBar(Qt::Horizontal, this);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this] { showEntry(); });
    CancelButton = new QPushButton(QStringLiteral("閉じる"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(CancelButton, &QPushButton::clicked, this, &QWidget::close);
    SaveButton = new QPushButton(QStringLiteral("保存"), this);
    SaveButton->setObjectName(QStringLiteral("SaveButton"));
    SaveButton->setToolTip(QStringLiteral("受信したテキストメッセージを保存"));
    SaveButton->hide();
    connect(SaveButton, &QPushButton::clicked, this, &TFormJP::saveMessage);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->installEventFilter(this);
    Memo1->viewport()->installEventFilter(this);
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] {
        if (Memo1->hasFocus()) SaveButton->show();
    });
    const WindowState::ViewerPlace place = places_.viewerPlace();
    sortMode_ = place.at ? std::clamp(place.sortMode, 0, 2) : viewer_sort::FileTime;
    buildMenu();
    setAttribute(Qt::WA_Hover);
}

void TFormJP::buildMenu() {
    PopupMenu1 = new QMenu(this);
    auto add = [this](const char* name, const QString& caption, const QKeySequence& key,
                      const std::function<void()>& run) {
        auto* a = PopupMenu1->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) {
            a->setShortcut(key);
            addAction(a);
        }
        connect(a, &QAction::triggered, this, run);
        return a;
    };
    add("SN1", QStringLiteral("電子QSLとQSOデータを照合(&Q)..."), Qt::Key_F4,
        [this] { commands_.locateInReceivedList(); });
    add("ZK1", QStringLiteral("照合してZELKOV修正ウインドウ(&T)..."), Qt::Key_F12,
        [this] { commands_.editInLoggingProgram(); });
    add("QSL3", QStringLiteral("送信済み電子QSL一覧(&S)..."), Qt::Key_F2,
        [this] { commands_.locateInSentList(); });
    add("H1", QStringLiteral("表示されている局のみとする(&H)"), Qt::Key_F3,
        [this] { onlyThisStation(); });
    PopupMenu1->addSeparator();
    add("O1", QStringLiteral("画像を開く(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O), [this] {
        const auto chosen = chooseFile(
            {FileDialogRequest::Kind::Open, QStringLiteral("JPEG画像の表示"),
             QStringLiteral("JPEG画像|*.jpg;*.jpeg|BMP画像|*.bmp"), places_.viewerFolder()});
        if (!chosen) return;
        places_.setViewerFolder(QFileInfo(*chosen).path());
        ShowCards(*chosen, viewer_flag::MaskGiven);
    });
    add("G1", QStringLiteral("フォルダ内の全画像を開く(&G)"), QKeySequence(Qt::CTRL | Qt::Key_G),
        [this] {
            const auto chosen = chooseFile(
                {FileDialogRequest::Kind::Open, QStringLiteral("JPEG画像の表示"),
                 QStringLiteral("JPEG画像|*.jpg;*.jpeg|BMP画像|*.bmp"), places_.viewerFolder()});
            if (!chosen) return;
            places_.setViewerFolder(QFileInfo(*chosen).path());
            ShowCards(*chosen, 0);
        });
    add("E1", QStringLiteral("画像を編集ソフトで開く(&E)"), {}, [this] {
        if (!path_.isEmpty()) ShellOpen(path_);
    });
    PopupMenu1->addSeparator();
    sortGroup_ = new QActionGroup(this);
    const QString sortCaptions[] = {QStringLiteral("最新の交信年月日から表示"),
                                    QStringLiteral("新しいJPEG画像から表示"),
                                    QStringLiteral("JPEGファイル名順に表示")};
    for (int mode = 0; mode < 3; ++mode) {
        QAction* a = add(mode == 0   ? "Sort0"
                         : mode == 1 ? "Sort1"
                                     : "Sort2",
                         sortCaptions[mode], {}, [this, mode] { setSortMode(mode); });
        a->setCheckable(true);
        a->setChecked(mode == sortMode_);
        sortGroup_->addAction(a);
    }
    PopupMenu1->addSeparator();
    Delete1 =
        add("Delete1", QStringLiteral("この画像ファイルを削除する"), {}, [this] { deleteShown(); });
    add("Copy1", QStringLiteral("コピー(&C)"), {},
        [this] { QApplication::clipboard()->setImage(picture_); });
    add("Paste1", QStringLiteral("貼り付け(&P)"), {}, [this] {
        const QImage pasted = QApplication::clipboard()->image();
        if (!pasted.isNull()) picture_ = pasted.convertToFormat(QImage::Format_RGB32), update();
    });
    add("Help1", QStringLiteral("ヘルプ(&H)"), {},
        [] { ShellOpen(app::primaryServerBase() + QStringLiteral("tgw/qsl/recvjpg.html")); });
}

int TFormJP::ShowCards(const QString& pathOrMask, int flags) {
    if (pathOrMask == u"*") {
        if (entries_.isEmpty()) return -1;
        showEntry();
        return int(entries_.size());
    }
    mask_ = viewerMask(pathOrMask, flags);
    entries_ = findCards(mask_, sortMode_);
    const int found = int(entries_.size());
    if (found == 0) {
        close();
        if (!(flags & viewer_flag::Quiet))
            ShowMsgBox(this, mask_ + QStringLiteral("\r\r電子QSLが見つかりません！"), app::title(),
                       mb::Ok | mb::IconExclamation);
        return 0;
    }
    const QSignalBlocker quiet(ScrollBar1);
    ScrollBar1->setRange(0, std::max(found - 1, 0));
    // One card a step, the slider one card's share of the bar: it moves to
    // the right as the cards go on.
    ScrollBar1->setSingleStep(1);
    ScrollBar1->setPageStep(1);
    ScrollBar1->setValue(0);
    const bool several = found > 1;
    ScrollBar1->setVisible(several);
    Label1->setVisible(several);
    CancelButton->setVisible(several);
    Delete1->setVisible(several);
    showEntry();
    if (several) ScrollBar1->setFocus();
    return found;
}

int TFormJP::position() const {
    return ScrollBar1->value();
}

void TFormJP::showEntry() {
    if (entries_.isEmpty()) {
        close();
        return;
    }
    int count = int(entries_.size());
    int index = shownIndex(std::min(position(), count - 1), count, sortMode_);
    // Renamed or removed meanwhile (a forced match, another window): the
    // cards are found again, the place kept.
    if (!mask_.isEmpty() && !QFileInfo::exists(entryPath(entries_.value(index)))) {
        entries_ = findCards(mask_, sortMode_);
        count = int(entries_.size());
        if (count == 0) {
            close();
            return;
        }
        const QSignalBlocker quiet(ScrollBar1);
        ScrollBar1->setRange(0, count - 1);
        index = shownIndex(std::min(position(), count - 1), count, sortMode_);
    }
    const QString entry = entries_.value(index);
    path_ = entryPath(entry);
    startReading();
    // The QSO inside the card, when it carries one.
    const QString record = embeddedRecordLine(path_);
    Label1->setText(viewerPositionLabel(position(), count, entryTime(entry)) +
                    (record.isEmpty() ? QString() : QStringLiteral("   ") + record));
    setWindowTitle(QStringLiteral("%1 (読み込み中...)").arg(QFileInfo(path_).fileName()));
    setToolTip(path_);
    messagePath_ = cardMessagePath(folders_.messageDir, path_);
    {
        const QSignalBlocker quiet(Memo1);
        QFile text(messagePath_);
        Memo1->setPlainText(text.open(QIODevice::ReadOnly)
                                ? sjis::decodeUserText(text.read(1 << 20)).replace(u'\r', QString())
                                : QString());
    }
    SaveButton->hide();
    layOut();
    if (!isVisible()) show();
    update();
    raise();
    activateWindow();
}

namespace {

struct ReadCard {
    QImage picture;
    QSize full;  // the picture's own size, for the title
};

// A card from outside may be huge: it is decoded at the scale it can be
// shown at (the screen's room for it), and other kinds of picture are
// refused beyond a bound. Runs on the viewer's reader thread.
ReadCard readCard(const QString& path, QSize room) {
    ReadCard out;
    if (!QFileInfo::exists(path)) return out;
    const JpegReadResult read = readJpeg(path, room);
    if (read.ok()) return {read.image, read.fullSize};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(kOtherPictureLimitMB);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > room.width() || size.height() > room.height()))
        reader.setScaledSize(fitPicture(size, room));
    out.picture = reader.read().convertToFormat(QImage::Format_RGB32);
    out.full = size.isValid() ? size : out.picture.size();
    return out;
}

}  // namespace

// The picture is read off the window's thread: a big or hostile card never
// holds the window. A reading overtaken by another card is dropped.
void TFormJP::startReading() {
    const quint64 ticket = ++readTicket_;
    reading_ = true;
    unreadable_ = false;
    const QString path = path_;
    const QSize room = roomForPicture();
    reader_.start([this, ticket, path, room] {
        ReadCard read = readCard(path, room);
        QMetaObject::invokeMethod(
            this,
            [this, ticket, read = std::move(read)] {
                if (ticket != readTicket_) return;
                reading_ = false;
                picture_ = read.picture;
                unreadable_ = picture_.isNull();
                setWindowTitle(
                    unreadable_
                        ? QStringLiteral("%1 (画像を読めません)").arg(QFileInfo(path_).fileName())
                        : QStringLiteral("%1 (%2x%3)")
                              .arg(QFileInfo(path_).fileName())
                              .arg(read.full.width())
                              .arg(read.full.height()));
                layOut();
                update();
            },
            Qt::QueuedConnection);
    });
}

TFormJP::~TFormJP() {
    // The reader uses the window: it ends first.
    ++readTicket_;
    reader_.waitForDone();
}

QSize TFormJP::roomForPicture() const {
    const QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen();
    const QSize frame = frameGeometry().size() - geometry().size();
    return (screen ? screen->availableGeometry().size() : QSize(1280, 1024)) - frame -
           QSize(0, 32 + kMemoHeight);
}

QRect TFormJP::pictureArea() const {
    const int top = Label1->isVisible() ? kLabelRow : 0;
    const int memoTop = Memo1->geometry().top();
    return QRect(0, top, width(), std::max(memoTop - top, 1));
}

void TFormJP::layOut() {
    // A card not read yet, or not readable, keeps a card's room for what
    // is said in its place.
    const QSize fitted =
        fitPicture(picture_.isNull() ? QSize(528, 336) : picture_.size(), roomForPicture());
    const int top = Label1->isVisible() ? kLabelRow : 0;
    // Never narrower than the information line, a usable scroll bar and
    // the close button (a square card would cut them).
    const int labelNeeds =
        std::max(220, Label1->fontMetrics().horizontalAdvance(Label1->text()) + 8);
    const int least = Label1->isVisible() ? labelNeeds + 4 + 160 + 70 : 360;
    const int w = std::max(fitted.width() + 1, least);
    resize(w, top + fitted.height() + kMemoHeight);
    if (!placed_) {
        // The inside's corner, as closeEvent saves it.
        setGeometry(placedOnScreen(QRect(places_.viewerPlace().at.value_or(QPoint(9, 9)), size()),
                                   screenAreas()));
        placed_ = true;
    }
    // The label as wide as its text ("1／2 (2026/12/08 19:00)"), the
    // scroll bar after it.
    const int labelWidth = labelNeeds;
    Label1->setGeometry(0, 0, labelWidth, kLabelRow);
    ScrollBar1->setGeometry(labelWidth + 4, 2, std::max(w - labelWidth - 4 - 70, 40),
                            kLabelRow - 4);
    CancelButton->setGeometry(w - 66, 0, 64, kLabelRow);
    Memo1->setGeometry(0, top + fitted.height(), w, kMemoHeight);
    SaveButton->setGeometry(w - 70, top + fitted.height() + 4, 64, 24);
}

void TFormJP::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (reading_) {
        painter.fillRect(pictureArea(), palette().window());
        painter.drawText(pictureArea(), Qt::AlignCenter, QStringLiteral("読み込み中..."));
    } else if (unreadable_) {
        painter.fillRect(pictureArea(), palette().window());
        painter.drawText(pictureArea(), Qt::AlignCenter,
                         QStringLiteral("この画像は読めません（壊れているか、大きすぎます）"));
    } else if (!picture_.isNull()) {
        // At its own proportion, centred: a window wider than the card
        // (its information line needs the room) does not stretch it.
        const QRect area = pictureArea();
        QRect shown(QPoint(0, 0), picture_.size().scaled(area.size(), Qt::KeepAspectRatio));
        shown.moveCenter(area.center());
        painter.fillRect(area, palette().window());
        painter.drawImage(shown, picture_);
    }
}

void TFormJP::nextEntry() {
    if (entries_.size() <= 1) {
        close();
        return;
    }
    const int next = position() >= ScrollBar1->maximum() ? 0 : position() + 1;
    ScrollBar1->setValue(next);
    showEntry();
}

void TFormJP::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        nextEntry();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFormJP::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() < 0 ? 1 : -1;  // towards the user: on
    ScrollBar1->setValue(std::clamp(position() + steps, 0, ScrollBar1->maximum()));
    event->accept();
}

bool TFormJP::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo1 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const bool handled = QWidget::eventFilter(watched, event);
        OpenLinkInText(Memo1->textCursor().block().text());
        return handled;
    }
    return QWidget::eventFilter(watched, event);
}

void TFormJP::contextMenuEvent(QContextMenuEvent* event) {
    PopupMenu1->popup(event->globalPos());
}

void TFormJP::closeEvent(QCloseEvent* event) {
    places_.setViewerPlace(geometry(), sortMode_);  // the inside, put back by setGeometry
    QWidget::closeEvent(event);
}

void TFormJP::setSortMode(int mode) {
    setSortModeQuietly(mode);
    commands_.showReceivedCards();
}

void TFormJP::setSortModeQuietly(int mode) {
    sortMode_ = std::clamp(mode, 0, 2);
    const QList<QAction*> actions = sortGroup_->actions();
    for (int i = 0; i < actions.size(); ++i)
        actions[i]->setChecked(i == sortMode_);
}

void TFormJP::deleteShown() {
    if (path_.isEmpty()) return;
    if (ShowMsgBox(this, QStringLiteral("この電子QSLファイルを削除しますか？\r\r") + path_,
                   app::title(), mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes)
        return;
    if (!QFile::moveToTrash(path_)) {
        ShowMsgBox(this,
                   QDir::toNativeSeparators(path_) + QStringLiteral("\r\r・・・を削除できません！"),
                   app::title(), mb::Ok | mb::IconStop);
        return;
    }
    // The card is gone; a text that stays is said, the list goes on without the card.
    if (QFileInfo::exists(messagePath_) && !QFile::moveToTrash(messagePath_))
        ShowMsgBox(this,
                   QDir::toNativeSeparators(messagePath_) +
                       QStringLiteral("\r\r・・・（電子QSLのメール本文）を削除できません！"),
                   app::title(), mb::Ok | mb::IconExclamation);
    const int count = int(entries_.size());
    entries_.removeAt(shownIndex(std::min(position(), count - 1), count, sortMode_));
    const QSignalBlocker quiet(ScrollBar1);
    ScrollBar1->setMaximum(std::max(int(entries_.size()) - 1, 0));
    showEntry();
}

void TFormJP::onlyThisStation() {
    const QString name = QFileInfo(path_).fileName();
    const bool received = QFileInfo(path_).path().compare(QFileInfo(folders_.sentDir).filePath(),
                                                          Qt::CaseInsensitive) != 0;
    if (received)
        ShowCards(QDir(folders_.receivedDir)
                      .filePath(name.section(u'_', 0, 0) + QStringLiteral("_*.jpg")),
                  viewer_flag::MaskGiven);
    else
        ShowCards(QDir(folders_.sentDir).filePath(u'*' + name.section(u'_', -1)),
                  viewer_flag::MaskGiven);
}

void TFormJP::saveMessage() {
    if (QFileInfo::exists(messagePath_)) {
        QString text = Memo1->toPlainText();
        text.replace(u'\n', QStringLiteral("\r\n"));
        // Not written (the person is told): the button stays for another try.
        if (WriteTextFile(text, messagePath_) != 0) return;
    }
    SaveButton->hide();
}
