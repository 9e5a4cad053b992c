#pragma once
// The sent-card list ("送信済み電子QSLの一覧"): the cards of the sent folder
// matched against the log, to see who has not confirmed yet, resend a card,
// find the received card of the same QSO, delete sent cards. The list and
// its commands are the core's SentListModel; this window shows it.

#include "archive/ui/received_list_window.h"

class SentListModel;

class TShForm2 : public QWidget {
    Q_OBJECT
public:
    // `resend`: the card file, the partner's call and the record go to the
    // main window's single send; `findReceivedCard`: the received list
    // opened at the card of a received-style name.
    TShForm2(const CardListParts& parts,
             std::function<void(const QString& call, const QString& file, int recno)> resend,
             std::function<void(const QString& receivedName)> findReceivedCard,
             QWidget* parent = nullptr);

    // Scans, matches and shows the list of `folder` (empty: the one it has)
    // with the minute as close as `toleranceMinutes`.
    void BuildSentList(const QString& folder, int expectedRecordCount, int toleranceMinutes);
    // Selects the sent card of the QSO of the received card `name`.
    void LocateSentCard(const QString& name);
    void saveState(bool withPlace);
    // The commands for the logging program's edit window, while it runs.
    void setLoggingProgramPresent(bool present);

    SentListModel& model() { return *model_; }
    int currentIndex() const;
    void setCurrentIndex(int index);

    void ZKT1Click();
    void Sent1Click();
    void QSO1Click();
    void X1Click();
    void CF1Click();
    void Speed2Click();
    void R1Click();
    void QSL3Click();
    void N1Click();
    void NW7Click(int order);
    void NK5Click();
    void SN5Click();
    void UD1Click();
    void UD2Click();
    void showViewerOfRow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QAction* addCommand(const char* name, const QString& caption, const QKeySequence& key,
                        std::function<void()> handler);
    void FormShow();
    void showStatus();
    void Popup2Popup();
    void rebuildKeeping(int index);

    WindowState& places_;
    const EnvironmentSettings& environment_;
    const CardFolders& folders_;
    const QString& qsoData_;
    LoggingProgram& loggingProgram_;
    ProgressPort& mainProgress_;
    std::function<void(const QString&, bool)> showCards_;
    std::function<void(const QString&, const QString&, int)> resend_;
    std::function<void(const QString&)> findReceivedCard_;

    SentListModel* model_ = nullptr;
    QString folder_;
    int order_ = 0;
    int toleranceMinutes_ = 0;
    bool rewriteTime_ = false;
    bool building_ = false;
    bool placed_ = false;

    QTableView* vGrid1 = nullptr;
    QMenu* Popup2 = nullptr;
    QWidget* Panel1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QPushButton* ToolButton4 = nullptr;
    QAction* ZKT1 = nullptr;
    QAction* Sent1 = nullptr;
    QAction* CF1 = nullptr;
    QAction* NK5 = nullptr;
    QAction* SN5 = nullptr;
    QList<QAction*> orderActions_;
};
