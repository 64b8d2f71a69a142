// rallon-cli provision: the command line of the bench loop (batch/BenchLoop.cpp),
// every file it names read and checked before the port is opened.

#include "AddressPolicy.h"
#include "BenchOutput.h"
#include "BenchSetup.h"
#include "CliTexts.h"
#include "Command.h"
#include "Exit.h"
#include "Input.h"
#include "LedgerStore.h"

namespace rallon::cli {

namespace {

using namespace document;
using namespace provision;
namespace text = clitext::message;

const char *const Help = R"txt(Usage: rallon-cli provision PORT --template FILE (--ip-range FIRST-LAST | --inventory CSV)
                            --ledger CSV|URI [--pool NAME] [--count N] [--dry-run]
                            [--timeout-ms N] [--trace]

Configures a batch of devices at a bench, one after another on PORT, each
with the template's settings and an address of its own, and records each in
the ledger. It waits for a device in its configuration mode (a request every
2 s while none answers), reads it, writes the template and the device's
values with the checks, verification and messages of write, appends the
ledger line, prints one line per device:

  4660  10.1.0.20  done

(or "refused: ...", "differs: ...", "swapped: ...", "no answer"), then waits until that
device stops answering (unplugged or powered off) before it takes the next.
A device the ledger holds as done is skipped: "already configured: connect
the next device".

  --template FILE      a "rallon-config/1" document, as "read --json" writes
                       it, with the settings every device gets; no "ip"
  --ip-range FIRST-LAST
                       gives each device the next address of the range that
                       the ledger holds for no device (a device the ledger
                       holds keeps its address). The range must lie in one
                       network of the template's mask (the gateway's), without
                       the network's own or broadcast address or the gateway
  --inventory CSV      values by serial number: a first line naming the
                       columns, serialNumber first, then document fields
                       (serialNumber,ip,primaryPort,ssid,...); an empty cell
                       gives nothing. A device not listed is skipped, unless
                       --ip-range is given too: then the range gives its ip
  --ledger CSV         one line per device and outcome: time (UTC),
                       serialNumber, model, ip, primaryPort, outcome (done,
                       refused, differs, swapped, no answer; "sending" is
                       written ahead of each upload and holds the address
                       for that device if the run dies), detail (the
                       differing fields, what refused the change, or the
                       serial number that answered); on the disk
                       before the next device is looked for. Runs on several
                       ports may share one ledger and one range: the ledger
                       is locked while an address is chosen, sent and
                       recorded, so no address goes to two devices. A run on
                       the same ledger goes on where the last one stopped.
  --ledger URI         the ledger on a PostgreSQL server, shared by several
                       bench PCs: postgresql://USER@HOST[:PORT]/DATABASE
                       [?sslmode=verify-full&sslrootcert=FILE]. The
                       password comes from ~/.pgpass, PGPASSWORD or a service
                       file, never from the URI. A server that cannot be
                       reached at the start ends the run (exit 4); one lost
                       later is waited for, and nothing is sent meanwhile
  --pool NAME          the pool of the server's ledger: its own lines, its
                       template and range (refused if another run started it
                       with others); a-z, 0-9 and _, "default" when not given
  --count N            stop after N devices are done (skipped devices do not
                       count); without it, run until Ctrl+C
  --dry-run            read each device and print what would change; write
                       nothing, not even the ledger

Ctrl+C or SIGTERM stops between steps, never between a change sent and its
ledger line, and prints the summary (done, failed, skipped). Exit status: 0
when --count devices are done; 1 when the ledger cannot be written; 2 for a
refused template, inventory, range or ledger, or a range used up; 4 when the
port cannot be opened or is lost, or the ledger's server cannot be reached;
128+N after signal N.
)txt";

const char *const Needs = "provision needs --%1";
const char *const NeedsAddresses = "provision needs --ip-range, --inventory or both";
const char *const CountRange = "--count needs a number of devices, 1 or more";
const char *const PoolNeedsServer = "--pool needs a ledger on a server (--ledger postgresql://...)";

int run(const Invocation &call)
{
    const QString name = QStringLiteral("provision");
    for (const char *needed : {"template", "ledger"}) {
        if (!call.isSet(needed))
            return usage(QString::fromLatin1(Needs).arg(QLatin1String(needed)), name);
    }
    if (!call.isSet("ip-range") && !call.isSet("inventory"))
        return usage(QString::fromLatin1(NeedsAddresses), name);
    batch::BenchLoopOptions options;
    options.port = call.arguments.at(1);
    options.ledger = call.value("ledger");
    if (call.isSet("pool") && !isServerLedger(options.ledger))
        return usage(QString::fromLatin1(PoolNeedsServer), name);
    if (call.isSet("pool"))
        options.pool = call.value("pool");
    options.timeoutMs = call.timeoutMs;
    options.dryRun = call.isSet("dry-run");
    options.count = call.numbers.value(QStringLiteral("count"), 0);

    const QString templatePath = call.value("template");
    const auto common = checkedFile<Wanted>(templatePath, call.timeoutMs, batch::benchTemplate);
    if (const int *failed = std::get_if<int>(&common))
        return *failed;
    options.common = std::get<Wanted>(common);

    const QString inventoryPath = call.value("inventory");
    if (call.isSet("inventory")) {
        const auto inventory = checkedFile<Inventory>(inventoryPath, call.timeoutMs, [](const QByteArray &csv, InputError *error) {
            return inventoryFromCsv(csv, QString(), error);
        });
        if (const int *failed = std::get_if<int>(&inventory))
            return *failed;
        options.inventory = std::get<Inventory>(inventory);
    }
    if (call.isSet("ip-range")) {
        InputError error;
        options.range = batch::benchRange(call.value("ip-range"), options.common, QStringLiteral("--ip-range"), &error);
        if (!options.range) {
            complain(QString::fromLatin1(text::InputRefused).arg(error.message()));
            return Refused;
        }
    }
    // Every row and the range checked whole before the port is opened.
    InputError fault;
    if (!batchTakeable(options.common, options.inventory, options.range, templatePath, inventoryPath, &fault))
        return refuseFile(fault.field, fault.reason);
    return runBench(options);
}

}  // namespace

Command provisionCommand()
{
    const auto file = [](const char *name) { return Option{{QLatin1String(name)}, QStringLiteral("value"), std::nullopt}; };
    return {"provision", Help,
            {file("template"), file("ip-range"), file("inventory"), file("ledger"), file("pool"),
             {{QStringLiteral("count")}, QStringLiteral("value"), Range{1, INT_MAX, CountRange}}, DryRun},
            {QStringLiteral("PORT")}, run};
}

}  // namespace rallon::cli
