#include "platform/termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace platform {
namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &c, 1);
}

}  // namespace

void quitOnTerminationSignals(QObject* parent) {
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [] {
        char c = 0;
        [[maybe_unused]] const ssize_t n = ::read(g_pipe[0], &c, 1);
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &action, nullptr);
}

}  // namespace platform
