#include "archive/ui/sent_list_window.h"

#include "archive/card_files.h"
#include "archive/card_match.h"
#include "archive/sent_list.h"
#include "archive/ui/card_list_grid.h"
#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/shell_open.h"
#include "core/text_files.h"
#include "core/ui/wait_cursor.h"
#include "core/window_state.h"
#include "exchange/logging_program.h"
#include "settings/kankyo.h"

#include <QActionGroup>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {}  // namespace

TShForm2::TShForm2(const CardListParts& parts,
                   std::function<void(const QString&, const QString&, int)> resend,
                   std::function<void(const QString&)> findReceivedCard, QWidget* parent)
    : QWidget(parent, Qt::Window),
      places_(parts.places),
      environment_(parts.environment),
      folders_(parts.folders),
      qsoData_(parts.qsoData),
      loggingProgram_(parts.loggingProgram),
      mainProgress_(parts.mainProgress),
      showCards_(parts.showCards),
      resend_(std::move(resend)),
      findReceivedCard_(std::move(findReceivedCard)) {
    setObjectName(QStringLiteral("ShForm2"));
    setWindowTitle(QStringLiteral("送信済み電子QSLの一覧（"));
    const WindowState::ListPlace place = places_.sentListPlace();
    order_ = place.order;
    rewriteTime_ = place.third;
    model_ = new SentListModel(this);
    model_->setDescending(place.descending);

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
    ToolButton4 = button("ToolButton4", QStringLiteral("ZELKOV(&H)"), [this] { ZKT1Click(); });
    QPushButton* menuButton = button("ToolButton2", QStringLiteral("メニュー"), [] {});
    tools->addStretch();
    button("ToolButton6", QStringLiteral("Close(&X)"), [this] { close(); });
    layout->addLayout(tools);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* search = new QHBoxLayout(Panel1);
    search->setContentsMargins(4, 0, 4, 0);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAttribute(Qt::WA_InputMethodEnabled, false);
    Edit1->installEventFilter(this);
    auto* speed2 = new QPushButton(QStringLiteral("検索(&S)"), Panel1);
    speed2->setObjectName(QStringLiteral("Speed2"));
    auto* speed4 = new QPushButton(QStringLiteral("クリア"), Panel1);
    speed4->setObjectName(QStringLiteral("Speed4"));
    connect(speed2, &QPushButton::clicked, this, [this] { Speed2Click(); });
    connect(speed4, &QPushButton::clicked, Edit1, &QLineEdit::clear);
    connect(Edit1, &QLineEdit::returnPressed, this, [this] { Speed2Click(); });
    connect(Edit1, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text != text.toUpper()) Edit1->setText(text.toUpper());
    });
    search->addWidget(new QLabel(QStringLiteral("コールサイン検索:"), Panel1));
    search->addWidget(Edit1, 1);
    search->addWidget(speed2);
    search->addWidget(speed4);
    Panel1->hide();
    layout->addWidget(Panel1);

    vGrid1 = makeCardGrid(*model_, environment_, this);
    vGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(vGrid1, &QTableView::doubleClicked, this, [this] { showViewerOfRow(); });
    layout->addWidget(vGrid1, 1);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    layout->addWidget(StatusBar1);

    Popup2 = new QMenu(this);
    Popup2->setObjectName(QStringLiteral("Popup2"));
    connect(Popup2, &QMenu::aboutToShow, this, [this] { Popup2Popup(); });
    connect(menuButton, &QPushButton::clicked, this, [this, menuButton] {
        Popup2->popup(menuButton->mapToGlobal(QPoint(0, menuButton->height())));
    });
    connect(vGrid1, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { Popup2->popup(vGrid1->viewport()->mapToGlobal(at)); });

    ZKT1 = addCommand("ZKT1", QStringLiteral("ZELKOV/Win修正ウインドウ(&A)"), Qt::Key_F12,
                      [this] { ZKT1Click(); });
    Sent1 = addCommand("Sent1", QString(), {}, [this] { Sent1Click(); });
    addCommand("QSO1", QStringLiteral("電子QSLとQSOデータを照合(&Q)..."), Qt::Key_F7,
               [this] { QSO1Click(); });
    Popup2->addSeparator();
    addCommand("X1", QStringLiteral("■×（照合NG）を検索(&X)"), Qt::Key_F2, [this] { X1Click(); });
    CF1 = addCommand("CF1", QStringLiteral("コールサイン検索(&F)..."), Qt::Key_F3,
                     [this] { CF1Click(); });
    addCommand("R1", QStringLiteral("再表示((&R)"), Qt::Key_F5, [this] { R1Click(); });
    addCommand("QSL3", QStringLiteral("QSL未受領の一覧表示(&M)"), Qt::Key_F6,
               [this] { QSL3Click(); });
    addCommand("UD1", QStringLiteral("配達不能の一覧表示(&U)"), {}, [this] { UD1Click(); });
    addCommand("UD2", QStringLiteral("配達不能のQSLの発行済みマークを取り消す(&B)..."), {},
               [this] { UD2Click(); });
    addCommand("N1", QStringLiteral("選択した電子QSLファイルを【削除】(&D)"), {},
               [this] { N1Click(); });
    Popup2->addSeparator();
    auto* orders = new QActionGroup(this);
    const QString captions[] = {QStringLiteral("ファイル時刻の新しい順に表示"),
                                QStringLiteral("交信年月日順に表示"),
                                QStringLiteral("コールサイン順に表示")};
    const char* names[] = {"NW7", "NW8", "NW9"};
    for (int order = 0; order < 3; ++order) {
        QAction* a =
            addCommand(names[order], captions[order], {}, [this, order] { NW7Click(order); });
        a->setCheckable(true);
        a->setChecked(order == order_);
        orders->addAction(a);
        orderActions_.append(a);
    }
    NK5 = addCommand("NK5", QStringLiteral("降順に表示させる"), {}, [this] { NK5Click(); });
    NK5->setCheckable(true);
    NK5->setChecked(model_->descending());
    SN5 = addCommand("SN5", QStringLiteral("再送信時タイムスタンプ書き換え"), {},
                     [this] { SN5Click(); });
    SN5->setCheckable(true);
    SN5->setChecked(rewriteTime_);
    Popup2->addSeparator();
    addCommand("T1", QStringLiteral("送信フォルダの表示(&S)"), {},
               [this] { ShellOpen(folders_.sentDir); });
    addCommand("Help1", QStringLiteral("ヘルプ(&H)"), Qt::Key_F1, [this] {
        ShellOpen(environment_.serverBase() + QStringLiteral("tgw/qsl/sentqsl.html"));
    });

    setGeometry(place.geometry);
    for (int c = 0; c < static_cast<int>(place.columnWidths.size()); ++c)
        vGrid1->setColumnWidth(c + 1, place.columnWidths[static_cast<size_t>(c)]);
}

