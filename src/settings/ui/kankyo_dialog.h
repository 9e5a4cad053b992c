#pragma once
// The environment settings window ("電子QSL 環境設定"): shows and edits the
// EnvironmentSettings model.

#include "settings/kankyo.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class TZkwIni;

class TSetQSL : public QDialog {
    Q_OBJECT
public:
    TSetQSL(EnvironmentSettings& model, TZkwIni& settings, QWidget* parent = nullptr);

    // Reads the stored keys into the model and the controls.
    void Load(bool full);
    // Takes the controls into the model, writes and flushes the settings.
    void Save();

    // The main window's card-definition switch: in expert mode the beginner
    // card's settings are not used.
    void setExpertMode(bool on);

    // The font and colour buttons; `shift` gives the quick defaults.
    void FontD1Click(bool shift);
    void FontD2Click(bool shift);
    void LineColorClick(bool shift);
    void HelpClick();

Q_SIGNALS:
    // The list or memo font or the row colour changed: windows that show
    // them take the model's values again.
    void looksChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showModel();
    void takeControls();
    void updateEnabling();

    EnvironmentSettings& model_;
    TZkwIni& settings_;

    QComboBox* UtcCheck;
    QCheckBox* MiHakko;
    QLineEdit* QslS2;
    QLineEdit* QslVia;
    QCheckBox* SentMark;
    QLineEdit* SentEd;
    QSpinBox* SendMax;
    QCheckBox* nMemoSd;
    QComboBox* fJpgSize;
    QCheckBox* RigSele;
    QCheckBox* BetuURL;
    QLineEdit* Potbl;
    class HistoryCombo* OpName;
    QLineEdit* RcvEdit;
    QCheckBox* RcvWrite;
    QCheckBox* RcvAftr;
    QLineEdit* ShoGoEd;
    QSpinBox* GosaMin;
    QCheckBox* ModeRcv;
    QLineEdit* ModeTbl;
    QCheckBox* mFilter;
    QLineEdit* DelOldEd;
    QCheckBox* ConfChk;
    QCheckBox* MesCheck;
    QSpinBox* SpinFnt;
    class QPushButton* FontD1;
    class QPushButton* FontD2;
    class QPushButton* LineColorButton;
    class QLabel* PotblLabel;
    bool expertMode_ = false;
};
