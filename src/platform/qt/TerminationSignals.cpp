#include "platform/qt/TerminationSignals.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <cerrno>
#include <pthread.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace wirbelix {

namespace {

int g_signalPair[2] = {-1, -1};

void OnSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    // Async-signal-safe; a full socket already holds a pending close, so a lost byte is fine.
    [[maybe_unused]] const ssize_t n = ::write(g_signalPair[0], &byte, 1);
    errno = saved;
}

}  // namespace

bool CatchTerminationSignals() {
    if (g_signalPair[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPair) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigset_t mask;
    sigemptyset(&mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        if (::sigaction(signal, &action, nullptr) != 0) return false;
        sigaddset(&mask, signal);
    }
    // A starter may hand the program a mask that blocks them; the window thread takes them.
    return ::pthread_sigmask(SIG_UNBLOCK, &mask, nullptr) == 0;
}

void CloseOnTerminationSignals(QWidget* window) {
    if (g_signalPair[1] < 0) return;
    auto* notifier = new QSocketNotifier(g_signalPair[1], QSocketNotifier::Read, window);
    QPointer<QWidget> target(window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [target] {
        char bytes[16];
        while (::read(g_signalPair[1], bytes, sizeof bytes) > 0) {
        }
        if (target) target->close();
    });
}

}  // namespace wirbelix