QAction* TShForm2::addCommand(const char* name, const QString& caption, const QKeySequence& key,
                              std::function<void()> handler) {
    return addListCommand(this, Popup2, name, caption, key, std::move(handler));
}

void TShForm2::saveState(bool withPlace) {
    if (!withPlace) return;
    WindowState::ListPlace place;
    place.geometry = geometry();
    for (int c = 1; c <= 4; ++c)
        place.columnWidths.push_back(vGrid1->columnWidth(c) > 1 ? vGrid1->columnWidth(c) : 64);
    place.order = order_;
    place.descending = model_->descending();
    place.third = rewriteTime_;
    places_.setSentListPlace(place);
}

void TShForm2::setLoggingProgramPresent(bool present) {
    ToolButton4->setEnabled(present);
    ZKT1->setEnabled(present);
}

int TShForm2::currentIndex() const {
    return currentListIndex(vGrid1, *model_);
}

void TShForm2::setCurrentIndex(int index) {
    setCurrentListIndex(vGrid1, *model_, index);
}

void TShForm2::BuildSentList(const QString& folder, int expectedRecordCount, int toleranceMinutes) {
    if (building_) return;
    building_ = true;
    if (!folder.isEmpty()) folder_ = folder;
    if (folder_.isEmpty()) folder_ = folders_.sentDir;
    toleranceMinutes_ = toleranceMinutes;
    CF1->setEnabled(true);
    Panel1->hide();
    SentListBuild build;
    {
        const WaitCursor hourglass;
        SentListJob job{qsoData_, folder_, order_, matchToleranceSeconds(toleranceMinutes),
                        folders_.messageDir};
        build = ::BuildSentList(job, loggingProgram_, mainProgress_, expectedRecordCount);
    }
    building_ = false;
    if (build.end != ReceivedListBuild::End::Built) {
        close();
        return;
    }
    model_->setList(build.list);
    setWindowTitle(QStringLiteral("送信済み電子QSLの一覧（") + cardListOrderTitle(order_));
    show();
    raise();
    activateWindow();
    FormShow();
}

