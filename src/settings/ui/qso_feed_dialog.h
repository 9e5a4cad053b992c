#pragma once
// "WSJT-X・JTDX 連携の設定": whether the program listens for the QSOs WSJT-X
// and JTDX log, on which UDP port or multicast group, what a logged QSO leads
// to, and the log file another logger appends to. Loaded when it opens,
// saved by OK through the two models that own the keys.

#include "settings/log_follow.h"
#include "settings/qso_feed_settings.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class TZkwIni;

class QsoFeedDialog : public QDialog {
    Q_OBJECT
public:
    QsoFeedDialog(TZkwIni& settings, QWidget* parent = nullptr);

    // What the fields say now; the problem with them, in the person's words.
    QsoFeedSettings feedFields() const;
    LogFollowSettings followFields() const;
    std::optional<QString> problem() const;

    void accept() override;

private:
    void chooseLogFile();
    void updateEnabled();

    TZkwIni& settings_;
    LogFollowSettings follow_;  // as loaded: the place in the file is kept
    QCheckBox* listen_ = nullptr;
    QSpinBox* port_ = nullptr;
    QLineEdit* group_ = nullptr;
    QButtonGroup* action_ = nullptr;
    QCheckBox* preview_ = nullptr;
    QCheckBox* watch_ = nullptr;
    QLineEdit* file_ = nullptr;
    QLabel* error_ = nullptr;
};
