#include "archive/ui/received_list_window.h"

#include "archive/card_files.h"
#include "archive/card_match.h"
#include "archive/near_misses.h"
#include "archive/received_list_model.h"
#include "archive/received_marks.h"
#include "archive/spreadsheet_export.h"
#include "archive/ui/card_list_grid.h"
#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/shell_open.h"
#include "core/ui/browse_for_folder.h"
#include "core/ui/escape_watch.h"
#include "core/ui/gui_progress_port.h"
#include "core/ui/wait_cursor.h"
#include "core/window_state.h"
#include "exchange/logging_program.h"
#include "settings/kankyo.h"

#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QString noSelectionText() {
    return QStringLiteral("ファイルが選択されていません！\r\rスペースキーで選択してください。");
}

}  // namespace

TShForm1::TShForm1(const CardListParts& parts, QWidget* parent)
    : QWidget(parent, Qt::Window),
      places_(parts.places),
      environment_(parts.environment),
      folders_(parts.folders),
      qsoData_(parts.qsoData),
      loggingProgram_(parts.loggingProgram),
      mainProgress_(parts.mainProgress),
      showCards_(parts.showCards),
      sendToStation_(parts.sendToStation) {
    setObjectName(QStringLiteral("ShForm1"));
    setWindowTitle(QStringLiteral("QSOデータと電子QSLの照合結果（"));
    const WindowState::ListPlace place = places_.receivedListPlace();
    order_ = place.order;
    details_ = place.third;
    model_ = new ReceivedListModel(this);
    model_->setDescending(place.descending);
    model_->setDetails(details_);
    buildWidgets();
    buildMenu();
    setToolTip(QStringLiteral("◎QSL受領済み, ○照合ＯＫ, ■×照合ＮＧ"));
    setGeometry(place.geometry);
    for (int c = 0; c < static_cast<int>(place.columnWidths.size()); ++c)
        vGrid1->setColumnWidth(c + 1, place.columnWidths[static_cast<size_t>(c)]);
}

void TShForm1::buildWidgets() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    auto* tools = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption, std::function<void()> handler) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        // Clicked or called by its Alt key, never focused: the keys the
        // list uses (Space, Enter) stay with the list.
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, [handler] { handler(); });
        tools->addWidget(b);
        return b;
    };
    button("ToolButton4", QStringLiteral("&Confirmed"), [this] { QSO1Click(); });
    ToolButton6 = button("ToolButton6", QStringLiteral("ZELKOV(&H)"), [this] { ZKWin1Click(); });
    button("ToolButton8", QStringLiteral("Reload(&R)"), [this] { ToolButton8Click(); });
    QPushButton* menuButton = button("ToolButton1", QStringLiteral("メニュー"), [] {});
    tools->addStretch();
    button("ToolButton10", QStringLiteral("Close(&X)"), [this] { close(); });
    layout->addLayout(tools);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* search = new QHBoxLayout(Panel1);
    search->setContentsMargins(4, 0, 4, 0);
    searchLabel_ = new QLabel(QStringLiteral("コールサイン検索:"), Panel1);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->installEventFilter(this);
    auto* speed2 = new QPushButton(QStringLiteral("検索(&S)"), Panel1);
    speed2->setObjectName(QStringLiteral("Speed2"));
    auto* speed4 = new QPushButton(QStringLiteral("クリア"), Panel1);
    speed4->setObjectName(QStringLiteral("Speed4"));
    connect(speed2, &QPushButton::clicked, this, [this] { Speed2Click(); });
    connect(speed4, &QPushButton::clicked, Edit1, &QLineEdit::clear);
    connect(Edit1, &QLineEdit::returnPressed, this, [this] { Speed2Click(); });
    connect(Edit1, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (searchByCall_ && text != text.toUpper()) Edit1->setText(text.toUpper());
    });
    search->addWidget(searchLabel_);
    search->addWidget(Edit1, 1);
    search->addWidget(speed2);
    search->addWidget(speed4);
    Panel1->hide();
    layout->addWidget(Panel1);

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto* rename = new QHBoxLayout(Panel2);
    rename->setContentsMargins(4, 0, 4, 0);
    Label1 = new QLabel(Panel2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit2 = new QLineEdit(Panel2);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->installEventFilter(this);
    auto* speed3 = new QPushButton(QStringLiteral("変更(&C)"), Panel2);
    speed3->setObjectName(QStringLiteral("Speed3"));
    speed3->setFocusPolicy(Qt::NoFocus);  // a click leaves the name box its focus
    connect(speed3, &QPushButton::clicked, this, [this] { Speed3Click(); });
    connect(Edit2, &QLineEdit::returnPressed, this, [this] { Speed3Click(); });
    connect(Edit2, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text != text.toUpper()) Edit2->setText(text.toUpper());
    });
    rename->addWidget(Label1);
    rename->addWidget(Edit2, 1);
    rename->addWidget(speed3);
    Panel2->hide();
    layout->addWidget(Panel2);

    vGrid1 = makeCardGrid(*model_, environment_, this);
    vGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(vGrid1, &QTableView::doubleClicked, this, [this] { showViewerOfRow(); });
    layout->addWidget(vGrid1, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    ProgBar1 = new QProgressBar(this);
    ProgBar1->setObjectName(QStringLiteral("ProgBar1"));
    ProgBar1->hide();
    StatusBar1->addPermanentWidget(ProgBar1);
    layout->addWidget(StatusBar1);

    Popup2 = new QMenu(this);
    Popup2->setObjectName(QStringLiteral("Popup2"));
    connect(Popup2, &QMenu::aboutToShow, this, [this] { Popup2Popup(); });
    connect(menuButton, &QPushButton::clicked, this, [this, menuButton] {
        Popup2->popup(menuButton->mapToGlobal(QPoint(0, menuButton->height())));
    });
    connect(vGrid1, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { Popup2->popup(vGrid1->viewport()->mapToGlobal(at)); });
}

