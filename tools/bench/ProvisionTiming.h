#pragma once

// Time per device of `rallon-cli provision` at a bench of virtual devices
// (rallon-sim --batch, paced both ways), against the line time of its two
// exchanges.

#include <QString>

namespace rallon::bench {

inline const QString ProvisionOption = QStringLiteral("--provision");

// Runs the programs, prints one line per device and the verdict. With
// `tracePath`, rallon-cli's --trace goes to that file; with `serverUri`, the
// ledger is a new pool on that PostgreSQL server. 0 when every device was
// done and its ledger line was on the disk (committed) before its output line.
int timeProvision(const QString &tracePath, const QString &serverUri);

}  // namespace rallon::bench
