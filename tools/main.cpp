// rallon-sim: plays the Tarvex Power Rallon's side of the serial line.

#include "EndSignals.h"
#include "SimDevice.h"
#include "SimLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

using namespace rallon;

namespace {

void printLine(FILE *stream, const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int fail(const QString &message, int code)
{
    printLine(stderr, QStringLiteral("rallon-sim: ") + message);
    return code;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rallon-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays the Tarvex Power Rallon's side of the serial line. Without --port it opens a "
        "pseudo-terminal and prints its path on the first line; then one log line per frame."));
    const QCommandLineOption help = parser.addHelpOption();
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
                                  QStringLiteral("Send at the speed of a 4800-baud line."));
    parser.addOptions({port, model, fault, pace});

    if (!parser.parse(app.arguments()))
        return fail(parser.errorText(), 2);
    if (parser.isSet(help))
        parser.showHelp(0);
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

    SimDevice device(*config);
    device.setFault(*faultKind);
    device.setPaced(parser.isSet(pace));
    SimLine line(&device);
    QString error;
    const bool opened = parser.isSet(port) ? line.openSerial(parser.value(port), &error)
                                           : line.openPty(&error);
    if (!opened)
        return fail(error, 1);
    // SIGINT, SIGTERM and SIGHUP quit the event loop: a served port is closed.
    if (!onEndSignals(&app, [](int) { QCoreApplication::quit(); }))
        return fail(QStringLiteral("cannot install signal handlers"), 1);
    std::signal(SIGPIPE, SIG_IGN);  // a closed log reader must not end the device

    printLine(stdout, line.path());
    QObject::connect(&device, &SimDevice::logLine, &app, [](const QString &text) { printLine(stdout, text); });
    QObject::connect(&line, &SimLine::lineLost, &app, [](const QString &message) {
        QCoreApplication::exit(fail(message, 1));
    });
    return app.exec();
}