QAction* TShForm1::addCommand(const char* name, const QString& caption, const QKeySequence& key,
                              std::function<void()> handler) {
    return addListCommand(this, Popup2, name, caption, key, std::move(handler));
}

void TShForm1::buildMenu() {
    addCommand("QSO1", QStringLiteral("照合済みのQSOに QSL受領マーク書き込み(&W)"), Qt::Key_F6,
               [this] { QSO1Click(); });
    ZKWin1 = addCommand("ZKWin1", QStringLiteral("ZELKOV/Win修正ウインドウ(&A)"), Qt::Key_F12,
                        [this] { ZKWin1Click(); });
    Sent1 = addCommand("Sent1", QString(), {}, [this] { Sent1Click(); });
    Sent2 = addCommand("Sent2", QString(), {}, [this] { Sent2Click(); });
    Popup2->addSeparator();
    addCommand("QSL3", QStringLiteral("■×（照合NG）を検索(&X)"), Qt::Key_F2,
               [this] { QSL3Click(); });
    CAF1 = addCommand("CAF1", QStringLiteral("コールサイン検索(&F)..."), Qt::Key_F3,
                      [this] { CAF1Click(false); });
    QSL1 = addCommand("QSL1", QStringLiteral("１行全体で検索(&L)"), Qt::Key_F4,
                      [this] { CAF1Click(true); });
    addCommand("QSLN1", QStringLiteral("QSL未発行の一覧表示(&N)"), Qt::Key_F5,
               [this] { QSLN1Click(); });
    Code1 = addCommand("Code1", QStringLiteral("Codeが空欄の一覧表示(&K)"), Qt::Key_F7,
                       [this] { Code1Click(); });
    Popup2->addSeparator();
    addCommand("JPGC1", QStringLiteral("[JPEG画像ヒット]のフォルダへ【コピー】(&C)"), {},
               [this] { HIT2Click(true); });
    addCommand("HIT2", QStringLiteral("[JPEG画像ヒット]のフォルダへ【移動】(&M)"), {},
               [this] { HIT2Click(false); });
    addCommand("N4", QStringLiteral("電子QSLファイルをリネームして強制的に照合"), {},
               [this] { N4Click(); });
    addCommand("N9", QStringLiteral("照合できない理由を表示(&Y)..."), {}, [this] { N9Click(); });
    addCommand("N1", QStringLiteral("選択した電子QSLファイルを【削除】(&D)"), {},
               [this] { N1Click(); });
    Popup2->addSeparator();
    auto* orders = new QActionGroup(this);
    const QString orderCaptions[] = {QStringLiteral("ファイル時刻順に表示"),
                                     QStringLiteral("交信年月日順に表示"),
                                     QStringLiteral("コールサイン順に表示")};
    const char* orderNames[] = {"NW6", "NW7", "NW8"};
    for (int order = 0; order < 3; ++order) {
        QAction* a = addCommand(orderNames[order], orderCaptions[order], {},
                                [this, order] { NW6Click(order); });
        a->setCheckable(true);
        a->setChecked(order == order_);
        orders->addAction(a);
        orderActions_.append(a);
    }
    NK5 = addCommand("NK5", QStringLiteral("降順に表示させる"), {}, [this] { NK5Click(); });
    NK5->setCheckable(true);
    NK5->setChecked(model_->descending());
    NameQTH1 = addCommand("NameQTH1", QStringLiteral("Name, QTH等も表示する"), {},
                          [this] { NameQTH1Click(); });
    NameQTH1->setCheckable(true);
    NameQTH1->setChecked(details_);
    Popup2->addSeparator();
    B1 = addCommand("B1", QStringLiteral("バンド・モード別状況(&B)"), {}, [this] { B1Click(); });
    addCommand("J3", QStringLiteral("受信フォルダの表示(&J)"), {},
               [this] { ShellOpen(folders_.receivedDir); });
    addCommand("Help1", QStringLiteral("ヘルプ(&H)"), Qt::Key_F1, [this] {
        ShellOpen(environment_.serverBase() + QStringLiteral("tgw/qsl/shogo.html"));
    });
}

