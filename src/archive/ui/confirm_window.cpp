#include "archive/ui/confirm_window.h"

#include "archive/card_match.h"
#include "archive/spreadsheet_export.h"
#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/shell_open.h"
#include "core/ui/browse_for_folder.h"
#include "core/ui/escape_watch.h"
#include "core/ui/gui_progress_port.h"
#include "core/ui/wait_cursor.h"
#include "core/window_state.h"
#include "core/zkw_ini.h"
#include "exchange/logging_program.h"
#include "settings/kankyo.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const char* const kBandCaptions[] = {"1.9MHz",  "3.5MHz",  "7 MHz",   "10MHz", "14MHz",  "18MHz",
                                     "21MHz",   "24MHz",   "28MHz",   "50MHz", "144MHz", "430MHz",
                                     "1200MHz", "2400MHz", "5600MHz", "SAT",   "10GHz"};

}  // namespace

TForm5::TForm5(const ConfirmWindowParts& parts, QWidget* parent) : QDialog(parent), parts_(parts) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("ZELKOV E-Mail QSL コンファーム状況"));
    stored_.load(parts_.settings);
    auto* layout = new QVBoxLayout(this);
    menu_ = new QMenuBar(this);
    layout->setMenuBar(menu_);
    const auto command = [this](QMenu* menu, const char* name, const QString& caption,
                                std::function<void()> handler) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [handler] { handler(); });
        return a;
    };
    QMenu* file = menu_->addMenu(QStringLiteral("メニュー"));
    command(file, "Close1", QStringLiteral("閉じる(&X)"), [this] { close(); });
    command(file, "S1", QStringLiteral("設定に戻る(&S)"), [this] { S1Click(); });
    QMenu* go = menu_->addMenu(QStringLiteral("移動"));
    command(go, "T1", QStringLiteral("先頭へ(&T)"), [this] { CfmGrid1->scrollToTop(); });
    command(go, "C1", QStringLiteral("中央へ(&C)"),
            [this] { CfmGrid1->scrollTo(CfmGrid1->model()->index(CfmGrid1->rowCount() / 2, 0)); });
    command(go, "B1", QStringLiteral("最後へ(&B)"), [this] { CfmGrid1->scrollToBottom(); });
    QMenu* out = menu_->addMenu(QStringLiteral("出力(&O)"));
    out->setObjectName(QStringLiteral("O1"));
    command(out, "AC1", QStringLiteral("全部クリップボードに出力(&A)"),
            [this] { copyToClipboard(0); });
    CA2 = command(out, "CA2", QStringLiteral("Call１列目をクリップボードに出力(&C)"),
                  [this] { copyToClipboard(1); });
    N1 = command(out, "N1", QStringLiteral("Call１列目の年月日等分けて出力(&N)"),
                 [this] { copyToClipboard(2); });
    command(out, "NOVQ1", QStringLiteral("NOVQアワード用に出力(&H)"),
            [this] { copyToClipboard(3); });
    command(out, "E1", QStringLiteral("エクセルに出力(&E)"), [this] { E1Click(); });
    menu_->hide();

    // The settings face.
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* panel = new QVBoxLayout(Panel1);
    auto* bands = new QGroupBox(QStringLiteral("バンド"), Panel1);
    auto* bandGrid = new QGridLayout(bands);
    for (int k = 0; k < 17; ++k) {
        auto* box = new QCheckBox(QString::fromLatin1(kBandCaptions[k]), bands);
        box->setObjectName(QStringLiteral("FrBox%1").arg(k));
        box->setChecked(stored_.filter.bandMask & (1u << k));
        bandGrid->addWidget(box, k / 6, k % 6);
        bandBoxes_.append(box);
    }
    auto* all = new QPushButton(QStringLiteral("All"), bands);
    all->setObjectName(QStringLiteral("Speed3"));
    connect(all, &QPushButton::clicked, this, [this] {
        const bool on = !bandBoxes_.front()->isChecked();
        for (QCheckBox* b : std::as_const(bandBoxes_))
            b->setChecked(on);
    });
    bandGrid->addWidget(all, 2, 5);
    panel->addWidget(bands);
    auto* kinds = new QHBoxLayout;
    const QString kindCaptions[] = {QStringLiteral("ALL"), QStringLiteral("市"),
                                    QStringLiteral("郡・町村"), QStringLiteral("区"),
                                    QStringLiteral("23区除")};
    for (int n = 1; n <= 5; ++n) {
        auto* b = new QRadioButton(kindCaptions[n - 1], Panel1);
        b->setObjectName(QStringLiteral("mBtn%1").arg(n));
        b->setChecked(n == stored_.filter.areaKind);
        kinds->addWidget(b);
        kindButtons_.append(b);
    }
    panel->addLayout(kinds);
    auto* fields = new QGridLayout;
    const auto field = [&](const char* name, const QString& label, const QString& text, int row,
                           const QString& hint) {
        auto* edit = new QLineEdit(text, Panel1);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setToolTip(hint);
        fields->addWidget(new QLabel(label, Panel1), row, 0);
        fields->addWidget(edit, row, 1);
        return edit;
    };
    Edit1 = field("Edit1", QStringLiteral("モード："), stored_.modeText, 0,
                  QStringLiteral("複数モードはカンマで区切る／空欄で全モード"));
    Edit2 = field("Edit2", QStringLiteral("この番号以降で集計："), stored_.recordText, 1,
                  QStringLiteral("ZELKOVのレコード番号"));
    Edit3 = field("Edit3", QStringLiteral("この日付以降で集計："), stored_.dateText, 2, QString());
    panel->addLayout(fields);
    FrBox17 = new QCheckBox(QStringLiteral("消滅地域を除く"), Panel1);
    FrBox17->setObjectName(QStringLiteral("FrBox17"));
    FrBox17->setChecked(stored_.filter.withoutVanished);
    FrBox18 = new QCheckBox(QStringLiteral("ZELKOVのJPEG画像ヒットフォルダも探す"), Panel1);
    FrBox18->setObjectName(QStringLiteral("FrBox18"));
    FrBox18->setChecked(stored_.filter.searchHitFolder);
    FrBox18->setToolTip(stored_.filter.hitFolder);
    connect(FrBox18, &QCheckBox::clicked, this, [this](bool on) {
        if (!on) return;
        QString folder = stored_.filter.hitFolder;
        if (!QFileInfo(folder).isDir()) folder = QDir::homePath();
        if (!BrowseForFolder(QStringLiteral("ZELKOVのJPEGヒットフォルダの選択"), folder)) {
            FrBox18->setChecked(false);
            return;
        }
        stored_.filter.hitFolder = folder;
        FrBox18->setToolTip(folder);
    });
    panel->addWidget(FrBox17);
    panel->addWidget(FrBox18);
    auto* runs = new QHBoxLayout;
    const auto run = [&](const char* name, const QString& caption, const QString& hint, int view) {
        auto* b = new QPushButton(caption, Panel1);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        connect(b, &QPushButton::clicked, this, [this, view] { Speed1Click(view); });
        runs->addWidget(b);
    };
    run("Speed1", QStringLiteral("市区町村全体"), QStringLiteral("NOVQコンファーム状況"), 0);
    run("Speed2", QStringLiteral("コンファーム"), QStringLiteral("NOVQコンファーム地域の一覧"), 1);
    run("Speed4", QStringLiteral("未コンファーム"), QStringLiteral("NOVQ 未コンファーム地域"), 2);
    auto* help = new QPushButton(QStringLiteral("&Help"), Panel1);
    help->setObjectName(QStringLiteral("Speed5"));
    connect(help, &QPushButton::clicked, this, [this] {
        ShellOpen(parts_.environment.serverBase() + QStringLiteral("tgw/qsl/novqconf.html"));
    });
    runs->addWidget(help);
    panel->addLayout(runs);
    layout->addWidget(Panel1);

    // The result face.
    CfmGrid1 = new QTableWidget(this);
    CfmGrid1->setObjectName(QStringLiteral("CfmGrid1"));
    CfmGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CfmGrid1->setWordWrap(false);
    CfmGrid1->verticalHeader()->setVisible(false);
    CfmGrid1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    CfmGrid1->installEventFilter(this);
    connect(CfmGrid1, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        openCell(row, column, QApplication::keyboardModifiers() & Qt::ShiftModifier);
    });
    // The card columns share one width.
    connect(CfmGrid1->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
                if (section < 3) return;
                const QSignalBlocker quiet(CfmGrid1->horizontalHeader());
                for (int c = 3; c < CfmGrid1->columnCount(); ++c)
                    if (c != section) CfmGrid1->setColumnWidth(c, std::max(size, 32));
            });
    CfmGrid1->hide();
    // Cards the filters left out are said above the grid, never silently.
    LeftOutLabel = new QLabel(this);
    LeftOutLabel->setObjectName(QStringLiteral("LeftOutLabel"));
    LeftOutLabel->setWordWrap(true);
    LeftOutLabel->hide();
    layout->addWidget(LeftOutLabel);
    layout->addWidget(CfmGrid1, 1);
    ProgBar1 = new QProgressBar(this);
    ProgBar1->setObjectName(QStringLiteral("ProgBar1"));
    ProgBar1->hide();
    layout->addWidget(ProgBar1);
    // Where the last spreadsheet went.
    SheetLabel = new QLabel(this);
    SheetLabel->setObjectName(QStringLiteral("SheetLabel"));
    SheetLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SheetLabel->hide();
    layout->addWidget(SheetLabel);
    const QRect place = parts_.places.confirmPlace();
    move(place.topLeft());
}

