#pragma once

// SIGINT, SIGTERM and SIGHUP turned into an ordinary end on the event loop,
// so that a program holding a serial port closes it (and QSerialPort removes
// its lock file) instead of dying with the lock left behind. On Windows the
// console's events stand in: Ctrl+C as SIGINT, the others as SIGTERM.

#include <QObject>

#include <functional>

namespace rallon::system {

// From now on each of the three signals runs `end` with the signal's number
// on `context`'s thread, from the event loop, for as long as `context` lives.
// False when the handlers cannot be installed.
bool onEndSignals(QObject *context, std::function<void(int signal)> end);

// SIGUSR1 runs `call`, once for each time it came, as above (the virtual
// device unplugs its device). Windows has no such signal: nothing is
// installed, and that is no failure.
bool onUserSignal(QObject *context, std::function<void()> call);

}  // namespace rallon::system
