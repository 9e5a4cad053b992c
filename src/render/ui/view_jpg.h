#pragma once
// The card viewer ("ViewJpg"): the card pictures of a folder one at a time,
// newest first, with the message that came with each card.

#include <QImage>
#include <QStringList>
#include <QThreadPool>
#include <QWidget>

#include <functional>

class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QActionGroup;
class WindowState;
struct CardFolders;

// What the viewer's menu asks of its owner: the received cards shown again
// (after a new sort order); the card shown found in the received list (and
// then with the logging program's edit window), or in the sent list.
struct ViewerCommands {
    std::function<void()> showReceivedCards;
    std::function<void()> locateInReceivedList;
    std::function<void()> editInLoggingProgram;
    std::function<void()> locateInSentList;
};

class TFormJP : public QWidget {
    Q_OBJECT
public:
    // `folders` are the owner's, read at each use (they may change).
    TFormJP(WindowState& places, const CardFolders& folders, ViewerCommands commands,
            QWidget* parent = nullptr);
    ~TFormJP() override;

    // Shows the pictures of a folder (or a mask with MaskGiven); "*" shows the
    // current entry again. The number found, -1 when nothing was searched.
    int ShowCards(const QString& pathOrMask, int flags);

    int sortMode() const { return sortMode_; }

    // The picture as shown (decoded at the scale it is shown at).
    const QImage& picture() const { return picture_; }
    // The shown card's picture is still being read.
    bool reading() const { return reading_; }
    QString shownPath() const { return path_; }
    int position() const;
    void nextEntry();
    void deleteShown();
    void onlyThisStation();
    void saveMessage();
    void setSortMode(int mode);
    // The order for the next showing, without showing again.
    void setSortModeQuietly(int mode);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void showEntry();
    void layOut();
    QRect pictureArea() const;
    QSize roomForPicture() const;
    void startReading();

    WindowState& places_;
    const CardFolders& folders_;
    ViewerCommands commands_;
    QStringList entries_;
    QString mask_;
    QString path_;
    QString messagePath_;
    QImage picture_;
    QThreadPool reader_;  // one thread: the pictures are read in turn
    quint64 readTicket_ = 0;
    bool reading_ = false;
    bool unreadable_ = false;  // the shown card's file is no picture we can show
    int sortMode_ = 1;
    bool placed_ = false;
    QLabel* Label1 = nullptr;
    QScrollBar* ScrollBar1 = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* SaveButton = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    class QAction* Delete1 = nullptr;
    QActionGroup* sortGroup_ = nullptr;
};
