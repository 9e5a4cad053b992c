// The main window's construction: the command table (menus and buttons with
// their captions, shortcuts, hints and names) and the controls.

#include "app/ui/ml_qsl1.h"
#include "core/ui/widget_names.h"

#include "app/main_state.h"
#include "app/ui/card_preview.h"
#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/ui/history_combo.h"
#include "core/ui/key_filters.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Hints keep their "\r" line breaks in the program's texts.
QString shown(const QString& hint) {
    return QString(hint).replace(u'\r', u'\n');
}

}  // namespace

TZkvmQSL::TZkvmQSL(TZkwIni& settings, MainState& state, EnvironmentSettings& environment,
                   AppPaths paths, QWidget* parent)
    : QMainWindow(parent),
      settings_(settings),
      state_(state),
      environment_(environment),
      paths_(std::move(paths)) {
    setObjectName(QStringLiteral("ZkvmQSL"));
    setWindowTitle(app::caption());
    buildMenus();
    buildControls();
    setCreationHints();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1500);
}

TZkvmQSL::~TZkvmQSL() = default;

QAction* TZkvmQSL::command(QMenu* menu, const char* name, const QString& caption,
                           void (TZkvmQSL::*handler)(), const QKeySequence& key) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) action->setShortcut(key);
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    if (menu) menu->addAction(action);
    return action;
}

QAction* TZkvmQSL::laterCommand(QMenu* menu, const char* name, const QString& caption,
                                const QKeySequence& key) {
    QAction* action = command(menu, name, caption, nullptr, key);
    connect(action, &QAction::triggered, this, [this] { notAvailableYet(); });
    return action;
}

void TZkvmQSL::notAvailableYet() {
    ShowMsgBox(this, QStringLiteral("この機能は、このバージョンではまだ使用できません。"),
               app::title(), mb::Ok | mb::IconInformation);
}

