#include "core/ui/font_picker.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>

std::optional<QFont> chooseFont(QWidget* parent, const QFont& current, const QString& title) {
    // The face that really draws the font in use.
    const QString drawnBy = QFontInfo(current).family();
    QFont shown = current;
    shown.setFamily(drawnBy);
    QFontDialog dialog(shown, parent);
    dialog.setWindowTitle(title);
    // The dialog's one list of writing systems holds them in their order:
    // Japanese filters the faces and shows a Japanese sample.
    // (The dialog follows the list's activation, as when the person picks.)
    if (auto* systems = dialog.findChild<QComboBox*>();
        systems && systems->count() > QFontDatabase::Japanese) {
        systems->setCurrentIndex(QFontDatabase::Japanese);
        Q_EMIT systems->activated(QFontDatabase::Japanese);
    }
    dialog.setCurrentFont(shown);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    QFont chosen = dialog.selectedFont();
    if (chosen.family() == drawnBy) chosen.setFamily(current.family());
    return chosen;
}
