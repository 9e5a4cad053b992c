// The card preview and the card viewer, offscreen, by the controls' names.

#include "render/ui/preview_decisions.h"
#include "render/ui/view_bmp.h"
#include "render/ui/view_jpg.h"

#include "core/card_folders.h"
#include "core/message_ports.h"
#include "core/msg_box.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "render/card_viewer.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kPhoto = QStringLiteral(SENDVIK_TEST_DATA "/jpeg/tower_baseline.jpg");

void copyCard(const QString& to, const QDateTime& time) {
    QVERIFY(QFile::copy(kPhoto, to));
    QFile f(to);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(time, QFileDevice::FileModificationTime));
}

}  // namespace

class ViewWindowsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void previewAnswersByItsButtons() {
        QTemporaryDir dir;
        TZkwIni settings(dir.filePath(u"Sendvik.ini"_s));
        WindowState places(settings);
        // Send mode locks the main window's commands while it waits.
        QList<bool> locks;
        TForm3 preview(places, [&locks](bool locked) { locks.append(locked); });
        // Sample mode: modal, "他のUser" answers 2.
        QTimer::singleShot(0, &preview, [&preview] {
            auto* other = preview.findChild<QPushButton*>(u"NextButton"_s);
            QCOMPARE(other->text(), u"他のUser"_s);
            QVERIFY(!preview.findChild<QPushButton*>(u"SendButton"_s)->isVisible());
            other->click();
        });
        QCOMPARE(preview.ShowCardPreview(kPhoto, false, 12), int(TForm3::Next));
        QCOMPARE(preview.findChild<QLabel*>(u"Label1"_s)->text(), u"No12 tower_baseline.jpg"_s);
        QCOMPARE(preview.windowTitle(), kPhoto);
        QCOMPARE(preview.picture().size(), QSize(512, 512));
        QVERIFY(!settings.readString(u"Config", u"ViewPos", {}).isEmpty());
        QVERIFY(locks.isEmpty());

        QTimer::singleShot(0, &preview, [&preview] {
            QVERIFY(preview.findChild<QPushButton*>(u"SendButton"_s)->isVisible());
            QCOMPARE(preview.findChild<QPushButton*>(u"NextButton"_s)->text(), u"次へ"_s);
            preview.findChild<QPushButton*>(u"AllButton"_s)->click();
        });
        QCOMPARE(preview.ShowCardPreview(kPhoto, true, 1234), int(TForm3::SendAll));
        QCOMPARE(locks, (QList<bool>{true, false}));
        QCOMPARE(preview.findChild<QLabel*>(u"Label1"_s)->text(), u"No1,234 (512x512)"_s);
        QTimer::singleShot(0, &preview, [&preview] { preview.close(); });
        QCOMPARE(preview.ShowCardPreview(kPhoto, true, 0), int(TForm3::Cancel));

