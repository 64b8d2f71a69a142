#pragma once

// rallon-cli provision: a bench loop that configures one device after
// another on one port, each with the template's settings and its own
// values, and records each in the ledger.

#include "Document.h"
#include "Inventory.h"
#include "IpRange.h"

#include <QString>

#include <optional>

namespace rallon::cli {

// What the command line asks of one provision run.
struct BenchLoopOptions {
    QString port;
    document::Wanted common;       // the template
    provision::Inventory inventory;
    std::optional<provision::IpRange> range;
    QString ledger;
    int count = 0;                 // devices done before the end; 0: no end
    int timeoutMs = 0;
    bool dryRun = false;
};

// Runs until `count` devices are done, an end signal, a lost port or a
// ledger that cannot be written; prints the summary. The exit status.
int runBenchLoop(const BenchLoopOptions &options);

}  // namespace rallon::cli
