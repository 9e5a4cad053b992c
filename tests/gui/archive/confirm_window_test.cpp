// The tally by area, offscreen, by its controls' names: a run of the
// confirmed areas, the clipboard, a card opened, back to the settings.

#include "archive/ui/confirm_window.h"

#include "core/message_ports.h"
#include "core/ui/gui_message_port.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "exchange/logging_program.h"
#include "logdata/dbf_table.h"
#include "logdata/log_store.h"
#include "settings/kankyo.h"

#include "box_answers.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class ConfirmWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void confirmedAreasCopiedAndOpened() {
        QTemporaryDir dir;
        const QString mst = dir.filePath(u"ZELKOV.mst"_s);
        {
            LogStore store;
            QVERIFY(store.open(mst, true));
            for (const auto& [call, code] :
                 {std::pair{u"JA1AAA"_s, u"100105"_s}, {u"JA8AAA"_s, u"0102"_s}}) {
                QsoRecord q;
                q.call = call;
                q.date = u"26/11/20"_s;
                q.time = u"12:00"_s;
                q.freq = u"7.024"_s;
                q.mode = u"CW"_s;
                q.code = code;
                q.key = lookupKeyOf(call);
                QCOMPARE(store.insert(q), LogStore::InsertResult::Added);
            }
        }
        QFile list(dir.filePath(u"areas.csv"_s));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("0102,Hakodate,\r\n0103,Otaru,\r\n100105,Bunkyo,\r\n");
        list.close();
        QCOMPARE(importAreas(mst, list.fileName()).added, 3);
        const CardFolders folders{dir.filePath(u"受信"_s), dir.filePath(u"送信"_s), {}};
        QDir().mkpath(folders.receivedDir);
        for (const QString& name : {u"JA1AAA_261120_1200_7.024_CW_JS2IIU.jpg"_s,
                                    u"JA8AAA_261120_1200_7.024_CW_JS2IIU.jpg"_s}) {
            QFile card(folders.receivedDir + u'/' + name);
            QVERIFY(card.open(QIODevice::WriteOnly));
            card.write(QByteArray(3000, 'x'));
        }
        TZkwIni settings(dir.filePath(u"Sendvik.ini"_s));
        WindowState places(settings);
        EnvironmentSettings environment;
        AbsentLoggingProgram program;
        ScriptedMessagePort port;
        ScopedMessagePort installed(&port);
        QStringList shown;
        TForm5 window({settings, places, environment, folders, mst, u"js2iiu"_s, program,
                       [&shown](const QString& path) { shown << path; }});
        window.show();
        // The stored modes leave the CW cards out: said on the result face.
        window.findChild<QLineEdit*>(u"Edit1"_s)->setText(u"SSB,FM,FT8"_s);
        window.findChild<QPushButton*>(u"Speed2"_s)->click();
        QVERIFY(window.findChild<QLabel*>(u"LeftOutLabel"_s)->isVisible());
        QCOMPARE(window.findChild<QLabel*>(u"LeftOutLabel"_s)->text(),
                 u"絞り込みの条件で 2枚の電子QSLを数えていません：モード（SSB,FM,FT8）以外 2枚"_s);
        window.S1Click();
        window.findChild<QLineEdit*>(u"Edit1"_s)->setText(u"CW"_s);
        window.findChild<QPushButton*>(u"Speed2"_s)->click();
        QVERIFY(!window.findChild<QLabel*>(u"LeftOutLabel"_s)->isVisible());
        QCOMPARE(window.windowTitle(), u"ZELKOV E-Mail QSL コンファーム状況（2地域：2ファイル）"_s);
        QTableWidget* grid = window.findChild<QTableWidget*>(u"CfmGrid1"_s);
        QVERIFY(grid->isVisible());
        QCOMPARE(grid->rowCount(), 2);
        QCOMPARE(grid->item(0, 1)->text(), u"0102"_s);
        QCOMPARE(grid->item(1, 3)->text(), u"JA1AAA_261120_1200_7.024_CW_JS2IIU.JPG<1:JA1AAA>"_s);

        window.findChild<QAction*>(u"AC1"_s)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 u"0102\tHakodate\tJA8AAA_261120_1200_7.024_CW_JS2IIU.JPG\r\n"
                 u"100105\tBunkyo\tJA1AAA_261120_1200_7.024_CW_JS2IIU.JPG\r\n"_s);
        QCOMPARE(port.messages().back().text,
                 u"クリップボードに出力しました。\rエクセル等に貼り付けることができます。"_s);
        // No logging program: the picture; a click on the code takes the first card.
        window.openCell(1, 1, false);
        QCOMPARE(shown,
                 QStringList{folders.receivedDir + u"/JA1AAA_261120_1200_7.024_CW_JS2IIU.jpg"_s});

        // The unconfirmed areas; back to the settings with Esc.
        window.S1Click();
        window.findChild<QPushButton*>(u"Speed4"_s)->click();
        QCOMPARE(window.windowTitle(), u"ZELKOV E-Mail QSL コンファーム状況（1地域）"_s);
        QCOMPARE(grid->item(0, 2)->text(), u"Otaru"_s);
        QVERIFY(!window.findChild<QAction*>(u"CA2"_s)->isEnabled());
        QTest::keyClick(grid, Qt::Key_Escape);
        QVERIFY(!grid->isVisible());
        window.close();
        QCOMPARE(settings.readString(u"Confirm", u"Mode", QString()), u"CW"_s);
    }

    // The spreadsheet of the tally with the program's real boxes: Esc during
    // the writing asks "処理を中断しますか？", answered by a click on No (the
    // writing goes on) and then by Enter (Yes: it stops); the box that says
    // no program opens the sheet is answered by Enter. No box is left that
    // nobody could answer.
    void theSpreadsheetsBoxesAreAnsweredAsUsual() {
        QTemporaryDir dir;
        const QString mst = dir.filePath(u"ZELKOV.mst"_s);
        const CardFolders folders{
            dir.filePath(u"受信"_s), dir.filePath(u"送信"_s), {}, dir.filePath(u"集計"_s)};
        QDir().mkpath(folders.receivedDir);
        QByteArray areas;
        {
            LogStore store;
            QVERIFY(store.open(mst, true));
            for (int i = 0; i < 60; ++i) {
                QsoRecord q;
                q.call = u"JA1A%1"_s.arg(QChar(u'A' + i / 26)) + QChar(u'A' + i % 26);
                q.date = u"26/11/20"_s;
                q.time = u"12:00"_s;
                q.freq = u"7.024"_s;
                q.mode = u"CW"_s;
                q.code = u"10%1"_s.arg(i + 10, 4, 10, QChar(u'0'));
                q.key = lookupKeyOf(q.call);
                QCOMPARE(store.insert(q), LogStore::InsertResult::Added);
                areas += q.code.toUtf8() + ",Area" + QByteArray::number(i) + ",\r\n";
                QFile card(folders.receivedDir + u'/' + q.call +
                           u"_261120_1200_7.024_CW_JS2IIU.jpg"_s);
                QVERIFY(card.open(QIODevice::WriteOnly));
                card.write(QByteArray(3000, 'x'));
            }
        }
        QFile list(dir.filePath(u"areas.csv"_s));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(areas);
        list.close();
        QCOMPARE(importAreas(mst, list.fileName()).added, 60);
        TZkwIni settings(dir.filePath(u"Sendvik.ini"_s));
        WindowState places(settings);
        EnvironmentSettings environment;
        AbsentLoggingProgram program;
        GuiMessagePort boxes;
        ScopedMessagePort installed(&boxes);
        // No program to open a sheet with.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", dir.path().toUtf8());
        TForm5 window({settings, places, environment, folders, mst, u"js2iiu"_s, program,
                       [](const QString&) {}});
        window.show();
        window.findChild<QLineEdit*>(u"Edit1"_s)->setText(u"CW"_s);
        window.findChild<QPushButton*>(u"Speed2"_s)->click();
        QCOMPARE(window.findChild<QTableWidget*>(u"CfmGrid1"_s)->rowCount(), 60);

        using testing_support::BoxAnswers;
        for (const bool stop : {false, true}) {
            // Esc comes while the sheet is being written.
            const auto escape = [&window] {
                QCoreApplication::postEvent(
                    &window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            };
            BoxAnswers answers(
                {{QMessageBox::Yes, BoxAnswers::By::Click, escape},
                 {QMessageBox::No, stop ? BoxAnswers::By::Enter : BoxAnswers::By::Click},
                 {QMessageBox::Ok, BoxAnswers::By::Enter}});
            window.E1Click();
            QCOMPARE(answers.stuck(), 0);
            QCOMPARE(answers.texts().size(), 3);
            QVERIFY(answers.texts()[0].startsWith(u"エクセルに出力しますか？"_s));
            QCOMPARE(answers.texts()[1], u"処理を中断しますか？"_s);
            // No program here opens it: where it is, not an error.
            QVERIFY2(answers.texts()[2].endsWith(
                         u"・・・に保存しました。（このファイルを開くプログラムがありません）"_s),
                     qPrintable(answers.texts()[2]));
            // The sheet is where the window says it is.
            const QString shown = window.findChild<QLabel*>(u"SheetLabel"_s)->text();
            QVERIFY2(shown.startsWith(u"エクセルファイルを保存しました："_s), qPrintable(shown));
            QVERIFY(QFile::exists(QDir::fromNativeSeparators(shown.section(u'：', 1))));
            QVERIFY(shown.contains(QDir::toNativeSeparators(folders.sheetsDir)));
        }
        qputenv("PATH", path);
        window.close();
    }
};

QTEST_MAIN(ConfirmWindowTest)
#include "confirm_window_test.moc"