void TShForm1::saveState(bool withPlace) {
    WindowState::ListPlace place;
    place.geometry = geometry();
    for (int c = 1; c <= 9; ++c)
        place.columnWidths.push_back(vGrid1->columnWidth(c) > 1 ? vGrid1->columnWidth(c) : 64);
    place.order = order_;
    place.descending = model_->descending();
    place.third = details_;
    places_.setReceivedListPlace(place, withPlace);
}

void TShForm1::setLoggingProgramPresent(bool present) {
    ToolButton6->setEnabled(present);
    ZKWin1->setEnabled(present);
}

int TShForm1::currentIndex() const {
    return currentListIndex(vGrid1, *model_);
}

void TShForm1::setCurrentIndex(int index) {
    setCurrentListIndex(vGrid1, *model_, index);
}

void TShForm1::BuildReceivedList(int expectedRecordCount) {
    if (building_) return;
    building_ = true;
    ReceivedListBuild build;
    {
        const WaitCursor wait;
        CAF1->setEnabled(true);
        QSL1->setEnabled(true);
        ReceivedListJob job;
        job.qsoData = qsoData_;
        job.receivedDir = folders_.receivedDir;
        job.settings.order = order_;
        job.settings.details = details_;
        job.settings.oldestDate = environment_.oldestMatchDate;
        job.settings.toleranceMinutes = environment_.toleranceMinutes;
        job.modesAgree = environment_.modeComparison();
        GuiProgressPort own(*ProgBar1, *StatusBar1);
        build = ::BuildReceivedList(job, loggingProgram_, isVisible() ? own : mainProgress_,
                                    expectedRecordCount);
    }
    building_ = false;
    if (build.end != ReceivedListBuild::End::Built) {
        close();
        return;
    }
    model_->setList(build.list, details_);
    setWindowTitle(QStringLiteral("QSOデータと電子QSLの照合結果（") + cardListOrderTitle(order_));
    show();
    raise();
    activateWindow();
    FormShow();
    const int first = model_->firstIndexOfInterest();
    if (first >= 0) setCurrentIndex(first);
}

void TShForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!placed_) {
        setGeometry(placedOnScreen(geometry(), screenAreas()));
        placed_ = true;
        vGrid1->setFocus();
    }
}

void TShForm1::FormShow() {
    model_->clearSelection();
    B1->setEnabled(model_->shownCount() > 2);
    vGrid1->setColumnWidth(
        0, vGrid1->fontMetrics().horizontalAdvance(QString::number(model_->shownCount())) + 16);
    if (model_->shownCount() > 0)
        setCurrentIndex(model_->descending() ? 0 : model_->shownCount() - 1);
    showStatus();
}

