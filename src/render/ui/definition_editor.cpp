#include "render/ui/definition_editor.h"

#include "core/app_info.h"
#include "core/bitmap_ops.h"
#include "core/file_dialogs.h"
#include "core/japanese_fonts.h"
#include "core/msg_box.h"
#include "core/serial_worker.h"
#include "core/shell_open.h"
#include "core/text_files.h"
#include "core/ui/font_picker.h"
#include "core/ui/wait_cursor.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "render/definition_editing.h"
#include "render/jpeg_io.h"
#include "settings/program_files.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSplitter>
#include <QStackedWidget>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Commands, conditions, placeholders, labels and comments in colour.
class DefinitionHighlighter : public QSyntaxHighlighter {
public:
    explicit DefinitionHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

protected:
    void highlightBlock(const QString& text) override {
        const bool inside = previousBlockState() == 1;
        for (const TokenSpan& span : definitionTokens(text, inside))
            setFormat(span.start, span.length, format(span.kind));
        setCurrentBlockState(textBlockAfter(text, inside) ? 1 : 0);
    }

private:
    static QTextCharFormat format(DefinitionToken kind) {
        QTextCharFormat f;
        switch (kind) {
            case DefinitionToken::Command:
                f.setForeground(QColor(0, 0, 192));
                f.setFontWeight(QFont::Bold);
                break;
            case DefinitionToken::Condition: f.setForeground(QColor(160, 0, 160)); break;
            case DefinitionToken::Placeholder:
                f.setForeground(QColor(0, 128, 0));
                f.setFontWeight(QFont::Bold);
                break;
            case DefinitionToken::Label: f.setForeground(QColor(192, 96, 0)); break;
            case DefinitionToken::Comment: f.setForeground(QColor(128, 128, 128)); break;
            case DefinitionToken::Text: break;
        }
        return f;
    }
};

QString relativeName(const QString& path, const QString& programDir) {
    const QString relative = QDir(programDir).relativeFilePath(path);
    return relative.startsWith(QStringLiteral("..")) ? QDir::toNativeSeparators(path) : relative;
}

const InsertEntry* findEntry(const QString& name) {
    for (const auto* menu : {&placeholderMenu(), &commandMenu()})
        for (const InsertGroup& g : *menu)
            for (const InsertEntry& e : g.entries)
                if (e.name == name) return &e;
    return nullptr;
}

}  // namespace

