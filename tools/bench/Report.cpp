#include "Report.h"

#include <QGuiApplication>
#include <QList>
#include <QThread>

#include <algorithm>
#include <cstdio>

#ifndef RALLON_BUILD_TYPE
#define RALLON_BUILD_TYPE ""
#endif

namespace rallon::bench {

namespace {

constexpr double OverheadTargetMs = 5;
constexpr double CpuTargetPercent = 2;
constexpr double MemoryTargetMiB = 60;

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

}  // namespace

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

}  // namespace rallon::bench
