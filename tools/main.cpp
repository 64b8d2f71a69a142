// rallon-sim: plays the Tarvex Power Rallon's side of the serial line.

#include "EndSignals.h"
#include "SimBatch.h"
#include "SimLine.h"
#include "Streams.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

using namespace rallon;

namespace {

constexpr int MaxControlLine = 4096;

void printLine(FILE *stream, const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void warn(const QString &message)
{
    printLine(stderr, QStringLiteral("rallon-sim: ") + message);
}

int fail(const QString &message, int code)
{
    warn(message);
    return code;
}

// A whole number of at least `least` from `text`, or -1.
int numberAtLeast(const QString &text, int least)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= least ? value : -1;
}

// Control lines from standard input, read as they come without blocking
// the event loop. End of input only ends the reading.
class ControlInput : public QObject
{
public:
    explicit ControlInput(SimBatch *batch) : QObject(batch), m_batch(batch)
    {
        system::readStandardInput(this, [this](const QByteArray &octets) { take(octets); });
    }

private:
    // Octets read; none at the end of input.
    void take(const QByteArray &octets)
    {
        if (octets.isEmpty()) {
            takeLine(m_pending);  // a last line without its newline
            m_pending.clear();
            return;
        }
        m_pending.append(octets);
        takeLines();
    }

    void takeLines()
    {
        for (int end; (end = int(m_pending.indexOf('\n'))) >= 0;) {
            const QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            takeLine(line);
        }
        if (m_pending.size() > MaxControlLine) {
            warn(QStringLiteral("control line longer than %1 octets ignored").arg(MaxControlLine));
            m_pending.clear();
        }
    }

    void takeLine(const QByteArray &line)
    {
        QString error;
        if (!m_batch->control(QString::fromLocal8Bit(line).trimmed(), &error))
            warn(error);
    }

    SimBatch *m_batch;
    QByteArray m_pending;
};

}  // namespace

int main(int argc, char *argv[])
{
    system::plainLineEnds();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rallon-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RALLON_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        Pty::isPortPair()
            ? QStringLiteral("Plays the Tarvex Power Rallon's side of the serial line on the COM port --port names, "
                             "and prints the port on the first line; then one log line per event.\n"
                             "The line \"unplug\" on standard input unplugs the current device; "
                             "\"fault NAME\" sets the fault for it and the devices after it.")
            : QStringLiteral("Plays the Tarvex Power Rallon's side of the serial line. Without --port it opens a "
                             "pseudo-terminal and prints its path on the first line; then one log line per event.\n"
                             "SIGUSR1 or the line \"unplug\" on standard input unplugs the current device; "
                             "\"fault NAME\" sets the fault for it and the devices after it."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Serve serial device <device> (4800 baud, 8N1)."),
                                  QStringLiteral("device"));
    const QCommandLineOption model(QStringLiteral("model"),
                                   QStringLiteral("Starting configuration: %1.").arg(simModelNames().join(", ")),
                                   QStringLiteral("name"), QStringLiteral("wireless-password"));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("Faulty line: %1.").arg(simFaultNames().join(", ")),
                                   QStringLiteral("name"), QStringLiteral("none"));
    const QCommandLineOption pace(QStringLiteral("pace"),
                                  QStringLiteral("Receive and send at the speed of a 4800-baud line."));
    const QCommandLineOption batch(
        QStringLiteral("batch"),
        QStringLiteral("Serve <n> devices one after another, serial numbers counting up from the model's."),
        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption gap(QStringLiteral("gap-ms"),
                                 QStringLiteral("Silence between one device's unplug and the next one's "
                                                "plug-in, in milliseconds."),
                                 QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption firstSerial(QStringLiteral("first-serial"),
                                         QStringLiteral("The first device's serial number, in place of the model's."),
                                         QStringLiteral("n"));
    parser.addOptions({port, model, fault, pace, batch, gap, firstSerial});

    if (!parser.parse(app.arguments()))
        return fail(parser.errorText(), 2);
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()), 2);
    const std::optional<ConfigRecord> config = simModel(parser.value(model));
    if (!config)
        return fail(QStringLiteral("unknown model \"%1\"; known: %2")
                        .arg(parser.value(model), simModelNames().join(", ")), 2);
    const std::optional<SimFault> faultKind = simFault(parser.value(fault));
    if (!faultKind)
        return fail(QStringLiteral("unknown fault \"%1\"; known: %2")
                        .arg(parser.value(fault), simFaultNames().join(", ")), 2);
    const int count = numberAtLeast(parser.value(batch), 1);
    if (count < 0)
        return fail(QStringLiteral("--batch wants a whole number of at least 1, not \"%1\"").arg(parser.value(batch)), 2);
    std::optional<ConfigRecord> batchModel = config;
    if (parser.isSet(firstSerial)) {
        const int serial = numberAtLeast(parser.value(firstSerial), 0);
        if (serial < 0 || serial + count - 1 > 0xffff)
            return fail(QStringLiteral("--first-serial wants a serial number from 0 to %1, not \"%2\"")
                            .arg(0x10000 - count).arg(parser.value(firstSerial)), 2);
        batchModel->serialNumber = quint16(serial);
    }
    const int gapMs = numberAtLeast(parser.value(gap), 0);
    if (gapMs < 0)
        return fail(QStringLiteral("--gap-ms wants a whole number of at least 0, not \"%1\"").arg(parser.value(gap)), 2);

    if (Pty::isPortPair() && !parser.isSet(port))
        return fail(QStringLiteral("Windows has no pseudo-terminals: give the COM port to serve, --port COMn"), 2);

    SimBatch devices(*batchModel, count);
    devices.setFault(*faultKind);
    devices.setPaced(parser.isSet(pace));
    devices.setGapMs(gapMs);
    SimLine line(&devices);
    QString error;
    const bool opened = parser.isSet(port) ? line.openSerial(parser.value(port), &error)
                                           : line.openPty(&error);
    if (!opened)
        return fail(error, 1);
    // SIGINT, SIGTERM and SIGHUP (on Windows the console's Ctrl+C, Ctrl+Break
    // and close) quit the event loop: a served port is closed. SIGUSR1
    // unplugs the current device.
    if (!system::onEndSignals(&app, [](int) { QCoreApplication::quit(); })
        || !system::onUserSignal(&devices, [&devices] { devices.unplug(); }))
        return fail(QStringLiteral("cannot install signal handlers"), 1);
    system::ignoreBrokenPipe();  // a closed log reader must not end the device

    printLine(stdout, line.path());
    QObject::connect(&devices, &SimBatch::logLine, &app, [](const QString &text) { printLine(stdout, text); });
    QObject::connect(&line, &SimLine::lineLost, &app, [](const QString &message) {
        QCoreApplication::exit(fail(message, 1));
    });
    // Without --batch the log is as it always was: the one device is there from the start.
    devices.start(parser.isSet(batch));
    new ControlInput(&devices);
    return app.exec();
}
