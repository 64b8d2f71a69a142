#pragma once

// What the benchmark measures, and the table and notes it prints.

#include "Clock.h"
#include "ConfigRecord.h"

#include <QString>

#include <vector>

namespace rallon::bench {

constexpr int Retrieves = 100;
constexpr int StartupProbes = 5;
constexpr int ColdChecks = 10;
constexpr int Baud = 4800;
constexpr int BitsPerOctet = 10;  // 8N1
// The record's time on the line: 116 octets, as long as the decoding check idles.
constexpr int RecordLineMs = (frame::RecordLength * 1000 * BitsPerOctet + Baud / 2) / Baud;

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

// The figures beside their targets, the notes; with `samples` also one
// line per retrieve.
void printReport(const Results &r, bool samples);

}  // namespace rallon::bench