TForm10::TForm10(const DefinitionEditorParts& parts, QWidget* parent)
    : QDialog(parent), parts_(parts) {
    setObjectName(QStringLiteral("Form10"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    bar_ = new QMenuBar(this);
    layout->setMenuBar(bar_);
    pages_ = new QStackedWidget(this);
    layout->addWidget(pages_);

    // The editor: the line styles, the text, and the live preview beside it.
    auto* editorPage = new QWidget(pages_);
    auto* editorLayout = new QVBoxLayout(editorPage);
    editorLayout->setContentsMargins(2, 2, 2, 2);
    Panel1 = new QWidget(editorPage);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* styles = new QHBoxLayout(Panel1);
    TrackBar1 = new QSlider(Qt::Horizontal, Panel1);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setRange(1, 20);
    TrackBar1->setValue(1);
    TrackBar1->setToolTip(QStringLiteral("罫線の太さ"));
    styles->addWidget(TrackBar1);
    const QString styleCaptions[] = {QStringLiteral("実線"),     QStringLiteral("破線"),
                                     QStringLiteral("点線"),     QStringLiteral("一点鎖線"),
                                     QStringLiteral("二点鎖線"), QStringLiteral("中断")};
    for (int style = 0; style < 6; ++style) {
        auto* b = new QPushButton(styleCaptions[style], Panel1);
        b->setObjectName(QStringLiteral("LineStyle%1").arg(style));
        connect(b, &QPushButton::clicked, this, [this, style] { lineStyleChosen(style); });
        styles->addWidget(b);
    }
    auto* colour = new QPushButton(QStringLiteral("罫線の色指定"), Panel1);
    colour->setObjectName(QStringLiteral("LineColour"));
    colourSample_ = new QLabel(QStringLiteral("●"), Panel1);
    connect(colour, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(lineColour_, this);
        if (!chosen.isValid()) return;
        lineColour_ = chosen;
        colourSample_->setStyleSheet(QStringLiteral("color: %1;").arg(chosen.name()));
    });
    styles->addWidget(colour);
    styles->addWidget(colourSample_);
    Panel1->hide();
    editorLayout->addWidget(Panel1);
    auto* split = new QSplitter(editorPage);
    Memo1 = new QPlainTextEdit(split);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setTabChangesFocus(false);
    Memo1->installEventFilter(this);
    Memo1->viewport()->installEventFilter(this);
    new DefinitionHighlighter(Memo1->document());
    auto* live = new QWidget(split);
    auto* liveLayout = new QVBoxLayout(live);
    liveImage_ = new QLabel(live);
    liveImage_->setObjectName(QStringLiteral("LivePreview"));
    liveImage_->setMinimumSize(320, 204);
    liveImage_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    liveError_ = new QLabel(live);
    liveError_->setObjectName(QStringLiteral("LiveError"));
    liveError_->setWordWrap(true);
    liveError_->setStyleSheet(QStringLiteral("color: #b00000;"));
    liveLayout->addWidget(liveImage_);
    liveLayout->addWidget(liveError_);
    liveLayout->addStretch();
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    editorLayout->addWidget(split, 1);
    pages_->addWidget(editorPage);

    // The preview: the picture, and the record number box over it.
    auto* previewPage = new QWidget(pages_);
    auto* previewLayout = new QVBoxLayout(previewPage);
    Edit1 = new QLineEdit(previewPage);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setToolTip(QStringLiteral("番号を変えてEnterキーを押す"));
    Edit1->setMaximumWidth(120);
    Edit1->installEventFilter(this);
    Edit1->hide();
    previewLayout->addWidget(Edit1);
    previewArea_ = new QScrollArea(previewPage);
    Image1 = new QLabel(previewArea_);
    Image1->setObjectName(QStringLiteral("Image1"));
    previewArea_->setWidget(Image1);
    previewLayout->addWidget(previewArea_, 1);
    pages_->addWidget(previewPage);

    buildMenus();
    connect(Memo1, &QPlainTextEdit::cursorPositionChanged, this, [this] { updateIndicator(); });
    connect(Memo1->document(), &QTextDocument::modificationChanged, Undo1, &QAction::setEnabled);
    // The live preview draws with an interpreter of its own, with the
    // program's QR-code module.
    liveDefinition_ = std::make_unique<QslDefinition>(parts_.definition.qrModule());
    liveWorker_ = std::make_unique<SerialWorker>();
    liveTimer_ = new QTimer(this);
    liveTimer_->setSingleShot(true);
    liveTimer_->setInterval(350);
    connect(liveTimer_, &QTimer::timeout, this, [this] { startLivePreview(); });
    connect(Memo1, &QPlainTextEdit::textChanged, liveTimer_, qOverload<>(&QTimer::start));

    if (const auto place = parts_.places.definitionEditorPlace())
        setGeometry(*place);
    else
        resize(1000, 640);
    setMode(false);
}

TForm10::~TForm10() {
    liveWorker_.reset();  // its last job ends before its interpreter goes
}

void TForm10::buildMenus() {
    const auto add = [this](QMenu* menu, const QString& name, const QString& caption,
                            const QKeySequence& key, std::function<void()> handler) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        if (!key.isEmpty()) a->setShortcut(key);
        connect(a, &QAction::triggered, this, [handler] { handler(); });
        return a;
    };
    QMenu* file = bar_->addMenu(QStringLiteral("ファイル(&F)"));
    add(file, QStringLiteral("Open1"), QStringLiteral("QSL定義ファイルを開く(&O)..."),
        QKeySequence(Qt::CTRL | Qt::Key_O), [this] { Open1Click(); });
    add(file, QStringLiteral("New1"), QStringLiteral("新規作成(&N)"),
        QKeySequence(Qt::CTRL | Qt::Key_N), [this] { New1Click(); });
    add(file, QStringLiteral("SaveAs1"), QStringLiteral("名前を付けて保存(&A)..."), {},
        [this] { (void)SaveAs1Click(); });  // a failure was told
    add(file, QStringLiteral("Save1"), QStringLiteral("上書き保存(&S)"),
        QKeySequence(Qt::CTRL | Qt::Key_S), [this] { (void)Save1Click(); });  // told
    file->addSeparator();
    QMenu* resize = file->addMenu(QStringLiteral("既存JPEG画像のリサイズ(&R)"));
    add(resize, QStringLiteral("R800"), QStringLiteral("800x510 or 510x800"), {},
        [this] { resizePhoto(0); });
    add(resize, QStringLiteral("R640"), QStringLiteral("640x408 or 408x640"), {},
        [this] { resizePhoto(1); });
    add(resize, QStringLiteral("R528"), QStringLiteral("528x336 or 336x528"), {},
        [this] { resizePhoto(2); });
    file->addSeparator();
    add(file, QStringLiteral("Exit1"), QStringLiteral("終了(&X)"), {}, [this] { close(); });

    QMenu* edit = bar_->addMenu(QStringLiteral("編集(&E)"));
    Undo1 = add(edit, QStringLiteral("Undo1"), QStringLiteral("元に戻す(&U)"),
                QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { Memo1->undo(); });
    QAction* cut = add(edit, QStringLiteral("Cut1"), QStringLiteral("切り取り(&T)"),
                       QKeySequence(Qt::CTRL | Qt::Key_X), [this] { Memo1->cut(); });
    QAction* copy = add(edit, QStringLiteral("Copy1"), QStringLiteral("コピー(&C)"),
                        QKeySequence(Qt::CTRL | Qt::Key_C), [this] { Memo1->copy(); });
    QAction* remove = add(edit, QStringLiteral("Delete1"), QStringLiteral("削除(&D)"), {},
                          [this] { Memo1->textCursor().removeSelectedText(); });
    QAction* paste = add(edit, QStringLiteral("Paste1"), QStringLiteral("貼り付け(&P)"),
                         QKeySequence(Qt::CTRL | Qt::Key_V), [this] { Memo1->paste(); });
    // Cut, copy and delete with a selection; paste with text to paste.
    for (QAction* a : {cut, copy, remove}) {
        a->setEnabled(false);
        connect(Memo1, &QPlainTextEdit::copyAvailable, a, &QAction::setEnabled);
    }
    connect(edit, &QMenu::aboutToShow, this,
            [paste] { paste->setEnabled(!QGuiApplication::clipboard()->text().isEmpty()); });
    add(edit, QStringLiteral("SelectAll1"), QStringLiteral("すべて選択(&A)"), {},
        [this] { Memo1->selectAll(); });
    add(edit, QStringLiteral("Find1"), QStringLiteral("検索/置換(&S)..."),
        QKeySequence(Qt::CTRL | Qt::Key_F), [this] {
            // Find and replace, searching down from the selection.
            QDialog dialog(this);
            dialog.setObjectName(QStringLiteral("FindDialog"));
            dialog.setWindowTitle(QStringLiteral("検索/置換"));
            auto* grid = new QGridLayout(&dialog);
            auto* what = new QLineEdit(Memo1->textCursor().selectedText(), &dialog);
            auto* with = new QLineEdit(&dialog);
            auto* matchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する"), &dialog);
            auto* whole = new QCheckBox(QStringLiteral("単語単位で探す"), &dialog);
            grid->addWidget(new QLabel(QStringLiteral("検索する文字列:"), &dialog), 0, 0);
            grid->addWidget(what, 0, 1);
            grid->addWidget(new QLabel(QStringLiteral("置換後の文字列:"), &dialog), 1, 0);
            grid->addWidget(with, 1, 1);
            grid->addWidget(matchCase, 2, 0, 1, 2);
            grid->addWidget(whole, 3, 0, 1, 2);
            auto* buttons = new QHBoxLayout;
            const auto button = [&](const QString& caption, std::function<void()> act) {
                auto* b = new QPushButton(caption, &dialog);
                connect(b, &QPushButton::clicked, &dialog, [act] { act(); });
                buttons->addWidget(b);
            };
            button(QStringLiteral("次を検索"), [&] {
                findNext(what->text(), matchCase->isChecked(), whole->isChecked(), nullptr, false);
            });
            button(QStringLiteral("置換"), [&] {
                const QString r = with->text();
                findNext(what->text(), matchCase->isChecked(), whole->isChecked(), &r, false);
            });
            button(QStringLiteral("すべて置換"), [&] {
                const QString r = with->text();
                findNext(what->text(), matchCase->isChecked(), whole->isChecked(), &r, true);
            });
            button(QStringLiteral("閉じる"), [&] { dialog.close(); });
            grid->addLayout(buttons, 4, 0, 1, 2);
            dialog.move(geometry().left() + 80, geometry().top() + 80);
            dialog.exec();
        });
    add(edit, QStringLiteral("Image2"), QStringLiteral("電子QSLイメージ(&I)"),
        QKeySequence(Qt::CTRL | Qt::Key_I), [this] { showPreview(); });
    // The text's own menu mirrors the edit menu.
    Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Memo1, &QWidget::customContextMenuRequested, this,
            [this, edit](QPoint at) { edit->popup(Memo1->viewport()->mapToGlobal(at)); });

    const auto insertMenu = [this, &add](const QString& caption,
                                         const std::vector<InsertGroup>& groups) {
        QMenu* menu = bar_->addMenu(caption);
        for (const InsertGroup& g : groups) {
            QMenu* into = g.caption.isEmpty() ? menu : menu->addMenu(g.caption);
            for (const InsertEntry& e : g.entries) {
                const QString name = e.name;
                add(into, name, e.caption, {}, [this, name] { insertEntry(name); });
            }
        }
        return menu;
    };
    editorMenus_ << file->menuAction() << edit->menuAction()
                 << insertMenu(QStringLiteral("項目(&K)"), placeholderMenu())->menuAction()
                 << insertMenu(QStringLiteral("命令(&C)"), commandMenu())->menuAction();
    LineNo = bar_->addAction(lineIndicator(1, 0));
    LineNo->setObjectName(QStringLiteral("LineNo"));
    connect(LineNo, &QAction::triggered, this, [this] { showPreview(); });
    editorMenus_ << LineNo;

    // The preview's menus.
    QMenu* previewFile = bar_->addMenu(QStringLiteral("ファイル(&F)"));
    add(previewFile, QStringLiteral("SaveJpg1"), QStringLiteral("JPEGファイルに保存(&S)"), {},
        [this] {
            const auto path = chooseFile(
                {FileDialogRequest::Kind::Save, QStringLiteral("JPEG画像ファイルの保存"),
                 QStringLiteral("JPEGファイル(*.jpg)|*.jpg"),
                 QDir(QFileInfo(path_.isEmpty() ? parts_.programDir : path_).absolutePath())
                     .filePath(previewFileName(previewCall_) + QStringLiteral(".JPG"))});
            if (path) saveImage(*path);
        });
    add(previewFile, QStringLiteral("EditBack1"), QStringLiteral("編集に戻る(&E)"), {},
        [this] { backToEditor(); });
    add(previewFile, QStringLiteral("Exit2"), QStringLiteral("終了(&X)"), {}, [this] { close(); });
    const auto top = [this](const QString& name, const QString& caption,
                            std::function<void()> handler) {
        QAction* a = bar_->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [handler] { handler(); });
        return a;
    };
    previewMenus_
        << previewFile->menuAction()
        << top(QStringLiteral("Prev1"), QStringLiteral("前へ(&P)"), [this] { stepRecord(-1); })
        << top(QStringLiteral("Next1"), QStringLiteral("次へ(&N)"), [this] { stepRecord(1); })
        << top(QStringLiteral("Number1"), QStringLiteral("番号指定(&B)"),
               [this] {
                   Edit1->setVisible(!Edit1->isVisible());
                   if (Edit1->isVisible()) Edit1->setFocus();
               })
        << top(QStringLiteral("Back1"), QStringLiteral("戻る(&B)"), [this] { backToEditor(); });
    QMenu* help = bar_->addMenu(QStringLiteral("ヘルプ(&H)"));
    add(help, QStringLiteral("Help1"), QStringLiteral("ヘルプ(&H)"), QKeySequence(Qt::Key_F1),
        [] { ShellOpen(app::primaryServerBase() + QStringLiteral("tgw/qsl/qslteigi.html")); });
}

