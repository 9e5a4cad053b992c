#pragma once
// The program's own message dialog, with an adjustable font size.

#include "core/msg_box.h"

#include <QDialog>
#include <QDialogButtonBox>

#include <memory>
#include <vector>

class QLabel;
class QPushButton;

class FontMsgDialog : public QDialog {
    Q_OBJECT
public:
    FontMsgDialog(int cancelResult, QWidget* parent);
    QPushButton* button(int result) const;

    // Esc and the close box answer with the cancel button.
    void reject() override;

private:
    int cancelResult_;
};

// Builds, without showing, the dialog for `text` with the buttons (results,
// in the order to show) and the icon of `type`. The font size is `fontSize`
// when above 4, else 12. The text label is named "Message", the icon "Image",
// each button by its kind ("Yes", "No", "OK", ...).
std::unique_ptr<FontMsgDialog> CreateFontMsgDialog(const QString& text, MsgDialogType type,
                                                   const std::vector<int>& buttons,
                                                   int fontSize = MsgFontSize());

// The framework's standard button of a button kind (the same values serve
// QMessageBox).
QDialogButtonBox::StandardButton standardButton(int result);

// The framework's caption of a button kind (translated).
QString standardButtonCaption(int result);
