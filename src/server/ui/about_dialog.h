#pragma once
// The about box ("バージョン情報"): the program's versions and files, the
// check for a newer build on the service's web site and its download.

#include "server/version_check.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class THTTPDown;
class WindowState;

class TAbForm : public QDialog {
    Q_OBJECT
public:
    // The result when the downloaded installer was started: the program ends.
    static constexpr int kInstallerStarted = 6;

    TAbForm(const AboutInfo& info, THTTPDown& http, QString serverBase, WindowState& places,
            QString programDir, QWidget* parent = nullptr);

    void Speed1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void check();
    void download();
    void fitToText();

    THTTPDown& http_;
    QString serverBase_;
    WindowState& places_;
    QString programDir_;
    QString programPath_;
    QByteArray homePage_;  // kept between the two presses
    int pressResult_ = 0;

    QLabel* Label1;
    QLabel* Label2;
    QPushButton* Speed1;
    QPushButton* BitBtn1;
    QProgressBar* ProgressBar1;
};