TForm5::~TForm5() = default;

void TForm5::readControls() {
    unsigned mask = 0;
    for (int k = 0; k < bandBoxes_.size(); ++k)
        if (bandBoxes_[k]->isChecked()) mask |= 1u << k;
    stored_.filter.bandMask = mask;
    stored_.filter.withoutVanished = FrBox17->isChecked();
    stored_.filter.searchHitFolder = FrBox18->isChecked();
    for (int n = 0; n < kindButtons_.size(); ++n)
        if (kindButtons_[n]->isChecked()) stored_.filter.areaKind = n + 1;
    stored_.modeText = Edit1->text().trimmed();
    stored_.recordText = Edit2->text().trimmed();
    stored_.dateText = Edit3->text().trimmed();
}

void TForm5::Speed1Click(int view) {
    readControls();
    view_ = view;
    TallyJob job;
    job.qsoData = parts_.qsoData;
    job.receivedDir = parts_.folders.receivedDir;
    job.ownCall = parts_.ownCall.toUpper();
    job.toleranceMinutes = parts_.environment.toleranceMinutes;
    job.modesAgree = parts_.environment.modeComparison();
    job.filter = stored_.filterOfTexts();
    job.view = view;
    {
        const WaitCursor hourglass;
        QStatusBar quietStatus;
        GuiProgressPort progress(*ProgBar1, quietStatus);
        tally_ = BuildConfirmation(job, parts_.loggingProgram, progress);
    }
    if (tally_.end != Tally::End::Built) return;
    fillGrid();
    setWindowTitle(tallyTitle(view, tally_));
    const QString leftOut = tallyLeftOutText(tally_, stored_.modeText);
    LeftOutLabel->setText(leftOut);
    LeftOutLabel->setVisible(!leftOut.isEmpty());
    CfmGrid1->setToolTip(
        view == 2 ? QStringLiteral("NOVQ 未コンファームの地域")
                  : QStringLiteral("コールサインをダブルクリックで画像表示／ZELKOV表示"));
    CA2->setEnabled(view != 2);
    N1->setEnabled(view != 2);
    Panel1->hide();
    menu_->show();
    CfmGrid1->show();
    // The result face as it was left; the first time, room for the cards.
    const QRect place = parts_.places.confirmPlace();
    const bool never = place == QRect(0, 0, 400, 400);
    resize(never ? QSize(900, 600) : place.size().expandedTo(QSize(300, 200)));
    CfmGrid1->setFocus();
}

