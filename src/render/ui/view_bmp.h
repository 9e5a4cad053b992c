#pragma once
// The card preview ("ViewBmp"): a composed card shown before it is mailed,
// with send, skip, send-all and back buttons; or a sample card with
// "他のUser".

#include "core/card_decisions.h"

#include <QDialog>
#include <QImage>

#include <functional>

class QLabel;
class QMenu;
class QPushButton;
class WindowState;

class TForm3 : public QDialog {
    Q_OBJECT
public:
    // Results of ShowCardPreview.
    enum Result { Send = 0, Cancel = 1, Next = 2, SendAll = 3, Back = 4 };

    // `lockCommands` locks the owner's commands that would start another run
    // while a send waits on the preview (true), and unlocks them (false).
    TForm3(WindowState& places, std::function<void(bool)> lockCommands, QWidget* parent = nullptr);

    // While a send-mode preview is up, the main window's commands that start
    // a run or switch the mode are locked with this.

    int ShowCardPreview(const QString& jpegPath, bool sendMode, int recno,
                        const CardPlace& place = {});

    const QImage& picture() const { return picture_; }
    void rotateRight();
    void copyPicture();
    void pastePicture();
    void saveAs();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void layOut();
    void finish(int result);

    WindowState& places_;
    std::function<void(bool)> lock_;
    QImage picture_;
    QString path_;
    int result_ = Cancel;
    bool waiting_ = false;
    bool adjusting_ = false;
    QLabel* Label1 = nullptr;
    QPushButton* SendButton = nullptr;
    QPushButton* NextButton = nullptr;
    QPushButton* AllButton = nullptr;
    QPushButton* BackButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QMenu* PopupMenu1 = nullptr;
    class QAction* Paste1 = nullptr;
};
