#include "EndSignals.h"

#include <QByteArray>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <initializer_list>

#include <fcntl.h>
#include <unistd.h>

namespace rallon::system {

namespace {

// A pipe per watch: the signals' handler writes to it, the event loop reads.
struct SignalPipe {
    int read = -1;
    int write = -1;
};
SignalPipe endPipe;
SignalPipe userPipe;
// Each watched signal's pipe, by the signal's number.
volatile int writeEnd[NSIG];

// Only a write is safe in a signal handler; the event loop does the rest.
// The octet is the signal's number.
void onSignal(int signal)
{
    const int saved = errno;
    const auto octet = static_cast<unsigned char>(signal);
    if (::write(writeEnd[signal], &octet, 1) < 0) {
        // a full pipe already holds the signal
    }
    errno = saved;
}

// `watched` handled through `pipe` (made the first time): `take` gets the
// numbers of the signals that came, from the event loop on `context`'s
// thread.
bool watch(SignalPipe *pipe, std::initializer_list<int> watched, QObject *context,
           std::function<void(const QByteArray &numbers)> take)
{
    if (pipe->read < 0) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
            return false;
        *pipe = {ends[0], ends[1]};
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : watched) {
        writeEnd[signal] = pipe->write;
        if (::sigaction(signal, &action, nullptr) != 0)
            return false;
    }
    const int from = pipe->read;
    auto *notifier = new QSocketNotifier(from, QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [from, take = std::move(take)] {
        QByteArray numbers;
        char octets[64];
        ssize_t count;
        while ((count = ::read(from, octets, sizeof octets)) > 0)
            numbers.append(octets, qsizetype(count));
        if (!numbers.isEmpty())
            take(numbers);
    });
    return true;
}

}  // namespace

bool onEndSignals(QObject *context, std::function<void(int signal)> end)
{
    return watch(&endPipe, {SIGINT, SIGTERM, SIGHUP}, context, [end = std::move(end)](const QByteArray &numbers) {
        // Signals that came together end once, with the first one's number.
        end(static_cast<unsigned char>(numbers.front()));
    });
}

bool onUserSignal(QObject *context, std::function<void()> call)
{
    return watch(&userPipe, {SIGUSR1}, context, [call = std::move(call)](const QByteArray &numbers) {
        for (qsizetype i = 0; i < numbers.size(); ++i)
            call();
    });
}

}  // namespace rallon::system
