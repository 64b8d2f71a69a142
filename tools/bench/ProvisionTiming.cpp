#include "ProvisionTiming.h"

#include "ConfigRecord.h"
#include "BenchWindow.h"
#include "Report.h"
#include "WindowBench.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <vector>

namespace rallon::bench {

namespace {

constexpr int Devices = 5;
constexpr int GapMs = 300;
constexpr int RunTimeoutMs = 60000;
constexpr double TargetRatio = 1.05;
constexpr double OctetMs = 1000.0 * BitsPerOctet / Baud;
constexpr double FrameMs = frame::RequestLength * OctetMs;         // a request or an upload
constexpr double AnswerMs = (frame::RecordLength + 1) * OctetMs;   // the record and its CR
constexpr double ExchangesMs = 2 * (FrameMs + AnswerMs);           // request + record, upload + record

const char *const Template =
    R"({"format": "rallon-config/1", "mask": "255.255.255.0", "gateway": "10.1.0.1", "primaryPort": 4001})";
const char *const Range = "10.1.0.20-10.1.0.99";

// One device of the batch, in ms on the benchmark's clock.
struct Device {
    QString serial, ip, outcome;
    double requestAt = -1;  // the sim took the first request it got (its last octet in)
    double uploadAt = -1;   // the sim took the upload
    double doneAt = -1;     // provision printed the device's line
    bool ledgerFirst = false;