void TZkvmQSL::buildMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("File1"));
    command(file, "JPEG1", QStringLiteral("JPEG画像ファイルを開く(&O)..."), &TZkvmQSL::JPEG1Click);
    command(file, "QSLO1", QStringLiteral("QSL定義ファイルを開く(&O)..."), &TZkvmQSL::QSLO1Click);
    file->addSeparator();
    QSO1 = command(file, "QSO1", QStringLiteral("QSOデータを開く(&Q)..."), &TZkvmQSL::QSO1Click);
    USR1 = command(file, "USR1", QStringLiteral("ZELKOVユーザーリストを開く(&U)..."),
                   &TZkvmQSL::USR1Click);
    Rig1 = command(file, "Rig1", QStringLiteral("リグ・アンテナデータを 開く(&A)..."),
                   &TZkvmQSL::Rig1Click);
    for (QAction* a : {QSO1, USR1, Rig1})
        a->setCheckable(true);
    file->addSeparator();
    command(file, "M1", QStringLiteral("メール本文を開く(&M)..."), &TZkvmQSL::M1Click);
    command(file, "BN1", QStringLiteral("メール本文に名前を付けて保存(&N)..."),
            &TZkvmQSL::BN1Click);
    file->addSeparator();
    laterCommand(file, "QSLB1", QStringLiteral("電子QSLのバックアップ(&B)..."));
    file->addSeparator();
    command(file, "QSL1", QStringLiteral("受信したQSLのフォルダ設定(&R)..."), &TZkvmQSL::QSL1Click);
    command(file, "QSLS1", QStringLiteral("送信済みQSLのフォルダ設定(&S)..."),
            &TZkvmQSL::QSLS1Click);
    command(file, "C2", QStringLiteral("受信フォルダの表示(&J)"), &TZkvmQSL::C2Click);
    command(file, "T1", QStringLiteral("送信フォルダの表示(&T)"), &TZkvmQSL::T1Click);
    file->addSeparator();
    command(file, "Exit1", QStringLiteral("終了(&X)"), nullptr);
    connect(findChild<QAction*>(QStringLiteral("Exit1")), &QAction::triggered, this,
            &QWidget::close);

    pictureMenu_ = bar->addMenu(QStringLiteral("JPEG画像(&J)"));
    pictureMenu_->setObjectName(QStringLiteral("JPEG2"));
    for (int i = 1; i <= 30; ++i) {
        auto* item = new QAction(this);
        item->setObjectName(QStringLiteral("J%1").arg(i));
        item->setVisible(false);
        connect(item, &QAction::triggered, this, [this, i] {
            const QStringList files = state_.pictures.files();
            if (i - 1 < files.size()) choosePicture(files[i - 1]);
        });
        pictureMenu_->addAction(item);
        pictureItems_.append(item);
    }
    definitionMenu_ = bar->addMenu(QStringLiteral("QSL定義(&Q)"));
    definitionMenu_->setObjectName(QStringLiteral("QslDef1"));
    for (int i = 1; i <= 32; ++i) {
        auto* item = new QAction(this);
        item->setObjectName(QStringLiteral("D%1").arg(i));
        item->setVisible(false);
        connect(item, &QAction::triggered, this, [this, i] {
            const QStringList files = state_.definitions.files();
            if (i - 1 < files.size()) chooseDefinition(files[i - 1]);
        });
        definitionMenu_->addAction(item);
        definitionItems_.append(item);
    }

    QMenu* cards = bar->addMenu(QStringLiteral("電子QSL(&E)"));
    cards->setObjectName(QStringLiteral("QSLM1"));
    laterCommand(cards, "SN2", QStringLiteral("電子QSLとQSOデータを照合(&Q)..."), Qt::Key_F4);
    command(cards, "VwrQ1", QStringLiteral("受信した電子QSL画像を表示(&D)..."),
            &TZkvmQSL::VwrQ1Click, Qt::Key_F3);
    laterCommand(cards, "QSL3", QStringLiteral("送信済み電子QSL一覧(&S)..."), Qt::Key_F2);
    laterCommand(cards, "CNF3", QStringLiteral("NOVQコンファーム状況(&H)"),
                 QKeySequence(Qt::CTRL | Qt::Key_H));

    QMenu* options = bar->addMenu(QStringLiteral("オプション(&O)"));
    options->setObjectName(QStringLiteral("O1"));
    connect(options, &QMenu::aboutToShow, this, &TZkvmQSL::O1Popup);
    command(options, "QSL2", QStringLiteral("電子QSL 環境設定(&K)..."), &TZkvmQSL::QSL2Click);
    QAction* s1 = command(options, "S1", QStringLiteral("E-Mail QSL 通信設定(&C)..."), nullptr);
    connect(s1, &QAction::triggered, this,
            [this] { communicationCommand_ ? communicationCommand_() : notAvailableYet(); });
    command(options, "AntR1", QStringLiteral("Rig/Antの編集(&R)"), &TZkvmQSL::AntR1Click);
    options->addSeparator();
    N800 = command(options, "N800", QStringLiteral("画像リサイズ 800x510"), nullptr);
    N640 = command(options, "N640", QStringLiteral("画像リサイズ 640x408"), nullptr);
    N528 = command(options, "N528", QStringLiteral("画像リサイズ 528x336"), nullptr);
    const QSize sizes[] = {{800, 510}, {640, 408}, {528, 336}};
    for (int i = 0; i < 3; ++i) {
        QAction* item = (i == 0 ? N800 : i == 1 ? N640 : N528);
        item->setData(i);  // the Tag
        connect(item, &QAction::triggered, this, [this, size = sizes[i]] { resizePicture(size); });
    }
    options->addSeparator();
    command(options, "N11", QStringLiteral("ウインドウを初期位置にする"), &TZkvmQSL::N11Click);
    command(options, "N13", QStringLiteral("環境設定を初期設定に戻す"), &TZkvmQSL::N13Click);
    command(options, "N14", QStringLiteral("通信設定以外すべて初期設定に戻す"),
            &TZkvmQSL::N14Click);

    QMenu* zelkov = bar->addMenu(QStringLiteral("【ZEL&KOV】"));
    zelkov->setObjectName(QStringLiteral("ZELKOV1Menu"));
    ZELKOV1 = zelkov->menuAction();
    ZELKOV1->setObjectName(QStringLiteral("ZELKOV1"));
    ZELKOV1->setEnabled(false);  // only while the logging program runs
    laterCommand(zelkov, "NOVQ1", QStringLiteral("修正／メイン画面からQSL送信(&Q)"), Qt::Key_F12);
    laterCommand(zelkov, "ZLKV1", QStringLiteral("入力／修正／メイン画面から登録状況確認(&K)"));
    zelkov->addSeparator();
    laterCommand(zelkov, "QSLT1", QStringLiteral("どんなQSLを送ったか表示(&S)"), Qt::Key_F5);
    laterCommand(zelkov, "ZLKV2", QStringLiteral("どんなQSLが届いたか表示(&R)"), Qt::Key_F6);
    laterCommand(zelkov, "ZLKV3", QStringLiteral("届いたQSLを全部表示(&A)"), Qt::Key_F7);

    KY1 = bar->addAction(QStringLiteral("共有"));
    KY1->setObjectName(QStringLiteral("KY1"));
    KY1->setVisible(false);

    QMenu* help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("Help1"));
    command(help, "H1", QStringLiteral("取扱説明書(&H)"), &TZkvmQSL::H1Click, Qt::Key_F1);
    laterCommand(help, "C1", QStringLiteral("通信設定の説明(&C)"));
    QAction* v6 = command(help, "V6", QStringLiteral("バージョン情報(&V)"), nullptr);
    connect(v6, &QAction::triggered, this,
            [this] { aboutCommand_ ? aboutCommand_() : notAvailableYet(); });
}

