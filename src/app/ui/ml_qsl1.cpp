// The main window's construction: the command table (menus and buttons with
// their captions, shortcuts, hints and names) and the controls.

#include "app/ui/ml_qsl1.h"
#include "core/ui/widget_names.h"

#include "app/command_table.h"
#include "app/main_state.h"
#include "app/ui/card_preview.h"
#include "archive/ui/received_list_window.h"
#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/ui/gui_progress_port.h"
#include "core/ui/history_combo.h"
#include "core/ui/key_filters.h"
#include "link/logging_link.h"
#include "link/qso_feed.h"
#include "platform/window_link.h"
#include "render/ui/preview_decisions.h"
#include "render/ui/view_bmp.h"
#include "render/ui/view_jpg.h"
#include "server/ui/option_dialog.h"
#include "settings/ui/kankyo_dialog.h"

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
#include <QProgressBar>
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

TZkvmQSL::TZkvmQSL(const MainWindowParts& parts, QWidget* parent)
    : QMainWindow(parent),
      settings_(parts.settings),
      state_(parts.state),
      environment_(parts.environment),
      places_(parts.places),
      http_(parts.http),
      definition_(parts.definition),
      definitionFile_(parts.definitionFile),
      paths_(parts.paths),
      ctrlHeldAtStart_(parts.ctrlHeldAtStart) {
    setObjectName(QStringLiteral("ZkvmQSL"));
    setWindowTitle(app::caption());
    buildMenus();
    buildControls();
    setCreationHints();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1500);
    // QSOs another program adds to the log come into the range by themselves.
    auto* logWatch = new QTimer(this);
    logWatch->setObjectName(QStringLiteral("LogWatch"));
    logWatch->setInterval(5000);
    connect(logWatch, &QTimer::timeout, this, [this] {
        if (workRunning() || QApplication::activeModalWidget()) return;
        noticeLogChange();
        feed_->poll();  // the followed log file; QSOs held back meanwhile
        showFeed();
    });
    logWatch->start();

    // The windows of the whole run, in the order the program makes them.
    communicationWindow_ = new TOptionF(parts.communication, this);
    connect(communicationWindow_, &TOptionF::callSignChanged, this, &TZkvmQSL::setOwnCall);
    preview_ = new TForm3(
        places_, [this](bool locked) { lockCommands(locked); }, this);
    viewer_ = new TFormJP(places_, state_.folders,
                          {[this] { VwrQ1Click(); }, [this] { locateShownCard(false); },
                           [this] { locateShownCard(true); }, [this] { locateShownSentCard(); }},
                          this);
    decisions_ = std::make_unique<PreviewCardDecisions>(*preview_);
    environmentWindow_ = new TSetQSL(environment_, settings_, this);
    connect(environmentWindow_, &TSetQSL::looksChanged, this, &TZkvmQSL::applyLooks);
    createLink();
    createFeed();
    receivedList_ = new TShForm1(cardListParts(), this);
}

TZkvmQSL::~TZkvmQSL() = default;

bool TZkvmQSL::refusedWhileWorking() {
    if (!workRunning()) return false;
    Beep();
    return true;
}

