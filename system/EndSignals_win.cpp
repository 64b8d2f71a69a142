#include "EndSignals.h"

#include <QMetaObject>
#include <QMutex>

#include <csignal>

#include <windows.h>

namespace rallon::system {

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

bool onUserSignal(QObject *, std::function<void()>)
{
    return true;
}

}  // namespace rallon::system
