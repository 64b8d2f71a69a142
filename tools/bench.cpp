// rallon-bench: measures the utility against the in-process virtual device,
// paced at 4800 baud on a thread of its own, and prints the figures beside
// their targets. A development tool; it is not installed.
//
//   rallon-bench                   everything, about a minute
//   rallon-bench --samples         also one line per retrieve
//   rallon-bench --probe-startup   start-up only: prints when the splash
//                                  window is first exposed and painted

#include "Artwork.h"
#include "CommPortForm.h"
#include "ConfigRecord.h"
#include "PortMapping.h"
#include "Program.h"
#include "Retrieve.h"
#include "SimDevice.h"
#include "SimLine.h"
#include "SplashForm.h"
#include "Startup.h"
#include "UtilityForm.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#ifndef RALLON_BUILD_TYPE
#define RALLON_BUILD_TYPE ""
#endif

using namespace rallon;

namespace {

constexpr int Retrieves = 100;
constexpr int StartupProbes = 5;
constexpr int IdleMs = 10000;
constexpr int ColdChecks = 10;
constexpr int GapMs = 20;             // between retrieves: the dashes are painted, the line is quiet
constexpr int RetrieveTimeoutMs = 3000;
constexpr int ProbeTimeoutMs = 20000;
constexpr int Baud = 4800;
constexpr int BitsPerOctet = 10;      // 8N1
// The record's time on the line: 116 octets, as long as the decoding check idles.
constexpr int RecordLineMs = (frame::RecordLength * 1000 * BitsPerOctet + Baud / 2) / Baud;
constexpr double OverheadTargetMs = 5;
constexpr double CpuTargetPercent = 2;
constexpr double MemoryTargetMiB = 60;
const QString Model = QStringLiteral("wireless-password");
const QString ProbeOption = QStringLiteral("--probe-startup");
const QString SamplesOption = QStringLiteral("--samples");

// One monotonic clock for every thread and process: CLOCK_MONOTONIC.
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

// User plus system time of the whole process, every thread.
qint64 cpuNs()
{
    const rusage usage = usageNow();
    auto ns = [](const timeval &t) { return qint64(t.tv_sec) * 1000000000 + qint64(t.tv_usec) * 1000; };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

// The first three fields of /proc/loadavg: other work on the machine skews the figures.
QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(file.readLine()).section(QLatin1Char(' '), 0, 2);
}

// A thread of this process: time it has spent on a CPU, and runnable but
// waiting for one (counted when it gets the CPU).
struct ThreadTimes {
    qint64 runNs = 0, waitNs = 0;
};

class ThreadClock
{
public:
    // The calling thread.
    ThreadClock()
    {
        pthread_getcpuclockid(pthread_self(), &m_cpuClock);
        const QByteArray path = "/proc/self/task/" + QByteArray::number(::gettid()) + "/schedstat";
        m_schedstat = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    }
    ~ThreadClock()
    {
        if (m_schedstat >= 0)
            ::close(m_schedstat);
    }
    ThreadClock(const ThreadClock &) = delete;
    ThreadClock &operator=(const ThreadClock &) = delete;

    // Cheap enough to call from another thread at a measured moment.
    ThreadTimes now() const
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

private:
    clockid_t m_cpuClock{};
    int m_schedstat = -1;
};

double peakMiB()
{
    return double(usageNow().ru_maxrss) / 1024;  // ru_maxrss is in KiB
}

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
    bool until(const std::function<bool()> &condition, int timeoutMs)
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

    void poke()
    {
        if (m_loop && m_condition())
            m_loop->quit();
    }

    // Serves events for `ms`.
    static void serve(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }

private:
    QEventLoop *m_loop = nullptr;
    std::function<bool()> m_condition;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Nearest rank: of 100 values, the 99th smallest.
double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t rank = size_t(std::ceil(p / 100 * double(values.size())));
    return values[std::max<size_t>(rank, 1) - 1];
}

// ---------------------------------------------------------------------------
// The device's side: SimDevice and SimLine on their own thread and event loop.

