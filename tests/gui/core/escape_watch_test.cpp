// The stop key's watch around long work, offscreen, with the program's real
// message boxes: Esc asks the work to stop and other input is held back, but
// a box the work shows meanwhile is answered by click and by key.

#include "core/ui/escape_watch.h"

#include "core/message_ports.h"
#include "core/msg_box.h"
#include "core/ui/gui_message_port.h"
#include "core/ui/gui_progress_port.h"

#include "box_answers.h"

#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;
using testing_support::BoxAnswers;

class EscapeWatchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void escStopsOtherInputWaitsAndBoxesAreAnswered() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* bar = new QProgressBar(&window);
        auto* status = new QStatusBar(&window);
        auto* other = new QPushButton(u"other"_s, &window);
        layout->addWidget(bar);
        layout->addWidget(status);
        layout->addWidget(other);
        window.show();
        int otherClicks = 0;
        connect(other, &QPushButton::clicked, this, [&otherClicks] { ++otherClicks; });
        GuiProgressPort progress(*bar, *status);
        GuiMessagePort port;
        ScopedMessagePort installed(&port);

        const EscapeWatch watch(progress);
        QTest::mouseClick(other, Qt::LeftButton);
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(otherClicks, 0);  // nothing else starts while the work runs
        QVERIFY(progress.abortRequested());

        // The work's own question, answered by a click and then by Enter.
        BoxAnswers answers(
            {{QMessageBox::No, BoxAnswers::By::Click}, {QMessageBox::Yes, BoxAnswers::By::Enter}});
        QCOMPARE(ShowMsgBox(&window, u"処理を中断しますか？"_s, u"ZELKOV E-Mail QSL"_s,
                            mb::YesNo | mb::IconQuestion),
                 mb::IdNo);
        QCOMPARE(ShowMsgBox(&window, u"処理を中断しますか？"_s, u"ZELKOV E-Mail QSL"_s,
                            mb::YesNo | mb::IconQuestion),
                 mb::IdYes);
        QCOMPARE(answers.stuck(), 0);
        QCOMPARE(answers.texts().size(), 2);
        // Back in the work: still held.
        QTest::mouseClick(other, Qt::LeftButton);
        QCOMPARE(otherClicks, 0);
    }
};

QTEST_MAIN(EscapeWatchTest)
#include "escape_watch_test.moc"
