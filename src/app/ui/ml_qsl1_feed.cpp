// The main window's side of the QSOs that WSJT-X, JTDX or a followed log
// file bring: the line under the card that says what listens and what was
// done last, its switch, the settings window, and the card for one QSO
// through the single send.

#include "app/ui/ml_qsl1.h"

#include "app/exchange_requests.h"
#include "app/main_state.h"
#include "core/app_info.h"
#include "core/msg_box.h"
#include "exchange/send_batch.h"
#include "link/qso_feed.h"
#include "link/station_check.h"
#include "render/ui/view_bmp.h"
#include "server/novq_requests.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"
#include "settings/program_files.h"
#include "settings/ui/qso_feed_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QStatusBar>

void TZkvmQSL::createFeed() {
    FeedBar = new QWidget(centralWidget());
    FeedBar->setObjectName(QStringLiteral("FeedBar"));
    auto* row = new QHBoxLayout(FeedBar);
    row->setContentsMargins(8, 0, 8, 0);
    FeedSwitch = new QCheckBox(QStringLiteral("連携"), FeedBar);
    FeedSwitch->setObjectName(QStringLiteral("FeedSwitch"));
    FeedSwitch->setToolTip(
        QStringLiteral("WSJT-X・JTDX からQSOを受け取る（設定はオプションメニューの"
                       "「WSJT-X・JTDX 連携の設定」）"));
    FeedLine = new QLabel(FeedBar);
    FeedLine->setObjectName(QStringLiteral("FeedLine"));
    FeedLine->setTextFormat(Qt::PlainText);
    FeedLine->setMinimumWidth(10);
    row->addWidget(FeedSwitch);
    row->addWidget(FeedLine, 1);
    connect(FeedSwitch, &QCheckBox::clicked, this, [this] { WSJT1Click(); });
    WSJT1 = findChild<QAction*>(QStringLiteral("WSJT1"));

    QsoFeedPorts ports;
    ports.logPath = [this] { return state_.qsoData; };
    // Nothing is taken while other work runs or a box is up: the QSOs wait.
    ports.held = [this] {
        return !shown_ || closed_ || workRunning() ||
               QApplication::activeModalWidget() != nullptr || preview_->isVisible();
    };
    ports.sendCard = [this](int recno, const QsoRecord& qso, bool preview) {
        return sendLoggedQso(recno, qso, preview);
    };
    ports.logChanged = [this] { noticeLogChange(); };
    ports.changed = [this] { showFeed(); };
    // A QSO settled at the range's start moves the start past it, so that
    // the next "QSL送信" (and the next start) does not offer it again.
    ports.settled = [this](int recno) {
        if (Edit1->text().trimmed().toInt() == recno) startRangeAfterSettled();
    };
    ports.noted = [this](const QString& text) {
        statusBar()->showMessage(QStringLiteral("WSJT-X・JTDX: ") + text);
    };
    feed_ = std::make_unique<QsoFeed>(settings_, std::move(ports));
}

void TZkvmQSL::showFeed() {
    if (!feed_ || !FeedLine) return;
    const QString text = feed_->statusText();
    FeedLine->setText(
        FeedLine->fontMetrics().elidedText(text, Qt::ElideRight, std::max(FeedLine->width(), 100)));
    QStringList tip{text};
    if (!feed_->history().isEmpty())
        tip << QString()
            << feed_->history().mid(std::max<qsizetype>(0, feed_->history().size() - 15));
    FeedLine->setToolTip(tip.join(u'\n'));
    // Red text for a fault (the palette, not a style sheet: the tooltip
    // keeps its own colours).
    QPalette palette = FeedSwitch->palette();
    if (feed_->faulty()) palette.setColor(QPalette::WindowText, QColor(0xc0, 0, 0));
    FeedLine->setPalette(palette);
    // As the settings say; the line says in red when the port cannot be had.
    FeedSwitch->setChecked(feed_->wanted());
    if (WSJT1) WSJT1->setChecked(feed_->wanted());
}

namespace {

void tellListenProblem(QWidget* parent, const QString& problem) {
    ShowMsgBox(parent,
               QStringLiteral("WSJT-X・JTDX からのQSOを受け取れません。\r\r") + problem +
                   QStringLiteral("\r\rほかのプログラムがこのポートを使っているときは、"
                                  "「WSJT-X・JTDX 連携の設定」で別のポートにするか、"
                                  "マルチキャスト（例 239.255.0.1）を使ってください。"),
               app::title(), mb::Ok | mb::IconExclamation);
}

}  // namespace

void TZkvmQSL::WSJT1Click() {
    const bool on = !feed_->wanted();
    if (!feed_->setListening(on) && on) tellListenProblem(this, feed_->listenProblem());
    showFeed();
}

void TZkvmQSL::WSJT2Click() {
    QsoFeedDialog dialog(settings_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (!feed_->apply()) tellListenProblem(this, feed_->listenProblem());
    feed_->poll();
    showFeed();
}

void TZkvmQSL::startRangeAfterSettled() {
    int first = Edit1->text().trimmed().toInt();
    const int start = first;
    while (first > 0 && feed_->settled().count(first) > 0)
        ++first;
    if (first == start) return;
    Edit1->setText(QString::number(first));
    state_.firstRecord = first;
    state_.saveRangeStart(settings_);
}

QuietSend TZkvmQSL::sendLoggedQso(int recno, const QsoRecord& qso, bool preview) {
    QuietSend quiet;
    if (state_.busy || recno <= 0) {
        quiet.outcome = QuietSend::Outcome::NotSent;
        quiet.note = QStringLiteral("ほかの処理中のため送信できませんでした");
        return quiet;
    }
    takeControls();
    CommSettings communication;
    communication.load(settings_);
    const ServerAccount account = serverAccountFrom(communication, environment_);
    state_.busy = true;
    quiet = sendIfMember(http_, account, qso.call.trimmed(), [&] {
        SendRequest request =
            sendRequestFrom(state_, environment_, communication, definitionFile_.path());
        request.handedRecord = recno;
        request.confirmEach = preview;
        request.previewHanded = preview;
        request.quietSummary = true;
        return SendBatch(sendBatchParts()).run(request);
    });
    state_.busy = false;
    if (quiet.outcome == QuietSend::Outcome::Sent) state_.activityFlags |= activity::CardSent;
    return quiet;
}
