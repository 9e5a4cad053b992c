#pragma once
// The main window: menus and buttons of every command, the beginner-mode
// controls over the card preview, the message memo. It shows the MainState
// the entry hands it and saves it when it closes.

#include "core/app_paths.h"

#include <QImage>
#include <QMainWindow>

#include <functional>

struct EnvironmentSettings;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;
class TSetQSL;
class THTTPDown;
class TForm3;
class TFormJP;
class QslDefinition;
class TZkwIni;
struct MainState;
class HistoryCombo;
class CardPreview;

class TZkvmQSL : public QMainWindow {
    Q_OBJECT
public:
    TZkvmQSL(TZkwIni& settings, MainState& state, EnvironmentSettings& environment, AppPaths paths,
             QWidget* parent = nullptr);
    ~TZkvmQSL() override;

    // The windows created after this one, each living for the whole run.
    void setEnvironmentWindow(TSetQSL* window);
    // Opens the communication settings (until their window exists, a notice).
    void setCommunicationSettingsCommand(std::function<void()> command) {
        communicationCommand_ = std::move(command);
    }
    // The call sign of the communication settings, upper-cased, for the labels.
    void setOwnCall(const QString& call);
    // The client of the service's server (the manual command's notice page).
    void setHttpClient(THTTPDown* http) { http_ = http; }
    // Opens the about box.
    void setAboutCommand(std::function<void()> command) { aboutCommand_ = std::move(command); }
    // Whether Ctrl was held when the program started: the saved place is not
    // used then, only the size.
    void setCtrlHeldAtStart(bool held) { ctrlHeldAtStart_ = held; }

    // The end of the run: the resets and the settings' last flush.
    void FormDestroy();

    // Commands, public so that the link and tests can run them.
    void JPEG1Click();
    void QSLO1Click();
    void QSO1Click();
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
    void AntR1Click();
    void N11Click();
    void N13Click();
    void N14Click();
    void H1Click();
    void Speed6Click(bool shift);
    void choosePicture(const QString& path);
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
    void setCardWindows(TForm3* preview, TFormJP* viewer, QslDefinition* definition);
    void chooseDefinition(const QString& path);

    // The post-show checks, in order (run once after the window is shown).
    void postShowChecks();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildControls();
    void setCreationHints();
    QAction* command(QMenu* menu, const char* name, const QString& caption,
                     void (TZkvmQSL::*handler)(), const QKeySequence& key = {});
    QAction* laterCommand(QMenu* menu, const char* name, const QString& caption,
                          const QKeySequence& key = {});
    QPushButton* laterButton(const char* name, const QString& caption);
    void notAvailableYet();

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
    QImage expertPreview() const;
    void chooseFolder(bool received);
    void askReset(int which);

    TZkwIni& settings_;
    MainState& state_;
    EnvironmentSettings& environment_;
    AppPaths paths_;
    TSetQSL* environmentWindow_ = nullptr;
    std::function<void()> communicationCommand_;
    std::function<void()> aboutCommand_;
    THTTPDown* http_ = nullptr;
    bool ctrlHeldAtStart_ = false;
    bool shown_ = false;
    bool closed_ = false;
    QSize pictureSize_;  // of the background picture, as its file holds it
    TForm3* preview_ = nullptr;
    TFormJP* viewer_ = nullptr;
    QslDefinition* definition_ = nullptr;
    QPoint dragStart_;
    bool dragTick_ = false;

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
