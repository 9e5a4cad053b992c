#include "core/ui/history_combo.h"

#include "core/recent_lists.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>

HistoryCombo::HistoryCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(20);
    view()->installEventFilter(this);
}

QStringList HistoryCombo::entries() const {
    QStringList list;
    for (int i = 0; i < count(); ++i)
        list.append(itemText(i));
    return list;
}

void HistoryCombo::setEntries(const QStringList& entries, const QString& text) {
    clear();
    addItems(entries);
    setEditText(text);
}

void HistoryCombo::commitText() {
    const QString text = currentText();
    QStringList list = entries();
    commitHistory(list, text);
    if (list == entries()) return;
    setEntries(list, text);
}

void HistoryCombo::showPopup() {
    commitText();
    QComboBox::showPopup();
}

void HistoryCombo::focusOutEvent(QFocusEvent* event) {
    if (!view()->isVisible()) commitText();
    QComboBox::focusOutEvent(event);
}

void HistoryCombo::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        commitText();
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

bool HistoryCombo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            const int row = view()->currentIndex().row();
            if (row >= 0) {
                const QString text = currentText();
                removeItem(row);
                setEditText(text);
            }
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}
