#pragma once
// "ZELKOV E-Mail QSL コンファーム状況": the confirmation status by area. Its
// settings face chooses the bands, modes, kind of area and limits; a run
// shows the result face, a grid of the areas with the cards that confirm
// them, which is copied to the clipboard in four layouts or opened as a
// spreadsheet. The tally itself is the core's BuildConfirmation.

#include "archive/area_tally.h"
#include "core/card_folders.h"

#include <QDialog>

#include <functional>

class LoggingProgram;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QProgressBar;
class QRadioButton;
class QTableWidget;
class TZkwIni;
class WindowState;
struct EnvironmentSettings;

struct ConfirmWindowParts {
    TZkwIni& settings;
    WindowState& places;
    const EnvironmentSettings& environment;
    CardFolders folders;
    QString qsoData;
    QString ownCall;
    LoggingProgram& loggingProgram;
    // The viewer on one picture; closed when `path` is empty.
    std::function<void(const QString& path)> showCard;
};

class TForm5 : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(const ConfirmWindowParts& parts, QWidget* parent = nullptr);
    ~TForm5() override;

    // "市区町村全体" (0), "コンファーム" (1), "未コンファーム" (2).
    void Speed1Click(int view);
    // Back to the settings face.
    void S1Click();
    // The clipboard layouts 0-3, the spreadsheet.
    void copyToClipboard(int layout);
    void E1Click();
    // A card cell opened: the logging program's record, or with `shift` (or
    // when it does not answer) the picture.
    void openCell(int row, int column, bool shift);

protected:
    // Closing, however it comes: the settings and the place are kept.
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readControls();
    void fillGrid();

    ConfirmWindowParts parts_;
    TallySettings stored_;
    Tally tally_;
    int view_ = 0;
    QWidget* Panel1 = nullptr;
    QList<QCheckBox*> bandBoxes_;  // FrBox0 ... FrBox16
    QCheckBox* FrBox17 = nullptr;
    QCheckBox* FrBox18 = nullptr;
    QList<QRadioButton*> kindButtons_;  // mBtn1 ... mBtn5
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QTableWidget* CfmGrid1 = nullptr;
    QMenuBar* menu_ = nullptr;
    QAction* CA2 = nullptr;
    QAction* N1 = nullptr;
    QProgressBar* ProgBar1 = nullptr;
    QLabel* SheetLabel = nullptr;
    QLabel* LeftOutLabel = nullptr;  // what the filters left out
};
