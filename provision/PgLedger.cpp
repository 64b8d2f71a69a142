#include "PgLedger.h"

#include "Terminal.h"

#include <QRegularExpression>
#include <QThread>

#include <libpq-fe.h>

#include <utility>

namespace rallon::provision {

using namespace document;

namespace {

constexpr int SchemaVersion = 1;
// The advisory locks' first key: the pools' table while a pool is made, a
// pool's lines (its second key the hash of its table's name).
constexpr char SetupLockSql[] = "SELECT pg_advisory_xact_lock(1380012620, 0)";
constexpr char PoolLockSql[] = "SELECT pg_try_advisory_xact_lock(1380012621, hashtext($1))";

// The server's words, on one line.
QString serverWords(const char *message)
{
    QStringList lines = QString::fromUtf8(message).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &line : lines)
        line = line.trimmed();
    return lines.join(QStringLiteral("; "));
}

}  // namespace

class PgLedger::Result {
public:
    explicit Result(PGresult *result = nullptr) : m_result(result) {}
    Result(Result &&other) noexcept : m_result(std::exchange(other.m_result, nullptr)) {}
    Result &operator=(Result &&other) noexcept
    {
        std::swap(m_result, other.m_result);
        return *this;
    }
    ~Result() { PQclear(m_result); }
    explicit operator bool() const { return m_result; }
    int rows() const { return PQntuples(m_result); }
    bool isNull(int row, int column) const { return PQgetisnull(m_result, row, column); }
    QString text(int row, int column) const { return QString::fromUtf8(PQgetvalue(m_result, row, column)); }

private:
    PGresult *m_result;
};

std::optional<QString> serverUriRefusal(const QString &uri)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(uri.toUtf8().constData(), &error);
    if (!options) {
        const QString reason = error ? serverWords(error) : QStringLiteral("out of memory");
        PQfreemem(error);
        return reason;
    }
    bool password = false;
    for (const PQconninfoOption *option = options; option->keyword; ++option) {
        if (qstrcmp(option->keyword, "password") == 0 && option->val && *option->val)
            password = true;
    }
    PQconninfoFree(options);
    if (password)
        return QStringLiteral("the URI holds a password, which the command line shows to every user of this PC; "
                              "give it in ~/.pgpass (%APPDATA%\\postgresql\\pgpass.conf on Windows), in "
                              "PGPASSWORD or in a service file (PGSERVICEFILE, service=NAME), not in the URI");
    return std::nullopt;
}

PgLedger::~PgLedger()
{
    PQfinish(m_connection);
}

bool PgLedger::connect(QString *error)
{
    PQfinish(std::exchange(m_connection, nullptr));
    m_inTransaction = false;
    // Before dbname, so that the URI's own values win; a server gone
    // without a word is found out within seconds.
    const QByteArray uri = m_uri.toUtf8();
    const char *const keywords[] = {"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval",
                                    "keepalives_count", "application_name", "dbname", nullptr};
    const char *const values[] = {"10", "1", "5", "2", "3", "rallon-cli", uri.constData(), nullptr};
    m_connection = PQconnectdbParams(keywords, values, 1);
    PQsetNoticeProcessor(m_connection, [](void *, const char *) {}, nullptr);  // "already exists, skipping"
    if (PQstatus(m_connection) == CONNECTION_OK) {
        m_lost = false;
        return true;
    }
    *error = serverWords(PQerrorMessage(m_connection));
    m_lost = true;
    return false;
}

bool PgLedger::reconnect(QString *error)
{
    return connect(error);
}

// The statement's result, or none with the server's words in `error`.
PgLedger::Result PgLedger::run(const char *sql, const QList<QByteArray> &parameters, QString *error)
{
    QList<const char *> values;
    for (const QByteArray &parameter : parameters)
        values << parameter.constData();
    PGresult *result = PQexecParams(m_connection, sql, int(values.size()), nullptr, values.constData(), nullptr,
                                    nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return Result(result);
    *error = serverWords(result && *PQresultErrorMessage(result) ? PQresultErrorMessage(result)
                                                                 : PQerrorMessage(m_connection));
    PQclear(result);
    m_lost = PQstatus(m_connection) != CONNECTION_OK;
    if (m_lost)
        m_inTransaction = false;
    return Result();
}

bool PgLedger::command(const char *sql, const QList<QByteArray> &parameters, QString *error)
{
    return bool(run(sql, parameters, error));
}

void PgLedger::rollBack()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    QString ignored;
    command("ROLLBACK", {}, &ignored);
}

