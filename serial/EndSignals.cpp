#include "EndSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace rallon {

namespace {

int signalPipe[2] = {-1, -1};

// Only a write is safe in a signal handler; the event loop does the rest.
void onSignal(int)
{
    const int saved = errno;
    const char octet = 1;
    if (::write(signalPipe[1], &octet, 1) < 0) {
        // a full pipe already holds an end
    }
    errno = saved;
}

}  // namespace

bool onEndSignals(QObject *context, std::function<void()> end)
{
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        if (::sigaction(signal, &action, nullptr) != 0)
            return false;
    }
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [end = std::move(end)] {
        char octets[64];
        while (::read(signalPipe[0], octets, sizeof octets) > 0) {
        }
        end();
    });
    return true;
}

}  // namespace rallon
