#pragma once
// The card preview ("ViewBmp"): a composed card shown before it is mailed,
// with send, skip, send-all and back buttons; or a sample card with
// "他のUser".

#include <QDialog>
#include <QImage>

#include <functional>

class QLabel;
class QMenu;
class QPushButton;
class TZkwIni;

class TForm3 : public QDialog {
    Q_OBJECT
public:
    // Results of ShowCardPreview.
    enum Result { Send = 0, Cancel = 1, Next = 2, SendAll = 3, Back = 4 };

    explicit TForm3(TZkwIni& settings, QWidget* parent = nullptr);

    // While a send-mode preview is up, the main window's commands that start
    // a run or switch the mode are locked with this.
    void setCommandLock(std::function<void(bool)> lock) { lock_ = std::move(lock); }

    int ShowCardPreview(const QString& jpegPath, bool sendMode, int recno);

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

    TZkwIni& settings_;
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
