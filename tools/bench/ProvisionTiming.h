#pragma once

// Time per device of `rallon-cli provision` and of the bench window at a
// bench of virtual devices (rallon-sim --batch, paced both ways), against
// the line time of its two exchanges.

#include <QString>

namespace rallon::bench {

inline const QString ProvisionOption = QStringLiteral("--provision");

// Runs rallon-cli, then the window, each on a batch of its own; prints one
// line per device and the verdict. With `tracePath`, rallon-cli's --trace
// goes to that file. With `serverUri`, rallon-cli's ledger is a new pool on
// that PostgreSQL server (committed before its output line), and the window
// is not run. 0 when every device was done by both, its ledger line on the
// disk before its output line or table row, and both left the same ledger
// (but for the times) and the same device records.
int timeProvision(const QString &tracePath, const QString &serverUri);

}  // namespace rallon::bench
