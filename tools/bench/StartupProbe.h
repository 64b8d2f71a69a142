#pragma once

// The start-up probe: the program up to its splash window, run as a child
// process of the benchmark, which times it from the outside.

#include <QString>

class QApplication;

namespace rallon::bench {

class Waiter;

// The child's option.
inline const QString ProbeOption = QStringLiteral("--probe-startup");

// In the child: starts as main.cpp does, prints when the splash window is
// first exposed and painted, and ends.
int probeStartup(QApplication &app);

// In the parent: one child run, times from just before its start.
struct StartupTimes {
    double exposeMs = 0, paintedMs = 0, peakMiB = 0;
};
bool runStartupProbe(Waiter &waiter, StartupTimes *result);

}  // namespace rallon::bench
