// rallon-cli ledger: a bench ledger moved between a pool on a PostgreSQL
// server and a CSV file as provision writes it.

#include "CliTexts.h"
#include "Command.h"
#include "Exit.h"
#include "Input.h"
#include "OpenLedger.h"
#include "OutputFile.h"
#include "Terminal.h"

namespace rallon::cli {

namespace {

using namespace document;
using namespace provision;

const char *const Help = R"txt(Usage: rallon-cli ledger export --ledger URI [--pool NAME] [-o FILE]
       rallon-cli ledger import --ledger URI [--pool NAME] FILE

Moves a bench ledger between a pool on a PostgreSQL server (see provision
--help) and a CSV file, line for line as provision writes the file.

  export         writes the pool's lines as a CSV ledger, oldest first, on
                 standard output or into FILE
  import FILE    puts the CSV ledger FILE ("-": standard input) into the
                 pool, which is made when missing; a pool that holds lines
                 already is refused. A bench's runs may then go on there
  --ledger URI   the server and database: postgresql://USER@HOST/DATABASE;
                 the password comes from ~/.pgpass, PGPASSWORD or a service
                 file, never from the URI
  --pool NAME    the pool: a-z, 0-9 and _, "default" when not given
  -o FILE        export into FILE instead of standard output

Exit status: 0 done; 1 wrong command line, or the file or the pool cannot
be written; 2 a refused URI, CSV ledger or pool (one that does not exist,
for export; one that holds lines, for import); 4 when the server cannot be
reached.
)txt";

const char *const NeedsLedger = "ledger needs --ledger with a postgresql:// URI";
const char *const NeedsAction = "ledger needs export or import, not %1";
const char *const ExportTakesNoFile = "ledger export writes to standard output or -o FILE, not to %1";
const char *const ImportNeedsFile = "ledger import needs the CSV ledger FILE";
const char *const PoolRefused = "the ledger %1: %2";
const char *const ServerUnreachable = "cannot reach the ledger's server %1: %2";
const char *const PoolUnwritten = "cannot write the ledger %1: %2";
const char *const Imported = "%1 lines imported into the pool %2";

// The failure of `opening` said: its exit status.
int failed(Opening opening, const QString &uri, const QString &reason)
{
    switch (opening) {
    case Opening::Opened:
        break;
    case Opening::Refused:
        complain(QString::fromLatin1(PoolRefused).arg(escaped(uri), reason));
        return Refused;
    case Opening::Unreachable:
        complain(QString::fromLatin1(ServerUnreachable).arg(escaped(uri), reason));
        return PortFailed;
    case Opening::Failed:
        complain(QString::fromLatin1(PoolUnwritten).arg(escaped(uri), reason));
        return Usage;
    }
    return Done;
}

int exportPool(const Invocation &call, const QString &uri, const QString &pool)
{
    const QString output = call.value("o");
    OutputFile file;
    QString error;
    if (!output.isEmpty() && !file.open(output, &error)) {
        complain(QString::fromLatin1(clitext::message::CannotWrite).arg(escaped(output), error));
        return Usage;
    }
    Opening opening = Opening::Opened;
    const std::optional<QList<LedgerEntry>> entries = poolEntries(uri, pool, &opening, &error);
    if (!entries)
        return failed(opening, uri, error);
    QByteArray text = entries->isEmpty() ? QByteArray() : QByteArray(LedgerHeader);
    for (const LedgerEntry &entry : *entries)
        text += ledgerLine(entry);
    if (output.isEmpty())
        return put(text);
    if (!file.commit(text, false, &error)) {
        complain(QString::fromLatin1(clitext::message::CannotWrite).arg(escaped(output), error));
        return Usage;
    }
    return Done;
}

int importPool(const Invocation &call, const QString &uri, const QString &pool)
{
    const QString path = call.arguments.at(2);
    const auto entries = checkedFile<QList<LedgerEntry>>(path, call.timeoutMs, [](const QByteArray &csv,
                                                                                   InputError *error) {
        return ledgerEntries(csv, QString(), error);
    });
    if (const int *failedRead = std::get_if<int>(&entries))
        return *failedRead;
    QString error;
    const Opening opening = importIntoPool(uri, pool, std::get<QList<LedgerEntry>>(entries), &error);
    if (opening != Opening::Opened)
        return failed(opening, uri, error);
    return say(QString::fromLatin1(Imported).arg(std::get<QList<LedgerEntry>>(entries).size()).arg(quoted(pool)));
}

int run(const Invocation &call)
{
    const QString name = QStringLiteral("ledger");
    const QString action = call.arguments.at(1);
    const QString uri = call.value("ledger");
    if (!isServerLedger(uri))
        return usage(QString::fromLatin1(NeedsLedger), name);
    const QString pool = call.isSet("pool") ? call.value("pool") : QStringLiteral("default");
    if (action == QLatin1String("export")) {
        if (call.arguments.size() > 2)
            return usage(QString::fromLatin1(ExportTakesNoFile).arg(quoted(call.arguments.at(2))), name);
        return exportPool(call, uri, pool);
    }
    if (action == QLatin1String("import")) {
        if (call.arguments.size() < 3)
            return usage(QString::fromLatin1(ImportNeedsFile), name);
        if (call.isSet("o"))
            return usage(QString::fromLatin1(clitext::usage::NotTaken).arg(QStringLiteral("ledger import"),
                                                                          QStringLiteral("-"), QStringLiteral("o")),
                         name);
        return importPool(call, uri, pool);
    }
    return usage(QString::fromLatin1(NeedsAction).arg(quoted(action)), name);
}

}  // namespace

Command ledgerCommand()
{
    const auto value = [](const char *name) { return Option{{QLatin1String(name)}, QStringLiteral("value"), std::nullopt}; };
    return {"ledger", Help,
            {value("ledger"), value("pool"),
             {{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("FILE"), std::nullopt}},
            {QStringLiteral("export or import"), QStringLiteral("FILE")}, run, 1};
}

}  // namespace rallon::cli