void TShForm1::showStatus() {
    StatusBar1->showMessage(model_->status());
    ToolButton6->setEnabled(loggingProgram_.running());
}

void TShForm1::hidePanels() {
    Panel1->hide();
    Panel2->hide();
}

void TShForm1::rebuildKeeping(int index) {
    BuildReceivedList(0);
    if (isVisible()) {
        setCurrentIndex(index);
        showStatus();
    }
}

std::vector<QString> TShForm1::selectedNames() const {
    std::vector<QString> names;
    for (const int i : model_->selectedIndexes())
        names.push_back(model_->cardName(i));
    return names;
}

// Writes the received marks of the matched rows shown.
void TShForm1::QSO1Click() {
    const int keep = currentIndex();
    MarkWritingJob job;
    job.qsoData = qsoData_;
    job.rule = environment_.receivedMarkRule;
    job.markReceived = environment_.markAlreadyReceived;
    job.confirmInMaster = environment_.confirmInMaster;
    std::optional<MarkWriting> done;
    {
        const WaitCursor wait;
        GuiProgressPort progress(*ProgBar1, *StatusBar1);
        const EscapeWatch escape(progress);
        done = WriteMarksOfList(job, model_->matchedRecords(), loggingProgram_, progress, true);
    }
    if (!done || (done->written == 0 && done->areas == 0)) return;
    rebuildKeeping(std::min(keep, model_->shownCount() - 1));
}

void TShForm1::ZKWin1Click() {
    const int recno = model_->recordNumber(currentIndex());
    if (recno > 0 && loggingProgram_.running()) loggingProgram_.openEditWindow(recno);
}

void TShForm1::Sent1Click() {
    const int index = currentIndex();
    const QString call = model_->callOfMatchedRow(index);
    if (!call.isEmpty() && sendToStation_) sendToStation_(call, model_->recordNumber(index));
}

void TShForm1::Sent2Click() {
    const QString call = model_->callOfMatchedRow(currentIndex());
    if (!call.isEmpty() && showCards_)
        showCards_(
            QDir(folders_.sentDir).filePath(QStringLiteral("*_") + call + QStringLiteral(".jpg")),
            true);
}

void TShForm1::Popup2Popup() {
    const int index = currentIndex();
    const QString call = model_->callOfMatchedRow(index);
    Sent1->setVisible(!call.isEmpty());
    Sent2->setVisible(!call.isEmpty());
    Sent1->setText(QStringLiteral("【") + call +
                   QStringLiteral("】局あて電子QSLを送信する(&T)..."));
    Sent2->setText(QStringLiteral("【") + call +
                   QStringLiteral("】局に送った電子QSLを表示(&Q)..."));
    ZKWin1->setEnabled(loggingProgram_.running());
    Code1->setEnabled(details_);
}

void TShForm1::QSL3Click() {
    if (const std::optional<int> found = model_->nextUnmatched()) {
        setCurrentIndex(*found);
        return;
    }
    ShowMsgBox(this, QStringLiteral("照合NG（■×）が見つかりません！"), app::title(),
               mb::Ok | mb::IconInformation);
}

void TShForm1::CAF1Click(bool wholeLine) {
    Panel2->hide();
    searchByCall_ = !wholeLine;
    searchLabel_->setText(wholeLine ? QStringLiteral("　１行全体で検索:")
                                    : QStringLiteral("コールサイン検索:"));
    Edit1->setAttribute(Qt::WA_InputMethodEnabled, wholeLine);
    Panel1->show();
    Edit1->setFocus();
}

void TShForm1::Speed2Click() {
    const QString text = Edit1->text();
    if (text.isEmpty()) return;
    if (model_->search(text, searchByCall_) == 0) {
        ShowMsgBox(this, text + QStringLiteral("\r\r・・・見つかりません！"), app::title(),
                   mb::Ok | mb::IconExclamation);
        BuildReceivedList(0);
        CAF1Click(!searchByCall_);
        return;
    }
    CAF1->setEnabled(false);
    QSL1->setEnabled(false);
    FormShow();
    vGrid1->setFocus();
}

