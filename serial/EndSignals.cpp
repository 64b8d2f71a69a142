#include "EndSignals.h"

#include <csignal>

#ifdef Q_OS_WIN

#include <QMetaObject>
#include <QMutex>

#include <windows.h>

namespace rallon {

namespace {

// What the console's handler needs: where the end goes and what it runs.
// The lock keeps the context from going while an end is handed to it.
QMutex endLock;
QObject *endContext = nullptr;
std::function<void(int signal)> endCall;

// Runs on a thread of the console's: hands the end to the event loop. Ctrl+C
// is SIGINT; Ctrl+Break, closing the console, logging off and shutting down
// are SIGTERM.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    const int signal = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
    {
        const QMutexLocker locker(&endLock);
        if (!endContext)
            return FALSE;
        QMetaObject::invokeMethod(endContext, [signal] { endCall(signal); }, Qt::QueuedConnection);
    }
    // After a close, log-off or shut-down the system ends the process as
    // soon as this returns: this waits for the program to end by itself,
    // its port closed, within the few seconds the system allows.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        ::Sleep(INFINITE);
    return TRUE;
}

}  // namespace

bool onEndSignals(QObject *context, std::function<void(int signal)> end)
{
    {
        const QMutexLocker locker(&endLock);
        endContext = context;
        endCall = std::move(end);
    }
    QObject::connect(context, &QObject::destroyed, [context] {
        const QMutexLocker locker(&endLock);
        if (endContext == context)
            endContext = nullptr;
    });
    return ::SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

}  // namespace rallon

#else

#include <QSocketNotifier>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace rallon {

namespace {

int signalPipe[2] = {-1, -1};

// Only a write is safe in a signal handler; the event loop does the rest.
// The octet is the signal's number.
void onSignal(int signal)
{
    const int saved = errno;
    const auto octet = static_cast<unsigned char>(signal);
    if (::write(signalPipe[1], &octet, 1) < 0) {
        // a full pipe already holds an end
    }
    errno = saved;
}

}  // namespace

bool onEndSignals(QObject *context, std::function<void(int signal)> end)
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
        // Signals that came together end once, with the first one's number.
        unsigned char octets[64];
        int first = 0;
        while (::read(signalPipe[0], octets, sizeof octets) > 0) {
            if (first == 0)
                first = octets[0];
        }
        if (first != 0)
            end(first);
    });
    return true;
}

}  // namespace rallon

#endif
