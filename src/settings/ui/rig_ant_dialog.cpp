#include "settings/ui/rig_ant_dialog.h"

#include "core/app_info.h"
#include "core/comma_text.h"
#include "core/file_dialogs.h"
#include "core/msg_box.h"
#include "core/shell_open.h"
#include "core/ui/key_filters.h"
#include "core/window_state.h"
#include "core/zk_dll5.h"

#include <QAction>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kFilter = QStringLiteral("Rig/Antﾃﾞｰﾀﾌｧｲﾙ(*.dat)|*.dat");

// The frequency column is typed in plain letters and digits.
class LatinEntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (editor && index.column() == 0) {
            editor->setAttribute(Qt::WA_InputMethodEnabled, false);
            editor->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
        }
        return editor;
    }
};

}  // namespace

TForm11::TForm11(WindowState& places, const QString& path, const QString& programDir,
                 QWidget* parent, const QString& siteBase)
    : QDialog(parent),
      places_(places),
      programDir_(programDir),
      siteBase_(siteBase.isEmpty() ? app::primaryServerBase() : siteBase) {
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Rig/Antの設定（F2キーで編集）"));

    summary_ = new QLabel;
    summary_->setObjectName(QStringLiteral("Summary"));
    summary_->setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 10));
    summary_->setVisible(false);

    StringGrid1 = new QTableWidget;
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setColumnCount(kRigValueCount);
    StringGrid1->setHorizontalHeaderLabels(rigValueKeys());
    StringGrid1->setItemDelegate(new LatinEntryDelegate(StringGrid1));
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::DoubleClicked);
    StringGrid1->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    StringGrid1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    StringGrid1->setToolTip(QStringLiteral("右クリックでポップアップ・メニュー"));
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto item = [this](const char* name, const QString& caption, void (TForm11::*handler)(),
                       const QKeySequence& key = {}) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) {
            a->setShortcut(key);
            addAction(a);
        }
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        PopupMenu1->addAction(a);
        return a;
    };
    item("Up1", QStringLiteral("１行上へ移動"), &TForm11::moveRowUp);
    item("Down1", QStringLiteral("１行下へ移動"), &TForm11::moveRowDown);
    item("Ins1", QStringLiteral("１行挿入"), &TForm11::insertRow,
         QKeySequence(Qt::CTRL | Qt::Key_Insert));
    item("Del1", QStringLiteral("１行削る"), &TForm11::deleteRow,
         QKeySequence(Qt::CTRL | Qt::Key_Delete));
    connect(StringGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!chooser_) PopupMenu1->popup(StringGrid1->viewport()->mapToGlobal(at));
    });

    MaxEdit = new QLineEdit;
    MaxEdit->setObjectName(QStringLiteral("MaxEdit"));
    MaxEdit->setFixedWidth(56);
    MaxEdit->setMaxLength(3);
    installKeyFilter(MaxEdit, KeyFilter::Digits);
    auto* applyMax = new QPushButton(QStringLiteral("登録件数変更"));
    applyMax->setObjectName(QStringLiteral("MaxButton"));
    connect(applyMax, &QPushButton::clicked, this, &TForm11::changeMax);
    auto* open = new QPushButton(QStringLiteral("&Rig/Antデータを開く"));
    open->setObjectName(QStringLiteral("OpenButton"));
    connect(open, &QPushButton::clicked, this, &TForm11::openOther);
    auto* saveAsButton = new QPushButton(QStringLiteral("Rig/&Antデータに名前を付けて保存"));
    saveAsButton->setObjectName(QStringLiteral("SaveAsButton"));
    connect(saveAsButton, &QPushButton::clicked, this, &TForm11::saveAs);
    auto* help = new QPushButton(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("HelpButton"));
    connect(help, &QPushButton::clicked, this,
            [this] { ShellOpen(siteBase_ + QStringLiteral("tgw/qsl/rig_ant.html")); });
    SaveButton = new QPushButton(QStringLiteral("保存(&S)"));
    SaveButton->setObjectName(QStringLiteral("SaveButton"));
    SaveButton->setDefault(false);
    SaveButton->setAutoDefault(false);
    connect(SaveButton, &QPushButton::clicked, this, &TForm11::Save);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"));
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* toolRow = new QWidget;
    toolRow->setObjectName(QStringLiteral("ToolRow"));
    auto* tools = new QHBoxLayout(toolRow);
    tools->setContentsMargins(0, 0, 0, 0);
    tools->addWidget(new QLabel(QStringLiteral("最大登録件数の変更")));
    tools->addWidget(MaxEdit);
    tools->addWidget(applyMax);
    tools->addSpacing(12);
    tools->addWidget(open);
    tools->addWidget(saveAsButton);
    tools->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help);
    buttons->addStretch();
    buttons->addWidget(SaveButton);
    buttons->addWidget(cancel);

    StatusBar1 = new QStatusBar;
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(toolRow);
    layout->addWidget(StringGrid1, 1);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar1);

    // Place and column widths.
    const WindowState::RigEditorPlace place = places_.rigEditorPlace(kRigValueCount);
    for (int c = 0; c < kRigValueCount; ++c)
        StringGrid1->setColumnWidth(c, place.columnWidths[size_t(c)]);
    // The inside, as done() saves it: setGeometry puts it back whatever the
    // frame, where move() would put the frame there.
    setGeometry(QRect(place.geometry.topLeft(), QSize(std::max(place.geometry.width(), 320),
                                                      std::max(place.geometry.height(), 240))));

    path_ = path;
    if (isCtyDat(path_) || !QFileInfo(path_).isFile()) {
        const auto chosen =
            isCtyDat(path_)
                ? std::nullopt
                : chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("Rig/Antデータを開く"),
                              kFilter, programDir_});
        path_ = chosen && !isCtyDat(*chosen) ? *chosen : defaultRigAntPath(programDir_);
    }
    loadFile();
}

