// rallon-bench: measures the utility against the in-process virtual device,
// paced at 4800 baud on a thread of its own, and prints the figures beside
// their targets. A development tool; it is not installed.
//
//   rallon-bench                   everything, about a minute
//   rallon-bench --samples         also one line per retrieve
//   rallon-bench --probe-startup   start-up only: prints when the splash
//                                  window is first exposed and painted
//   rallon-bench --provision [--trace FILE] [--ledger URI]
//                                  rallon-cli provision, then the bench
//                                  window, at a bench of five virtual devices
//                                  paced both ways: time per device against
//                                  its line time, and the two ledgers and
//                                  devices compared; --trace keeps
//                                  rallon-cli's trace in FILE; --ledger keeps
//                                  rallon-cli's ledger on the PostgreSQL
//                                  server of URI (a pool of its own), and
//                                  leaves the window out

#include "Bench.h"
#include "ProvisionTiming.h"
#include "StartupProbe.h"

#include <QApplication>
#include <QTimer>

using namespace rallon::bench;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == ProvisionOption) {
        const qsizetype trace = args.indexOf(QStringLiteral("--trace"));
        const qsizetype ledger = args.indexOf(QStringLiteral("--ledger"));
        return timeProvision(trace > 0 ? args.value(trace + 1) : QString(),
                             ledger > 0 ? args.value(ledger + 1) : QString());
    }
    if (args.contains(ProbeOption))
        return probeStartup(app);
    Bench bench;
    int code = 1;
    // Inside the event loop, as the program starts.
    QTimer::singleShot(0, &app, [&] {
        code = bench.run(args.contains(QStringLiteral("--samples")));
        QCoreApplication::exit(code);
    });
    app.exec();
    return code;
}
