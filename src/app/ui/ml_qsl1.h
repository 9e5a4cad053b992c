#pragma once
// The main window: menus and buttons of every command, the beginner-mode
// controls over the card preview, the message memo. It shows the MainState
// the entry hands it, keeps the person's choices in the settings, and saves
// the state when it closes. It creates the windows of the whole run that
// belong to it (communication settings, card preview and viewer,
// environment settings), handing each its collaborators.

#include "core/app_paths.h"
#include "server/comm_session.h"

#include <QImage>
#include <QMainWindow>

#include <functional>
#include <memory>

class CardPreview;
class LoggingLink;
class LoggingProgram;
struct LinkView;
namespace platform {
class LinkWindow;
}
class GuiProgressPort;
class PreviewCardDecisions;
class HistoryCombo;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;
class QsoFeed;
struct QsoRecord;
struct QuietSend;
class DefinitionChoice;
class QslDefinition;
enum class Command;
class TForm3;
class TFormJP;
class THTTPDown;
class TOptionF;
class TShForm1;
class TShForm2;
class TSetQSL;
class TZkwIni;
class WindowState;
struct EnvironmentSettings;
struct MainState;

// What the main window works with; the entry builds each for the whole run.
struct MainWindowParts {
    TZkwIni& settings;
    MainState& state;
    EnvironmentSettings& environment;
    WindowState& places;
    CommSessionParts communication;  // the communication settings window's
    THTTPDown& http;  // the service's server: the manual's notice page, the about box
    QslDefinition& definition;
    DefinitionChoice& definitionFile;  // QslDef/mQSL, shared with the definition editor
    AppPaths paths;
    // Ctrl held when the program started: the saved place is not used, only
    // the size.
    bool ctrlHeldAtStart = false;
};

class TZkvmQSL : public QMainWindow {
    Q_OBJECT
public:
    explicit TZkvmQSL(const MainWindowParts& parts, QWidget* parent = nullptr);
    ~TZkvmQSL() override;

    // The end of the run: the resets and the settings' last flush.
    void FormDestroy();

    // The call sign of the communication settings, upper-cased, for the labels.
    void setOwnCall(const QString& call);

    // The windows it created, for the link and tests.
    TForm3& cardPreview() { return *preview_; }
    TFormJP& cardViewer() { return *viewer_; }
    // The ports a send batch and a receive run report through.
    GuiProgressPort& progress() { return *progress_; }

    // Commands, public so that the link and tests can run them.
    void JPEG1Click();
    void QSLO1Click();
    void QSO1Click();
    void ADIF1Click();
    // The range follows a log that changed since it was last looked at.
    void noticeLogChange();
    void USR1Click();
    void Rig1Click();
    void M1Click();
    void BN1Click();
    void QSL1Click();
    void QSLS1Click();
    void C2Click();
    void T1Click();
    void O1Popup();
    void QSL2Click();
    void S1Click();
    void AntR1Click();
    void N11Click();
    void N13Click();
    void N14Click();
    void H1Click();
    void C1Click();
    void V6Click();
    void Speed6Click(bool shift);
    void choosePicture(const QString& path);
    // The send batch and the receive run (the same button stops a run).
    void Speed1Click();
    void Speed5Click();
    // The link with the logging program, and its menu's commands.
    void NOVQ1Click();
    void ZLKV1Click();
    void showStationCards(int viewKind);
    // The registration timer: a check of the station on the logging
    // program's screen, or a card to it.
    void Timer2Timer();
    // "QSL編集": the definition editor; `preview`: straight to the image
    // (expert mode's "イメージ").
    void Speed9Click(bool preview);
    // "NOVQコンファーム状況": the confirmation status by area.
    void CNF3Click();
    // "電子QSLのバックアップ": the backup dialog.
    void QSLB1Click();
    // The received-card list ("照合") and the sent-card list ("送信済QSL").
    void SN2Click();
    void QSL3Click();
    TShForm2& sentList();
    // A card to one station alone, after asking the server whether it takes
    // part: a new card of QSO `recno`, or the sent card `resendFile` again.
    void sendToOneStation(const QString& call, int recno, const QString& resendFile);
    // The QSOs WSJT-X, JTDX or a followed log file bring: the switch, the
    // settings window, and a card for one of them through the same single
    // send, without a box unless `preview`.
    void WSJT1Click();
    void WSJT2Click();
    QuietSend sendLoggedQso(int recno, const QsoRecord& qso, bool preview);
    QsoFeed& feed() { return *feed_; }
    // The beginner-mode controls, the sample card and the viewer.
    void VwrQ1Click();
    void Speed8Click(bool newestFirst);
    void Speed2Click();
    void Speed3Click(bool colourOnly);
    void BgFontClick(bool colourOnly);
    void nColorClick();
    void Speed4Click();
    void resizePicture(QSize target);
    // Locks the commands that start a run or switch the mode (while a card
    // preview of a send is up).
    void lockCommands(bool locked);
    void chooseDefinition(const QString& path);
    // The viewer on the cards of a mask; closed for an empty one.
    void showCardsOrClose(const QString& mask);

