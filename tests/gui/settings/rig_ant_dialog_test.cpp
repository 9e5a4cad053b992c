// The rig/antenna editor and chooser, offscreen, by the controls' names.

#include "settings/ui/rig_ant_dialog.h"

#include "core/comma_text.h"
#include "core/file_dialogs.h"
#include "core/message_ports.h"
#include "core/msg_box.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"

#include "gui_files.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using gui_files::readAll;
using gui_files::writeAll;

namespace {

// A file of 99 lines whose Freq is the line number and whose Rig names it.
QByteArray numberedFile() {
    QByteArray text = "[Count]\r\nMax=99\r\n";
    for (int n = 1; n <= 99; ++n)
        text += "[No" + QByteArray::number(n) + "]\r\nFreq=" + QByteArray::number(n) + "\r\nRig=R" +
                QByteArray::number(n) + "\r\n";
    return text;
}

}  // namespace

class RigAntDialogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void insertingLosesTheLastRowAndSaveWritesTheFile() {
        QTemporaryDir dir;
        ScriptedMessagePort messages;
        ScopedMessagePort installed(&messages);
        const QString data = dir.filePath(u"RigAnt.dat"_s);
        writeAll(data, numberedFile());
        TZkwIni settings(dir.filePath(u"Sendvik.ini"_s));
        WindowState places(settings);
        TForm11 editor(places, data, dir.path() + u'/');
        auto* grid = editor.findChild<QTableWidget*>(u"StringGrid1"_s);
        QVERIFY(grid);
        QCOMPARE(grid->rowCount(), 99);
        QCOMPARE(grid->item(4, 1)->text(), u"R5"_s);
        QCOMPARE(editor.windowTitle(), u"Rig/Antの設定（F2キーで編集）"_s);
        QCOMPARE(editor.findChild<QStatusBar*>(u"StatusBar1"_s)->currentMessage(), data);

        // Cancel at the warning changes nothing.
        grid->setCurrentCell(4, 0);
        messages.answer(mb::IdCancel);
        editor.insertRow();
        QCOMPARE(grid->item(4, 1)->text(), u"R5"_s);
        QVERIFY(
            messages.messages().back().text.startsWith(u"Rig/Antデータの行番号が変更されます。"_s));
        QCOMPARE(messages.messages().back().flags & 0x300u, mb::DefButton2);

        messages.answer(mb::IdOk);
        editor.insertRow();
        QCOMPARE(grid->item(4, 1)->text(), QString());
        QCOMPARE(grid->item(5, 1)->text(), u"R5"_s);
        QCOMPARE(grid->item(98, 1)->text(), u"R98"_s);  // R99 is lost

        grid->setCurrentCell(0, 0);
        messages.answer(mb::IdOk);
        editor.moveRowUp();  // not on the first row: no question either
        QCOMPARE(messages.messages().size(), 2u);
        messages.answer(mb::IdOk);
        editor.moveRowDown();
        QCOMPARE(grid->item(1, 1)->text(), u"R1"_s);
        QCOMPARE(grid->currentRow(), 1);  // the selection follows the row

        grid->item(2, 7)->setText(u"HF"_s);
        editor.findChild<QPushButton*>(u"SaveButton"_s)->click();
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        TZkwIni saved(data);
        QCOMPARE(saved.readString(u"No2", u"Rig", {}), u"R1"_s);
        QCOMPARE(saved.readString(u"No3", u"Etc", {}), u"HF"_s);
        QVERIFY(!saved.hasSection(u"No5"));  // the inserted empty row
        QCOMPARE(saved.readString(u"No99", u"Rig", {}), u"R98"_s);
        QVERIFY(settings.readString(u"Config", u"RigWin", {}).count(u',') == 11);
        QCOMPARE(editor.dataPath(), data);  // the file the caller keeps in the settings
    }

    void maxIsLimitedAndWrittenAtOnce() {
        QTemporaryDir dir;
        const QString data = dir.filePath(u"RigAnt.dat"_s);
        writeAll(data, numberedFile());
        TZkwIni settings(dir.filePath(u"Sendvik.ini"_s));
        WindowState places(settings);
        TForm11 editor(places, data, dir.path() + u'/');
        auto* max = editor.findChild<QLineEdit*>(u"MaxEdit"_s);
        max->setText(u"5"_s);
        editor.findChild<QPushButton*>(u"MaxButton"_s)->click();
        QCOMPARE(editor.findChild<QTableWidget*>(u"StringGrid1"_s)->rowCount(), 10);
        QCOMPARE(TZkwIni(data).readInteger(u"Count", u"Max", 0), 10);
    }

    void ctyDatIsNeverTheData() {
        QTemporaryDir dir;
        ScriptedMessagePort messages;
        ScopedMessagePort installed(&messages);
        ScriptedFileDialogPort files;
        ScopedFileDialogPort installedFiles(&files);
        writeAll(dir.filePath(u"cty.dat"_s), "[No1]\r\nFreq=7\r\n");
        TZkwIni settings(dir.filePath(u"Sendvik.ini"_s));
        WindowState places(settings);
        TForm11 editor(places, dir.filePath(u"cty.dat"_s), dir.path() + u'/');
        QCOMPARE(editor.dataPath(), dir.filePath(u"RigAnt.dat"_s));
        QVERIFY(files.requests().empty());

        files.answer(dir.filePath(u"cty.dat"_s));
        editor.openOther();
        QCOMPARE(messages.messages().back().text, u"CTY.DAT は開けません！"_s);
        QCOMPARE(editor.dataPath(), dir.filePath(u"RigAnt.dat"_s));

        // A missing file is asked for; cancelling takes the default.
        TForm11 missing(places, dir.filePath(u"gone.dat"_s), dir.path() + u'/');
        QCOMPARE(files.requests().back().title, u"Rig/Antデータを開く"_s);
        QCOMPARE(missing.dataPath(), dir.filePath(u"RigAnt.dat"_s));
    }

    void theChooserReturnsTheRowAndRemembersIt() {
        QTemporaryDir dir;
        const QString data = dir.filePath(u"RigAnt.dat"_s);
        writeAll(data, numberedFile());
        TZkwIni settings(dir.filePath(u"Sendvik.ini"_s));
        WindowState places(settings);
        TForm11 chooser(places, data, dir.path() + u'/');
        chooser.setChooser(u"No1        JA1ABC\rTaro\r\r"_s, 7);
        QCOMPARE(chooser.windowTitle(), u"Rig/Antの選択"_s);
        QCOMPARE(chooser.findChild<QPushButton*>(u"SaveButton"_s)->text(), u"OK"_s);
        auto* grid = chooser.findChild<QTableWidget*>(u"StringGrid1"_s);
        QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(chooser.selectedRow(), 7);
        QCOMPARE(commaTextSplit(chooser.selectedLine()).mid(0, 3),
                 (QStringList{u"7"_s, u"7"_s, u"R7"_s}));
        QVERIFY(
            chooser.findChild<QLabel*>(u"Summary"_s)->text().startsWith(u"No1        JA1ABC\n"_s));
    }
};

QTEST_MAIN(RigAntDialogTest)
#include "rig_ant_dialog_test.moc"