class SimSide
{
public:
    struct Times {
        std::vector<qint64> firstOctet;  // per answer, as its first octet goes to the pty
        std::vector<qint64> lastOctet;   // as the record's last (116th) octet goes to the pty
        std::vector<ThreadTimes> gui;    // the GUI thread's times by then
        int answersDone = 0;             // answers handed to the line completely
    };

    explicit SimSide(std::function<void()> answerDone) : m_answerDone(std::move(answerDone)) {}
    ~SimSide() { stop(); }

    bool start(QString *path, QString *error)
    {
        m_thread.setObjectName(QStringLiteral("rallon-sim"));
        m_thread.start();
        m_anchor = new QObject;
        m_anchor->moveToThread(&m_thread);
        bool opened = false;
        // Built on the thread itself: SimDevice's timers and SimLine's
        // notifiers belong to the thread that creates them.
        QMetaObject::invokeMethod(
            m_anchor,
            [&] {
                m_device = new SimDevice(*simModel(Model));
                m_device->setPaced(true);
                QObject::connect(m_device, &SimDevice::answerSent, m_device,
                                 [this](const QByteArray &bytes) {
                                     m_sent = 0;
                                     m_length = int(bytes.size());
                                 });
                // Connected before the line's own handler, so this runs just
                // before the octets are written to the pty. (Timed after the
                // write, the time would be late whenever the woken reader
                // takes this thread's CPU first.)
                QObject::connect(m_device, &SimDevice::output, m_device,
                                 [this](const QByteArray &bytes) { aboutToWrite(bytes); });
                m_line = new SimLine(m_device);
                opened = m_line->openPty(error);
                *path = m_line->path();
            },
            Qt::BlockingQueuedConnection);
        return opened;
    }

    void stop()
    {
        if (!m_anchor)
            return;
        QMetaObject::invokeMethod(
            m_anchor,
            [this] {
                delete m_line;
                delete m_device;
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
        delete m_anchor;
        m_anchor = nullptr;
    }

    Times times() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_times;
    }
    int answersDone() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_times.answersDone;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_times = Times();
    }

private:
    // On the device's thread.
    void aboutToWrite(const QByteArray &bytes)
    {
        const int before = m_sent;
        m_sent += int(bytes.size());
        const bool last = before < frame::RecordLength && m_sent >= frame::RecordLength;
        const ThreadTimes gui = last ? m_guiThread.now() : ThreadTimes();
        const qint64 at = nowNs();
        bool done = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (before == 0)
                m_times.firstOctet.push_back(at);
            if (last) {
                m_times.lastOctet.push_back(at);
                m_times.gui.push_back(gui);
            }
            if (m_sent >= m_length) {
                ++m_times.answersDone;
                done = true;
            }
        }
        if (done)
            m_answerDone();
    }

    std::function<void()> m_answerDone;
    QThread m_thread;
    QObject *m_anchor = nullptr;
    SimDevice *m_device = nullptr;
    SimLine *m_line = nullptr;
    ThreadClock m_guiThread;  // built on the GUI thread
    int m_sent = 0;    // device thread only
    int m_length = 0;  // device thread only
    mutable std::mutex m_mutex;
    Times m_times;
};

// ---------------------------------------------------------------------------
// The start-up probe, run as a child process.

class SplashWatch : public QObject
{
public:
    void watch(SplashForm *splash) { m_splash = splash; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_splash || m_done)
            return false;
        if (event->type() == QEvent::Paint && watched == m_splash) {
            m_painted = true;
            if (!m_exposeAt)
                return false;
            if (!m_handlingExpose)  // painted later than the expose
                finish(nowNs());
            return false;
        }
        if (event->type() == QEvent::Expose && !m_exposeAt && m_splash->windowHandle()
            && watched == m_splash->windowHandle()) {
            m_exposeAt = nowNs();
            // Handled here and now (the window paints and flushes), then timed.
            m_handlingExpose = true;
            QCoreApplication::sendEvent(watched, event);
            m_handlingExpose = false;
            if (m_painted)
                finish(nowNs());
            return true;
        }
        return false;
    }

