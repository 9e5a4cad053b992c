#pragma once
// The communication settings window ("E-Mail QSL 通信設定") and its address
// re-entry dialog. The logic is CommSession's; the window binds the fields.

#include "core/ui/wait_cursor.h"
#include "server/comm_session.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;

// "メールアドレスをもう一度入力": the address typed again, with the clipboard
// emptied so that it cannot simply be pasted.
class TForm1 : public QDialog {
    Q_OBJECT
public:
    TForm1(QString mailAddress, QWidget* parent = nullptr);
    void OkButtonClick();

protected:
    bool event(QEvent* event) override;

private:
    QString mailAddress_;
    QLineEdit* MlEdit;
};

class TOptionF : public QDialog, private CommSession::View {
    Q_OBJECT
public:
    explicit TOptionF(const CommSessionParts& parts, QWidget* parent = nullptr);

    CommSession& session() { return session_; }

    // Loads the fields from the settings (the main window asks before showing).
    void LoadSettings();

    void Speed1Click();
    void Speed2Click();
    void Speed3Click();
    void Speed4Click();
    void Speed6Click();
    void OkButtonClick();
    void presetClick(int tag);
    void withdrawClick();

Q_SIGNALS:
    // The call sign, upper-cased, for the main window's label.
    void callSignChanged(const QString& call);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void buildControls();
    void buildMenu();
    void showModel();
    void takeControls();
    void applyMasks();
    void updateEnabling();
    // The session's questions.
    bool askAddressAgain() override;
    void focus(CommSession::Field field) override;
    void busy(bool on) override;

    CommSession session_;
    bool showing_ = false;                 // the fields are being filled, not edited
    std::optional<WaitCursor> hourglass_;  // while a mail test runs

    QLineEdit* MailEdit;
    QLineEdit* IdEdit;
    QLineEdit* PassEdit1;
    QCheckBox* PassWd1;
    QLineEdit* SmtpEdit;
    QLineEdit* SmtpPort;
    QComboBox* SmtpSsl;
    QComboBox* SmtpAuthC;
    QCheckBox* SmtpAct;
    QLineEdit* SmidEdit;
    QLineEdit* SmtpPass;
    QCheckBox* PassWd3;
    QLineEdit* Pop3Edit;
    QLineEdit* Pop3Port;
    QComboBox* Pop3Ssl;
    QCheckBox* ApopCheck;
    QCheckBox* DelCheck;
    QLineEdit* CallEdit;
    QLineEdit* ZlkvPass;
    QCheckBox* PassWd2;
    QSpinBox* TimeOut;
    QSpinBox* PassLen;
    QPushButton* Speed1;
    QPushButton* Speed2;
    QPushButton* Speed3;
    QPushButton* Speed4;
    QPushButton* Speed5;
    QLabel* FirstNote;
    QPushButton* Speed6;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    QMenu* PopupMenu1;
};