void TForm10::setMode(bool preview) {
    for (QAction* a : std::as_const(editorMenus_))
        a->setVisible(!preview);
    for (QAction* a : std::as_const(previewMenus_))
        a->setVisible(preview);
    pages_->setCurrentIndex(preview ? 1 : 0);
    if (!preview) Edit1->hide();
}

bool TForm10::previewing() const {
    return pages_->currentIndex() == 1;
}

void TForm10::setCaptionFor(const QString& path) {
    path_ = path;
    setWindowTitle(path.isEmpty() ? QStringLiteral("新規作成")
                                  : relativeName(path, parts_.programDir));
}

void TForm10::updateIndicator() {
    LineNo->setText(lineIndicator(Memo1->textCursor().blockNumber() + 1, Memo1->blockCount()));
}

void TForm10::openDefinition(const QString& path, bool preview) {
    if (!QFileInfo(path).isFile()) {
        Open1Click();
    } else {
        QStringList lines;
        if (!QslDefinition::readLines(path, lines)) {
            ShowMsgBox(this, path + QStringLiteral("\r\r・・・を読めません！"), app::title(),
                       mb::Ok | mb::IconStop);
            return;
        }
        Memo1->setPlainText(lines.join(u'\n'));
        Memo1->document()->setModified(false);
        setCaptionFor(path);
        parts_.definitionFile.choose(path);
    }
    updateIndicator();
    if (preview) showPreview();
}