        // Turned a quarter clockwise, pixel by pixel.
        const QImage before = preview.picture();
        preview.rotateRight();
        QCOMPARE(preview.picture().pixel(511, 0), before.pixel(0, 0));
    }

    void theDecisionsOfASendAreThePreviewsButtons() {
        QTemporaryDir dir;
        TZkwIni settings(dir.filePath(u"Sendvik.ini"_s));
        WindowState places(settings);
        TForm3 preview(places, [](bool) {});
        PreviewCardDecisions decisions(preview);
        const std::pair<const char*, CardDecision> buttons[] = {
            {"SendButton", CardDecision::Send},
            {"NextButton", CardDecision::Skip},
            {"AllButton", CardDecision::SendRest},
            {"BackButton", CardDecision::Back},
            {"CancelButton", CardDecision::Stop}};
        for (const auto& [name, decision] : buttons) {
            QTimer::singleShot(0, &preview, [&preview, name] {
                preview.findChild<QPushButton*>(QString::fromLatin1(name))->click();
            });
            QCOMPARE(decisions.decide(kPhoto, 5), decision);
        }
        // Closing the window otherwise stops the batch.
        QTimer::singleShot(0, &preview, [&preview] { preview.close(); });
        QCOMPARE(decisions.decide(kPhoto, 5), CardDecision::Stop);
    }

    void viewerListsCardsNewestFirstWithTheirMessages() {
        QTemporaryDir dir;
        TZkwIni settings(dir.filePath(u"Sendvik.ini"_s));
        WindowState places(settings);
        CardFolders state;
        state.receivedDir = dir.filePath(u"rcv"_s);
        state.messageDir = dir.filePath(u"QslMsg"_s);
        QDir().mkpath(state.receivedDir);
        QDir().mkpath(state.messageDir);
        const QDateTime t(QDate(2024, 3, 1), QTime(10, 0));
        copyCard(state.receivedDir + u"/JA1AAA_240101_0000_7_CW_JS2IIU.jpg"_s, t);
        copyCard(state.receivedDir + u"/JA1BBB_240301_0000_7_CW_JS2IIU.jpg"_s, t.addDays(1));
        copyCard(state.receivedDir + u"/JA1CCC_240201_0000_7_CW_JS2IIU.jpg"_s, t.addDays(2));
        QFile small(state.receivedDir + u"/JA1DDD_240401_0000_7_CW_JS2IIU.jpg"_s);
        QVERIFY(small.open(QIODevice::WriteOnly));
        small.write(QByteArray(100, 'x'));
        small.close();
        QFile text(state.messageDir + u"/JA1BBB_240301_0000_7_CW_JS2IIU.txt"_s);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("From:JA1BBB\r\nTNX \x82\xa0\r\n");
        text.close();

        ScriptedMessagePort messages;
        ScopedMessagePort installed(&messages);
        int reshown = 0;
        QStringList asked;
        TFormJP viewer(places, state,
                       {[&reshown] { ++reshown; }, [&asked] { asked << u"received"_s; },
                        [&asked] { asked << u"edit"_s; }, [&asked] { asked << u"sent"_s; }});
        // A new sort order asks the owner to show the received cards again.
        viewer.setSortMode(viewer_sort::QsoDate);
        QCOMPARE(reshown, 1);
        QCOMPARE(viewer.ShowCards(state.receivedDir + u"/*.jpg"_s, viewer_flag::MaskGiven), 3);
        // The newest QSO date first, with its message.
        QVERIFY(viewer.shownPath().endsWith(u"JA1BBB_240301_0000_7_CW_JS2IIU.jpg"_s));
        QCOMPARE(viewer.findChild<QPlainTextEdit*>(u"Memo1"_s)->toPlainText(),
                 u"From:JA1BBB\nTNX あ\n"_s);
        QVERIFY(viewer.findChild<QLabel*>(u"Label1"_s)->text().contains(u"1／3"_s));
        // The menu's commands reach the owner, each its own.
        for (const char* name : {"SN1", "ZK1", "QSL3"})
            viewer.findChild<QAction*>(QString::fromLatin1(name))->trigger();
        QCOMPARE(asked, (QStringList{u"received"_s, u"edit"_s, u"sent"_s}));
        QVERIFY(viewer.findChild<QScrollBar*>(u"ScrollBar1"_s)->isVisible());
        // However narrow the card, the information line is whole and the
        // scroll bar usable.
        QTRY_VERIFY(!viewer.reading());
        const QLabel* info = viewer.findChild<QLabel*>(u"Label1"_s);
        QVERIFY(info->width() >= info->fontMetrics().horizontalAdvance(info->text()));
        QVERIFY(viewer.findChild<QScrollBar*>(u"ScrollBar1"_s)->width() >= 150);
        viewer.nextEntry();
        QVERIFY(viewer.shownPath().contains(u"JA1CCC"_s));
        viewer.nextEntry();
        viewer.nextEntry();  // after the last: the first again
        QVERIFY(viewer.shownPath().contains(u"JA1BBB"_s));
        // A card renamed meanwhile (a forced match in the list) is shown
        // under its new name, not as unreadable.
        QVERIFY(QFile::rename(state.receivedDir + u"/JA1CCC_240201_0000_7_CW_JS2IIU.jpg"_s,
                              state.receivedDir + u"/JA1CCC_240201_0900_7_CW_JS2IIU.jpg"_s));
        viewer.nextEntry();
        QVERIFY(viewer.shownPath().endsWith(u"JA1CCC_240201_0900_7_CW_JS2IIU.jpg"_s));
        QTRY_VERIFY(!viewer.reading());
        QVERIFY(!viewer.windowTitle().contains(u"読めません"_s));
        viewer.nextEntry();

        viewer.setSortMode(viewer_sort::FileName);
        QCOMPARE(viewer.ShowCards(state.receivedDir + u"/x.jpg"_s, 0), 3);
        QVERIFY(viewer.shownPath().contains(u"JA1AAA"_s));

        // One card: no scroll bar, no position label.
        QCOMPARE(viewer.ShowCards(state.receivedDir + u"/JA1CCC*"_s, viewer_flag::MaskGiven), 1);
        QVERIFY(!viewer.findChild<QScrollBar*>(u"ScrollBar1"_s)->isVisible());
        QVERIFY(!viewer.findChild<QLabel*>(u"Label1"_s)->isVisible());

        // A big picture is decoded at the scale it is shown at; the title
        // gives its own size.
        QVERIFY(QFile::copy(QStringLiteral(SENDVIK_TEST_DATA "/jpeg/landscape_1800x1200.jpg"),
                            state.receivedDir + u"/JA1EEE_240501_0000_7_CW_JS2IIU.jpg"_s));
        QCOMPARE(viewer.ShowCards(state.receivedDir + u"/JA1EEE*"_s, viewer_flag::MaskGiven), 1);
        // Read off the window's thread: the title says so until it is there.
        QVERIFY(viewer.reading());
        QVERIFY(viewer.windowTitle().endsWith(u"(読み込み中...)"_s));
        QTRY_VERIFY(!viewer.reading());
        QVERIFY(viewer.windowTitle().endsWith(u"(1800x1200)"_s));
        // A card that is no picture says so.
        {
            QFile notPicture(state.receivedDir + u"/JA1FFF_240501_0000_7_CW_JS2IIU.jpg"_s);
            QVERIFY(notPicture.open(QIODevice::WriteOnly));
            notPicture.write(QByteArray(3000, 'x'));
        }
        QCOMPARE(viewer.ShowCards(state.receivedDir + u"/JA1FFF*"_s, viewer_flag::MaskGiven), 1);
        QTRY_VERIFY(!viewer.reading());
        QVERIFY(viewer.windowTitle().endsWith(u"(画像を読めません)"_s));
        QCOMPARE(viewer.ShowCards(state.receivedDir + u"/JA1EEE*"_s, viewer_flag::MaskGiven), 1);
        QTRY_VERIFY(!viewer.reading());
        QVERIFY(viewer.picture().width() < 1800);
        QVERIFY(viewer.picture().width() >=
                viewer.findChild<QPlainTextEdit*>(u"Memo1"_s)->width() - 1);

        messages.clear();
        QCOMPARE(viewer.ShowCards(state.receivedDir + u"/JA1DDD*"_s, viewer_flag::MaskGiven), 0);
        QCOMPARE(messages.messages().size(), 1u);
        QCOMPARE(messages.messages()[0].text,
                 state.receivedDir + u"/JA1DDD*\r\r電子QSLが見つかりません！"_s);
        QCOMPARE(viewer.ShowCards(state.receivedDir + u"/JA1DDD*"_s,
                                  viewer_flag::MaskGiven | viewer_flag::Quiet),
                 0);
        QCOMPARE(messages.messages().size(), 1u);
        viewer.close();
        QVERIFY(settings.readString(u"Config", u"QslPos", {}).endsWith(u",2"_s));
    }
};

QTEST_MAIN(ViewWindowsTest)
#include "view_windows_test.moc"
