#pragma once

// Where a bench run's ledger lines go: a CSV file (LedgerFile) or a pool on
// a PostgreSQL server (PgLedger). Either is read and appended to only while
// its lock is held; the address policy (AddressPolicy.h) is the same for both.

#include "Ledger.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace rallon::provision {

class LedgerStore {
public:
    LedgerStore() = default;
    LedgerStore(const LedgerStore &) = delete;
    LedgerStore &operator=(const LedgerStore &) = delete;
    virtual ~LedgerStore() = default;

    // The lock, from lock() until release() or its end, whichever comes first.
    class Lock {
    public:
        Lock() = default;
        ~Lock() { release(); }
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;
        void release();

    private:
        friend class LedgerStore;
        LedgerStore *m_store = nullptr;
    };

    // Waits for the lock: while another run holds it, `wait` pauses a
    // little (`first` the first time); false from it stops the waiting.
    // Held: `held` holds it. Failed: the reason in `error` (and lost() says
    // whether the server's connection went).
    enum class Locking { Held, Stopped, Failed };
    Locking lock(Lock *held, QString *error, const std::function<bool(bool first)> &wait);
    // Under the lock: the whole ledger, checked.
    virtual std::optional<QList<LedgerEntry>> entries(document::InputError *error) = 0;
    // The entry appended and on the disk (a server: committed).
    virtual bool append(const LedgerEntry &entry, QString *error) = 0;

    // After a failure: the connection to the server went, and reconnect()
    // may mend it. Never for a file.
    virtual bool lost() const { return false; }
    virtual bool reconnect(QString * /*error*/) { return false; }

protected:
    virtual Locking take(QString *error, const std::function<bool(bool first)> &wait) = 0;
    virtual void unlock() = 0;
};

// A ledger named by a PostgreSQL connection URI rather than a file's path.
bool isServerLedger(const QString &ledger);

// What a pool on a server is started with and then holds to: the template
// (its settings as JSON, a secret as its SHA-256) and the range.
struct PoolTerms {
    QByteArray templateText;
    QString range;
};
PoolTerms poolTerms(const document::Wanted &common, const QString &range);
// What differs between the terms a pool holds and those given, for a
// refusal; empty when they agree.
QString poolDifference(const PoolTerms &held, const PoolTerms &given);

// How opening a ledger ended. Refused: it is not to be used as given (a
// password in the URI, other terms). Unreachable: the server does not answer.
enum class Opening { Opened, Failed, Refused, Unreachable };

}  // namespace rallon::provision
