#pragma once
// The rig/antenna editor ("Rig/Antの設定（F2キーで編集）") and its chooser
// variant ("Rig/Antの選択") with the QSO summary above the grid.

#include "settings/qsl_rig.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QMenu;
class QStatusBar;
class QTableWidget;
class WindowState;

class TForm11 : public QDialog {
    Q_OBJECT
public:
    // The editor on the rig/antenna file `path` (another is asked for when
    // it does not exist). `siteBase` is where the help page lives. The file
    // in use when the window closes is dataPath(): the caller keeps it as the
    // settings' rig/antenna data.
    TForm11(WindowState& places, const QString& path, const QString& programDir,
            QWidget* parent = nullptr, const QString& siteBase = QString());
    ~TForm11() override;

    // Chooser mode: read-only cells, the summary above, "OK" instead of save.
    void setChooser(const QString& summary, int preselectedRow);

    QString dataPath() const { return path_; }
    // The selected grid row (1-based) and its nine cells as comma text.
    int selectedRow() const;
    QString selectedLine() const;

    // The grid commands, each after the line-number warning.
    void moveRowUp();
    void moveRowDown();
    void insertRow();
    void deleteRow();
    void changeMax();
    void openOther();
    void saveAs();
    void Save();

protected:
    void done(int result) override;

private:
    void loadFile();
    void showTable();
    void takeTable();
    bool confirmLineChange();
    void useFile(const QString& path);

    WindowState& places_;
    QString programDir_;
    QString siteBase_;
    QString path_;
    RigAntTable table_;
    bool chooser_ = false;
    QLabel* summary_ = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QLineEdit* MaxEdit = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    class QPushButton* SaveButton = nullptr;
};

// The rig/antenna chooser for a QSO: the chosen line as comma text, or
// nothing when the person cancels. `lastRow` is preselected and updated;
// `path` becomes the file the chooser ended on.
std::optional<QString> chooseRigLine(WindowState& places, QString& path, const QString& programDir,
                                     const QString& summary, int& lastRow,
                                     QWidget* parent = nullptr);
