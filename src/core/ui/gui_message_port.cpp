#include "core/ui/gui_message_port.h"

#include "core/msg_dialog_layout.h"
#include "core/ui/font_msg_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>

namespace {

QMessageBox::StandardButton toStandard(int result) {
    return static_cast<QMessageBox::StandardButton>(static_cast<int>(standardButton(result)));
}

QMessageBox::Icon toIcon(MsgDialogType type) {
    switch (type) {
        case MsgDialogType::Error: return QMessageBox::Critical;
        case MsgDialogType::Confirmation: return QMessageBox::Question;
        case MsgDialogType::Warning: return QMessageBox::Warning;
        case MsgDialogType::Information: return QMessageBox::Information;
        case MsgDialogType::Custom: break;
    }
    return QMessageBox::NoIcon;
}

// The window a box belongs to and is centred on: its owner's, else the
// active one, else the program's main window (a box asked for by work that
// runs while the person looks elsewhere still opens over the program).
QWidget* ownerWidget(QObject* owner) {
    if (auto* w = qobject_cast<QWidget*>(owner)) return w->window();
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && qobject_cast<QMainWindow*>(w)) return w;
    return nullptr;
}

// A box at least as wide as its title, which the window manager would cut.
void makeRoomForTitle(QMessageBox& box) {
    const int needed = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 160;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(needed, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

int systemBox(const MessageRequest& r, const QString& text) {
    QMessageBox box(toIcon(dialogTypeForFlags(r.flags)), r.caption, text, QMessageBox::NoButton,
                    ownerWidget(r.owner));
    const std::vector<int> buttons = systemBoxButtons(r.flags);
    for (int b : buttons)
        box.addButton(toStandard(b));
    box.setDefaultButton(toStandard(systemBoxDefaultResult(r.flags)));
    makeRoomForTitle(box);
    // The system box lets Esc answer only with Cancel, or with OK when alone.
    const bool hasCancel = std::find(buttons.begin(), buttons.end(), mb::IdCancel) != buttons.end();
    if (hasCancel)
        box.setEscapeButton(QMessageBox::Cancel);
    else if (buttons.size() == 1)
        box.setEscapeButton(QMessageBox::Ok);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (int b : buttons) {
        if (clicked && clicked == box.button(toStandard(b))) return b;
    }
    return hasCancel ? mb::IdCancel : systemBoxDefaultResult(r.flags);
}

}  // namespace

void GuiMessagePort::beep() {
    QApplication::beep();
}

int GuiMessagePort::showMessage(const MessageRequest& r) {
    const QString text = messageDisplayText(r.text);
    if (!r.customDialog) return systemBox(r, text);

    const MsgDialogPlan plan = planMsgDialog(r.flags);
    std::unique_ptr<FontMsgDialog> dialog =
        CreateFontMsgDialog(text, plan.type, plan.buttons, r.fontSize);
    dialog->setWindowTitle(r.caption);
    if (QPushButton* focus = dialog->button(plan.focusButton)) {
        focus->setFocus();
        focus->setDefault(true);
    }
    QWidget* owner = ownerWidget(r.owner);
    QRect area;
    if (owner)
        area = owner->frameGeometry();
    else if (const QScreen* s = QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isValid()) dialog->move(centreOver(area, dialog->size()));
    dialog->setModal(true);
    return dialog->exec();
}