bool TForm10::askToSave(bool withCancel, bool* cancelled) {
    if (cancelled) *cancelled = false;
    if (!Memo1->document()->isModified()) return true;
    const int answer = ShowMsgBox(this, QStringLiteral("ファイルを保存しますか？"), windowTitle(),
                                  (withCancel ? mb::YesNoCancel : mb::YesNo) | mb::IconQuestion);
    if (answer == mb::IdCancel) {
        if (cancelled) *cancelled = true;
        return false;
    }
    if (answer == mb::IdYes) return Save1Click();
    return true;
}

void TForm10::Open1Click() {
    // The text that was to be saved and is not stays in the editor.
    if (!askToSave(false, nullptr)) return;
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("電子QSL定義ファイル"),
                    QStringLiteral("QSL定義ファイル(*.mQSL)|*.mQSL"),
                    path_.isEmpty() ? parts_.programDir : path_});
    if (!chosen) return;
    openDefinition(*chosen, false);
    if (parts_.definitionChosen) parts_.definitionChosen(*chosen);
}

void TForm10::New1Click() {
    if (Memo1->document()->isModified() &&
        ShowMsgBox(this, QStringLiteral("ファイルを保存しますか？"), windowTitle(),
                   mb::YesNo | mb::IconQuestion) == mb::IdYes &&
        !SaveAs1Click())
        return;  // not saved: the text stays
    Memo1->clear();
    Memo1->document()->setModified(false);
    setCaptionFor(QString());
}

