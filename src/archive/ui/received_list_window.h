#pragma once
// The received-card list ("照合結果"): the cards of the receive folder
// matched against the log, the received marks written from it, and its
// commands (search, filters, the next unmatched card, copying, moving,
// renaming and deleting cards, the band and mode statistic). The list and
// its commands are the core's ReceivedListModel; this window shows it.

#include "archive/near_misses.h"
#include "core/card_folders.h"

#include <QWidget>

#include <functional>

class CardListModel;
class LoggingProgram;
class ProgressPort;
class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTableView;
class ReceivedListModel;
class WindowState;
struct EnvironmentSettings;

// What the card lists work with; the main window hands its own.
struct CardListParts {
    WindowState& places;
    const EnvironmentSettings& environment;
    const CardFolders& folders;
    const QString& qsoData;  // the log's master file
    LoggingProgram& loggingProgram;
    ProgressPort& mainProgress;  // used while the list is not shown
    // The viewer on a folder or a mask; `sent` marks sent cards.
    std::function<void(const QString& pathOrMask, bool sent)> showCards;
    // The main window's single send of one QSO (the call, the record).
    std::function<void(const QString& call, int recno)> sendToStation;
};

class TShForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TShForm1(const CardListParts& parts, QWidget* parent = nullptr);

    // Scans, matches and shows the list; `expectedRecordCount` is the
    // logging program's record count (0 when not asked).
    void BuildReceivedList(int expectedRecordCount);
    // Selects the row of the card of the same QSO as `name`; told when none.
    bool LocateReceivedCard(const QString& name);
    // Writes the window's place (unless the places are being reset) and its
    // switches.
    void saveState(bool withPlace);
    // The commands for the logging program's edit window, while it runs.
    void setLoggingProgramPresent(bool present);

    ReceivedListModel& model() { return *model_; }
    int currentIndex() const;
    void setCurrentIndex(int index);

    // Commands, public for the viewer and tests.
    void QSO1Click();
    void ZKWin1Click();
    void Sent1Click();
    void Sent2Click();
    void QSL3Click();
    void CAF1Click(bool wholeLine);
    void Speed2Click();
    void QSLN1Click();
    void Code1Click();
    void HIT2Click(bool copy);
    void N4Click();
    void N9Click();
    // The explanation's inputs from this list's settings.
    NearMissJob nearMissJob() const;
    void Speed3Click();
    void N1Click();
    void NW6Click(int order);
    void NK5Click();
    void NameQTH1Click();
    void B1Click();
    void ToolButton8Click();
    void showViewerOfRow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildWidgets();
    void buildMenu();
    QAction* addCommand(const char* name, const QString& caption, const QKeySequence& key,
                        std::function<void()> handler);
    void FormShow();
    void showStatus();
    void Popup2Popup();
    void hidePanels();
    void rebuildKeeping(int index);
    std::vector<QString> selectedNames() const;

    WindowState& places_;
    const EnvironmentSettings& environment_;
    const CardFolders& folders_;
    const QString& qsoData_;
    LoggingProgram& loggingProgram_;
    ProgressPort& mainProgress_;
    std::function<void(const QString&, bool)> showCards_;
    std::function<void(const QString&, int)> sendToStation_;

    ReceivedListModel* model_ = nullptr;
    int order_ = 1;
    bool details_ = false;
    bool building_ = false;
    bool searchByCall_ = true;
    bool placed_ = false;

    QTableView* vGrid1 = nullptr;
    QMenu* Popup2 = nullptr;
    QWidget* Panel1 = nullptr;
    QLabel* searchLabel_ = nullptr;
    QLineEdit* Edit1 = nullptr;
    QWidget* Panel2 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QProgressBar* ProgBar1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QPushButton* ToolButton6 = nullptr;
    QAction* CAF1 = nullptr;
    QAction* QSL1 = nullptr;
    QAction* ZKWin1 = nullptr;
    QAction* Sent1 = nullptr;
    QAction* Sent2 = nullptr;
    QAction* Code1 = nullptr;
    QAction* B1 = nullptr;
    QAction* NK5 = nullptr;
    QAction* NameQTH1 = nullptr;
    QList<QAction*> orderActions_;  // NW6, NW7, NW8
};