void TZkvmQSL::runCommand(Command command) {
    // A command that starts work while other work runs (a send, a receive, a
    // request that waits for the logging program, a command in the middle of
    // its own wait) is dropped; the receive button stops a run, the send
    // button a send.
    if (workRunning() && command != Command::Receive && !(command == Command::Send && sending_)) {
        Beep();
        return;
    }
    struct Running {
        int& depth;
        explicit Running(int& d) : depth(++d) {}
        ~Running() { --depth; }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;
    } running(commandDepth_);
    noticeLogChange();  // QSOs logged or imported since the last look
    const auto shiftOrCtrl = [] {
        return bool(QApplication::keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
    };
    switch (command) {
        case Command::OpenPicture: JPEG1Click(); break;
        case Command::OpenDefinition: QSLO1Click(); break;
        case Command::OpenQsoData: QSO1Click(); break;
        case Command::ImportAdif: ADIF1Click(); break;
        case Command::OpenUserList: USR1Click(); break;
        case Command::OpenRigAnt: Rig1Click(); break;
        case Command::OpenMessageText: M1Click(); break;
        case Command::SaveMessageTextAs: BN1Click(); break;
        case Command::Backup: QSLB1Click(); break;
        case Command::ReceivedFolder: QSL1Click(); break;
        case Command::SentFolder: QSLS1Click(); break;
        case Command::ShowReceivedFolder: C2Click(); break;
        case Command::ShowSentFolder: T1Click(); break;
        case Command::Exit: close(); break;
        case Command::ReceivedList: SN2Click(); break;
        case Command::Viewer: VwrQ1Click(); break;
        case Command::SentList: QSL3Click(); break;
        case Command::ConfirmStatus: CNF3Click(); break;
        case Command::Environment: QSL2Click(); break;
        case Command::Communication: S1Click(); break;
        case Command::EditRigAnt: AntR1Click(); break;
        case Command::Resize800: resizePicture({800, 510}); break;
        case Command::Resize640: resizePicture({640, 408}); break;
        case Command::Resize528: resizePicture({528, 336}); break;
        case Command::ResetPlaces: N11Click(); break;
        case Command::ResetEnvironment: N13Click(); break;
        case Command::ResetAllButMail: N14Click(); break;
        case Command::FeedSwitch: WSJT1Click(); break;
        case Command::FeedSettings: WSJT2Click(); break;
        case Command::SendFromLoggingProgram: NOVQ1Click(); break;
        case Command::CheckFromLoggingProgram: ZLKV1Click(); break;
        case Command::SentCardsOfStation: showStationCards(link_view::Sent); break;
        case Command::ReceivedCardsOfQso: showStationCards(link_view::AllReceived); break;
        case Command::ReceivedCardsOfStation: showStationCards(link_view::Received); break;
        case Command::Manual: H1Click(); break;
        case Command::CommunicationHelp: C1Click(); break;
        case Command::About: V6Click(); break;
        case Command::Send: Speed1Click(); break;
        case Command::Receive: Speed5Click(); break;
        case Command::ShowCards: Speed8Click(shiftOrCtrl()); break;
        case Command::EditDefinition: Speed9Click(false); break;
    }
}

bool TZkvmQSL::workRunning() const {
    return state_.busy || commandDepth_ > 0 || (link_ && link_->waiting());
}

QAction* TZkvmQSL::commandAction(const CommandEntry& entry, QMenu* menu) {
    if (entry.separatorBefore) menu->addSeparator();
    auto* action = new QAction(entry.caption, this);
    action->setObjectName(QString::fromLatin1(entry.name));
    if (!entry.key.isEmpty()) action->setShortcut(entry.key);
    action->setCheckable(entry.checkable);
    connect(action, &QAction::triggered, this,
            [this, command = entry.command] { runCommand(command); });
    menu->addAction(action);
    return action;
}

void TZkvmQSL::buildMenus() {
    QMenuBar* bar = menuBar();
    auto addMenu = [&](CommandMenu which) {
        for (const MenuEntry& m : mainMenus()) {
            if (m.menu != which) continue;
            QMenu* menu = bar->addMenu(m.caption);
            menu->setObjectName(QString::fromLatin1(m.name));
            for (const CommandEntry& c : commandsOf(which))
                commandAction(c, menu);
            return menu;
        }
        return static_cast<QMenu*>(nullptr);
    };
    addMenu(CommandMenu::File);
    QSO1 = findChild<QAction*>(QStringLiteral("QSO1"));
    USR1 = findChild<QAction*>(QStringLiteral("USR1"));
    Rig1 = findChild<QAction*>(QStringLiteral("Rig1"));

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

    addMenu(CommandMenu::Cards);
    QMenu* options = addMenu(CommandMenu::Options);
    connect(options, &QMenu::aboutToShow, this, &TZkvmQSL::O1Popup);
    N800 = findChild<QAction*>(QStringLiteral("N800"));
    N640 = findChild<QAction*>(QStringLiteral("N640"));
    N528 = findChild<QAction*>(QStringLiteral("N528"));
    int tag = 0;
    for (QAction* item : {N800, N640, N528})
        item->setData(tag++);  // the Tag

    QMenu* zelkov = addMenu(CommandMenu::Zelkov);
    ZELKOV1 = zelkov->menuAction();
    ZELKOV1->setObjectName(QStringLiteral("ZELKOV1"));
    ZELKOV1->setEnabled(false);  // only while the logging program runs

    KY1 = bar->addAction(QStringLiteral("共有"));
    KY1->setObjectName(QStringLiteral("KY1"));
    KY1->setVisible(false);

    addMenu(CommandMenu::Help);
}

void TZkvmQSL::buildButtons() {
    for (const CommandEntry& c : commandsOf(CommandMenu::Buttons)) {
        auto* button = named(new QPushButton(c.caption, this), c.name);
        connect(button, &QPushButton::clicked, this,
                [this, command = c.command] { runCommand(command); });
    }
}

void TZkvmQSL::buildControls() {
    auto* central = new QWidget;
    setCentralWidget(central);
    top_ = new QWidget(central);
    auto* column = new QVBoxLayout(top_);
    column->setContentsMargins(6, 2, 6, 0);
    column->setSpacing(3);

    // The command buttons, in the table's order.
    buildButtons();
    auto button = [this](const char* name) {
        return findChild<QPushButton*>(QString::fromLatin1(name));
    };
    Speed1 = button("Speed1");
    Speed5 = button("Speed5");
    Speed7 = button("Speed7");
    Speed8 = button("Speed8");
    Speed10 = button("Speed10");
    Speed9 = button("Speed9");
    Speed11 = button("Speed11");
    Speed12 = button("Speed12");
    Speed13 = button("Speed13");
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
    // The progress of a send or a receive, shown while one runs.
    Progress1 = named(new QProgressBar(statusBar()), "Progress1");
    Progress1->setTextVisible(false);
    Progress1->setMaximumWidth(200);
    statusBar()->addPermanentWidget(Progress1);
    Progress1->setVisible(false);
    progress_ = std::make_unique<GuiProgressPort>(*Progress1, *statusBar());

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