bool TForm10::writeTo(const QString& path) {
    // CP932 as the definitions have always been kept (UTF-8 when it cannot hold the text).
    return WriteTextFile(Memo1->toPlainText().replace(u'\n', QStringLiteral("\r\n")), path) == 0;
}

bool TForm10::SaveAs1Click() {
    const QString start =
        path_.isEmpty() ? QDir(parts_.programDir).filePath(QStringLiteral("新規作成.mQSL")) : path_;
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Save, QStringLiteral("電子QSL定義ファイルの保存"),
                    QStringLiteral("QSL定義ファイル(*.mQSL)|*.mQSL"), start});
    if (!chosen || !writeTo(*chosen)) return false;
    Memo1->document()->setModified(false);
    setCaptionFor(*chosen);
    parts_.definitionFile.choose(*chosen);
    if (parts_.definitionChosen) parts_.definitionChosen(*chosen);
    return true;
}

bool TForm10::Save1Click() {
    if (!Memo1->document()->isModified()) return true;
    if (path_.isEmpty()) return SaveAs1Click();
    if (!writeTo(path_)) return false;
    Memo1->document()->setModified(false);
    return true;
}

void TForm10::insertLine(const QString& line) {
    // Above the caret's line; the caret stays with its text.
    QTextCursor at(Memo1->textCursor().block());
    at.movePosition(QTextCursor::StartOfBlock);
    at.insertText(line + u'\n');
    Memo1->setFocus();
    updateIndicator();
}