private:
    void finish(qint64 paintedAt)
    {
        m_done = true;
        std::printf("expose %lld\npainted %lld\nmaxrss %ld\n", static_cast<long long>(m_exposeAt),
                    static_cast<long long>(paintedAt), usageNow().ru_maxrss);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    }

    SplashForm *m_splash = nullptr;
    qint64 m_exposeAt = 0;
    bool m_handlingExpose = false;
    bool m_painted = false;
    bool m_done = false;
};

// As main.cpp starts the program, with a watch on the splash window.
int probeStartup(QApplication &app)
{
    QApplication::setWindowIcon(artwork::windowIcon());
    Startup startup;
    SplashWatch watch;
    app.installEventFilter(&watch);
    watch.watch(startup.frmSplash1());
    QTimer::singleShot(0, &startup, &Startup::run);
    QTimer::singleShot(ProbeTimeoutMs, &app, [] {
        std::printf("timeout\n");
        std::fflush(stdout);
        QCoreApplication::exit(1);
    });
    return app.exec();
}

// ---------------------------------------------------------------------------
// The table.

struct Row {
    QString figure, measured, target, verdict;
};

QString ms(double value, int decimals)
{
    return QString::number(value, 'f', decimals) + QStringLiteral(" ms");
}

QString percent(double value)
{
    return QString::number(value, 'f', 2) + QStringLiteral(" %");
}

QString mib(double value)
{
    return QString::number(value, 'f', 1) + QStringLiteral(" MiB");
}

// Lower is better.
QString verdict(double measured, double target, const QString &unit)
{
    if (measured < target)
        return QStringLiteral("met");
    return QStringLiteral("MISSED by %1 %2 (%3 %)")
        .arg(QString::number(measured - target, 'f', 2), unit,
             QString::number(100 * (measured - target) / target, 'f', 0));
}

void printTable(const QList<Row> &rows)
{
    const Row heading{QStringLiteral("figure"), QStringLiteral("measured"), QStringLiteral("target"),
                      QStringLiteral("verdict")};
    int widths[3] = {int(heading.figure.size()), int(heading.measured.size()),
                     int(heading.target.size())};
    for (const Row &row : rows) {
        widths[0] = std::max(widths[0], int(row.figure.size()));
        widths[1] = std::max(widths[1], int(row.measured.size()));
        widths[2] = std::max(widths[2], int(row.target.size()));
    }
    auto line = [&](const Row &row) {
        const QString text = row.figure.leftJustified(widths[0]) + QStringLiteral("  ")
                             + row.measured.rightJustified(widths[1]) + QStringLiteral("  ")
                             + row.target.leftJustified(widths[2]) + QStringLiteral("  ") + row.verdict;
        std::printf("%s\n", qPrintable(text.trimmed()));
    };
    line(heading);
    std::printf("%s\n", qPrintable(QString(widths[0] + widths[1] + widths[2] + 6 + 30, QLatin1Char('-'))));
    for (const Row &row : rows)
        line(row);
}

// ---------------------------------------------------------------------------
// The benchmark.

// What the report is made of.
struct Results {
    QString loadBefore;
    std::vector<double> exposeMs, paintedMs;  // per probe
    double probePeakMiB = 0;
    CpuSpan build, splash, idle;
    int splashPaints = 0;
    double peakMiB = 0;
    // Per retrieve, ms.
    std::vector<double> latency, overhead, answer, repaint, guiRan, guiWaited;
    // CPU time of the record's decoding alone, ms: after as long as a
    // retrieve lasts without it, and repeated at once.
    std::vector<double> coldDecode, hotDecode;
};

void printReport(const Results &r, bool samples);

class Bench : public QObject
{
public:
    // Measures, prints the table; with `samples` also one line per retrieve.
    int run(bool samples);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Probe {
        double exposeMs = 0, paintedMs = 0, peakMiB = 0;
    };
    struct Sample {
        qint64 clickAt = 0, filledAt = 0, paintedAt = 0;
        ThreadTimes filledGui;  // the GUI thread's times at the filled window
    };

    bool probe(Probe *result);
    bool retrieve(Sample *sample);
    void checkDecoding(Results *r);
    int measure(Results *results);
    int fail(const QString &text);