QPushButton* TZkvmQSL::laterButton(const char* name, const QString& caption) {
    auto* button = named(new QPushButton(caption), name);
    connect(button, &QPushButton::clicked, this, [this] { notAvailableYet(); });
    return button;
}

void TZkvmQSL::buildControls() {
    auto* central = new QWidget;
    setCentralWidget(central);
    top_ = new QWidget(central);
    auto* column = new QVBoxLayout(top_);
    column->setContentsMargins(6, 2, 6, 0);
    column->setSpacing(3);

    // The command buttons.
    Speed1 = laterButton("Speed1", QStringLiteral("QSL送信"));
    Speed5 = laterButton("Speed5", QStringLiteral("QSL受信"));
    Speed7 = laterButton("Speed7", QStringLiteral("照合"));
    Speed8 = named(new QPushButton(QStringLiteral("表示")), "Speed8");
    connect(Speed8, &QPushButton::clicked, this, [this] {
        Speed8Click(QApplication::keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
    });
    Speed10 = laterButton("Speed10", QStringLiteral("送信済QSL"));
    Speed9 = laterButton("Speed9", QStringLiteral("QSL編集"));
    Speed11 = named(new QPushButton(QStringLiteral("環境設定")), "Speed11");
    connect(Speed11, &QPushButton::clicked, this, &TZkvmQSL::QSL2Click);
    Speed12 = named(new QPushButton(QStringLiteral("通信設定")), "Speed12");
    connect(Speed12, &QPushButton::clicked, this,
            [this] { communicationCommand_ ? communicationCommand_() : notAvailableYet(); });
    Speed13 = named(new QPushButton(QStringLiteral("Rig/Ant")), "Speed13");
    connect(Speed13, &QPushButton::clicked, this, &TZkvmQSL::AntR1Click);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    for (QPushButton* b :
         {Speed1, Speed5, Speed7, Speed8, Speed10, Speed9, Speed11, Speed12, Speed13}) {
        b->setMinimumHeight(30);
        b->setMinimumWidth(40);
        b->setStyleSheet(QStringLiteral("padding: 2px 1px;"));
        buttons->addWidget(b);
    }
    column->addLayout(buttons);

    // The record range and the report notation.
    Edit1 = named(new QLineEdit, "Edit1");
    Edit2 = named(new QLineEdit, "Edit2");
    for (QLineEdit* e : {Edit1, Edit2}) {
        e->setFixedWidth(64);
        e->setAlignment(Qt::AlignRight);
        e->setMaxLength(7);
        installKeyFilter(e, KeyFilter::Digits);
        e->installEventFilter(this);
    }
    Label1 = named(new QLabel(QStringLiteral("から")), "Label1");
    RecRead = named(new QCheckBox(QStringLiteral("常に最終番号設定")), "RecRead");
    Check2 = named(new QCheckBox(QStringLiteral("確認しながら送信")), "Check2");
    RstEdit = named(new QLineEdit, "RstEdit");
    auto* range = new QHBoxLayout;
    range->setSpacing(3);
    range->addWidget(Edit1);
    range->addWidget(Label1);
    range->addWidget(Edit2);
    range->addSpacing(4);
    range->addWidget(RecRead);
    range->addWidget(Check2);
    range->addSpacing(4);
    range->addWidget(new QLabel(QStringLiteral("RST表記:")));
    range->addWidget(RstEdit, 1);
    column->addLayout(range);

    // The place and remark texts, and the memo's save button.
    Label2 = named(new QLabel, "Label2");
    PoBox1 = named(new HistoryCombo, "PoBox1");
    RmkBox = named(new HistoryCombo, "RmkBox");
    Speed6 = named(new QPushButton(QStringLiteral("↓保存")), "Speed6");
    connect(Speed6, &QPushButton::clicked, this,
            [this] { Speed6Click(QApplication::keyboardModifiers() & Qt::ShiftModifier); });
    auto* texts = new QHBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(Label2);
    texts->addWidget(PoBox1, 5);
    texts->addSpacing(6);
    texts->addWidget(new QLabel(QStringLiteral("QSL備考:")));
    texts->addWidget(RmkBox, 4);
    texts->addSpacing(6);
    texts->addWidget(Speed6);
    column->addLayout(texts);

    // Where the card's place text comes from.
    auto* placeGroup = named(new QGroupBox(QStringLiteral("運用場所の出力")), "PlaceGroup");
    auto* placeRow = new QHBoxLayout(placeGroup);
    placeRow->setContentsMargins(6, 0, 6, 2);
    const char* placeNames[] = {"PCheck0", "PCheck1", "PCheck2", "PCheck3", "PCheck4"};
    const QString placeCaptions[] = {QStringLiteral("下記を出力"), QStringLiteral("Remarks１の％"),
                                     QStringLiteral("Remarks２の％"), QStringLiteral("Remarks１"),
                                     QStringLiteral("Remarks２")};
    for (int i = 0; i < 5; ++i) {
        auto* radio = named(new QRadioButton(placeCaptions[i]), placeNames[i]);
        placeButtons_.append(radio);
        placeRow->addWidget(radio);
    }
    placeRow->addStretch();
    column->addWidget(placeGroup);

    // The beginner-mode drawing controls and the mode switch.
    DefFile = named(new QCheckBox(QStringLiteral("QSL定義")), "DefFile");
    connect(DefFile, &QCheckBox::toggled, this, [this](bool on) {
        state_.options.expertMode = on;
        updateModeControls();
        loadPreview();
    });
    TransC1 = named(new QComboBox, "TransC1");
    TransC1->addItems({QStringLiteral("背景に塗りつぶして記載"),
                       QStringLiteral("背景を透過させて記載"),
                       QStringLiteral("背景を半透明にして記載")});
    connect(TransC1, &QComboBox::currentIndexChanged, this, [this](int style) {
        state_.options.textArea = style;
        updateModeControls();
    });
    AlphaBl = named(new QSpinBox, "AlphaBl");
    AlphaBl->setRange(1, 25);
    Speed2 = named(new QPushButton(QStringLiteral("背景色")), "Speed2");
    Speed3 = named(new QPushButton(QStringLiteral("Font")), "Speed3");
    Speed4 = named(new QPushButton(QStringLiteral("サンプル")), "Speed4");
    BgFont = named(new QPushButton(QStringLiteral("Call Font")), "BgFont");
    nColor = named(new QPushButton(QStringLiteral("色")), "nColor");
    auto modifiers = [] { return QApplication::keyboardModifiers(); };
    connect(Speed2, &QPushButton::clicked, this, &TZkvmQSL::Speed2Click);
    connect(Speed3, &QPushButton::clicked, this,
            [this, modifiers] { Speed3Click(modifiers() & Qt::ShiftModifier); });
    connect(Speed4, &QPushButton::clicked, this, &TZkvmQSL::Speed4Click);
    connect(BgFont, &QPushButton::clicked, this, [this, modifiers] {
        BgFontClick(modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
    });
    connect(nColor, &QPushButton::clicked, this, &TZkvmQSL::nColorClick);
    connect(AlphaBl, &QSpinBox::valueChanged, this,
            [this](int level) { state_.drawing.alpha = level; });
    auto* drawing = new QHBoxLayout;
    drawing->setSpacing(3);
    for (QWidget* w : std::initializer_list<QWidget*>{DefFile, TransC1, AlphaBl, Speed2, Speed3,
                                                      BgFont, nColor, Speed4})
        drawing->addWidget(w);
    drawing->addStretch();
    column->addLayout(drawing);

    // The preview with the position boxes over it.
    PaintBox1 = named(new CardPreview, "PaintBox1");
    PaintBox1->setFixedSize(528, CardPreview::cardHeight(528));
    BgCall = named(new QCheckBox(PaintBox1), "BgCall");
    BgName = named(new QCheckBox(QStringLiteral("Name"), PaintBox1), "BgName");
    for (QCheckBox* box : {BgCall, BgName}) {
        box->setAutoFillBackground(true);
        box->installEventFilter(this);  // dragged over the preview
    }
    column->addWidget(PaintBox1, 0, Qt::AlignHCenter);
    column->addStretch();

    Memo1 = named(new QPlainTextEdit(central), "Memo1");
    Memo1->viewport()->installEventFilter(this);

    BitBtn1 = named(new QPushButton(QStringLiteral("終了"), statusBar()), "BitBtn1");
    BitBtn1->setVisible(false);
    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);
    statusBar()->setSizeGripEnabled(true);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));

    setMinimumSize(572, 610);
}

void TZkvmQSL::setCreationHints() {
    DefFile->setToolTip(
        shown(QStringLiteral("チェックあり＝上級者モード\rチェック無し＝ビギナーモード")));
    Speed3->setToolTip(
        shown(QStringLiteral("QSL記載文字のフォント設定\rShift＋クリックで文字色のみ設定")));
    Speed4->setToolTip(QStringLiteral("電子QSLのサンプル表示"));
    Speed6->setToolTip(
        shown(QStringLiteral("メモ欄・メール本文の上書き保存\rShift＋クリックで再読み込み")));
    Speed11->setToolTip(QStringLiteral("電子QSL 環境設定"));
    Speed12->setToolTip(QStringLiteral("E-Mail QSL 通信設定"));
    Speed8->setToolTip(
        shown(QStringLiteral("受信した電子QSLを表示\rShift＋クリックで新しい順に表示")));
    Speed9->setToolTip(QStringLiteral("QSL定義ファイルの編集"));
    TransC1->setToolTip(QStringLiteral("ビギナーモード時の文字の表示方法"));
}