void TForm10::insertEntry(const QString& name) {
    const InsertEntry* entry = findEntry(name);
    if (!entry) return;
    if (!entry->line.isEmpty()) {
        insertLine(entry->line);
        return;
    }
    const QString start = path_.isEmpty() ? parts_.programDir : QFileInfo(path_).absolutePath();
    if (name == u"Bmp1" || name == u"Jpg1") {
        const bool bmp = name == u"Bmp1";
        const auto chosen = chooseFile(
            {FileDialogRequest::Kind::Open,
             bmp ? QStringLiteral("ビットマップを組み込む") : QStringLiteral("JPEG画像を組み込む"),
             bmp ? QStringLiteral("Bitmapファイル(*.bmp)|*.bmp")
                 : QStringLiteral("JPEGファイル(*.jpg;*.jpeg)|*.jpg;*.jpeg"),
             start});
        if (chosen)
            insertLine((bmp ? QStringLiteral("#Bmp x1,y1,Width,Height,\"")
                            : QStringLiteral("#Jpg x1,y1,Width,Height,\"")) +
                       QDir::toNativeSeparators(*chosen) + u'"');
    } else if (name == u"Load1") {
        const auto chosen =
            chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("電子QSL定義ファイル"),
                        QStringLiteral("QSL定義ファイル(*.mQSL)|*.mQSL"), start});
        if (chosen)
            insertLine(QStringLiteral("#Load \"") + QDir::toNativeSeparators(*chosen) + u'"');
    } else if (name == u"Font1") {
        if (const auto chosen =
                chooseFont(this, parts_.definition.previewFont(), QStringLiteral("フォントの指定")))
            insertFontLines(*chosen, colourOf(parts_.definition.previewFontColour()));
    } else if (name == u"FontC1") {
        const QColor chosen = QColorDialog::getColor(Qt::black, this);
        if (chosen.isValid()) insertFontColour(chosen);
    } else if (name == u"LineS1") {
        showLineStylePanel();
    }
}

void TForm10::insertFontLines(const QFont& chosen, const QColor& colour) {
    const int style = fontStyleBits(chosen);
    for (const QString& line : fontLines(chosen.family(), chosen.pointSize(), colour, style))
        insertLine(line);
}

void TForm10::insertFontColour(const QColor& colour) {
    insertLine(fontColourLine(colour));
}

void TForm10::showLineStylePanel() {
    Memo1->setEnabled(false);
    Panel1->show();
}

void TForm10::lineStyleChosen(int style) {
    Panel1->hide();
    Memo1->setEnabled(true);
    if (style >= 0 && style <= 4) insertLine(lineStyleLine(TrackBar1->value(), style, lineColour_));
    Memo1->setFocus();
}

PreviewInputs TForm10::inputs(int record) const {
    PreviewInputs in;
    in.lines = Memo1->toPlainText().split(u'\n');
    in.context = parts_.context ? parts_.context() : DefinitionContext{};
    in.context.definitionFile =
        path_.isEmpty() ? QDir(parts_.programDir).filePath(QStringLiteral("x.mQSL")) : path_;
    in.context.programDir = parts_.programDir;
    in.qsoData = parts_.qsoData ? parts_.qsoData() : QString();
    in.record = record;
    return in;
}

void TForm10::showPreview() {
    if (parts_.beginLogAccess) parts_.beginLogAccess();
    PreviewOutcome outcome;
    {
        const WaitCursor hourglass;
        outcome = runDefinitionPreview(parts_.definition, inputs(record_), false);
    }
    if (parts_.endLogAccess) parts_.endLogAccess();
    if (!outcome.logOpened) return;
    record_ = outcome.record;
    lastRecord_ = outcome.lastRecord;
    previewCall_ = outcome.call;
    Edit1->setText(QString::number(record_));
    if (outcome.result < 0) {
        // Back to the text with the faulty line selected.
        setMode(false);
        if (outcome.errorLine > 0) {
            const QTextBlock block = Memo1->document()->findBlockByNumber(outcome.errorLine - 1);
            QTextCursor c(block);
            c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            Memo1->setTextCursor(c);
        }
        Memo1->setFocus();
        return;
    }
    previewPicture_ = outcome.image;
    Image1->setPixmap(QPixmap::fromImage(previewPicture_));
    Image1->resize(previewPicture_.size());
    setMode(true);
}

