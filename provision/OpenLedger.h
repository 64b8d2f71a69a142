#pragma once

// The ledger a bench run or rallon-cli ledger names, opened as its store:
// a file (LedgerFile) or a pool on a PostgreSQL server (PgLedger).

#include "LedgerStore.h"

#include <memory>

namespace rallon::provision {

// Opens the ledger of a bench run: the file, or the pool `pool` on the
// server, which holds `terms` from its first run on.
std::unique_ptr<LedgerStore> openLedger(const QString &ledger, const QString &pool, bool dryRun,
                                        const PoolTerms &terms, Opening *opening, QString *error);

// A pool's lines, for its export as a CSV ledger: the pool must exist.
std::optional<QList<LedgerEntry>> poolEntries(const QString &uri, const QString &pool, Opening *opening,
                                              QString *error);
// A CSV ledger's lines into a pool (made when missing) that holds none yet;
// Refused when it holds some.
Opening importIntoPool(const QString &uri, const QString &pool, const QList<LedgerEntry> &entries, QString *error);

}  // namespace rallon::provision