void TForm5::fillGrid() {
    CfmGrid1->clear();
    CfmGrid1->setColumnCount(tally_.columns);
    CfmGrid1->setRowCount(static_cast<int>(tally_.rows.size()));
    CfmGrid1->setHorizontalHeaderLabels(tallyHeaders(tally_.columns));
    const std::optional<QColor> odd = parts_.environment.alternateRowColour();
    for (int r = 0; r < CfmGrid1->rowCount(); ++r) {
        const QStringList& row = tally_.rows[static_cast<size_t>(r)];
        auto* number = new QTableWidgetItem(QString::number(r + 1));
        number->setTextAlignment(Qt::AlignCenter);
        CfmGrid1->setItem(r, 0, number);
        for (int c = 0; c < row.size() && c + 1 < tally_.columns; ++c)
            CfmGrid1->setItem(r, c + 1, new QTableWidgetItem(row[c]));
        if (odd && r % 2 == 1)
            for (int c = 0; c < tally_.columns; ++c)
                if (QTableWidgetItem* item = CfmGrid1->item(r, c)) item->setBackground(*odd);
    }
    CfmGrid1->setColumnWidth(
        0, fontMetrics().horizontalAdvance(QString::number(CfmGrid1->rowCount())) + 14);
    // The widths the person left; columns never set by hand fit their text.
    const int defaults[] = {44, 62, 70};
    for (int c = 1; c <= 3 && c < tally_.columns; ++c) {
        if (stored_.widths[c - 1] == defaults[c - 1]) {
            CfmGrid1->resizeColumnToContents(c);
            CfmGrid1->setColumnWidth(c, std::min(CfmGrid1->columnWidth(c), 420));
        } else {
            CfmGrid1->setColumnWidth(c, std::max(stored_.widths[c - 1], 32));
        }
    }
    for (int c = 4; c < tally_.columns; ++c)
        CfmGrid1->setColumnWidth(c, CfmGrid1->columnWidth(3));
}

