// Key filters on real edit boxes, offscreen.

#include "core/ui/key_filters.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Keys whose text QTest cannot type (half-width katakana).
void typeText(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

}  // namespace

class KeyFiltersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void digitsOvertypeAndEverythingElseIsSwallowed() {
        QLineEdit edit(u"12:34"_s);
        installKeyFilter(&edit, KeyFilter::Digits);
        edit.setCursorPosition(0);
        QTest::keyClicks(&edit, u"9x8"_s);
        QCOMPARE(edit.text(), u"98:34"_s);
        QCOMPARE(edit.cursorPosition(), 2);
        QTest::keyClick(&edit, Qt::Key_Right);  // navigation still works
        QTest::keyClicks(&edit, u"7"_s);
        QCOMPARE(edit.text(), u"98:74"_s);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), u"98:4"_s);
    }

    void kanaKeysTypeTheirLettersAndDigitsStillOvertype() {
        QLineEdit edit(u"00/00/00"_s);
        installKeyFilter(&edit, KeyFilter::KanaThenDigits);
        edit.setCursorPosition(0);
        // "ﾇ" and "ﾌ" sit on the 1 and 2 keys of a JIS keyboard.
        typeText(&edit, u"ﾇﾌ"_s);
        QCOMPARE(edit.text(), u"12/00/00"_s);
        QInputMethodEvent commit;
        commit.setCommitString(u"ｱ3"_s);  // ｱ is on the 3 key
        QApplication::sendEvent(&edit, &commit);
        QCOMPARE(edit.text(), u"12330/00"_s);  // overtyping runs over the slash

        QLineEdit call;
        installKeyFilter(&call, KeyFilter::Kana);
        typeText(&call, u"ﾁa1"_s);
        QCOMPARE(call.text(), u"AA1"_s);
    }
};

QTEST_MAIN(KeyFiltersTest)
#include "key_filters_test.moc"