Opening PgLedger::open(const QString &uri, const QString &pool, bool dryRun, const std::optional<PoolTerms> &terms,
                       bool create, QString *error)
{
    m_uri = uri;
    m_pool = pool;
    m_dryRun = dryRun;
    if (const std::optional<QString> refusal = serverUriRefusal(uri)) {
        *error = *refusal;
        return Opening::Refused;
    }
    static const QRegularExpression poolName(QStringLiteral("^[a-z0-9_]{1,40}$"));
    if (!poolName.match(pool).hasMatch()) {
        *error = QStringLiteral("the pool's name %1 is not 1 to 40 of a-z, 0-9 and _").arg(quoted(pool));
        return Opening::Refused;
    }
    m_table = "rallon_ledger_" + pool.toLatin1();
    if (!connect(error))
        return Opening::Unreachable;
    bool refused = false;
    if (preparePool(terms, create, &refused, error))
        return Opening::Opened;
    rollBack();
    return refused ? Opening::Refused : m_lost ? Opening::Unreachable : Opening::Failed;
}

// Under the lock of the pools' table: the pool made if asked and missing,
// its terms taken or compared.
bool PgLedger::preparePool(const std::optional<PoolTerms> &terms, bool create, bool *refused, QString *error)
{
    const auto refuse = [&](const QString &reason) {
        *refused = true;
        *error = reason;
        return false;
    };
    const QString named = QStringLiteral("the pool %1").arg(quoted(m_pool));
    const bool making = !m_dryRun && (terms || create);
    if (!command("BEGIN", {}, error))
        return false;
    m_inTransaction = true;
    if (making
        && !(command(SetupLockSql, {}, error)
             && command("CREATE TABLE IF NOT EXISTS rallon_pools (name text PRIMARY KEY, schema_version integer "
                        "NOT NULL, template text, ip_range text, created timestamptz NOT NULL DEFAULT now())",
                        {}, error)))
        return false;
    const Result exists = run("SELECT to_regclass('rallon_pools') IS NOT NULL", {}, error);
    if (!exists)
        return false;
    Result held;
    if (exists.text(0, 0) == QLatin1String("t")) {
        held = run("SELECT schema_version, template, ip_range FROM rallon_pools WHERE name = $1", {m_pool.toUtf8()},
                   error);
        if (!held)
            return false;
    }
    m_poolExists = held && held.rows() == 1;
    if (!m_poolExists) {
        if (!making) {
            rollBack();
            return m_dryRun || refuse(named + QStringLiteral(" does not exist"));
        }
        const QByteArray table = "CREATE TABLE " + m_table + " (id bigserial PRIMARY KEY, time text NOT NULL, "
                                 "serial integer NOT NULL CHECK (serial BETWEEN 0 AND 65535), model text NOT NULL, ip text NOT NULL, primary_port "
                                 "text NOT NULL, outcome text NOT NULL, detail text NOT NULL)";
        QList<QByteArray> row{m_pool.toUtf8(), QByteArray::number(SchemaVersion)};
        const bool made = command(table.constData(), {}, error)
            && (terms ? command("INSERT INTO rallon_pools (name, schema_version, template, ip_range) "
                                "VALUES ($1, $2, $3, $4)",
                                row << terms->templateText << terms->range.toUtf8(), error)
                      : command("INSERT INTO rallon_pools (name, schema_version) VALUES ($1, $2)", row, error));
        m_poolExists = made;
    } else {
        if (held.text(0, 0).toInt() != SchemaVersion)
            return refuse(named + QStringLiteral(" has the schema version %1; this program knows %2")
                                      .arg(held.text(0, 0)).arg(SchemaVersion));
        if (terms && held.isNull(0, 1)) {  // imported: the first run's terms hold from now on
            if (!m_dryRun
                && !command("UPDATE rallon_pools SET template = $2, ip_range = $3 WHERE name = $1",
                            {m_pool.toUtf8(), terms->templateText, terms->range.toUtf8()}, error))
                return false;
        } else if (terms) {
            const QString differs =
                poolDifference({held.text(0, 1).toUtf8(), held.text(0, 2)}, *terms);
            if (!differs.isEmpty())
                return refuse(named + QStringLiteral(" was started with ") + differs);
        }
    }
    if (!m_poolExists || !command("COMMIT", {}, error))
        return false;
    m_inTransaction = false;
    return true;
}

