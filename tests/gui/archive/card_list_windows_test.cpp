// The received and the sent card lists, offscreen, driven by their
// commands' names: a build, the received marks, a filter, the selection and
// deletion, the resend handed to the main window.

#include "archive/received_list_model.h"
#include "archive/sent_list.h"
#include "archive/ui/received_list_window.h"
#include "archive/ui/sent_list_window.h"

#include "core/card_folders.h"
#include "core/message_ports.h"
#include "core/progress_port.h"
#include "core/text_files.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "exchange/logging_program.h"
#include "logdata/log_store.h"
#include "logdata/zelkov50.h"
#include "mail/undelivered_cards.h"
#include "settings/kankyo.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QsoRecord qso(const QString& call, const QString& date, const QString& time) {
    QsoRecord q;
    q.call = call;
    q.date = date;
    q.time = time;
    q.freq = u"7.024"_s;
    q.mode = u"CW"_s;
    q.key = lookupKeyOf(call);
    return q;
}

void card(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(3000, 'x'));
}

// A station's folders and log: three received cards (two of them match),
// two sent cards.
struct Station {
    QTemporaryDir dir;
    TZkwIni settings{dir.filePath(u"Sendvik.ini"_s)};
    WindowState places{settings};
    EnvironmentSettings environment;
    CardFolders folders{dir.filePath(u"受信"_s), dir.filePath(u"送信"_s),
                        dir.filePath(u"QslMsg"_s)};
    QString qsoData = dir.filePath(u"ZELKOV.mst"_s);
    AbsentLoggingProgram loggingProgram;
    RecordingProgressPort progress;
    ScriptedMessagePort messages;
    ScopedMessagePort installed{&messages};
    std::vector<std::pair<QString, bool>> shown;
    std::vector<std::pair<QString, int>> sends;

    Station() {
        for (const QString& d : {folders.receivedDir, folders.sentDir, folders.messageDir})
            QDir().mkpath(d);
        LogStore store;
        if (!store.open(qsoData, true)) qFatal("no log");
        store.insert(qso(u"JA1ABC"_s, u"26/11/20"_s, u"12:00"_s));
        store.insert(qso(u"JR2XYZ"_s, u"26/11/21"_s, u"13:00"_s));
        card(folders.receivedDir + u"/JA1ABC_261120_1205_7.024_CW_JS2IIU.jpg"_s);
        card(folders.receivedDir + u"/JR2XYZ_261121_1300_7.024_CW_JS2IIU.jpg"_s);
        card(folders.receivedDir + u"/JH3ZZZ_261122_1300_7.024_CW_JS2IIU.jpg"_s);
        card(folders.sentDir + u"/JS2IIU_261120_1200_7.024_CW_JA1ABC.jpg"_s);
        card(folders.sentDir + u"/JS2IIU_261121_1301_7.024_CW_JR2XYZ.jpg"_s);
    }
    CardListParts parts() {
        return {places,
                environment,
                folders,
                qsoData,
                loggingProgram,
                progress,
                [this](const QString& path, bool sent) { shown.emplace_back(path, sent); },
                [this](const QString& call, int recno) { sends.emplace_back(call, recno); }};
    }
};

void trigger(QWidget& window, const char* name) {
    auto* action = window.findChild<QAction*>(QString::fromLatin1(name));
    QVERIFY2(action, name);
    action->trigger();
}

QString lastMessage(const ScriptedMessagePort& port) {
    return port.messages().empty() ? QString() : port.messages().back().text;
}

}  // namespace

class CardListWindowsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A card the receive run learnt was not delivered: its own column, its
    // filter, and its sent mark taken back after the question.
    void sentListShowsUndeliveredCardsAndTakesTheirMarksBack() {
        Station s;
        {
            LogStore store;
            QVERIFY(store.open(s.qsoData, false));
            QVERIFY(store.writeMark(1, 1, u'H'));
        }
        UndeliveredCard card{u"JS2IIU_261120_1200_7.024_CW_JA1ABC.jpg"_s,
                             u"ja1abc@example.jp"_s,
                             u"5.1.1"_s,
                             u"User unknown"_s,
                             QDateTime::currentDateTime(),
                             u"report.txt"_s};
        QVERIFY(recordUndeliveredCard(s.folders.messageDir, card));
        TShForm2 list(
            s.parts(), [](const QString&, const QString&, int) {}, [](const QString&) {});
        list.BuildSentList(s.folders.sentDir, 0, 0);
        QCOMPARE(list.model().columnCount(), 6);
        QCOMPARE(list.findChild<QStatusBar*>(u"StatusBar1"_s)->currentMessage(),
                 u" 2 個の送信済み電子QSL（未受領＝1個，■×＝1個）〔配達不能＝1個〕"_s);
        trigger(list, "UD1");
        QCOMPARE(list.model().shownCount(), 1);
        QCOMPARE(list.model().item(0, 4), u"配達不能：User unknown"_s);
        list.setCurrentIndex(0);
        s.messages.answer(mb::IdYes);
        trigger(list, "UD2");
        QVERIFY2(s.messages.messages()[0].text.endsWith(
                     u"[はい(Y)]・・・このQSLのみ\r[いいえ(N)]・・配達不能のQSL 1件すべて\r"
                     u"[ ｷｬﾝｾﾙ ]・・・取り消さない"_s),
                 qPrintable(s.messages.messages()[0].text));
        QCOMPARE(lastMessage(s.messages), u"1 件のQSOの発行済みマークを取り消しました。"_s);
        LogStore store;
        QVERIFY(store.open(s.qsoData, false));
        QsoRecord q;
        QVERIFY(store.read(1, q));
        QCOMPARE(q.qslSent, QChar(u' '));
        // Nothing left to take back is said so.
        s.messages.answer(mb::IdYes);
        trigger(list, "UD2");
        QCOMPARE(lastMessage(s.messages), u"取り消す発行済みマークはありませんでした。"_s);
        // Resent since the report: no longer undelivered.
        QVERIFY(SetFileDateTime(s.folders.sentDir + u"/JS2IIU_261120_1200_7.024_CW_JA1ABC.jpg"_s,
                                QDateTime::currentDateTime().addSecs(3600)));
        list.BuildSentList(s.folders.sentDir, 0, 0);
        QCOMPARE(list.model().columnCount(), 5);
    }

    // "照合できない理由": the current unmatched card with its nearest QSO;
    // three cards of one station a day late are named together and, on Yes,
    // renamed to their QSOs and matched.
    void receivedListExplainsNearMissesAndForceMatchesThem() {
        Station s;
        {
            LogStore store;
            QVERIFY(store.open(s.qsoData, false));
            store.insert(qso(u"JH3ZZZ"_s, u"26/11/21"_s, u"13:00"_s));
            store.insert(qso(u"JH3ZZZ"_s, u"26/11/22"_s, u"09:00"_s));
            store.insert(qso(u"JH3ZZZ"_s, u"26/11/22"_s, u"10:30"_s));
        }
        card(s.folders.receivedDir + u"/JH3ZZZ_261123_0900_7.024_CW_JS2IIU.jpg"_s);
        card(s.folders.receivedDir + u"/JH3ZZZ_261123_1030_7.024_CW_JS2IIU.jpg"_s);
        TShForm1 list(s.parts());
        list.BuildReceivedList(0);
        QCOMPARE(list.model().counts().unmatched, 3);
        list.setCurrentIndex(2);
        QCOMPARE(list.model().cardName(2), u"JH3ZZZ_261122_1300_7.024_CW_JS2IIU.jpg"_s);
        // The rename proposes the nearest QSO's time; nothing is typed.
        trigger(list, "N4");
        QCOMPARE(list.findChild<QLineEdit*>(u"Edit2"_s)->text(),
                 u"JH3ZZZ_261122_1030_7.024_CW_JS2IIU.JPG"_s);
        QTest::keyClick(list.findChild<QLineEdit*>(u"Edit2"_s), Qt::Key_Escape);
        s.messages.answer(mb::IdOk);
        s.messages.answer(mb::IdYes);
        trigger(list, "N9");
        const auto& asked = s.messages.messages();
        QVERIFY2(asked.size() == 2, qPrintable(asked.back().text));
        QVERIFY2(
            asked[0].text.contains(u"照合できない理由（近いQSO）：\rNo.5  2026/11/22 10:30 JST  "
                                   u"7.024MHz CW  時刻 +150分（2時間30分遅い）"_s),
            qPrintable(asked[0].text));
        QVERIFY2(asked[1].text.startsWith(
                     u"JH3ZZZ局の電子QSL 3枚は、QSOの時刻より 1日 遅くなっています。\r\r"_s),
                 qPrintable(asked[1].text));
        QCOMPARE(list.model().counts().unmatched, 0);
        QVERIFY(
            QFile::exists(s.folders.receivedDir + u"/JH3ZZZ_261121_1300_7.024_CW_JS2IIU.jpg"_s));
    }

    void receivedListMarksFiltersAndDeletes() {
        Station s;
        TShForm1 list(s.parts());
        list.BuildReceivedList(0);
        QVERIFY(list.isVisible());
        QCOMPARE(list.windowTitle(), u"QSOデータと電子QSLの照合結果（交信年月日の順）"_s);
        QCOMPARE(list.model().shownCount(), 3);
        QCOMPARE(list.findChild<QStatusBar*>(u"StatusBar1"_s)->currentMessage(),
                 u" 3個の電子QSL（◎＝0個, ○＝2個, ■×＝1個, 未発行＝2件）"_s);
        QCOMPARE(list.currentIndex(), 0);  // the first QSO without a sent card

        // The received marks, after the question; the list built again.
        s.messages.answer(mb::IdYes);
        trigger(list, "QSO1");
        QCOMPARE(s.messages.messages()[0].text,
                 u"照合済みの交信に[QSL受領マーク]を書き込みます。\r\rよろしいですか？"_s);
        QCOMPARE(s.messages.messages()[1].text,
                 u"2 件のデータに\r［H;*=W;］\rを書き込みました。"_s);
        QCOMPARE(list.model().item(0, 0), u"◎  H "_s);

        // The next unmatched row, then none.
        trigger(list, "QSL3");
        QCOMPARE(list.currentIndex(), 2);
        trigger(list, "QSL3");
        QCOMPARE(lastMessage(s.messages), u"照合NG（■×）が見つかりません！"_s);

        // Nothing selected; then the space key marks the row and deletes it.
        trigger(list, "N1");
        QCOMPARE(lastMessage(s.messages),
                 u"ファイルが選択されていません！\r\rスペースキーで選択してください。"_s);
        auto* grid = list.findChild<QTableView*>(u"vGrid1"_s);
        list.setCurrentIndex(2);
        QTest::keyClick(grid, Qt::Key_Space);
        QVERIFY(list.model().isSelected(2));
        s.messages.answer(mb::IdYes);
        trigger(list, "N1");
        QCOMPARE(lastMessage(s.messages), u"1 個のファイルを削除しました。"_s);
        QCOMPARE(list.model().shownCount(), 2);

        // By call sign, bottom-up; Enter opens the viewer on the row's card.
        trigger(list, "NW8");
        QCOMPARE(list.windowTitle(), u"QSOデータと電子QSLの照合結果（コールサインの順）"_s);
        trigger(list, "NK5");
        grid->setCurrentIndex(list.model().index(0, 2));
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(s.shown.back().first,
                 s.folders.receivedDir + u"/JR2XYZ_261121_1300_7.024_CW_JS2IIU.jpg"_s);
        list.saveState(true);
        QCOMPARE(s.settings.readInteger(u"Config", u"Koujun", 0), 2 | 4);
    }

    // Shown, the list has the keys: Space marks a row, never presses a tool
    // button. The rename box's Alt+C renames; leaving the box drops it.
    void theListKeepsItsKeysAndTheRenameBoxItsLetter() {
        Station s;
        TShForm1 list(s.parts());
        list.BuildReceivedList(0);
        list.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&list));
        auto* grid = list.findChild<QTableView*>(u"vGrid1"_s);
        QCOMPARE(QApplication::focusWidget(), grid);
        const int current = list.currentIndex();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(s.messages.messages().empty());
        QVERIFY(list.model().isSelected(current));

        trigger(list, "N4");
        auto* box = list.findChild<QLineEdit*>(u"Edit2"_s);
        auto* panel = list.findChild<QWidget*>(u"Panel2"_s);
        QVERIFY(panel->isVisible());
        QCOMPARE(QApplication::focusWidget(), box);
        box->setText(u"JH3ZZZ_261122_1301_7.024_CW_JS2IIU.JPG"_s);
        s.messages.answer(mb::IdNo);
        QTest::keyClick(box, Qt::Key_C, Qt::AltModifier);
        QCOMPARE(s.messages.messages().size(), size_t{1});
        QVERIFY2(s.messages.messages()[0].text.endsWith(u"・・・に変更しますか？"_s),
                 qPrintable(s.messages.messages()[0].text));
        QVERIFY(panel->isVisible());  // the question's box took the focus for a while only
        box->clearFocus();            // the focus goes elsewhere
        QVERIFY(!panel->isVisible());
    }

    void sentListFiltersAndResends() {
        Station s;
        std::vector<std::tuple<QString, QString, int>> resends;
        QStringList found;
        TShForm2 list(
            s.parts(),
            [&](const QString& call, const QString& file, int recno) {
                resends.emplace_back(call, file, recno);
            },
            [&](const QString& name) { found.append(name); });
        list.BuildSentList(s.folders.sentDir, 0, 0);
        QCOMPARE(list.model().shownCount(), 2);
        QCOMPARE(list.model().item(1, 3), u"日付時刻"_s);  // a minute off, from the menu
        QCOMPARE(list.findChild<QStatusBar*>(u"StatusBar1"_s)->currentMessage(),
                 u" 2 個の送信済み電子QSL（未受領＝1個，■×＝1個）"_s);
        list.BuildSentList(QString(), 0, 10);  // from the viewer: its tolerance
        QCOMPARE(list.model().item(1, 3), u"2"_s);

        // The resend of a matched row, with the new file time when asked.
        trigger(list, "SN5");
        list.setCurrentIndex(0);
        trigger(list, "Sent1");
        QCOMPARE(resends.size(), size_t(1));
        QCOMPARE(std::get<0>(resends[0]), u"JA1ABC"_s);
        QCOMPARE(std::get<1>(resends[0]),
                 s.folders.sentDir + u"/JS2IIU_261120_1200_7.024_CW_JA1ABC.jpg"_s);
        QCOMPARE(std::get<2>(resends[0]), 1);
        QCOMPARE(list.model().item(0, 2),
                 QDateTime::currentDateTime().toString(u"yy/MM/dd HH:mm"_s));

        // The received card of the same QSO.
        trigger(list, "QSO1");
        QCOMPARE(found, QStringList{u"JA1ABC_261120_1200_7.024_CW_JS2IIU."_s});

        // The unconfirmed ones only; then none left after the marks.
        trigger(list, "QSL3");
        QCOMPARE(list.model().shownCount(), 2);
        list.saveState(true);
        QVERIFY(s.settings.readString(u"Config", u"SentWin", QString()).endsWith(u",8"_s));
    }
};

QTEST_MAIN(CardListWindowsTest)
#include "card_list_windows_test.moc"
