#pragma once

// The ledger as a pool on a PostgreSQL server, through libpq: one table of
// lines per pool (rallon_ledger_NAME) and one of the pools (rallon_pools:
// each pool's schema version, template and range). Several bench PCs share
// a pool: lock() opens a transaction and takes an advisory lock on the pool
// (pg_try_advisory_xact_lock), so that the lines are read and the device's
// first line appended under it; that append commits, which lets the lock
// go: the committed line holds the device's address from then on. Lines
// appended outside a lock commit each on their own. The password is never
// taken from the URI: libpq finds it (~/.pgpass, PGPASSWORD, a service file).

#include "LedgerStore.h"

#include <QByteArray>
#include <QString>

#include <optional>

struct pg_conn;

namespace rallon::provision {

class PgLedger : public LedgerStore {
public:
    PgLedger() = default;
    ~PgLedger() override;

    // Connects and checks the pool: with `terms`, a pool not there yet is
    // made and holds them, one there is refused if it holds others (one
    // made by an import takes them). Without, the pool must exist, unless
    // `create`. A dry run makes nothing and writes nothing.
    Opening open(const QString &uri, const QString &pool, bool dryRun, const std::optional<PoolTerms> &terms,
                 bool create, QString *error);

    std::optional<QList<LedgerEntry>> entries(document::InputError *error) override;
    bool append(const LedgerEntry &entry, QString *error) override;
    bool lost() const override { return m_lost; }
    bool reconnect(QString *error) override;

    // Every line of a pool that holds none, in one transaction; refused
    // (false, `refused` set) when it holds some.
    bool import(const QList<LedgerEntry> &entries, bool *refused, QString *error);

protected:
    Locking take(QString *error, const std::function<bool(bool first)> &wait) override;
    void unlock() override;

private:
    class Result;
    bool connect(QString *error);
    Result run(const char *sql, const QList<QByteArray> &parameters, QString *error);
    bool command(const char *sql, const QList<QByteArray> &parameters, QString *error);
    bool insert(const LedgerEntry &entry, QString *error);
    bool preparePool(const std::optional<PoolTerms> &terms, bool create, bool *refused, QString *error);
    void rollBack();

    QString m_uri;
    QString m_pool;
    QByteArray m_table;  // the pool's table, a checked identifier
    bool m_dryRun = false;
    bool m_poolExists = false;
    pg_conn *m_connection = nullptr;
    bool m_inTransaction = false;
    bool m_lost = false;
    QList<LedgerEntry> m_kept;  // a dry run's lines
};

// The URI's refusal, if any: one libpq cannot read, or one that holds a
// password (which the command line would show to every user of the PC).
std::optional<QString> serverUriRefusal(const QString &uri);

}  // namespace rallon::provision
