#pragma once
// The uninstall's window: "削除しています..." while the removal runs (it
// starts a moment after the window shows), then the last word and the
// "終了" button, which stays off until the work is over.

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

class TUninstallDialog : public QDialog {
    Q_OBJECT
public:
    // `work` removes what it should and returns the last word to show.
    explicit TUninstallDialog(std::function<QString()> work, QWidget* parent = nullptr);

    // Shows the window, runs the work, waits for "終了".
    int runAndWait();
    bool workDone() const { return done_; }
    void reject() override;  // Esc and the title bar's X wait for the end too

private:
    std::function<QString()> work_;
    QLabel* Label1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    bool done_ = false;
};