    Waiter m_waiter;
    SimSide m_sim{[this] {
        QMetaObject::invokeMethod(this, [this] { m_waiter.poke(); }, Qt::QueuedConnection);
    }};
    RecordDisplay m_expected = displayOf(*simModel(Model));
    QList<Message> m_messages;
    int m_ends = 0;

    // Compared with, never used: the filter may see them as they go.
    QObject *m_splash = nullptr;
    QObject *m_ipBox = nullptr;
    int m_splashPaints = 0;
    CpuSpan m_splashSpan;
    UtilityForm *m_form = nullptr;

    // The retrieve under way.
    qint64 m_filledAt = 0;
    ThreadClock m_guiThread;
    ThreadTimes m_filledGui;
    bool m_filledRight = false;
    bool m_boxPainted = false;
    qint64 m_paintedAt = 0;
    bool m_inUpdate = false;
};

int Bench::fail(const QString &text)
{
    std::fprintf(stderr, "rallon-bench: %s\n", qPrintable(text));
    for (const Message &message : std::as_const(m_messages))
        std::fprintf(stderr, "rallon-bench: message box: %s: %s\n", qPrintable(message.title),
                     qPrintable(displayText(message.text)));
    m_sim.stop();
    return 1;
}

bool Bench::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Hide:
        if (watched == m_splash && !m_splashSpan.ended())
            m_splashSpan.end();
        break;
    case QEvent::Expose:
        m_waiter.poke();
        break;
    case QEvent::Paint:
        if (watched == m_splash)
            ++m_splashPaints;
        if (watched == m_ipBox && m_filledAt)
            m_boxPainted = true;
        break;
    case QEvent::UpdateRequest:
        // The window's repaint: handled here and now, then timed.
        if (m_filledAt && !m_paintedAt && !m_inUpdate) {
            m_inUpdate = true;
            QCoreApplication::sendEvent(watched, event);
            m_inUpdate = false;
            if (m_boxPainted) {
                m_paintedAt = nowNs();
                m_waiter.poke();
            }
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

bool Bench::probe(Probe *result)
{
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments({ProbeOption});
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&process, &QProcess::finished, this, [this] { m_waiter.poke(); });
    QObject::connect(&process, &QProcess::errorOccurred, this, [this] { m_waiter.poke(); });
    const qint64 startAt = nowNs();
    process.start();
    if (!m_waiter.until([&] { return process.state() == QProcess::NotRunning; }, ProbeTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    qint64 exposeAt = 0, paintedAt = 0;
    long peak = 0;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 2)
            continue;
        if (parts[0] == "expose")
            exposeAt = parts[1].toLongLong();
        else if (parts[0] == "painted")
            paintedAt = parts[1].toLongLong();
        else if (parts[0] == "maxrss")
            peak = parts[1].toLong();
    }
    if (process.exitCode() != 0 || !exposeAt || !paintedAt)
        return false;
    result->exposeMs = double(exposeAt - startAt) / 1e6;
    result->paintedMs = double(paintedAt - startAt) / 1e6;
    result->peakMiB = double(peak) / 1024;
    return true;
}

bool Bench::retrieve(Sample *sample)
{
    m_form->resetCurrentData();
    Waiter::serve(GapMs);
    m_filledAt = 0;
    m_filledRight = false;
    m_boxPainted = false;
    m_paintedAt = 0;
    const int answers = m_sim.answersDone();

    sample->clickAt = nowNs();
    QTest::mouseClick(m_form->GetCurrentDataCommand, Qt::LeftButton);
    const bool done = m_waiter.until(
        [&] { return m_filledAt && m_paintedAt && m_sim.answersDone() > answers; }, RetrieveTimeoutMs);
    sample->filledAt = m_filledAt;
    sample->paintedAt = m_paintedAt;
    sample->filledGui = m_filledGui;
    return done && m_filledRight && m_messages.isEmpty();
}