void TShForm2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!placed_) {
        setGeometry(placedOnScreen(geometry(), screenAreas()));
        placed_ = true;
        vGrid1->setFocus();
    }
}

void TShForm2::FormShow() {
    model_->clearSelection();
    vGrid1->setColumnWidth(
        0, vGrid1->fontMetrics().horizontalAdvance(QString::number(model_->shownCount())) + 16);
    if (model_->shownCount() > 0)
        setCurrentIndex(model_->descending() ? 0 : model_->shownCount() - 1);
    if (model_->undelivered() > 0) {
        // The delivery column shows its reasons; the window grows to show it.
        vGrid1->resizeColumnToContents(5);
        vGrid1->setColumnWidth(5, std::min(vGrid1->columnWidth(5), 480));
        int wanted = width() - vGrid1->viewport()->width();
        for (int c = 0; c < model_->columnCount(); ++c)
            wanted += vGrid1->columnWidth(c);
        const QRect area = screen() ? screen()->availableGeometry() : QRect();
        if (wanted > width())
            resize(area.isValid() ? std::min(wanted, area.width()) : wanted, height());
    }
    showStatus();
}

void TShForm2::showStatus() {
    StatusBar1->showMessage(model_->status());
    ToolButton4->setEnabled(loggingProgram_.running());
}

void TShForm2::rebuildKeeping(int index) {
    BuildSentList(QString(), 0, toleranceMinutes_);
    if (isVisible()) setCurrentIndex(index);
}

void TShForm2::Popup2Popup() {
    const int index = currentIndex();
    const QString call = partnerCallOfSentCard(model_->cardName(index));
    // Only a matched row can be resent (an unmatched one has no QSO to send for).
    Sent1->setVisible(model_->recordNumber(index) > 0 && !call.isEmpty());
    Sent1->setText(QStringLiteral("【") + call +
                   QStringLiteral("】局あてに電子QSLを再送する(&T)..."));
    ZKT1->setEnabled(loggingProgram_.running());
}

void TShForm2::ZKT1Click() {
    const int recno = model_->recordNumber(currentIndex());
    if (recno > 0 && loggingProgram_.running()) loggingProgram_.openEditWindow(recno);
}

void TShForm2::Sent1Click() {
    const int index = currentIndex();
    const int recno = model_->recordNumber(index);
    const QString name = model_->cardName(index);
    const QString call = partnerCallOfSentCard(name);
    if (recno <= 0 || call.isEmpty()) return;  // an unmatched row does nothing
    const QString file = cardFilePath(folder_, name);
    if (resend_) resend_(call, file, recno);
    if (rewriteTime_) {
        const QDateTime now = QDateTime::currentDateTime();
        if (SetFileDateTime(file, now))
            model_->setItem(index, 2, now.toString(QStringLiteral("yy/MM/dd HH:mm")));
    }
}

void TShForm2::QSO1Click() {
    const QString received = receivedNameOfSentCard(model_->cardName(currentIndex()));
    if (!received.isEmpty() && findReceivedCard_) findReceivedCard_(received);
}

void TShForm2::X1Click() {
    if (const std::optional<int> found = model_->nextUnmatched()) {
        setCurrentIndex(*found);
        return;
    }
    ShowMsgBox(this, QStringLiteral("照合NG（■×）が見つかりません！"), app::title(),
               mb::Ok | mb::IconInformation);
}