    double startAt() const { return requestAt - FrameMs; }
};

// The ledger's text: the file, or the server's pool as rallon-cli exports it.
QByteArray ledgerText(const QString &ledger, const QString &pool)
{
    if (pool.isEmpty()) {
        QFile file(ledger);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QProcess exported;
    exported.start(QStringLiteral(RALLON_CLI_PATH),
                   {QStringLiteral("ledger"), QStringLiteral("export"), QStringLiteral("--ledger"), ledger,
                    QStringLiteral("--pool"), pool});
    return exported.waitForFinished(10000) ? exported.readAllStandardOutput() : QByteArray();
}

// The ledger's lines for `serial` (any, when empty) with `outcome` ("done", ...).
int ledgerCount(const QByteArray &text, const QString &serial, const QString &outcome)
{
    int count = 0;
    for (const QByteArray &line : text.split('\n')) {
        // time,serialNumber,model,ip,primaryPort,outcome,detail: only detail may hold a comma
        const QList<QByteArray> cells = line.split(',');
        count += cells.size() >= 6 && (serial.isEmpty() || cells.at(1) == serial.toLatin1())
              && cells.at(5) == outcome.toLatin1();
    }
    return count;
}

int fail(const QString &text)
{
    std::fprintf(stderr, "rallon-bench: %s\n", qPrintable(text));
    return 1;
}

}  // namespace

namespace {

// A batch run by one of the two: `done` for each device's line as it comes
// (its ledger line already on the disk); whether the run ended by itself.
using DoneHook = std::function<void(const QString &serial, const QString &ip, const QString &outcome)>;
struct RunEnd {
    bool ended = false;
    int exit = -1;
    QStringList said;  // what else it said
};
using Runner = std::function<RunEnd(const QString &port, const QString &templatePath, const QString &ledger,
                                    const QString &pool, const QString &tracePath, const DoneHook &done)>;

RunEnd runCli(const QString &port, const QString &templatePath, const QString &ledger, const QString &pool,
              const QString &tracePath, const DoneHook &done)
{
    QProcess cli;
    QStringList cliArguments{QStringLiteral("provision"), port, QStringLiteral("--template"), templatePath,
                             QStringLiteral("--ip-range"), QLatin1String(Range), QStringLiteral("--ledger"),
                             ledger, QStringLiteral("--count"), QString::number(Devices)};
    if (!pool.isEmpty())
        cliArguments << QStringLiteral("--pool") << pool;
    if (!tracePath.isEmpty()) {
        cliArguments << QStringLiteral("--trace");
        cli.setStandardErrorFile(tracePath);
    }
    RunEnd end;
    const QRegularExpression deviceLine(QStringLiteral("^(\\d+)  (\\S+)  (.+)$"));
    const auto readCli = [&] {
        while (cli.canReadLine()) {
            const QString line = QString::fromLocal8Bit(cli.readLine()).trimmed();
            const QRegularExpressionMatch match = deviceLine.match(line);
            if (match.hasMatch())
                done(match.captured(1), match.captured(2), match.captured(3));
            else
                end.said << line;
        }
    };
    QEventLoop loop;
    QObject::connect(&cli, &QProcess::readyReadStandardOutput, readCli);
    QObject::connect(&cli, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&cli, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(RunTimeoutMs, &loop, &QEventLoop::quit);
    cli.start(QStringLiteral(RALLON_CLI_PATH), cliArguments);
    loop.exec();
    end.ended = cli.state() == QProcess::NotRunning;
    if (!end.ended) {
        cli.kill();
        cli.waitForFinished(5000);
    }
    readCli();
    end.exit = end.ended ? cli.exitCode() : -1;
    if (end.exit != 0)
        end.said << QString::fromLocal8Bit(cli.readAllStandardError()).split(QLatin1Char('\n'));
    return end;
}

// The bench window of a main window on `port`, as the technician sets it up.
// (A CSV ledger: the window has no pool to choose.)
RunEnd runWindow(const QString &port, const QString &templatePath, const QString &ledger, const QString &,
                 const QString &, const DoneHook &done)
{
    RunEnd end;
    WindowBench window;
    if (!window.loadWindow(port))
        return end;
    BenchWindow *bench = window.form->benchWindow();
    bench->setBell([] {});
    control<QLineEdit>(*bench, "TemplateTextBox")->setText(templatePath);
    control<QLineEdit>(*bench, "RangeTextBox")->setText(QLatin1String(Range));
    control<QLineEdit>(*bench, "LedgerTextBox")->setText(ledger);
    control<QSpinBox>(*bench, "CountBox")->setValue(Devices);
    QObject::connect(bench, &BenchWindow::deviceRecorded, [&](const provision::LedgerEntry &entry) {
        const QString outcome = entry.detail.isEmpty() ? entry.outcome : entry.outcome + QStringLiteral(": ") + entry.detail;
        done(QString::number(entry.serial), entry.ip, outcome);
    });
    bool started = false;
    QObject::connect(bench, &BenchWindow::runStarting, [&] { started = true; });
    QTimer::singleShot(RunTimeoutMs, bench, [bench] { bench->stopThen({}); });
    bench->start();
    end.ended = started;
    end.exit = started ? 0 : 1;
    end.said << control<QLabel>(*bench, "StateLabel")->text() << control<QLabel>(*bench, "CountsLabel")->text();
    return end;
}

// What a run left: the ledger without its times, each device's last record.
struct Measured {
    bool met = false;
    QStringList ledger;
    QMap<QString, QByteArray> held;
};

Measured measure(const char *what, const Runner &run, const QString &tracePath, const QString &serverUri)
{
    Measured measured;
    QTemporaryDir dir;
    if (!dir.isValid())
        return fail(QStringLiteral("no temporary directory: ") + dir.errorString()), measured;
    const QString templatePath = dir.filePath(QStringLiteral("template.json"));
    const QString pool = serverUri.isEmpty() ? QString() : QStringLiteral("bench_%1").arg(QCoreApplication::applicationPid());
    const QString ledger = serverUri.isEmpty() ? dir.filePath(QStringLiteral("ledger.csv")) : serverUri;
    {
        QFile file(templatePath);
        if (!file.open(QIODevice::WriteOnly) || file.write(Template) < 0)
            return fail(templatePath + QStringLiteral(": ") + file.errorString()), measured;
    }

    QElapsedTimer clock;
    clock.start();
    const auto now = [&] { return double(clock.nsecsElapsed()) / 1e6; };

    QProcess sim;
    const QStringList simArguments{QStringLiteral("--batch"), QString::number(Devices), QStringLiteral("--pace"),
                                   QStringLiteral("--gap-ms"), QString::number(GapMs)};
    sim.start(QStringLiteral(RALLON_SIM_PATH), simArguments);
    while (sim.waitForReadyRead(5000) && !sim.canReadLine()) {
    }
    if (!sim.canReadLine())
        return fail(QStringLiteral("rallon-sim did not start: ") + QString::fromLocal8Bit(sim.readAllStandardError())),
               measured;
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();

    std::vector<Device> devices(Devices);
    int plugged = 0;         // the device on the line, from 1
    bool awaiting = false;   // its first request not yet taken
    const QRegularExpression pluggedIn(QStringLiteral("^plugged in device (\\d+) of \\d+, serial (\\d+)$"));
    const QString sentRecord = QStringLiteral("sent record ");
    const auto readSim = [&] {
        while (sim.canReadLine()) {
            const double at = now();
            const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
            const QRegularExpressionMatch match = pluggedIn.match(line);
            if (match.hasMatch() && match.captured(1).toInt() <= Devices) {
                plugged = match.captured(1).toInt();
                devices[plugged - 1].serial = match.captured(2);
                awaiting = true;
            } else if (plugged && awaiting && line == QLatin1String("received request")) {
                devices[plugged - 1].requestAt = at;
                awaiting = false;
            } else if (plugged && line.startsWith(QLatin1String("received upload "))
                       && devices[plugged - 1].uploadAt < 0) {
                devices[plugged - 1].uploadAt = at;
            } else if (plugged && line.startsWith(sentRecord)) {
                measured.held[devices[plugged - 1].serial] = line.mid(sentRecord.size()).toLatin1();
            }
        }
    };
    QObject::connect(&sim, &QProcess::readyReadStandardOutput, readSim);
    readSim();

    QStringList otherLines;
    const RunEnd end = run(path, templatePath, ledger, pool, tracePath, [&](const QString &serial, const QString &ip,
                                                                        const QString &outcome) {
        const double at = now();
        sim.write("unplug\n");  // at once, as the technician pulls the cable
        const auto device = std::find_if(devices.begin(), devices.end(),
                                         [&](const Device &d) { return d.serial == serial; });
        if (device == devices.end() || device->doneAt >= 0) {
            otherLines << serial + QStringLiteral("  ") + ip + QStringLiteral("  ") + outcome;
            return;
        }
        device->doneAt = at;
        device->ip = ip;
        device->outcome = outcome;
        device->ledgerFirst = ledgerCount(ledgerText(ledger, pool), device->serial,
                                          outcome.section(QLatin1Char(':'), 0, 0)) > 0;
    });
    otherLines << end.said;
    sim.waitForReadyRead(100);
    readSim();
    sim.terminate();
    sim.waitForFinished(5000);

    std::printf("%s, %d devices of rallon-sim %s\n", what, Devices, qPrintable(simArguments.join(' ')));
    if (!pool.isEmpty())
        std::printf("the ledger on the server %s, pool %s\n", qPrintable(ledger), qPrintable(pool));
    std::printf("line time per device: request + record, upload + record = 2 x (113 + 117 octets) x %.4f ms "
                "= %.1f ms\n\n",
                OctetMs, ExchangesMs);
    std::printf("device  serial  address    outcome  request->line   ratio  beyond the line time  "
                "of it: to the upload  after it\n");
    std::vector<double> ratios, cadence;
    int complete = 0;
    for (int i = 0; i < Devices; ++i) {
        const Device &d = devices[size_t(i)];
        if (d.requestAt < 0 || d.uploadAt < 0 || d.doneAt < 0) {
            std::printf("%6d  %6s  (incomplete: request %.1f, upload %.1f, line %.1f ms)\n", i + 1,
                        qPrintable(d.serial), d.requestAt, d.uploadAt, d.doneAt);
            continue;
        }
        const double total = d.doneAt - d.startAt();
        ratios.push_back(total / ExchangesMs);
        if (i > 0 && devices[size_t(i) - 1].doneAt >= 0)
            cadence.push_back(d.doneAt - devices[size_t(i) - 1].doneAt);
        complete += d.outcome == QLatin1String("done") && d.ledgerFirst;
        std::printf("%6d  %6s  %-9s  %-7s  %10.1f ms  %6.3f  %17.1f ms  %17.1f ms  %5.1f ms\n", i + 1,
                    qPrintable(d.serial), qPrintable(d.ip), qPrintable(d.outcome), total, ratios.back(),
                    total - ExchangesMs, d.uploadAt - d.startAt() - (2 * FrameMs + AnswerMs),
                    d.doneAt - d.uploadAt - AnswerMs);
        if (!d.ledgerFirst)
            std::printf("        its ledger line was not on the disk when its output line came\n");
    }
    if (!ratios.empty()) {
        const double medianRatio = median(ratios);
        const double maxRatio = *std::max_element(ratios.begin(), ratios.end());
        std::printf("\nratio median %.3f, max %.3f; target <= %.2f: %s\n", medianRatio, maxRatio, TargetRatio,
                    maxRatio <= TargetRatio ? "met" : medianRatio <= TargetRatio ? "MISSED by the max" : "MISSED");
    }
    if (!cadence.empty())
        std::printf("one device's line to the next one's: median %.0f ms (unplug, %d ms gap, provision's next "
                    "request)\n",
                    median(cadence), GapMs);
    const QByteArray ledgerWritten = ledgerText(ledger, pool);
    const int ledgerDone = ledgerCount(ledgerWritten, QString(), QStringLiteral("done"));
    std::printf("ledger: %d done lines of %d; %s %s (exit %d)\n\n", ledgerDone, Devices, what,
                end.ended ? "ended" : "did not end within 60 s", end.exit);
    std::fflush(stdout);
    for (const QString &line : QString::fromUtf8(ledgerWritten).split(QLatin1Char('\n')))
        measured.ledger << line.section(QLatin1Char(','), 1);  // without the time
    measured.met = end.ended && end.exit == 0 && complete == Devices && ledgerDone == Devices;
    if (!measured.met) {
        for (const QString &line : std::as_const(otherLines))
            std::fprintf(stderr, "rallon-bench: %s said: %s\n", what, qPrintable(line));
        fail(QStringLiteral("not every device was done, with its ledger line first"));
    }
    return measured;
}

}  // namespace

int timeProvision(const QString &tracePath, const QString &serverUri)
{
    const Measured cli = measure("rallon-cli provision", runCli, tracePath, serverUri);
    if (!serverUri.isEmpty()) {
        std::printf("(the bench window is measured with a CSV ledger, without --ledger)\n");
        return cli.met ? 0 : 1;
    }
    const Measured window = measure("the bench window", runWindow, QString(), QString());
    const bool same = cli.ledger == window.ledger && cli.held == window.held && cli.held.size() == Devices;
    std::printf("the bench window's ledger (but for the times) and the devices' records %s rallon-cli provision's\n",
                same ? "are the same as" : "DIFFER from");
    std::printf(
        "\nNotes:\n"
        "- request->line: from the start of the request that found the device (the sim's \"received\n"
        "  request\", less the request's %.1f ms on the line) to the device's line (provision's\n"
        "  standard output, the bench window's table), which comes after its ledger line is on the\n"
        "  disk (checked as it came).\n"
        "- The sim's timers are of whole milliseconds: it takes a frame at the first one after\n"
        "  its last octet is due and sends on a 2 ms tick, each about 1 ms late. The start is\n"
        "  late by as much (shortening the figure); the upload and both answers count it.\n"
        "- The split at the upload rests on the sim's \"received upload\" line as it reached this\n"
        "  program; log lines are stamped on arrival, to within about a millisecond.\n",
        FrameMs);
    if (!tracePath.isEmpty())
        std::printf("rallon-cli's trace: %s\n", qPrintable(tracePath));
    std::fflush(stdout);
    if (!same)
        return fail(QStringLiteral("the bench window's ledger or records differ from rallon-cli provision's"));
    return cli.met && window.met ? 0 : 1;
}

}  // namespace rallon::bench