void TForm10::backToEditor() {
    setMode(false);
    Memo1->setFocus();
}

void TForm10::stepRecord(int step) {
    record_ = step > 0 ? nextRecord(record_, lastRecord_) : previousRecord(record_, lastRecord_);
    Edit1->setText(QString::number(record_));
    showPreview();
}

void TForm10::numberEntered(int typed) {
    record_ = typedRecord(typed, lastRecord_);
    Edit1->setText(QString::number(record_));
    showPreview();
}

bool TForm10::saveImage(const QString& path) {
    QString error;
    if (previewPicture_.isNull() || !writeJpeg(previewPicture_, path, 90, &error)) {
        ShowCannotCreate(path, error);
        return false;
    }
    return true;
}

void TForm10::resizePhoto(int entry) {
    const QString folder = parts_.places.resizeFolder(
        path_.isEmpty() ? parts_.programDir : QFileInfo(path_).absolutePath());
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("JPEG画像の選択"),
                    QStringLiteral("JPEGファイル(*.jpg;*.jpeg)|*.jpg;*.jpeg"), folder});
    if (!chosen) return;
    if (parts_.showPicture) parts_.showPicture(*chosen);
    const JpegReadResult read = readJpeg(*chosen);
    if (!read.ok()) {
        ShowMsgBox(this, *chosen + QStringLiteral("\r\r・・・を読めません！"), app::title(),
                   mb::Ok | mb::IconStop);
        if (parts_.showPicture) parts_.showPicture(QString());
        return;
    }
    const QImage& picture = read.image;
    const ReductionPlan plan = reductionPlan(picture.size(), entry);
    if (plan.tooSmall) {
        ShowMsgBox(this,
                   QStringLiteral("選択した画像は小さすぎます！（%1 x %2）")
                       .arg(picture.width())
                       .arg(picture.height()),
                   *chosen, mb::Ok | mb::IconExclamation);
        if (parts_.showPicture) parts_.showPicture(QString());
        return;
    }
    if (ShowMsgBox(this,
                   QStringLiteral("%1 x %2 ピクセルを %3 x %4 ピクセルに縮小\r\rよろしいですか？")
                       .arg(plan.cut.width())
                       .arg(plan.cut.height())
                       .arg(plan.target.width())
                       .arg(plan.target.height()),
                   app::title(), mb::YesNo | mb::IconQuestion) != mb::IdYes) {
        if (parts_.showPicture) parts_.showPicture(QString());
        return;
    }
    const auto target =
        chooseFile({FileDialogRequest::Kind::Save, QStringLiteral("縮小した画像の保存"),
                    QStringLiteral("JPEGファイル(*.jpg)|*.jpg"), *chosen});
    if (!target) {
        if (parts_.showPicture) parts_.showPicture(QString());
        return;
    }
    QImage reduced(plan.target, QImage::Format_RGB32);
    StretchCopy(picture.copy(QRect(QPoint(0, 0), plan.cut)), reduced);
    QString error;
    if (!writeJpeg(reduced, *target, 90, &error)) {
        ShowCannotCreate(*target, error);
        return;
    }
    parts_.places.setResizeFolder(QFileInfo(*target).absolutePath());
    if (parts_.showPicture) parts_.showPicture(*target);
}