LedgerStore::Locking PgLedger::take(QString *error, const std::function<bool(bool first)> &wait)
{
    if (m_dryRun)
        return Locking::Held;
    if (!command("BEGIN", {}, error))
        return Locking::Failed;
    m_inTransaction = true;
    for (bool first = true;; first = false) {
        const Result locked = run(PoolLockSql, {m_table}, error);
        if (!locked) {
            rollBack();
            return Locking::Failed;
        }
        if (locked.text(0, 0) == QLatin1String("t"))
            return Locking::Held;
        if (!wait(first)) {
            rollBack();
            return Locking::Stopped;
        }
    }
}

void PgLedger::unlock()
{
    rollBack();
}

std::optional<QList<LedgerEntry>> PgLedger::entries(InputError *error)
{
    const QString name = escaped(m_uri) + QStringLiteral(" (pool ") + m_pool + QLatin1Char(')');
    QByteArray text;
    if (m_poolExists) {
        QString reason;
        const QByteArray select = "SELECT time, serial, model, ip, primary_port, outcome, detail FROM " + m_table
                                + " ORDER BY id";
        const Result rows = run(select.constData(), {}, &reason);
        if (!rows) {
            *error = {name, QStringLiteral("cannot be read: %1").arg(reason)};
            return std::nullopt;
        }
        // Checked as the CSV ledger's lines are: what the server holds is
        // what a file would.
        for (int row = 0; row < rows.rows(); ++row) {
            text += ledgerLine({rows.text(row, 0), quint16(rows.text(row, 1).toUInt()), rows.text(row, 2),
                                rows.text(row, 3), rows.text(row, 4), rows.text(row, 5), rows.text(row, 6)});
        }
        if (!text.isEmpty())
            text.prepend(LedgerHeader);
    }
    std::optional<QList<LedgerEntry>> entries = ledgerEntries(text, name, error);
    if (entries)
        *entries += m_kept;
    return entries;
}

bool PgLedger::insert(const LedgerEntry &entry, QString *error)
{
    const QByteArray insert = "INSERT INTO " + m_table + " (time, serial, model, ip, primary_port, outcome, detail) "
                                                          "VALUES ($1, $2, $3, $4, $5, $6, $7)";
    return command(insert.constData(),
                   {entry.time.toUtf8(), QByteArray::number(entry.serial), entry.model.toUtf8(), entry.ip.toUtf8(),
                    entry.primaryPort.toUtf8(), entry.outcome.toUtf8(), entry.detail.toUtf8()},
                   error);
}

bool PgLedger::append(const LedgerEntry &entry, QString *error)
{
    if (m_dryRun) {
        m_kept << entry;
        return true;
    }
    const bool inserted = insert(entry, error);
    if (!m_inTransaction)
        return inserted;
    if (inserted && command("COMMIT", {}, error)) {
        m_inTransaction = false;
        return true;
    }
    rollBack();
    return false;
}

bool PgLedger::import(const QList<LedgerEntry> &entries, bool *refused, QString *error)
{
    Lock lock;
    const auto pause = [](bool) {
        QThread::msleep(20);
        return true;
    };
    if (this->lock(&lock, error, pause) != Locking::Held)
        return false;
    const QByteArray count = "SELECT count(*) FROM " + m_table;
    const Result held = run(count.constData(), {}, error);
    if (!held)
        return false;
    if (held.text(0, 0) != QLatin1String("0")) {
        *refused = true;
        *error = QStringLiteral("the pool %1 already holds %2 lines; an import goes into an empty pool only")
                     .arg(quoted(m_pool), held.text(0, 0));
        return false;
    }
    for (const LedgerEntry &entry : entries) {
        if (!insert(entry, error))
            return false;
    }
    if (!command("COMMIT", {}, error))
        return false;
    m_inTransaction = false;
    return true;
}

}  // namespace rallon::provision