    // The post-show checks, in order (run once after the window is shown).
    // `beforeSend`: run as a send starts, which asks about undecided cards
    // itself.
    void postShowChecks(bool beforeSend = false);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildMenus();
    void buildButtons();
    void buildControls();
    void setCreationHints();
    QAction* commandAction(const struct CommandEntry& entry, QMenu* menu);
    // The one place where a command of the table is carried out.
    void runCommand(Command command);
    // Whether work runs that a new command or the poll must not cut into.
    bool workRunning() const;
    // The card's look and its sample open boxes of their own: not while work
    // runs (a box would hold the work's wait up). True, with a beep, then.
    bool refusedWhileWorking();

    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    void showState();
    void showOwnCall();
    void takeControls();
    void showRecentMenus();
    void showOptions();
    void updateCaption();
    void updateHints();
    void updateModeControls();
    void loadPreview();
    void layoutBottom();
    void applyLooks();
    bool dragBox(QCheckBox* box, QEvent* event);
    void chooseFolder(bool received);
    void askReset(int which);
    // The viewer's card found in the received list (and with `edit`, its QSO
    // in the logging program's edit window), or in the sent list.
    void locateShownCard(bool edit);
    void locateShownSentCard();
    void createLink();
    void createFeed();
    void showFeed();
    // The range's start moved past the records the feed settled (their
    // cards went by themselves, or they were only to be logged).
    void startRangeAfterSettled();
    // What every send of the window runs with: its ports, the server, the
    // interpreter, and the rig chooser when the settings ask for it.
    struct SendBatchParts sendBatchParts();
    void showLinkView(const LinkView& view);
    struct CardListParts cardListParts();

    TZkwIni& settings_;
    MainState& state_;
    EnvironmentSettings& environment_;
    WindowState& places_;
    THTTPDown& http_;
    QslDefinition& definition_;
    DefinitionChoice& definitionFile_;
    AppPaths paths_;
    bool ctrlHeldAtStart_ = false;
    bool shown_ = false;
    bool closed_ = false;
    int commandDepth_ = 0;  // commands running (one waits while another comes in)
    bool drawingSample_ = false;
    bool sending_ = false;  // a send batch runs (its button stops it)  // the sample card is being
                            // drawn (its button stops it)
    QSize pictureSize_;     // of the background picture, as its file holds it
    QPoint dragStart_;
    bool dragTick_ = false;

    // The windows of the whole run, children of this one.
    TOptionF* communicationWindow_ = nullptr;
    TForm3* preview_ = nullptr;
    TFormJP* viewer_ = nullptr;
    TSetQSL* environmentWindow_ = nullptr;
    TShForm1* receivedList_ = nullptr;
    TShForm2* sentList_ = nullptr;  // made when first used
    std::unique_ptr<GuiProgressPort> progress_;
    // The logging program, as the link finds it.
    std::unique_ptr<platform::LinkWindow> linkWindow_;
    std::unique_ptr<LoggingLink> link_;
    int rigRow_ = 0;  // the rig chooser's last row
    std::unique_ptr<PreviewCardDecisions> decisions_;
    std::unique_ptr<QsoFeed> feed_;

    QMenu* pictureMenu_ = nullptr;
    QMenu* definitionMenu_ = nullptr;
    QList<QAction*> pictureItems_;     // J1 ... J30
    QList<QAction*> definitionItems_;  // D1 ... D32
    QAction* QSO1 = nullptr;
    QAction* USR1 = nullptr;
    QAction* Rig1 = nullptr;
    QAction* N800 = nullptr;
    QAction* N640 = nullptr;
    QAction* N528 = nullptr;
    QAction* ZELKOV1 = nullptr;
    QAction* KY1 = nullptr;
    QAction* WSJT1 = nullptr;
    QWidget* FeedBar = nullptr;
    QCheckBox* FeedSwitch = nullptr;
    QLabel* FeedLine = nullptr;

    QWidget* top_ = nullptr;
    QPushButton* Speed1 = nullptr;
    QPushButton* Speed5 = nullptr;
    QPushButton* Speed7 = nullptr;
    QPushButton* Speed8 = nullptr;
    QPushButton* Speed9 = nullptr;
    QPushButton* Speed10 = nullptr;
    QPushButton* Speed11 = nullptr;
    QPushButton* Speed12 = nullptr;
    QPushButton* Speed13 = nullptr;
    QPushButton* Speed2 = nullptr;
    QPushButton* Speed3 = nullptr;
    QPushButton* Speed4 = nullptr;
    QPushButton* Speed6 = nullptr;
    QPushButton* BgFont = nullptr;
    QPushButton* nColor = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QProgressBar* Progress1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QCheckBox* RecRead = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* DefFile = nullptr;
    QCheckBox* BgCall = nullptr;
    QCheckBox* BgName = nullptr;
    QList<QRadioButton*> placeButtons_;  // PCheck0 ... PCheck4
    QComboBox* TransC1 = nullptr;
    QSpinBox* AlphaBl = nullptr;
    HistoryCombo* PoBox1 = nullptr;
    HistoryCombo* RmkBox = nullptr;
    QLineEdit* RstEdit = nullptr;
    CardPreview* PaintBox1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QTimer* Timer1 = nullptr;
};
