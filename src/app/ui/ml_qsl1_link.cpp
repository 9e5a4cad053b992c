// The main window's side of the link with the logging program: its
// window for the logging program's messages, the 1.5-second poll, what the
// link shows (the ZELKOV menu, "共有", the range to the last record), the
// ZELKOV menu's commands and the registration timer.

#include "app/ui/ml_qsl1.h"

#include "app/main_state.h"
#include "archive/card_match.h"
#include "archive/ui/received_list_window.h"
#include "archive/ui/sent_list_window.h"
#include "link/logging_link.h"
#include "link/station_check.h"
#include "logdata/zelkov50.h"
#include "platform/window_link.h"
#include "render/card_viewer.h"
#include "render/ui/view_jpg.h"
#include "server/novq_requests.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <iostream>

void TZkvmQSL::createLink() {
    LinkParts parts;
    parts.programActive = [] { return QApplication::activeWindow() != nullptr; };
    parts.recRead = [this] { return RecRead->isChecked(); };
    parts.setLastRecord = [this](int last) { Edit2->setText(QString::number(last)); };
    parts.showView = [this](const LinkView& view) { showLinkView(view); };
    parts.showCards = [this](const QString& pattern) -> qint64 {
        if (viewer_->ShowCards(pattern, viewer_flag::MaskGiven) <= 0) return 0;
        return static_cast<qint64>(viewer_->winId());
    };
    parts.closeViewer = [this] { viewer_->close(); };
    parts.findReceivedCard = [this](QString& pattern, const LinkQso& qso) {
        return ReceivedCardRecordOfQso(pattern, qso.record(), state_.qsoData,
                                       matchToleranceSeconds(environment_.toleranceMinutes),
                                       environment_.modeComparison(), *link_);
    };
    parts.startRegistrationTimer = [this] {
        QTimer::singleShot(200, this, [this] { Timer2Timer(); });
    };
    parts.folders = [this] { return state_.folders; };
    linkWindow_ = std::make_unique<platform::LinkWindow>(
        QStringLiteral("TZkvmQSL"),
        [this](const platform::LinkMessage& message) { return link_->handleMessage(message); });
    link_ = std::make_unique<LoggingLink>(*linkWindow_, std::move(parts));
    QString error;
    // Another copy of the program (for another program folder) has the
    // logging program's ear; this one works without the link.
    if (!linkWindow_->listen(&error)) std::cerr << "sendvik: " << error.toStdString() << '\n';
    // The poll is held while work runs: it would start a request in the
    // middle of the work's own (the logging program's answer to one taken
    // for the other's).
    connect(Timer1, &QTimer::timeout, this, [this] {
        if (!state_.busy) link_->poll();
    });
    connect(RecRead, &QCheckBox::clicked, this,
            [this](bool checked) { link_->recReadClicked(checked); });
}

void TZkvmQSL::showLinkView(const LinkView& view) {
    ZELKOV1->setEnabled(view.present);
    RecRead->setEnabled(view.present);
    KY1->setVisible(view.sharedShown);
    Edit2->setVisible(!view.rangeToLast);
    Label1->setText(view.rangeToLast ? QStringLiteral("から最終番号") : QStringLiteral("から"));
    if (receivedList_) receivedList_->setLoggingProgramPresent(view.present);
    if (sentList_) sentList_->setLoggingProgramPresent(view.present);
}

void TZkvmQSL::NOVQ1Click() {
    link_->NOVQ1Click(state_.busy);
}

void TZkvmQSL::ZLKV1Click() {
    link_->ZLKV1Click();
}

void TZkvmQSL::showStationCards(int viewKind) {
    link_->showCardsOfStation(viewKind);
}

void TZkvmQSL::Timer2Timer() {
    // Held while other work runs, then carried out: the request it answers
    // stays pending until then.
    if (workRunning()) {
        QTimer::singleShot(200, this, [this] { Timer2Timer(); });
        return;
    }
    const QString call = link_->callBuffer();
    if (link_->pending() == link_pending::RegistrationCheck) {
        state_.busy = true;
        CommSettings communication;
        communication.load(settings_);
        CheckStationAndSend(http_, serverAccountFrom(communication, environment_), call,
                            StationRequest::RegistrationCheck, state_.userList, {});
        state_.busy = false;
        // The person goes on where the check was asked: the window the
        // answer named, else the logging program.
        link_->bringToFront(link_->keptNumber());
    } else {
        sendToOneStation(call, link_->keptNumber(), QString());
    }
    link_->clearPending();
}
