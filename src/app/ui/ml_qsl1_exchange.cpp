// The main window's send and receive buttons: the batch and the run with the
// window's progress bar, status bar, preview and questions.

#include "app/ui/ml_qsl1.h"

#include "app/exchange_requests.h"
#include "app/main_state.h"
#include "core/msg_box.h"
#include "core/shell_open.h"
#include "core/ui/gui_progress_port.h"
#include "core/ui/wait_cursor.h"
#include "core/window_state.h"
#include "exchange/receive_run.h"
#include "exchange/send_batch.h"
#include "link/logging_link.h"
#include "link/qso_feed.h"
#include "render/card_viewer.h"
#include "render/ui/preview_decisions.h"
#include "render/ui/view_jpg.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"
#include "settings/program_files.h"
#include "settings/qsl_rig.h"
#include "settings/ui/rig_ant_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// The long operation's marks on the window, undone however it ends.
class LongRun {
public:
    LongRun(MainState& state, QPushButton* quit) : state_(state), quit_(quit) {
        state_.busy = true;
        quit_->setVisible(false);
    }
    ~LongRun() {
        quit_->setVisible(true);
        state_.busy = false;
    }
    LongRun(const LongRun&) = delete;
    LongRun& operator=(const LongRun&) = delete;

private:
    MainState& state_;
    QPushButton* quit_;
    WaitCursor hourglass_;
};

}  // namespace

// "QSL送信": the cards of the range Edit1..Edit2.
void TZkvmQSL::Speed1Click() {
    // Pressed again while its batch runs: the batch stops before the next
    // card (a card on its way is stopped too).
    if (state_.busy) {
        if (sending_) progress_->requestAbort();
        return;
    }
    postShowChecks(true);  // as at start: they may warn or open the settings
    takeControls();
    CommSettings communication;
    communication.load(settings_);

    SendRequest request =
        sendRequestFrom(state_, environment_, communication, definitionFile_.path());
    request.confirmEach = state_.options.confirmSend;
    request.first = Edit1->text().trimmed().toInt();
    request.last = Edit2->text().trimmed().toInt();
    // The QSOs whose cards went out by themselves (or that were only to be
    // logged) as WSJT-X or JTDX logged them.
    for (const int recno : feed_->settled())
        request.leaveOut << recno;

    SendResult result;
    {
        const LongRun running(state_, BitBtn1);
        SendBatchParts parts = sendBatchParts();
        parts.advanced = [this](int nextFirst) {
            Edit1->setText(QString::number(nextFirst));
            state_.firstRecord = nextFirst;
            state_.saveRangeStart(settings_);
        };
        sending_ = true;
        const QString caption = Speed1->text();
        Speed1->setText(QStringLiteral("中 断"));
        result = SendBatch(parts).run(request);
        Speed1->setText(caption);
        sending_ = false;
    }
    if (result.first) Edit1->setText(QString::number(*result.first));
    if (result.last) Edit2->setText(QString::number(*result.last));
    if (result.end == SendResult::End::NothingToSend)
        feed_->batchCovered(request.last);
    else if (result.end == SendResult::End::Sent)
        feed_->batchCovered(result.first ? *result.first - 1 : request.last);
    if (result.end == SendResult::End::Sent || result.end == SendResult::End::NothingToSend)
        startRangeAfterSettled();
    if (result.memo) Memo1->setPlainText(*result.memo);
    if (result.noMemoInMail) environment_.noMemoInMail = true;
    USR1->setChecked(result.userListChecked || !state_.userEdition.isEmpty());
    if (result.cardsSent) state_.activityFlags |= activity::CardSent;
    if (result.focus == SendResult::Focus::Memo) Memo1->setFocus();
    if (result.focus == SendResult::Focus::FirstRecord) Edit1->setFocus();
}

SendBatchParts TZkvmQSL::sendBatchParts() {
    SendBatchParts parts{*progress_, *decisions_, *link_, http_, definition_};
    if (environment_.confirmRig)
        parts.chooseRig = [this](const QsoRecord& qso) {
            return chooseRigLine(places_, state_.rigAntPath, state_.programDir,
                                 rigChooserSummary(qso), rigRow_, this);
        };
    return parts;
}

// "QSL受信": the mailbox; while a long operation runs, the same button stops it.
void TZkvmQSL::Speed5Click() {
    if (state_.busy) {
        progress_->requestAbort();
        return;
    }
    CommSettings communication;
    communication.load(settings_);
    const ReceiveRequest request =
        receiveRequestFrom(state_, environment_, communication, state_.userEdition);

    ReceiveResult result;
    {
        const LongRun running(state_, BitBtn1);
        Speed5->setText(QStringLiteral("中 断"));
        result = ReceiveRun(*progress_).run(request);
        Speed5->setText(QStringLiteral("QSL受信"));
    }
    if (result.end == ReceiveResult::End::NoUserList) {
        close();
        return;
    }
    if (result.cards > 0) state_.activityFlags |= activity::CardReceived;
    if (!result.lastOtherText.isEmpty()) ShellOpen(result.lastOtherText);
    if (result.cards > 0 && environment_.showAfterReceive) {
        // Newest first, then the viewer's own order again.
        const int order = viewer_->sortMode();
        Speed8Click(true);
        if (order != viewer_sort::FileTime) viewer_->setSortModeQuietly(order);
    }
}