void TShForm1::QSLN1Click() {
    if (model_->keepUnissued() == 0) {
        ShowMsgBox(this, QStringLiteral("QSL未発行は該当がありません。"), app::title(),
                   mb::Ok | mb::IconInformation);
        return;
    }
    FormShow();
}

void TShForm1::Code1Click() {
    if (!details_) return;
    if (model_->keepBlankCode() == 0) {
        ShowMsgBox(this, QStringLiteral("Codeが空欄のデータはありません。"), app::title(),
                   mb::Ok | mb::IconInformation);
        BuildReceivedList(0);
        return;
    }
    FormShow();
}

void TShForm1::HIT2Click(bool copy) {
    const std::vector<int> selected = model_->selectedIndexes();
    if (selected.empty()) {
        ShowMsgBox(this, noSelectionText(), app::title(), mb::Ok | mb::IconExclamation);
        return;
    }
    const QString verb = copy ? QStringLiteral("コピー") : QStringLiteral("移動");
    QString folder = places_.pictureHitFolder();
    if (!QFileInfo(folder).isDir()) folder = QDir::homePath();
    if (!BrowseForFolder(QStringLiteral("ZELKOVの【JPEG画像ヒット】のフォルダに") + verb, folder))
        return;
    places_.setPictureHitFolder(folder);
    QStringList names;
    for (const int i : selected)
        names.append(model_->cardName(i));
    QStringList done;
    {
        const WaitCursor wait;
        done = copyCardsToPictureFolder(names, folders_.receivedDir, folders_.messageDir, folder,
                                        !copy);
    }
    if (copy) {
        for (const int i : selected)
            if (done.contains(model_->cardName(i))) model_->setSelected(i, false);
    } else {
        const int keep = currentIndex();
        BuildReceivedList(0);
        if (isVisible()) setCurrentIndex(keep);
    }
    ShowMsgBox(this, QStringLiteral("%1 個のファイルを%2しました。").arg(done.size()).arg(verb),
               app::title(), mb::Ok | mb::IconInformation);
}

void TShForm1::N4Click() {
    const QString name = model_->cardName(currentIndex());
    if (name.isEmpty()) return;
    Panel1->hide();
    Label1->setText(name);
    // An unmatched card is offered its nearest QSO's time, as the
    // explanation finds it; the person only confirms (or types another).
    const QString proposed =
        proposedCardName(nearMissJob(), model_->unmatchedRows(), name, loggingProgram_);
    Edit2->setText((proposed.isEmpty() ? name : proposed).toUpper());
    Panel2->show();
    Edit2->setFocus();
}

// Why the card matches no QSO, and the forced match of a time difference
// the unmatched cards share.
NearMissJob TShForm1::nearMissJob() const {
    NearMissJob job;
    job.qsoData = qsoData_;
    job.receivedDir = folders_.receivedDir;
    job.messageDir = folders_.messageDir;
    job.toleranceMinutes = environment_.toleranceMinutes;
    job.modesAgree = environment_.modeComparison();
    return job;
}

void TShForm1::N9Click() {
    hidePanels();
    const int index = currentIndex();
    if (explainNearMisses(nearMissJob(), model_->unmatchedRows(), model_->cardName(index),
                          loggingProgram_, this) > 0)
        rebuildKeeping(index);
}

void TShForm1::Speed3Click() {
    const QString oldName = Label1->text();
    QString newName = Edit2->text().trimmed();
    // The box is upper case; a card's extension stays as cards have it.
    if (newName.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive))
        newName = newName.chopped(4) + QStringLiteral(".jpg");
    if (!acceptableCardRename(oldName, newName)) return;
    if (ShowMsgBox(this,
                   oldName + QStringLiteral("\r・・・を\r\r") + newName +
                       QStringLiteral("\r・・・に変更しますか？"),
                   app::title(), mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes)
        return;
    if (!renameCard(folders_.receivedDir, folders_.messageDir, oldName, newName)) {
        ShowMsgBox(this, newName + QStringLiteral("\r\r・・・には変更できません！"), app::title(),
                   mb::Ok | mb::IconStop);
        return;
    }
    Panel2->hide();
    rebuildKeeping(currentIndex());
}

