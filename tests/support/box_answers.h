#pragma once
// Answers the real message boxes a window shows (the GUI message port, not a
// scripted one), the way a person does: a click on a button or a key, in the
// order given. A box nobody could answer is closed after a while and counted,
// so that a test fails instead of hanging.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

namespace testing_support {

class BoxAnswers : public QObject {
public:
    enum class By { Click, Enter };
    struct Answer {
        QMessageBox::StandardButton button = QMessageBox::Yes;  // for a click
        By by = By::Click;
        std::function<void()> then = {};  // right after the answer (a key the person presses next)
    };

    explicit BoxAnswers(std::deque<Answer> answers, int patienceMs = 4000)
        : answers_(std::move(answers)), patienceMs_(patienceMs) {
        connect(&tick_, &QTimer::timeout, this, [this] { look(); });
        tick_.start(50);
    }

    // The texts of the boxes that came, in order.
    const QStringList& texts() const { return texts_; }
    // Boxes that did not go away when answered (closed by force after a while).
    int stuck() const { return stuck_; }

private:
    void look() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            current_ = nullptr;
            return;
        }
        if (box != current_) {
            current_ = box;
            texts_ << box->text();
            waited_.start();
            if (answers_.empty()) return;
            const Answer a = answers_.front();
            answers_.pop_front();
            if (a.by == By::Enter) {
                QTest::keyClick(box, Qt::Key_Return);
            } else if (QAbstractButton* b = box->button(a.button)) {
                QTest::mouseClick(b, Qt::LeftButton);
            }
            if (a.then) a.then();
            return;
        }
        // Still up: the answer did not reach it.
        if (waited_.elapsed() > patienceMs_) {
            ++stuck_;
            box->done(0);
        }
    }

    std::deque<Answer> answers_;
    int patienceMs_;
    QTimer tick_;
    QPointer<QMessageBox> current_;
    QElapsedTimer waited_;
    QStringList texts_;
    int stuck_ = 0;
};

}  // namespace testing_support