void TForm5::S1Click() {
    CfmGrid1->hide();
    LeftOutLabel->hide();
    menu_->hide();
    Panel1->show();
    setWindowTitle(QStringLiteral("ZELKOV E-Mail QSL コンファーム状況"));
    adjustSize();
}

void TForm5::copyToClipboard(int layout) {
    const QStringList lines = tallyClipboardLines(tally_.rows, layout);
    QGuiApplication::clipboard()->setText(lines.join(QStringLiteral("\r\n")) +
                                          QStringLiteral("\r\n"));
    ShowMsgBox(
        this,
        QStringLiteral("クリップボードに出力しました。\r") +
            (layout == 3 ? QStringLiteral("NOVQアワード用エクセルシートに貼り付けてください。")
                         : QStringLiteral("エクセル等に貼り付けることができます。")),
        app::title(), mb::Ok | mb::IconInformation);
}

void TForm5::E1Click() {
    bool callsOnly = false;
    if (view_ == 2) {
        if (ShowMsgBox(this, QStringLiteral("エクセルに出力しますか？"), app::title(),
                       mb::OkCancel | mb::IconQuestion) != mb::IdOk)
            return;
    } else {
        const int answer = ShowMsgBox(
            this,
            QStringLiteral(
                "エクセルに出力しますか？\r[はい]・・・そのまま出力\r[いいえ]・・コールサインのみ"),
            app::title(), mb::YesNoCancel | mb::IconQuestion);
        if (answer == mb::IdCancel) return;
        callsOnly = answer == mb::IdNo;
    }
    QString error;
    const QString path = newSheetPath(parts_.folders.sheetsDir, QStringLiteral("confirm"), &error);
    if (path.isEmpty()) {
        ShowMsgBox(this, error, app::title(), mb::Ok | mb::IconStop);
        return;
    }
    SpreadsheetExport sheet;
    {
        // Esc is watched while the sheet is written, not around the boxes after it.
        QStatusBar quietStatus;
        GuiProgressPort progress(*ProgBar1, quietStatus);
        const WaitCursor hourglass;
        const EscapeWatch escape(progress);
        sheet = ExportToSpreadsheet(tallySheetLines(tally_.rows, tally_.columns, callsOnly), path,
                                    SheetCells::Text, &progress);
    }
    if (!sheet.written) {
        ShowMsgBox(this, sheet.error, app::title(), mb::Ok | mb::IconStop);
        return;
    }
    SheetLabel->setText(sheetWrittenText(path));
    SheetLabel->show();
    OpenWrittenFile(path, this);
}

void TForm5::openCell(int row, int column, bool shift) {
    if (row < 0 || row >= static_cast<int>(tally_.rows.size())) return;
    const QStringList& items = tally_.rows[static_cast<size_t>(row)];
    const int at = std::max(column, 3) - 1;  // the grid's column 3 is the first card
    const QString cell = items.value(at);
    const qsizetype cut = cell.lastIndexOf(u'<');
    if (cut < 0) return;
    const QString name = cell.left(cut);
    const int recno = cell.mid(cut + 1).section(u':', 0, 0).toInt();
    if (!shift) {
        if (recno <= 0) return;
        if (parts_.loggingProgram.running() && parts_.loggingProgram.openEditWindow(recno) > 0)
            return;
    }
    // The picture: in the receive folder, else in the picture folder or its
    // sub-folder of the call's first two characters.
    QStringList places{cardFilePath(parts_.folders.receivedDir, name)};
    if (stored_.filter.searchHitFolder) {
        places << cardFilePath(stored_.filter.hitFolder, name)
               << cardFilePath(QDir(stored_.filter.hitFolder).filePath(name.left(2)), name);
    }
    for (const QString& path : std::as_const(places)) {
        if (QFileInfo::exists(path)) {
            if (parts_.showCard) parts_.showCard(path);
            return;
        }
    }
    if (parts_.showCard) parts_.showCard(QString());
}

void TForm5::done(int result) {
    readControls();
    if (CfmGrid1->columnCount() > 3)
        for (int c = 1; c <= 3; ++c)
            stored_.widths[c - 1] = CfmGrid1->columnWidth(c);
    stored_.estimate = std::max(3 * tally_.files, 1);
    stored_.save(parts_.settings);
    const QRect place = parts_.places.confirmPlace();
    parts_.places.setConfirmPlace(QRect(pos(), CfmGrid1->isVisible() ? size() : place.size()));
    QDialog::done(result);
}

bool TForm5::eventFilter(QObject* watched, QEvent* event) {
    if (watched == CfmGrid1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            S1Click();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openCell(CfmGrid1->currentRow(), CfmGrid1->currentColumn(),
                     QApplication::keyboardModifiers() & Qt::ShiftModifier);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