void TShForm1::N1Click() {
    const std::vector<QString> names = selectedNames();
    if (names.empty()) {
        ShowMsgBox(this, noSelectionText(), app::title(), mb::Ok | mb::IconExclamation);
        return;
    }
    if (ShowMsgBox(this, QStringLiteral("%1 個のファイルを削除しますか？").arg(names.size()),
                   app::title(), mb::YesNo | mb::IconQuestion | mb::DefButton2) != mb::IdYes)
        return;
    const int keep = currentIndex();
    int deleted = 0;
    for (const QString& name : names)
        if (deleteCard(folders_.receivedDir, folders_.messageDir, name)) ++deleted;
    rebuildKeeping(keep);
    ShowMsgBox(this, QStringLiteral("%1 個のファイルを削除しました。").arg(deleted), app::title(),
               mb::Ok | mb::IconInformation);
}

void TShForm1::NW6Click(int order) {
    order_ = std::clamp(order, 0, 2);
    for (int i = 0; i < orderActions_.size(); ++i)
        orderActions_[i]->setChecked(i == order_);
    BuildReceivedList(0);
}

void TShForm1::NK5Click() {
    const int keep = currentIndex();
    model_->setDescending(!model_->descending());
    NK5->setChecked(model_->descending());
    setCurrentIndex(keep);
}

void TShForm1::NameQTH1Click() {
    details_ = !details_;
    NameQTH1->setChecked(details_);
    model_->setDetails(details_);
    BuildReceivedList(0);
}

void TShForm1::B1Click() {
    if (ShowMsgBox(
            this,
            QStringLiteral("バンド・モード別状況をエクセルで表示します。\r\rよろしいですか？"),
            app::title(), mb::YesNo | mb::IconQuestion) != mb::IdYes)
        return;
    QString error;
    const QString path = newSheetPath(folders_.sheetsDir, QStringLiteral("band_mode"), &error);
    if (path.isEmpty()) {
        ShowMsgBox(this, error, app::title(), mb::Ok | mb::IconStop);
        return;
    }
    SpreadsheetExport sheet;
    {
        const WaitCursor wait;
        GuiProgressPort progress(*ProgBar1, *StatusBar1);
        const EscapeWatch escape(progress);
        sheet = ExportToSpreadsheet(model_->statistics(), path, SheetCells::Numbers, &progress);
    }
    if (!sheet.written) {
        ShowMsgBox(this, sheet.error, app::title(), mb::Ok | mb::IconStop);
        return;
    }
    StatusBar1->showMessage(sheetWrittenText(path));
    OpenWrittenFile(path, this);
}

void TShForm1::ToolButton8Click() {
    BuildReceivedList(loggingProgram_.lastRecordNumber());
    if (isVisible()) showStatus();
}

bool TShForm1::LocateReceivedCard(const QString& name) {
    const std::optional<int> found =
        model_->locate(name, matchToleranceSeconds(environment_.toleranceMinutes));
    if (!found) {
        ShowMsgBox(this, QStringLiteral("受信フォルダに該当電子QSLはありません！"), app::title(),
                   mb::Ok | mb::IconExclamation);
        return false;
    }
    setCurrentIndex(*found);
    show();
    raise();
    activateWindow();
    return true;
}

void TShForm1::showViewerOfRow() {
    const QString name = model_->cardName(currentIndex());
    if (!name.isEmpty() && showCards_) showCards_(cardFilePath(folders_.receivedDir, name), false);
}

// Esc closes the window wherever the focus is (a button, the status line).
void TShForm1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TShForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched == vGrid1) hidePanels();
    if (watched == vGrid1 && handleCardGridKey(
                                 event, vGrid1, *model_, [this] { showViewerOfRow(); }, this))
        return true;
    // Leaving the name box for another part of the window drops the rename
    // (a box the rename itself shows does not).
    if (watched == Edit2 && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
        if (why != Qt::ActiveWindowFocusReason && why != Qt::PopupFocusReason) Panel2->hide();
    }
    // Alt+C in the name box is its own button's, not the tool bar's
    // "Confirmed", which has the same letter.
    if (watched == Edit2 &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_C && k->modifiers() == Qt::AltModifier) {
            event->accept();
            if (event->type() == QEvent::KeyPress) Speed3Click();
            return true;
        }
    }
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((watched == Edit1 || watched == Edit2) && key == Qt::Key_Escape) {
        hidePanels();
        vGrid1->setFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