TForm11::~TForm11() = default;

void TForm11::setChooser(const QString& summary, int preselectedRow) {
    chooser_ = true;
    setWindowTitle(QStringLiteral("Rig/Antの選択"));
    summary_->setText(QString(summary).replace(u'\r', u'\n'));
    summary_->setVisible(true);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    SaveButton->setText(QStringLiteral("OK"));
    findChild<QWidget*>(QStringLiteral("ToolRow"))->setVisible(false);
    if (preselectedRow >= 1 && preselectedRow <= table_.max)
        StringGrid1->setCurrentCell(preselectedRow - 1, 0);
}

void TForm11::loadFile() {
    table_ = RigAntTable::load(path_);
    showTable();
    StatusBar1->showMessage(path_);
}

void TForm11::showTable() {
    StringGrid1->setRowCount(table_.max);
    QStringList numbers;
    for (int n = 1; n <= table_.max; ++n)
        numbers.append(QString::number(n));
    StringGrid1->setVerticalHeaderLabels(numbers);
    for (int r = 0; r < table_.max; ++r)
        for (int c = 0; c < kRigValueCount; ++c)
            StringGrid1->setItem(r, c, new QTableWidgetItem(table_.rows[size_t(r)][c]));
    StringGrid1->verticalHeader()->setMinimumWidth(
        StringGrid1->fontMetrics().horizontalAdvance(QString::number(table_.max)) + 8);
    MaxEdit->setText(QString::number(table_.max));
}

void TForm11::takeTable() {
    for (int r = 0; r < table_.max; ++r)
        for (int c = 0; c < kRigValueCount; ++c) {
            const QTableWidgetItem* cell = StringGrid1->item(r, c);
            table_.rows[size_t(r)][c] = cell ? cell->text() : QString();
        }
}

bool TForm11::confirmLineChange() {
    return ShowMsgBox(
               this,
               QStringLiteral(
                   "Rig/Antデータの行番号が変更されます。\r\rQSL定義ファイルや、QSOデータの"
                   "Remarks中で行番号を指定している場合、\rこれらを必ず修正する必要があります"
                   "。\r\rRig/Antデータを１行変更しますか？"),
               app::title(), mb::OkCancel | mb::IconExclamation | mb::DefButton2) == mb::IdOk;
}

