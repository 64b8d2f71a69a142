#include "OpenLedger.h"

#include "LedgerFile.h"
#ifndef RALLON_NO_LIBPQ
#include "PgLedger.h"
#endif

namespace rallon::provision {

using namespace document;

#ifdef RALLON_NO_LIBPQ
namespace {
constexpr char NoServerLedgers[] = "this build of rallon-cli takes no PostgreSQL ledger (it was built without libpq)";
}  // namespace
#endif

std::unique_ptr<LedgerStore> openLedger(const QString &ledger, const QString &pool, bool dryRun,
                                        const PoolTerms &terms, Opening *opening, QString *error)
{
    if (isServerLedger(ledger)) {
#ifdef RALLON_NO_LIBPQ
        Q_UNUSED(pool);
        Q_UNUSED(terms);
        *opening = Opening::Failed;
        *error = QString::fromLatin1(NoServerLedgers);
        return nullptr;
#else
        auto store = std::make_unique<PgLedger>();
        *opening = store->open(ledger, pool, dryRun, terms, false, error);
        return store;
#endif
    }
    auto file = std::make_unique<LedgerFile>();
    *opening = file->open(ledger, dryRun, error) ? Opening::Opened : Opening::Failed;
    return file;
}

#ifdef RALLON_NO_LIBPQ

std::optional<QList<LedgerEntry>> poolEntries(const QString &, const QString &, Opening *opening, QString *error)
{
    *opening = Opening::Failed;
    *error = QString::fromLatin1(NoServerLedgers);
    return std::nullopt;
}

Opening importIntoPool(const QString &, const QString &, const QList<LedgerEntry> &, QString *error)
{
    *error = QString::fromLatin1(NoServerLedgers);
    return Opening::Failed;
}

#else

std::optional<QList<LedgerEntry>> poolEntries(const QString &uri, const QString &pool, Opening *opening,
                                              QString *error)
{
    PgLedger store;
    *opening = store.open(uri, pool, false, std::nullopt, false, error);
    if (*opening != Opening::Opened)
        return std::nullopt;
    InputError wrong;
    std::optional<QList<LedgerEntry>> entries = store.entries(&wrong);
    if (!entries) {
        *opening = store.lost() ? Opening::Unreachable : Opening::Failed;
        *error = wrong.message();
    }
    return entries;
}

Opening importIntoPool(const QString &uri, const QString &pool, const QList<LedgerEntry> &entries, QString *error)
{
    PgLedger store;
    const Opening opening = store.open(uri, pool, false, std::nullopt, true, error);
    if (opening != Opening::Opened)
        return opening;
    bool refused = false;
    if (store.import(entries, &refused, error))
        return Opening::Opened;
    return refused ? Opening::Refused : store.lost() ? Opening::Unreachable : Opening::Failed;
}

#endif

}  // namespace rallon::provision
