#include "platform/termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace platform {
namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_interrupted = 0;
bool g_stopOnInterrupt = false;

void onInterrupt(int) {
    g_interrupted = 1;
}

// The handler runs once; the default action (ending the program) is back
// for the next Ctrl+C.
void armInterrupt() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
}

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
        // Every event loop ends, a message box's too: quit() would ask the
        // windows first, and an open box refuses.
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &action, nullptr);
}

void stopWorkOnInterrupt() {
    g_stopOnInterrupt = true;
    g_interrupted = 0;
    armInterrupt();
}

bool interruptRequested() {
    return g_interrupted != 0;
}

void clearInterrupt() {
    g_interrupted = 0;
    if (g_stopOnInterrupt) armInterrupt();
}

}  // namespace platform