void TForm11::moveRowUp() {
    const int row = StringGrid1->currentRow() + 1;
    if (chooser_ || row <= 1 || !confirmLineChange()) return;
    takeTable();
    table_.moveUp(row);
    showTable();
    StringGrid1->setCurrentCell(row - 2, std::max(StringGrid1->currentColumn(), 0));
}

void TForm11::moveRowDown() {
    const int row = StringGrid1->currentRow() + 1;
    if (chooser_ || row < 1 || row >= table_.max || !confirmLineChange()) return;
    takeTable();
    table_.moveDown(row);
    showTable();
    StringGrid1->setCurrentCell(row, std::max(StringGrid1->currentColumn(), 0));
}

void TForm11::insertRow() {
    const int row = StringGrid1->currentRow() + 1;
    if (chooser_ || row < 1 || !confirmLineChange()) return;
    takeTable();
    table_.insertRow(row);
    showTable();
    StringGrid1->setCurrentCell(row - 1, 0);
}

void TForm11::deleteRow() {
    const int row = StringGrid1->currentRow() + 1;
    if (chooser_ || row < 1 || !confirmLineChange()) return;
    takeTable();
    table_.deleteRow(row);
    showTable();
    StringGrid1->setCurrentCell(row - 1, 0);
}

void TForm11::changeMax() {
    takeTable();
    table_.setMax(StrToLong(MaxEdit->text()));
    (void)RigAntTable::saveMax(path_, table_.max);  // a failure is told by the store
    showTable();
}

void TForm11::useFile(const QString& path) {
    path_ = path;
    StatusBar1->showMessage(path_);
}

void TForm11::openOther() {
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Open, QStringLiteral("Rig/Antデータを開く"), kFilter,
                    QFileInfo(path_).path()});
    if (!chosen) return;
    if (isCtyDat(*chosen)) {
        ShowMsgBox(this, QStringLiteral("CTY.DAT は開けません！"), QFileInfo(*chosen).fileName(),
                   mb::Ok | mb::IconStop);
        return;
    }
    useFile(*chosen);
    loadFile();
}

void TForm11::saveAs() {
    const auto chosen =
        chooseFile({FileDialogRequest::Kind::Save,
                    QStringLiteral("Rig/Antデータに名前を付けて保存"), kFilter, path_});
    if (!chosen) return;
    if (isCtyDat(*chosen)) {
        ShowMsgBox(this, QStringLiteral("CTY.DAT は開けません！"), QFileInfo(*chosen).fileName(),
                   mb::Ok | mb::IconStop);
        return;
    }
    takeTable();
    useFile(*chosen);
    (void)table_.save(path_);  // a failure is told by the store
}

void TForm11::Save() {
    if (!chooser_) {
        takeTable();
        if (!table_.save(path_)) return;
    }
    accept();
}

void TForm11::done(int result) {
    WindowState::RigEditorPlace place{geometry(), {}};
    for (int c = 0; c < kRigValueCount; ++c)
        place.columnWidths.push_back(StringGrid1->columnWidth(c));
    places_.setRigEditorPlace(place);
    QDialog::done(result);
}

int TForm11::selectedRow() const {
    return StringGrid1->currentRow() + 1;
}

QString TForm11::selectedLine() const {
    const int row = StringGrid1->currentRow();
    if (row < 0) return {};
    QStringList cells{QString::number(row + 1)};
    for (int c = 0; c < kRigValueCount; ++c) {
        const QTableWidgetItem* cell = StringGrid1->item(row, c);
        cells.append(cell ? cell->text() : QString());
    }
    return commaTextJoin(cells);
}

std::optional<QString> chooseRigLine(WindowState& places, QString& path, const QString& programDir,
                                     const QString& summary, int& lastRow, QWidget* parent) {
    TForm11 chooser(places, path, programDir, parent);
    chooser.setChooser(summary, lastRow);
    const int result = chooser.exec();
    path = chooser.dataPath();
    if (result != QDialog::Accepted) return std::nullopt;
    lastRow = chooser.selectedRow();
    return chooser.selectedLine();
}