void TShForm2::CF1Click() {
    Panel1->show();
    Edit1->setFocus();
}

void TShForm2::Speed2Click() {
    const QString text = Edit1->text();
    if (text.isEmpty()) return;
    if (model_->search(text) == 0) {
        ShowMsgBox(this, text + QStringLiteral("\r\r・・・見つかりません！"), app::title(),
                   mb::Ok | mb::IconExclamation);
        BuildSentList(QString(), 0, toleranceMinutes_);
        CF1Click();
        return;
    }
    CF1->setEnabled(false);
    FormShow();
    vGrid1->setFocus();
}

void TShForm2::R1Click() {
    const int keep = currentIndex();
    BuildSentList(QString(), 0, 0);
    if (isVisible()) setCurrentIndex(keep);
}

void TShForm2::QSL3Click() {
    if (model_->keepUnreceived() == 0) {
        close();
        ShowMsgBox(this, QStringLiteral("QSL未受領は該当がありません。"), app::title(),
                   mb::Ok | mb::IconInformation);
        return;
    }
    FormShow();
}

// The cards the receive run learnt were not delivered.
void TShForm2::UD1Click() {
    if (model_->keepUndelivered() == 0) {
        ShowMsgBox(this, QStringLiteral("配達不能の電子QSLはありません。"), app::title(),
                   mb::Ok | mb::IconInformation);
        return;
    }
    showStatus();
    setCurrentIndex(0);
}

// Their sent marks taken back, so that the next batch sends them again.
void TShForm2::UD2Click() {
    const int index = currentIndex();
    if (offerTakingBackSentMarks(*model_, index, qsoData_, environment_.sentMarkRule,
                                 loggingProgram_) > 0)
        rebuildKeeping(index);
}

void TShForm2::N1Click() {
    const std::vector<int> selected = model_->selectedIndexes();
    if (selected.empty()) {
        ShowMsgBox(
            this,
            QStringLiteral("ファイルが選択されていません！\r\rスペースキーで選択してください。"),
            app::title(), mb::Ok | mb::IconExclamation);
        return;
    }
    if (ShowMsgBox(this, QStringLiteral("%1 個のファイルを削除しますか？").arg(selected.size()),
                   app::title(), mb::YesNo | mb::IconQuestion) != mb::IdYes)
        return;
    const int keep = currentIndex();
    int deleted = 0;
    for (const int i : selected)
        if (deleteCard(folder_, QString(), model_->cardName(i))) ++deleted;
    rebuildKeeping(keep);
    ShowMsgBox(this, QStringLiteral("%1 個のファイルを削除しました。").arg(deleted), app::title(),
               mb::Ok | mb::IconInformation);
}

void TShForm2::NW7Click(int order) {
    order_ = std::clamp(order, 0, 2);
    for (int i = 0; i < orderActions_.size(); ++i)
        orderActions_[i]->setChecked(i == order_);
    BuildSentList(QString(), 0, 0);
}

void TShForm2::NK5Click() {
    const int keep = currentIndex();
    model_->setDescending(!model_->descending());
    NK5->setChecked(model_->descending());
    setCurrentIndex(keep);
}

void TShForm2::SN5Click() {
    rewriteTime_ = !rewriteTime_;
    SN5->setChecked(rewriteTime_);
}

void TShForm2::LocateSentCard(const QString& name) {
    if (const std::optional<int> found =
            model_->locate(name, matchToleranceSeconds(toleranceMinutes_)))
        setCurrentIndex(*found);
    show();
    raise();
    activateWindow();
}

void TShForm2::showViewerOfRow() {
    const QString name = model_->cardName(currentIndex());
    if (!name.isEmpty() && showCards_) showCards_(cardFilePath(folder_, name), true);
}

// Esc closes the window wherever the focus is (a button, the status line).
void TShForm2::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TShForm2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched == vGrid1) Panel1->hide();
    if (watched == vGrid1 && handleCardGridKey(
                                 event, vGrid1, *model_, [this] { showViewerOfRow(); }, this))
        return true;
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == Edit1 && key == Qt::Key_Escape) {
        Panel1->hide();
        vGrid1->setFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
