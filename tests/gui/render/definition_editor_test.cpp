// The definition editor, offscreen, by its commands' names: the insert
// entries, the font lines, the preview stepping through the log, an error
// taking the person back to its line, the reduction tool's limits, closing
// an unsaved new text, and typing that never waits for a drawing.

#include "render/ui/definition_editor.h"
#include "settings/program_files.h"

#include "core/file_dialogs.h"
#include "core/message_ports.h"
#include "core/ui/gui_message_port.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "logdata/log_store.h"
#include "render/jpeg_io.h"
#include "render/qsl_definition.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Bench {
    QTemporaryDir dir;
    TZkwIni settings{dir.filePath(u"Sendvik.ini"_s)};
    WindowState places{settings};
    DefinitionChoice definitionFile{settings, dir.path() + u'/'};
    QslDefinition definition;
    ScriptedMessagePort messages;
    ScopedMessagePort installed{&messages};
    ScriptedFileDialogPort files;
    ScopedFileDialogPort filesInstalled{&files};
    QStringList chosen;
    QStringList shown;
    std::unique_ptr<TForm10> editor;

    Bench() {
        LogStore store;
        if (!store.open(dir.filePath(u"ZELKOV.mst"_s), true)) qFatal("log");
        for (const QString& call : {u"JA1AAA"_s, u"JA1AAB"_s, u"JA1AAC"_s}) {
            QsoRecord q;
            q.call = call;
            q.date = u"26/11/20"_s;
            q.time = u"12:00"_s;
            q.freq = u"7.024"_s;
            q.mode = u"CW"_s;
            q.key = lookupKeyOf(call);
            store.insert(q);
        }
        editor = std::make_unique<TForm10>(DefinitionEditorParts{
            definitionFile, places, definition, [] {}, [] {}, dir.path(),
            [this] { return dir.filePath(u"ZELKOV.mst"_s); }, [] { return DefinitionContext{}; },
            [this](const QString& p) { chosen << p; }, [this](const QString& p) { shown << p; }});
    }
    void write(const QString& name, const QByteArray& text) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(text);
    }
    void trigger(const char* name) {
        QAction* a = editor->findChild<QAction*>(QString::fromLatin1(name));
        if (!a) qFatal("no action %s", name);
        a->trigger();
    }
    QStringList lines() const { return editor->editor()->toPlainText().split(u'\n'); }
};

}  // namespace

class DefinitionEditorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void insertsGoAboveTheCaretLine() {
        Bench b;
        b.write(u"card.mQSL"_s, "#Size 640, 408\r\n#Print 10, 10, \"!cp\"\r\n");
        b.editor->openDefinition(b.dir.filePath(u"card.mQSL"_s), false);
        QCOMPARE(b.editor->windowTitle(), u"card.mQSL"_s);
        QTextCursor c = b.editor->editor()->textCursor();
        c.movePosition(QTextCursor::Down);
        c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 3);
        b.editor->editor()->setTextCursor(c);
        b.trigger("P1");
        b.trigger("J11");
        b.trigger("J1");
        b.trigger("Text1");
        b.editor->insertFontLines(QFont(u"IPAGothic"_s, 18), QColor(0x10, 0x20, 0x30));
        QCOMPARE(b.lines(),
                 (QStringList{u"#Size 640, 408"_s, u"#Print x, y, \"!cp\""_s, u"? Qsl1 \"n\""_s,
                              u"? Rcv"_s, u"#Text x, y"_s, u"複数行の文字列"_s, u"#End"_s,
                              u"#FontName=\"IPAGothic\""_s, u"#FontSize=18"_s,
                              u"#FontColor=0x00302010"_s, u"#FontStyle=0"_s,
                              u"#Print 10, 10, \"!cp\""_s}));
        // The caret stayed in its text, three characters in.
        QCOMPARE(b.editor->editor()->textCursor().block().text(), u"#Print 10, 10, \"!cp\""_s);
        QCOMPARE(b.editor->editor()->textCursor().positionInBlock(), 3);
        QCOMPARE(b.editor->findChild<QAction*>(u"LineNo"_s)->text(), u"[12/13]：イメージ"_s);
        // The line styles: dashes one pixel wide.
        b.editor->showLineStylePanel();
        QVERIFY(!b.editor->editor()->isEnabled());
        b.editor->lineStyleChosen(2);
        QVERIFY(b.editor->editor()->isEnabled());
        QVERIFY(b.lines().contains(u"#LineS 0, 2, 0"_s));
    }

    void previewStepsAndAnErrorLeadsToItsLine() {
        Bench b;
        b.write(u"card.mQSL"_s, "#Print 10, 10, \"!cp\"\r\n");
        b.editor->openDefinition(b.dir.filePath(u"card.mQSL"_s), true);
        QVERIFY(b.editor->previewing());
        QCOMPARE(b.editor->record(), 3);  // the last record
        b.trigger("Next1");
        QCOMPARE(b.editor->record(), 1);  // past the end: the first
        b.trigger("Prev1");
        QCOMPARE(b.editor->record(), 3);
        b.editor->numberEntered(99);
        QCOMPARE(b.editor->record(), 3);
        b.trigger("Back1");
        QVERIFY(!b.editor->previewing());

        // An error: told, back in the editor with its line selected.
        b.editor->editor()->setPlainText(u"#Size 640, 408\n#Print\n#Print 1, 1, \"x\""_s);
        b.trigger("Image2");
        QVERIFY(!b.editor->previewing());
        QVERIFY(b.messages.messages().back().text.contains(u"パラメータ不足"_s));
        QCOMPARE(b.editor->editor()->textCursor().selectedText(), u"#Print"_s);
    }

    void theReductionToolsLimits() {
        Bench b;
        const auto photo = [&b](const QString& name, int width, int height) {
            QImage image(width, height, QImage::Format_RGB32);
            image.fill(Qt::darkGreen);
            QVERIFY(writeJpeg(image, b.dir.filePath(name)));
        };
        photo(u"small.jpg"_s, 800, 600);
        photo(u"large.jpg"_s, 801, 600);
        b.files.answer(b.dir.filePath(u"small.jpg"_s));
        b.editor->resizePhoto(0);
        QCOMPARE(b.messages.messages().back().text, u"選択した画像は小さすぎます！（800 x 600）"_s);
        QCOMPARE(b.shown.back(), QString());  // the viewer closed
        b.files.answer(b.dir.filePath(u"large.jpg"_s));
        b.files.answer(b.dir.filePath(u"reduced.jpg"_s));
        b.messages.answer(mb::IdYes);
        b.editor->resizePhoto(0);
        QCOMPARE(b.messages.messages().back().text,
                 u"801 x 509 ピクセルを 800 x 510 ピクセルに縮小\r\rよろしいですか？"_s);
        JpegInfo info;
        QVERIFY(readJpegInfo(b.dir.filePath(u"reduced.jpg"_s), info));
        QCOMPARE(info.uprightSize(), QSize(800, 510));
        QCOMPARE(b.shown.back(), b.dir.filePath(u"reduced.jpg"_s));
    }

    void closingAnUnsavedNewTextAsksAndSavesAs() {
        Bench b;
        b.editor->show();
        b.trigger("New1");
        QCOMPARE(b.editor->windowTitle(), u"新規作成"_s);
        b.editor->editor()->insertPlainText(u"#Print 1, 1, \"x\""_s);  // typed: modified
        b.messages.answer(mb::IdYes);
        b.files.answer(b.dir.filePath(u"new.mQSL"_s));
        b.editor->close();
        QVERIFY(!b.messages.messages().empty());
        QCOMPARE(b.messages.messages().back().text, u"ファイルを保存しますか？"_s);
        QCOMPARE(b.files.requests().back().title, u"電子QSL定義ファイルの保存"_s);
        QVERIFY(QFile::exists(b.dir.filePath(u"new.mQSL"_s)));
        QCOMPARE(b.chosen, QStringList{b.dir.filePath(u"new.mQSL"_s)});
        QVERIFY(!b.editor->isVisible());
        // The definition the editor leaves is the one the program keeps.
        QCOMPARE(b.definitionFile.path(), b.dir.filePath(u"new.mQSL"_s));
    }

    // The editor closes by its close box and by Esc (modal, as the main
    // window runs it); the save question's Cancel keeps it open.
    void theEditorClosesEveryWayUnlessCancelled() {
        Bench b;
        QTimer::singleShot(50, b.editor.get(), [&b] { b.editor->close(); });
        QCOMPARE(b.editor->exec(), int(QDialog::Rejected));
        QVERIFY(!b.editor->isVisible());

        QTimer::singleShot(50, b.editor.get(),
                           [&b] { QTest::keyClick(b.editor->editor(), Qt::Key_Escape); });
        b.editor->exec();
        QVERIFY(!b.editor->isVisible());

        b.editor->show();
        b.editor->editor()->insertPlainText(u"#Print 1, 1, \"x\""_s);  // typed: modified
        b.messages.answer(mb::IdCancel);
        b.editor->close();
        QVERIFY(b.editor->isVisible());
        b.messages.answer(mb::IdNo);
        b.editor->close();
        QVERIFY(!b.editor->isVisible());

        // Esc with the text changed: "いいえ" closes too, as the close box does.
        QTimer::singleShot(50, b.editor.get(), [&b] {
            b.editor->editor()->insertPlainText(u"#Print 2, 2, \"y\""_s);
            b.messages.answer(mb::IdNo);
            QTest::keyClick(b.editor->editor(), Qt::Key_Escape);
        });
        QTimer::singleShot(3000, b.editor.get(), [&b] { b.editor->hide(); });  // never stuck
        QElapsedTimer closing;
        closing.start();
        QCOMPARE(b.editor->exec(), int(QDialog::Rejected));
        QVERIFY(closing.elapsed() < 2500);
        QCOMPARE(b.messages.messages().back().text, u"ファイルを保存しますか？"_s);

        // The same with the real box, its "いいえ" clicked.
        GuiMessagePort real;
        const ScopedMessagePort boxes(&real);
        bool clickedNo = false;
        QTimer::singleShot(50, b.editor.get(), [&] {
            b.editor->editor()->insertPlainText(u"#Print 3, 3, \"z\""_s);
            QTimer::singleShot(300, b.editor.get(), [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                        clickedNo = true;
                        box->button(QMessageBox::No)->click();
                    }
            });
            QTest::keyClick(b.editor->editor(), Qt::Key_Escape);
        });
        QTimer::singleShot(4000, b.editor.get(), [&b] { b.editor->hide(); });  // never stuck
        closing.restart();
        QCOMPARE(b.editor->exec(), int(QDialog::Rejected));
        QVERIFY(closing.elapsed() < 3000);
        QVERIFY(clickedNo);
    }

    void typingNeverWaitsForTheDrawing() {
        Bench b;
        // A slow definition: thousands of lines of text to draw.
        QByteArray slow = "#Size 1600, 1000\r\n";
        for (int i = 0; i < 6000; ++i)
            slow += "#Print 10, " + QByteArray::number(i % 900) + ", \"!cp !cp !cp !cp\"\r\n";
        b.write(u"slow.mQSL"_s, slow);
        b.editor->openDefinition(b.dir.filePath(u"slow.mQSL"_s), false);
        b.editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(b.editor.get()));
        QTRY_VERIFY_WITH_TIMEOUT(b.editor->livePreviewsShown() >= 1, 60000);
        const int shown = b.editor->livePreviewsShown();
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(b.editor->editor(), Qt::Key_X);
        const qint64 typed = clock.elapsed();
        QVERIFY2(typed < 100, qPrintable(QString::number(typed)));
        QCOMPARE(b.editor->livePreviewsShown(), shown);  // drawn later, not while typing
        QTRY_VERIFY_WITH_TIMEOUT(b.editor->livePreviewsShown() > shown, 60000);
        // An error in the text shows beside it, no box.
        const size_t boxes = b.messages.messages().size();
        b.editor->editor()->setPlainText(u"#Size 640, 408\n#Print"_s);
        QTRY_VERIFY_WITH_TIMEOUT(b.editor->liveError().startsWith(u"2行目: "_s), 30000);
        QCOMPARE(b.messages.messages().size(), boxes);
        b.messages.answer(mb::IdNo);
    }
};

QTEST_MAIN(DefinitionEditorTest)
#include "definition_editor_test.moc"
