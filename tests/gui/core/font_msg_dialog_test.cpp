// The program's own message dialog and the window message port, offscreen.

#include "core/ui/font_msg_dialog.h"
#include "core/msg_box.h"
#include "core/msg_dialog_layout.h"
#include "core/ui/app_setup.h"
#include "core/ui/gui_message_port.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::Literals::StringLiterals;

class FontMsgDialogTest : public QObject {
    Q_OBJECT

private:
    GuiMessagePort port_;
    std::unique_ptr<ScopedMessagePort> installed_;

    // Runs `act` on the modal box once it is open, then shows the message.
    int answer(unsigned flags, bool custom, std::function<void(QWidget*)> act,
               QObject* owner = nullptr, const QString& text = u"メッセージ"_s) {
        QTimer::singleShot(0, this, [act] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box);
            act(box);
        });
        SetMesCheck(custom);
        const int result = ShowMsgBox(owner, text, u"題名"_s, flags);
        SetMesCheck(false);
        return result;
    }

private Q_SLOTS:
    void initTestCase() {
        setUpApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
        installed_ = std::make_unique<ScopedMessagePort>(&port_);
    }

    void namesTheTextIconAndButtonsByKind() {
        const MsgDialogPlan plan = planMsgDialog(35);
        auto d = CreateFontMsgDialog(u"よろしいですか？"_s, plan.type, plan.buttons, 12);
        QVERIFY(d->findChild<QLabel*>(u"Message"_s));
        QCOMPARE(d->findChild<QLabel*>(u"Message"_s)->text(), u"よろしいですか？"_s);
        QVERIFY(d->findChild<QLabel*>(u"Image"_s));
        for (const QString& name : {u"Yes"_s, u"No"_s, u"Cancel"_s})
            QVERIFY(d->findChild<QPushButton*>(name));
        QCOMPARE(d->findChildren<QPushButton*>().size(), 3);
        QCOMPARE(d->button(mb::IdYes)->text(), u"はい(&Y)"_s);  // the framework's Japanese caption
        QCOMPARE(d->button(mb::IdCancel)->text(), u"キャンセル"_s);
        QVERIFY(d->button(mb::IdYes)->isDefault());
        QCOMPARE(d->windowTitle(), u"確認"_s);

        auto custom = CreateFontMsgDialog(u"x"_s, MsgDialogType::Custom, {mb::IdOk}, 12);
        QVERIFY(!custom->findChild<QLabel*>(u"Image"_s));
        QCOMPARE(custom->windowTitle(), u"ZELKOV E-Mail QSL"_s);
    }

    void fontSizeBelowFiveIsTwelve() {
        QCOMPARE(CreateFontMsgDialog(u"x"_s, MsgDialogType::Custom, {1}, 4)->font().pointSize(),
                 12);
        QCOMPARE(CreateFontMsgDialog(u"x"_s, MsgDialogType::Custom, {1}, 5)->font().pointSize(), 5);
        QCOMPARE(CreateFontMsgDialog(u"x"_s, MsgDialogType::Custom, {1}, 20)->font().pointSize(),
                 20);
    }

    void laysOutAnEvenCentredRowUnderTheText() {
        const QString text = u"長いメッセージ。"_s.repeated(40) + u"\n二行目\t(タブ)"_s;
        const MsgDialogPlan plan = planMsgDialog(291);
        auto d = CreateFontMsgDialog(text, plan.type, plan.buttons, 14);
        const auto* message = d->findChild<QLabel*>(u"Message"_s);
        const auto* image = d->findChild<QLabel*>(u"Image"_s);
        const QList<QPushButton*> buttons = {d->button(6), d->button(7), d->button(2)};
        const QFontMetrics fm(d->font());
        QVERIFY(message->width() <= QGuiApplication::primaryScreen()->geometry().width() / 2);
        QVERIFY(message->height() > 3 * fm.height());  // wrapped onto several lines
        QCOMPARE(image->geometry().size(), QSize(32, 32));
        QCOMPARE(image->x(),
                 message->x() - 32 -
                     MulDiv(10,
                            fm.horizontalAdvance(
                                u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"_s) /
                                52,
                            4));
        for (QPushButton* b : buttons) {
            QCOMPARE(b->width(), buttons[0]->width());
            QCOMPARE(b->y(), buttons[0]->y());
            QVERIFY(b->y() > message->geometry().bottom());
            QVERIFY(b->width() >= fm.horizontalAdvance(u"キャンセル"_s) + 8);
        }
        const int leftGap = buttons[0]->x();
        const int rightGap = d->width() - buttons[2]->geometry().right() - 1;
        QVERIFY(std::abs(leftGap - rightGap) <= 1);
        QCOMPARE(d->minimumSize(), d->maximumSize());  // not resizable
    }

    void secondButtonDefaultsFocusNoOrCancel() {
        auto focusOf = [this](unsigned flags) {
            QString focused;
            answer(flags, true, [&focused](QWidget* box) {
                focused = box->focusWidget() ? box->focusWidget()->objectName() : QString();
                QTest::keyClick(box, Qt::Key_Escape);
            });
            return focused;
        };
        QCOMPARE(focusOf(291), u"No"_s);
        QCOMPARE(focusOf(292), u"No"_s);
        QCOMPARE(focusOf(305), u"Cancel"_s);
        QCOMPARE(focusOf(36), u"Yes"_s);
        QCOMPARE(focusOf(64), u"OK"_s);
    }

    void enterPressesTheFocusedButtonAndEscTheCancellingOne() {
        auto enter = [](QWidget* box) { QTest::keyClick(box->focusWidget(), Qt::Key_Return); };
        auto escape = [](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); };
        QCOMPARE(answer(291, true, enter), mb::IdNo);
        QCOMPARE(answer(35, true, enter), mb::IdYes);
        QCOMPARE(answer(305, true, enter), mb::IdCancel);
        QCOMPARE(answer(36, true, escape), mb::IdNo);
        QCOMPARE(answer(35, true, escape), mb::IdCancel);
        QCOMPARE(answer(48, true, escape), mb::IdOk);
        // Abort/Retry/Ignore: Esc does nothing, a click answers.
        QCOMPARE(answer(2, true,
                        [](QWidget* box) {
                            QTest::keyClick(box, Qt::Key_Escape);
                            QVERIFY(box->isVisible());
                            QTest::mouseClick(box->findChild<QPushButton*>(u"Ignore"_s),
                                              Qt::LeftButton);
                        }),
                 mb::IdIgnore);
    }

    void theCallersCaptionAndLineBreaksAreShownCentredOnTheOwner() {
        QWidget owner;
        owner.setGeometry(100, 80, 900, 700);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        QString title;
        QString shown;
        QPoint pos;
        QPoint expected;
        answer(
            64, true,
            [&](QWidget* box) {
                title = box->windowTitle();
                shown = box->findChild<QLabel*>(u"Message"_s)->text();
                pos = box->pos();
                expected = centreOver(owner.frameGeometry(), box->size());
                QTest::keyClick(box, Qt::Key_Return);
            },
            &owner, u"一行目\r\r二行目"_s);
        QCOMPARE(title, u"題名"_s);
        QCOMPARE(shown, u"一行目\n\n二行目"_s);
        QCOMPARE(pos, expected);
    }

    void withMesCheckOffTheSystemBoxAnswersLikeWindows() {
        bool isSystemBox = false;
        auto enter = [&isSystemBox](QWidget* box) {
            isSystemBox = qobject_cast<QMessageBox*>(box) != nullptr;
            QTest::keyClick(box, Qt::Key_Return);
        };
        QCOMPARE(answer(292, false, enter), mb::IdNo);
        QVERIFY(isSystemBox);
        QCOMPARE(answer(36, false, enter), mb::IdYes);
        QCOMPARE(answer(305, false, [](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); }),
                 mb::IdCancel);
        QCOMPARE(answer(16, false, [](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); }),
                 mb::IdOk);
    }
};

QTEST_MAIN(FontMsgDialogTest)
#include "font_msg_dialog_test.moc"
