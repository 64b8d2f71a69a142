#pragma once

// A bench run: one device after another on one port, each configured with
// the template's settings and its own values and recorded in the ledger.
// What it does it tells to a BenchEvents; it prints nothing.

#include "Document.h"
#include "Inventory.h"
#include "IpRange.h"

#include <QString>

#include <optional>

namespace rallon::batch {

class BenchEvents;
class Stop;

// What one run is asked to do.
struct BenchLoopOptions {
    QString port;                  // a port number 1..25 or a device path
    document::Wanted common;       // the template
    provision::Inventory inventory;
    std::optional<provision::IpRange> range;
    QString ledger;                // a CSV file's path, or a PostgreSQL URI
    QString pool = QStringLiteral("default");  // the pool on the server
    int count = 0;                 // devices done before the end; 0: no end
    int timeoutMs = 0;
    bool dryRun = false;
};

// Runs until `count` devices are done, `stop` is asked for, a port that
// cannot be opened at the start, an upload's lost port, or a ledger that
// cannot be written; tells the summary. Its waits run the event loop. The
// stop is looked at between steps, never between a change sent and its
// ledger line. Returns a Status, or the stop's.
int runBenchLoop(const BenchLoopOptions &options, BenchEvents &events, const Stop &stop);

}  // namespace rallon::batch