// How much slower the same code runs when it has not run for a while.
void Bench::checkDecoding(Results *r)
{
    const QByteArray record = encodeRecord(*simModel(Model));
    auto decodeMs = [&] {
        const qint64 before = m_guiThread.now().runNs;
        const bool decoded = displayOf(*decodeRecord(record)).current[Setting::Ip] == m_expected.current[Setting::Ip];
        return decoded ? double(m_guiThread.now().runNs - before) / 1e6 : -1;
    };
    for (int i = 0; i < ColdChecks; ++i) {
        Waiter::serve(RecordLineMs);
        r->coldDecode.push_back(decodeMs());
        r->hotDecode.push_back(decodeMs());
    }
}

int Bench::measure(Results *r)
{
    setMessageHook([this](const Message &message) {
        m_messages.append(message);
        m_waiter.poke();
    });
    setEndProgramHook([this] {
        ++m_ends;
        m_waiter.poke();
    });
    r->loadBefore = loadAverage();

    // (d) Start-up to the splash window, in child processes.
    for (int i = 0; i < StartupProbes; ++i) {
        Probe result;
        if (!probe(&result))
            return fail(QStringLiteral("the start-up probe failed"));
        r->exposeMs.push_back(result.exposeMs);
        r->paintedMs.push_back(result.paintedMs);
        r->probePeakMiB = std::max(r->probePeakMiB, result.peakMiB);
    }

    // (b) The real start sequence with the shipped splash time.
    r->build.begin();
    QApplication::setWindowIcon(artwork::windowIcon());
    Startup startup;
    r->build.end();
    m_splash = startup.frmSplash1();
    m_splash->installEventFilter(this);
    m_splashSpan.begin();
    startup.run();
    if (!m_splashSpan.ended())
        m_splashSpan.end();
    r->splash = m_splashSpan;
    r->splashPaints = m_splashPaints;

    QString path, error;
    if (!m_sim.start(&path, &error))
        return fail(QStringLiteral("cannot open a pseudo-terminal: ") + error);
    setPortMapping([path](int) { return path; });
    startup.frmCOMMPORT()->txtCOMMPORT_NO->setText(QStringLiteral("1"));
    QTest::mouseClick(startup.frmCOMMPORT()->btnCOMMPORTDONE, Qt::LeftButton);
    m_form = startup.mainWindow();
    if (!m_form || m_ends || !m_messages.isEmpty())
        return fail(QStringLiteral("the main window did not open on ") + path);

    // After the window's own handler: the Current Data column is filled by now.
    QObject::connect(&m_form->session(), &SerialSession::recordReceived, this, [this] {
        m_filledAt = nowNs();
        m_filledGui = m_guiThread.now();
        m_filledRight = m_form->CurrentIPAddressTextBox->text() == m_expected.current[Setting::Ip]
                        && m_form->txtSN->text() == m_expected.serialNumber;
        m_waiter.poke();
    });
    m_ipBox = m_form->CurrentIPAddressTextBox;
    m_ipBox->installEventFilter(this);
    m_form->installEventFilter(this);
    QWindow *window = m_form->windowHandle();
    if (!window)
        return fail(QStringLiteral("the main window has no native window"));
    window->installEventFilter(this);
    if (!m_waiter.until([&] { return window->isExposed(); }, 5000))
        return fail(QStringLiteral("the main window was never exposed"));

    // (b) Idle after a retrieve.
    Sample first;
    if (!retrieve(&first))
        return fail(QStringLiteral("the first retrieve failed"));
    r->idle.begin();
    Waiter::serve(IdleMs);
    r->idle.end();
    checkDecoding(r);

    // (a) Retrieves, (c) memory after them.
    m_sim.clear();
    std::vector<Sample> samples(Retrieves);
    for (int i = 0; i < Retrieves; ++i) {
        if (!retrieve(&samples[size_t(i)]))
            return fail(QStringLiteral("retrieve %1 of %2 failed").arg(i + 1).arg(Retrieves));
    }
    r->peakMiB = peakMiB();
    const SimSide::Times times = m_sim.times();
    m_sim.stop();
    if (times.lastOctet.size() != samples.size() || times.firstOctet.size() != samples.size())
        return fail(QStringLiteral("the device sent %1 answers for %2 retrieves")
                        .arg(times.lastOctet.size())
                        .arg(samples.size()));
    for (size_t i = 0; i < samples.size(); ++i) {
        const Sample &sample = samples[i];
        r->latency.push_back(double(sample.filledAt - sample.clickAt) / 1e6);
        r->overhead.push_back(double(sample.filledAt - times.lastOctet[i]) / 1e6);
        r->answer.push_back(double(times.lastOctet[i] - times.firstOctet[i]) / 1e6);
        r->repaint.push_back(double(sample.paintedAt - sample.filledAt) / 1e6);
        r->guiRan.push_back(double(sample.filledGui.runNs - times.gui[i].runNs) / 1e6);
        r->guiWaited.push_back(double(sample.filledGui.waitNs - times.gui[i].waitNs) / 1e6);
    }
    return 0;
}

