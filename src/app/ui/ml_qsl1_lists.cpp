// The main window's card lists: the received-card list ("照合"), the
// sent-card list ("送信済QSL"), the viewer's commands that open them, and
// the card to one station alone that both lists start.

#include "app/ui/ml_qsl1.h"

#include "app/exchange_requests.h"
#include "app/main_state.h"
#include "archive/ui/backup_dialog.h"
#include "archive/ui/confirm_window.h"
#include "archive/ui/received_list_window.h"
#include "archive/ui/sent_list_window.h"
#include "core/ui/gui_progress_port.h"
#include "core/ui/wait_cursor.h"
#include "exchange/send_batch.h"
#include "link/logging_link.h"
#include "link/station_check.h"
#include "render/card_viewer.h"
#include "render/ui/preview_decisions.h"
#include "render/ui/view_jpg.h"
#include "server/novq_requests.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"
#include "settings/program_files.h"
#include "settings/ui/rig_ant_dialog.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>

CardListParts TZkvmQSL::cardListParts() {
    return {places_,
            environment_,
            state_.folders,
            state_.qsoData,
            *link_,
            *progress_,
            [this](const QString& pathOrMask, bool) {
                viewer_->ShowCards(pathOrMask, viewer_flag::MaskGiven);
            },
            [this](const QString& call, int recno) { sendToOneStation(call, recno, QString()); }};
}

TShForm2& TZkvmQSL::sentList() {
    if (!sentList_)
        sentList_ = new TShForm2(
            cardListParts(),
            [this](const QString& call, const QString& file, int recno) {
                sendToOneStation(call, recno, file);
            },
            [this](const QString& receivedName) {
                if (!receivedList_->isVisible()) SN2Click();
                if (receivedList_->isVisible()) receivedList_->LocateReceivedCard(receivedName);
            },
            this);
    return *sentList_;
}

void TZkvmQSL::showCardsOrClose(const QString& mask) {
    if (mask.isEmpty())
        viewer_->close();
    else
        viewer_->ShowCards(mask, viewer_flag::MaskGiven);
}

void TZkvmQSL::CNF3Click() {
    TForm5 tally({settings_, places_, environment_, state_.folders, state_.qsoData, state_.ownCall,
                  *link_, [this](const QString& path) { showCardsOrClose(path); }},
                 this);
    tally.exec();
}

void TZkvmQSL::QSLB1Click() {
    TForm2 backup(settings_, paths_.settingsFile(), state_.folders, this);
    backup.exec();
}

// "照合": the received cards against the log the logging program uses.
void TZkvmQSL::SN2Click() {
    receivedList_->BuildReceivedList(link_->lastRecordNumber());
}

// "送信済QSL": the sent cards, the minute as logged.
void TZkvmQSL::QSL3Click() {
    sentList().BuildSentList(state_.folders.sentDir, link_->lastRecordNumber(), 0);
}

void TZkvmQSL::locateShownCard(bool edit) {
    const QString name = QFileInfo(viewer_->shownPath()).fileName().toUpper();
    if (name.isEmpty()) return;
    if (!receivedList_->isVisible()) SN2Click();
    if (!receivedList_->isVisible()) return;
    // The name without its extension, ending with the period.
    if (receivedList_->LocateReceivedCard(name.left(name.size() - 3)) && edit) {
        receivedList_->ZKWin1Click();
        viewer_->activateWindow();
    }
}

void TZkvmQSL::locateShownSentCard() {
    const QString name = QFileInfo(viewer_->shownPath()).fileName().toUpper();
    if (name.isEmpty()) return;
    sentList().BuildSentList(state_.folders.sentDir, link_->lastRecordNumber(),
                             environment_.toleranceMinutes);
    if (sentList_->isVisible()) sentList_->LocateSentCard(name);
}

void TZkvmQSL::sendToOneStation(const QString& call, int recno, const QString& resendFile) {
    if (state_.busy || recno <= 0 || call.isEmpty()) return;
    takeControls();
    CommSettings communication;
    communication.load(settings_);
    const ServerAccount account = serverAccountFrom(communication, environment_);
    std::optional<SendResult> result;
    {
        state_.busy = true;
        WaitCursor hourglass;
        result =
            CheckStationAndSend(http_, account, call, StationRequest::Send, state_.userList, [&] {
                hourglass.lift();  // the batch shows its own questions
                SendRequest request =
                    sendRequestFrom(state_, environment_, communication, definitionFile_.path());
                request.confirmEach = true;  // Check2 for this one card
                request.handedRecord = recno;
                request.resendFile = resendFile;
                const SendResult sent = SendBatch(sendBatchParts()).run(request);
                hourglass.resume();
                return sent;
            });
        state_.busy = false;
    }
    if (result && result->cardsSent) state_.activityFlags |= activity::CardSent;
}
