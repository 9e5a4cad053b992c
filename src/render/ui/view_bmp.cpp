#include "render/ui/view_bmp.h"

#include "core/file_dialogs.h"
#include "core/text_files.h"
#include "core/ui/wait_cursor.h"
#include "core/window_state.h"
#include "core/zk_dll5.h"
#include "render/card_viewer.h"
#include "render/jpeg_io.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTransform>

namespace {

constexpr int kPanel = 40;

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& tip,
                    int width) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(tip);
    b->setFixedSize(width, 30);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

TForm3::TForm3(WindowState& places, std::function<void(bool)> lockCommands, QWidget* parent)
    : QDialog(parent), places_(places), lock_(std::move(lockCommands)) {
    setObjectName(QStringLiteral("Form3"));
    SendButton = button(this, "SendButton", QStringLiteral("送信"),
                        QStringLiteral("表示されている画像を送信"), 64);
    NextButton = button(this, "NextButton", QStringLiteral("次へ"),
                        QStringLiteral("この画像は送信せず、次の画像へ移る"), 48);
    AllButton = button(this, "AllButton", QStringLiteral("一気に"),
                       QStringLiteral("この画像から最後まで一気に送信"), 64);
    BackButton =
        button(this, "BackButton", QStringLiteral("前へ"), QStringLiteral("前の画像に戻る"), 56);
    CancelButton = button(this, "CancelButton", QStringLiteral("キャンセル"), QString(), 88);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    connect(SendButton, &QPushButton::clicked, this, [this] { finish(Send); });
    connect(NextButton, &QPushButton::clicked, this, [this] { finish(Next); });
    connect(AllButton, &QPushButton::clicked, this, [this] { finish(SendAll); });
    connect(BackButton, &QPushButton::clicked, this, [this] { finish(Back); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { finish(Cancel); });

    PopupMenu1 = new QMenu(this);
    auto add = [this](const char* name, const QString& caption, void (TForm3::*handler)()) {
        auto* a = PopupMenu1->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    add("Rotate1", QStringLiteral("９０度右回転"), &TForm3::rotateRight);
    add("Copy1", QStringLiteral("コピー(&C)"), &TForm3::copyPicture);
    Paste1 = add("Paste1", QStringLiteral("貼り付け(&P)"), &TForm3::pastePicture);
    add("Save1", QStringLiteral("名前を付けて保存(&S)"), &TForm3::saveAs);
    connect(PopupMenu1, &QMenu::aboutToShow, this,
            [this] { Paste1->setEnabled(!QApplication::clipboard()->image().isNull()); });
}

int TForm3::ShowCardPreview(const QString& jpegPath, bool sendMode, int recno,
                            const CardPlace& place) {
    path_ = jpegPath;
    {
        const WaitCursor hourglass;
        picture_ = readJpeg(jpegPath).image;
    }
    result_ = Cancel;
    setWindowTitle(jpegPath);
    SendButton->setVisible(sendMode);
    AllButton->setVisible(sendMode);
    BackButton->setVisible(sendMode);
    NextButton->setText(sendMode ? QStringLiteral("次へ") : QStringLiteral("他のUser"));
    NextButton->setFixedWidth(sendMode ? 48 : 80);
    Label1->setText(
        previewLabel(sendMode, recno, picture_.size(), QFileInfo(jpegPath).fileName(), place));
    // Enter sends; a card the batch mailed already is not sent again by it.
    SendButton->setDefault(sendMode && !place.sent);
    NextButton->setDefault(sendMode && place.sent);
    // The inside's corner, as it was saved (see finish).
    setGeometry(placedOnScreen(QRect(places_.previewPlace().value_or(QPoint(9, 9)), size()),
                               screenAreas()));
    layOut();
    if (!sendMode) {
        setModal(true);
        exec();
        return result_;
    }
    // Send mode: the caller's batch waits here while the window stays usable.
    setModal(false);
    lock_(true);
    show();
    QEventLoop loop;
    waiting_ = true;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    loop.exec();
    waiting_ = false;
    lock_(false);
    return result_;
}

void TForm3::layOut() {
    const QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen();
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize maxClient =
        (screen ? screen->availableGeometry().size() : QSize(1280, 1024)) - frame;
    const QSize fitted = fitPicture(picture_.size(), maxClient - QSize(0, kPanel));
    adjusting_ = true;
    resize(fitted.width() + 1, fitted.height() + kPanel);
    adjusting_ = false;
    int x = 4;
    for (QPushButton* b : {SendButton, NextButton, AllButton, BackButton, CancelButton}) {
        if (!b->isVisibleTo(this)) continue;
        b->move(x, 5);
        x += b->width() + 4;
    }
    Label1->setGeometry(x + 8, 5, std::max(width() - x - 12, 10), 30);
    update();
}

void TForm3::finish(int result) {
    result_ = result;
    places_.setPreviewPlace(geometry().topLeft());  // the inside, put back by setGeometry
    done(result == Cancel ? QDialog::Rejected : QDialog::Accepted);
}

void TForm3::closeEvent(QCloseEvent* event) {
    // Closing by the frame answers as the cancel button.
    places_.setPreviewPlace(geometry().topLeft());
    result_ = Cancel;
    QDialog::closeEvent(event);
}

void TForm3::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area(0, kPanel + 1, width(), height() - kPanel - 1);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!picture_.isNull()) painter.drawImage(area, picture_);
}

void TForm3::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (adjusting_ || picture_.isNull()) return;
    // The height follows the width, keeping the picture's shape.
    const int wanted = int(qint64(width()) * picture_.height() / picture_.width()) + kPanel;
    if (wanted != height()) {
        adjusting_ = true;
        resize(width(), wanted);
        adjusting_ = false;
    }
}

void TForm3::contextMenuEvent(QContextMenuEvent* event) {
    PopupMenu1->popup(event->globalPos());
}

void TForm3::rotateRight() {
    picture_ = picture_.transformed(QTransform().rotate(90));
    layOut();
}

void TForm3::copyPicture() {
    QApplication::clipboard()->setImage(picture_);
}

void TForm3::pastePicture() {
    const QImage pasted = QApplication::clipboard()->image();
    if (pasted.isNull()) return;
    picture_ = pasted.convertToFormat(QImage::Format_RGB32);
    layOut();
}

void TForm3::saveAs() {
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Save, QStringLiteral("名前を付けて保存"),
                    QStringLiteral("JPEG画像(*.jpg)|*.jpg"), QFileInfo(path_).path()});
    if (!chosen) return;
    QString path = *chosen;
    const QFileInfo info(path);
    if (info.suffix().compare(u"jpg", Qt::CaseInsensitive) != 0)
        path = info.path() + u'/' + info.completeBaseName() + QStringLiteral(".jpg");
    QString error;
    if (!writeJpeg(picture_, path, 90, &error)) ShowCannotCreate(path, error);
}
