#include "app/exchange_requests.h"

#include "app/main_state.h"
#include "mail/mail_account.h"
#include "server/novq_requests.h"
#include "settings/comm_settings.h"
#include "settings/kankyo.h"

SendRequest sendRequestFrom(const MainState& state, const EnvironmentSettings& environment,
                            const CommSettings& communication, const QString& definition) {
    SendRequest request;
    request.card = state.cardInputs(environment, definition);
    request.userList = state.userList;
    request.sentDir = state.folders.sentDir;
    request.mail = mailAccountFrom(communication);
    request.server = serverAccountFrom(communication, environment);
    request.takeEnvironment(environment);
    return request;
}

ReceiveRequest receiveRequestFrom(const MainState& state, const EnvironmentSettings& environment,
                                  const CommSettings& communication, const QString& userEdition) {
    ReceiveRequest request;
    request.mail = mailAccountFrom(communication);
    request.receivedDir = state.folders.receivedDir;
    request.messageDir = state.folders.messageDir;
    request.userEdition = userEdition;
    request.serviceDecides = state.serviceDecides();
    request.receiveAllMail = environment.receiveAllMail;
    request.oldestMonth = environment.deleteOlderThan;
    request.ownCall = communication.call;
    return request;
}