void TForm10::findNext(const QString& text, bool matchCase, bool wholeWord,
                       const QString* replacement, bool all) {
    if (text.isEmpty()) return;
    QTextDocument::FindFlags flags;
    if (matchCase) flags |= QTextDocument::FindCaseSensitively;
    if (wholeWord) flags |= QTextDocument::FindWholeWords;
    bool any = false;
    for (int guard = 0; guard < 100000; ++guard) {
        QTextCursor from = Memo1->textCursor();
        // A selection that is the text itself is replaced first.
        if (replacement && from.hasSelection() &&
            from.selectedText().compare(text,
                                        matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0) {
            from.insertText(*replacement);
            Memo1->setTextCursor(from);
            any = true;
            if (!all) {
                const QTextCursor next = Memo1->document()->find(text, Memo1->textCursor(), flags);
                if (!next.isNull()) Memo1->setTextCursor(next);
                return;
            }
            continue;
        }
        const QTextCursor found = Memo1->document()->find(text, from.selectionEnd(), flags);
        if (found.isNull()) {
            if (!any) QApplication::beep();
            return;
        }
        Memo1->setTextCursor(found);
        Memo1->ensureCursorVisible();
        any = true;
        if (!replacement) return;
    }
}

void TForm10::startLivePreview() {
    const int generation = ++liveAsked_;
    const PreviewInputs in = inputs(record_);
    QslDefinition* definition = liveDefinition_.get();
    QPointer<TForm10> self(this);
    liveWorker_->post([generation, in, definition, self] {
        const PreviewOutcome outcome = runDefinitionPreview(*definition, in, true);
        QMetaObject::invokeMethod(
            qApp,
            [generation, outcome, self] {
                if (self) self->showLive(generation, outcome);
            },
            Qt::QueuedConnection);
    });
}

void TForm10::showLive(int generation, const PreviewOutcome& outcome) {
    if (generation != liveAsked_) return;  // the text changed since: a newer one comes
    ++liveShown_;
    livePicture_ = outcome.image;
    if (!livePicture_.isNull())
        liveImage_->setPixmap(QPixmap::fromImage(
            livePicture_.scaled(liveImage_->width(), liveImage_->width() * 408 / 640,
                                Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    QList<QTextEdit::ExtraSelection> marks;
    if (outcome.result < 0 && outcome.errorLine > 0) {
        liveError_->setText(QStringLiteral("%1行目: ").arg(outcome.errorLine) + outcome.errorText);
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(Memo1->document()->findBlockByNumber(outcome.errorLine - 1));
        mark.format.setBackground(QColor(255, 220, 220));
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks << mark;
    } else {
        liveError_->setText(outcome.logOpened ? QString()
                                              : QStringLiteral("QSOデータを開けません"));
    }
    Memo1->setExtraSelections(marks);
}

QString TForm10::liveError() const {
    return liveError_->text();
}

// Every way out (the close box, 終了, Esc from the text) ends here: the save
// question first, which may keep the editor open.
void TForm10::done(int result) {
    bool cancelled = false;
    // Not saved after all (cancelled, or the file could not be written): the
    // editor stays open with the text.
    if (!askToSave(true, &cancelled) || cancelled) return;
    Edit1->hide();
    if (parts_.showPicture) parts_.showPicture(QString());
    parts_.places.setDefinitionEditorPlace(geometry());
    if (!path_.isEmpty()) parts_.definitionFile.choose(path_);
    QDialog::done(result);
}

void TForm10::closeEvent(QCloseEvent* event) {
    // The close box leaves the preview too.
    if (previewing()) backToEditor();
    QDialog::closeEvent(event);  // reject(), then done()
}

void TForm10::reject() {
    // Esc in the preview goes back to the text.
    if (previewing()) {
        backToEditor();
        return;
    }
    done(QDialog::Rejected);
}

bool TForm10::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Memo1 || watched == Memo1->viewport()) &&
        (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonRelease))
        updateIndicator();
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            Edit1->hide();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            const int typed = Edit1->text().trimmed().toInt();
            if (typed != record_) numberEntered(typed);
            return true;
        }
        // Digits overwrite the character at the caret; other keys do nothing.
        const QString text = key->text();
        if (text.size() == 1 && text[0].isDigit()) {
            QString value = Edit1->text();
            const int at = Edit1->cursorPosition();
            if (at < value.size())
                value[at] = text[0];
            else
                value += text[0];
            Edit1->setText(value);
            Edit1->setCursorPosition(at + 1);
            return true;
        }
        if (key->key() != Qt::Key_Left && key->key() != Qt::Key_Right &&
            key->key() != Qt::Key_Backspace)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
