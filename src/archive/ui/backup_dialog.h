#pragma once
// The backup dialog ("電子QSLのバックアップ"): the backup folder, what is
// backed up besides the received cards, whether the program's end backs up,
// and the run with its progress and its stop. The small notice shown while
// the program's end backs up is here too.

#include "archive/backup.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class GuiProgressPort;
class TZkwIni;

class TForm2 : public QDialog {
    Q_OBJECT
public:
    // `settingsFile`: the settings file's full path, backed up first.
    TForm2(TZkwIni& settings, const QString& settingsFile, const CardFolders& folders,
           QWidget* parent = nullptr);
    ~TForm2() override;

    // The person's run (or, while one runs, its stop).
    void Speed1Click();
    // The unattended run at the program's end with the run's activity.
    BackupResult runAtExit(int activity);
    void Speed2Click(bool shift);
    const BackupSettings& backupSettings() const { return backup_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void FormClose();

    TZkwIni& settings_;
    QString settingsFile_;
    const CardFolders& folders_;
    BackupSettings backup_;
    bool running_ = false;
    QLabel* Label1 = nullptr;
    QPushButton* Speed1 = nullptr;
    QPushButton* Speed2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QProgressBar* Progress1 = nullptr;
    std::unique_ptr<GuiProgressPort> progress_;
};

// "NOVQバックアップ中...": borderless, centred, aqua with red text and
// rounded corners, shown while the program's end backs up.
class TForm4 : public QWidget {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
};