int Bench::run(bool samples)
{
    Results results;
    const int code = measure(&results);
    if (code == 0)
        printReport(results, samples);
    return code;
}

void printReport(const Results &r, bool samples)
{
    const double lineMs = 1000.0 * (frame::RequestLength + frame::RecordLength) * BitsPerOctet / Baud;
    const double overheadP99 = percentile(r.overhead, 99);
    const auto [overheadMin, overheadMax] = std::minmax_element(r.overhead.begin(), r.overhead.end());
    const auto [paintedMin, paintedMax] = std::minmax_element(r.paintedMs.begin(), r.paintedMs.end());
    // The utility's own part: without the time another process held the CPU.
    std::vector<double> ownOverhead;
    for (size_t i = 0; i < r.overhead.size(); ++i)
        ownOverhead.push_back(std::max(0.0, r.overhead[i] - r.guiWaited[i]));
    std::vector<size_t> order(r.overhead.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return r.overhead[a] > r.overhead[b]; });
    QString worst;
    for (size_t i = 0; i < 3 && i < order.size(); ++i)
        worst += QStringLiteral("    %1 ms: ran %2, waited %3\n")
                     .arg(r.overhead[order[i]], 0, 'f', 3)
                     .arg(r.guiRan[order[i]], 0, 'f', 3)
                     .arg(r.guiWaited[order[i]], 0, 'f', 3);
    const QString none = QStringLiteral("-");
    const QString info = QStringLiteral("(for reference)");
    const QString cpuTarget = QStringLiteral("< 2 % of a core");

    std::printf("rallon-bench: platform %s, Qt %s, %s build, %d CPUs, load average %s at the start, "
                "%s at the end\n\n",
                qPrintable(QGuiApplication::platformName()), qVersion(), RALLON_BUILD_TYPE,
                QThread::idealThreadCount(), qPrintable(r.loadBefore), qPrintable(loadAverage()));
    printTable({
        {QStringLiteral("(a) line time, 113 + 116 octets at 4800 8N1"), ms(lineMs, 1), none, info},
        {QStringLiteral("(a) click -> record in window, median"), ms(median(r.latency), 1), none, info},
        {QStringLiteral("(a) click -> record in window, p99"), ms(percentile(r.latency, 99), 1), none,
         info},
        {QStringLiteral("(a) device: 1st -> 116th octet to the pty, median"), ms(median(r.answer), 1),
         none, info},
        {QStringLiteral("(a) overhead: last octet -> window filled, median"), ms(median(r.overhead), 3),
         none, info},
        {QStringLiteral("(a) overhead: last octet -> window filled, p99"), ms(overheadP99, 3),
         QStringLiteral("< 5 ms"), verdict(overheadP99, OverheadTargetMs, QStringLiteral("ms"))},
        {QStringLiteral("(a) overhead: last octet -> window filled, max"), ms(*overheadMax, 3), none,
         info},
        {QStringLiteral("(a) overhead less GUI thread's wait for a CPU, p99"), ms(percentile(ownOverhead, 99), 3),
         none, info},
        {QStringLiteral("(a) record decoding alone, after %1 ms idle, median").arg(RecordLineMs),
         ms(median(r.coldDecode), 3), none, info},
        {QStringLiteral("(a) record decoding alone, repeated at once, median"), ms(median(r.hotDecode), 3),
         none, info},
        {QStringLiteral("(a) window filled -> repainted, median"), ms(median(r.repaint), 3), none, info},
        {QStringLiteral("(a) window filled -> repainted, p99"), ms(percentile(r.repaint, 99), 3), none,
         info},
        {QStringLiteral("(b) CPU during the %1 s splash").arg(r.splash.seconds(), 0, 'f', 2),
         percent(r.splash.percent()), cpuTarget,
         verdict(r.splash.percent(), CpuTargetPercent, QStringLiteral("points"))},
        {QStringLiteral("(b) CPU, main window idle %1 s after a retrieve").arg(r.idle.seconds(), 0, 'f', 2),
         percent(r.idle.percent()), cpuTarget,
         verdict(r.idle.percent(), CpuTargetPercent, QStringLiteral("points"))},
        {QStringLiteral("(c) peak memory after %1 retrieves (ru_maxrss)").arg(Retrieves), mib(r.peakMiB),
         QStringLiteral("< 60 MiB"), verdict(r.peakMiB, MemoryTargetMiB, QStringLiteral("MiB"))},
        {QStringLiteral("(c) peak memory of the start-up probe"), mib(r.probePeakMiB), none, info},
        {QStringLiteral("(d) process start -> splash exposed, median of %1").arg(StartupProbes),
         ms(median(r.exposeMs), 1), none, info},
        {QStringLiteral("(d) process start -> splash painted, median of %1").arg(StartupProbes),
         ms(median(r.paintedMs), 1), none, info},
    });
    std::printf(
        "\nNotes:\n"
        "- The virtual line paces only the device's answer (116 octets and CR, 2.083 ms each);\n"
        "  the request reaches the device at pseudo-terminal speed, so click -> window is about\n"
        "  half the line time.\n"
        "- Overhead: from just before the record's last octet is written to the pseudo-terminal\n"
        "  (device thread) to the return of the window's record handler (GUI thread), one\n"
        "  clock; min %.3f ms. Of it, the GUI thread ran on a CPU for a median %.3f ms\n"
        "  (max %.3f) and waited runnable for one %.3f ms (max %.3f); the rest it slept.\n"
        "  Time waited is counted when the thread gets the CPU. The worst three:\n%s"
        "- Record decoding alone: decodeRecord + displayOf on the GUI thread, its CPU\n"
        "  time after an idle event loop as long as the record's line time, then at once\n"
        "  again (%d times each): how much slower code runs here when it has gone cold.\n"
        "- CPU is user + system time of the whole process over the span (getrusage); a display\n"
        "  server's own time is not counted. The splash span includes the first show and %d\n"
        "  paint(s) of the splash, %.1f ms CPU in all; building the windows before it took\n"
        "  %.1f ms CPU. Idle used %.1f ms CPU.\n"
        "- Peak memory includes the in-process virtual device, its thread and QtTest, which the\n"
        "  utility alone does not have. The start-up probe is the program up to the splash.\n"
        "- Start-up: from just before QProcess::start to the splash window's first expose, and\n"
        "  to the end of its first paint (min %.1f, max %.1f ms).\n",
        *overheadMin, median(r.guiRan), *std::max_element(r.guiRan.begin(), r.guiRan.end()),
        median(r.guiWaited), *std::max_element(r.guiWaited.begin(), r.guiWaited.end()),
        qPrintable(worst), ColdChecks, r.splashPaints, r.splash.cpuMs(), r.build.cpuMs(), r.idle.cpuMs(),
        *paintedMin, *paintedMax);
    if (samples) {
        std::printf("\nretrieve  click->window  overhead  GUI ran  GUI waited  repaint  (ms)\n");
        for (size_t i = 0; i < r.overhead.size(); ++i)
            std::printf("%8zu  %12.3f  %8.3f  %7.3f  %10.3f  %7.3f\n", i + 1, r.latency[i], r.overhead[i],
                        r.guiRan[i], r.guiWaited[i], r.repaint[i]);
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.contains(ProbeOption))
        return probeStartup(app);
    Bench bench;
    int code = 1;
    // Inside the event loop, as the program starts.
    QTimer::singleShot(0, &app, [&] {
        code = bench.run(args.contains(SamplesOption));
        QCoreApplication::exit(code);
    });
    app.exec();
    return code;
}
