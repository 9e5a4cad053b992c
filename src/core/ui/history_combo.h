#pragma once
// An editable box with a history list: leaving the box, opening its list or
// pressing Enter puts the text at the top of the list (once). Delete with the
// list open removes the highlighted entry; Escape is swallowed.

#include <QComboBox>

class HistoryCombo : public QComboBox {
    Q_OBJECT
public:
    explicit HistoryCombo(QWidget* parent = nullptr);

    QStringList entries() const;
    void setEntries(const QStringList& entries, const QString& text);
    // Puts the current text at the top of the list.
    void commitText();

    void showPopup() override;

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
