#include "Clock.h"

#include <QByteArray>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace rallon::bench {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

rusage usageNow()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage;
}

qint64 cpuNs()
{
    const rusage usage = usageNow();
    auto ns = [](const timeval &t) { return qint64(t.tv_sec) * 1000000000 + qint64(t.tv_usec) * 1000; };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(file.readLine()).section(QLatin1Char(' '), 0, 2);
}

double peakMiB()
{
    return double(usageNow().ru_maxrss) / 1024;  // ru_maxrss is in KiB
}

ThreadClock::ThreadClock()
{
    pthread_getcpuclockid(pthread_self(), &m_cpuClock);
    const QByteArray path = "/proc/self/task/" + QByteArray::number(::gettid()) + "/schedstat";
    m_schedstat = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
}

ThreadClock::~ThreadClock()
{
    if (m_schedstat >= 0)
        ::close(m_schedstat);
}

ThreadTimes ThreadClock::now() const
{
    ThreadTimes times;
    timespec cpu{};
    if (clock_gettime(m_cpuClock, &cpu) == 0)
        times.runNs = qint64(cpu.tv_sec) * 1000000000 + cpu.tv_nsec;
    char text[96] = {};
    if (m_schedstat >= 0 && ::pread(m_schedstat, text, sizeof text - 1, 0) > 0)
        times.waitNs = QByteArray(text).split(' ').value(1).toLongLong();  // run, wait, slices
    return times;
}

bool Waiter::until(const std::function<bool()> &condition, int timeoutMs)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    m_loop = &loop;
    m_condition = condition;
    loop.exec();
    m_loop = nullptr;
    m_condition = nullptr;
    return condition();
}

void Waiter::poke()
{
    if (m_loop && m_condition())
        m_loop->quit();
}

void Waiter::serve(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t rank = size_t(std::ceil(p / 100 * double(values.size())));
    return values[std::max<size_t>(rank, 1) - 1];
}

}  // namespace rallon::bench
