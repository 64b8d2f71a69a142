#pragma once

// Clocks, CPU and memory use, waiting on the event loop, and the statistics
// the report is made of.

#include <QString>
#include <QtGlobal>

#include <functional>
#include <vector>

#include <sys/resource.h>
#include <time.h>

class QEventLoop;

namespace rallon::bench {

// One monotonic clock for every thread and process: CLOCK_MONOTONIC.
qint64 nowNs();

rusage usageNow();

// User plus system time of the whole process, every thread.
qint64 cpuNs();

// The first three fields of /proc/loadavg: other work on the machine skews the figures.
QString loadAverage();

double peakMiB();

// A thread of this process: time it has spent on a CPU, and runnable but
// waiting for one (counted when it gets the CPU).
struct ThreadTimes {
    qint64 runNs = 0, waitNs = 0;
};

class ThreadClock
{
public:
    // The calling thread.
    ThreadClock();
    ~ThreadClock();
    ThreadClock(const ThreadClock &) = delete;
    ThreadClock &operator=(const ThreadClock &) = delete;

    // Cheap enough to call from another thread at a measured moment.
    ThreadTimes now() const;

private:
    clockid_t m_cpuClock{};
    int m_schedstat = -1;
};

// CPU time over a stretch of wall time.
struct CpuSpan {
    qint64 wall0 = 0, cpu0 = 0, wall1 = 0, cpu1 = 0;

    void begin()
    {
        wall0 = nowNs();
        cpu0 = cpuNs();
    }
    void end()
    {
        cpu1 = cpuNs();
        wall1 = nowNs();
    }
    bool ended() const { return wall1 != 0; }
    double seconds() const { return double(wall1 - wall0) / 1e9; }
    double cpuMs() const { return double(cpu1 - cpu0) / 1e6; }
    double percent() const { return 100.0 * double(cpu1 - cpu0) / double(wall1 - wall0); }
};

// Serves events in a local loop until a condition holds. Whatever may make
// it hold calls poke(); nothing polls.
class Waiter
{
public:
    bool until(const std::function<bool()> &condition, int timeoutMs);
    void poke();

    // Serves events for `ms`.
    static void serve(int ms);

private:
    QEventLoop *m_loop = nullptr;
    std::function<bool()> m_condition;
};

double median(std::vector<double> values);

// Nearest rank: of 100 values, the 99th smallest.
double percentile(std::vector<double> values, double p);

}  // namespace rallon::bench
