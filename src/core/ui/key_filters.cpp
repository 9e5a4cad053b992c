#include "core/ui/key_filters.h"

#include "core/zk_dll5.h"

#include <QEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

class KeyFilterObject : public QObject {
public:
    KeyFilterObject(QLineEdit* edit, KeyFilter filter)
        : QObject(edit), edit_(edit), filter_(filter) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != edit_) return false;
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            if (text.size() != 1) return false;  // navigation and editing keys
            return typeChar(text.front());
        }
        if (event->type() == QEvent::InputMethod) {
            auto* im = static_cast<QInputMethodEvent*>(event);
            if (im->commitString().isEmpty()) return false;
            for (QChar c : im->commitString())
                typeChar(c);
            return true;
        }
        return false;
    }

private:
    // Returns true when the key was handled here (swallowed or typed).
    bool typeChar(QChar c) {
        QChar key = c;
        if (filter_ != KeyFilter::Digits) KanaKeyToAscii(key);
        if (filter_ == KeyFilter::Kana) {
            if (key == c) return false;
            edit_->insert(QString(key));
            return true;
        }
        if (key == QChar(8)) return false;
        QString text = edit_->text();
        qsizetype caret = edit_->cursorPosition();
        DigitOverwriteKey(text, caret, key);
        if (text != edit_->text()) {
            if (edit_->maxLength() < text.size()) text.truncate(edit_->maxLength());
            edit_->setText(text);
            edit_->setCursorPosition(static_cast<int>(caret));
        }
        return true;
    }

    QLineEdit* edit_;
    KeyFilter filter_;
};

}  // namespace

void installKeyFilter(QLineEdit* edit, KeyFilter filter) {
    edit->installEventFilter(new KeyFilterObject(edit, filter));
}
