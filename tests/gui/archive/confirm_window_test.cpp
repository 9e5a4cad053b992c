// The tally by area, offscreen, by its controls' names: a run of the
// confirmed areas, the clipboard, a card opened, back to the settings.

#include "archive/ui/confirm_window.h"

#include "core/message_ports.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "exchange/logging_program.h"
#include "logdata/dbf_table.h"
#include "logdata/log_store.h"
#include "settings/kankyo.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
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
        window.findChild<QLineEdit*>(u"Edit1"_s)->setText(u"CW"_s);
        window.findChild<QPushButton*>(u"Speed2"_s)->click();
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
};

QTEST_MAIN(ConfirmWindowTest)
#include "confirm_window_test.moc"
