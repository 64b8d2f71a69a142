// rallon-sim: plays the Tarvex Power Rallon's side of the serial line.

#include "EndSignals.h"
#include "Terminal.h"
#include "SimBatch.h"
#include "SimLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <QMutex>

#include <io.h>
#include <thread>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace rallon;

namespace {

constexpr int StdinRetryMs = 200;  // after EIO: in the background of a terminal
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

#ifndef Q_OS_WIN
int unplugPipe[2] = {-1, -1};

void onUnplugSignal(int)
{
    const int saved = errno;
    const char octet = 1;
    if (::write(unplugPipe[1], &octet, 1) < 0) {
        // a full pipe already holds unplugs
    }
    errno = saved;
}

// SIGUSR1 unplugs the current device, from the event loop.
bool unplugOnSignal(SimBatch *batch)
{
    if (::pipe2(unplugPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = onUnplugSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGUSR1, &action, nullptr) != 0)
        return false;
    auto *notifier = new QSocketNotifier(unplugPipe[0], QSocketNotifier::Read, batch);
    QObject::connect(notifier, &QSocketNotifier::activated, batch, [batch] {
        char octets[64];
        ssize_t count;
        while ((count = ::read(unplugPipe[0], octets, sizeof octets)) > 0) {
            for (ssize_t i = 0; i < count; ++i)
                batch->unplug();
        }
    });
    return true;
}

#endif

// Control lines from standard input, read as they come without blocking
// the event loop. End of input only ends the reading.
class ControlInput : public QObject
{
public:
#ifdef Q_OS_WIN
    // Windows waits on no pipe or console: a thread reads, and hands what it
    // read to the event loop while this object lives.
    explicit ControlInput(SimBatch *batch) : QObject(batch), m_batch(batch)
    {
        if (const intptr_t input = ::_get_osfhandle(0); input == -1 || input == -2)
            return;  // no standard input at all (-2: none given to the process)
        current() = this;
        std::thread([] {
            char buffer[4096];
            for (;;) {
                const int count = ::_read(0, buffer, sizeof buffer);
                const QByteArray octets(buffer, count > 0 ? count : 0);
                const QMutexLocker locker(&currentLock());
                if (current())
                    QMetaObject::invokeMethod(current(), [input = current(), octets] { input->take(octets); },
                                              Qt::QueuedConnection);
                if (count <= 0)
                    return;
            }
        }).detach();
    }
    ~ControlInput() override
    {
        const QMutexLocker locker(&currentLock());
        current() = nullptr;
    }

private:
    static ControlInput *&current()
    {
        static ControlInput *input = nullptr;
        return input;
    }
    static QMutex &currentLock()
    {
        static QMutex lock;
        return lock;
    }

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
#else
    explicit ControlInput(SimBatch *batch) : QObject(batch), m_batch(batch)
    {
        if (::fcntl(STDIN_FILENO, F_GETFD) < 0)
            return;  // no standard input at all
        // In the background of a terminal a read fails (EIO) instead of stopping the program.
        std::signal(SIGTTIN, SIG_IGN);
        m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &ControlInput::read);
    }

private:
    // One read per wake: standard input may block, and stays as it was given.
    void read()
    {
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (count < 0 && errno == EIO) {
            m_notifier->setEnabled(false);
            QTimer::singleShot(StdinRetryMs, this, [this] { m_notifier->setEnabled(true); });
            return;
        }
        if (count <= 0) {
            m_notifier->setEnabled(false);
            takeLine(m_pending);  // a last line without its newline
            m_pending.clear();
            return;
        }
        m_pending.append(buffer, int(count));
        takeLines();
    }

    QSocketNotifier *m_notifier = nullptr;
#endif

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
    rallon::document::plainLineEnds();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rallon-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RALLON_VERSION));

    QCommandLineParser parser;
#ifdef Q_OS_WIN
    parser.setApplicationDescription(QStringLiteral(
        "Plays the Tarvex Power Rallon's side of the serial line on the COM port --port names, "
        "and prints the port on the first line; then one log line per event.\n"
        "The line \"unplug\" on standard input unplugs the current device; "
        "\"fault NAME\" sets the fault for it and the devices after it."));
#else
    parser.setApplicationDescription(QStringLiteral(
        "Plays the Tarvex Power Rallon's side of the serial line. Without --port it opens a "
        "pseudo-terminal and prints its path on the first line; then one log line per event.\n"
        "SIGUSR1 or the line \"unplug\" on standard input unplugs the current device; "
        "\"fault NAME\" sets the fault for it and the devices after it."));
#endif
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
    parser.addOptions({port, model, fault, pace, batch, gap});

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
    const int gapMs = numberAtLeast(parser.value(gap), 0);
    if (gapMs < 0)
        return fail(QStringLiteral("--gap-ms wants a whole number of at least 0, not \"%1\"").arg(parser.value(gap)), 2);

#ifdef Q_OS_WIN
    if (!parser.isSet(port))
        return fail(QStringLiteral("Windows has no pseudo-terminals: give the COM port to serve, --port COMn"), 2);
#endif

    SimBatch devices(*config, count);
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
    // and close) quit the event loop: a served port is closed.
#ifdef Q_OS_WIN
    if (!onEndSignals(&app, [](int) { QCoreApplication::quit(); }))
        return fail(QStringLiteral("cannot install signal handlers"), 1);
#else
    if (!onEndSignals(&app, [](int) { QCoreApplication::quit(); }) || !unplugOnSignal(&devices))
        return fail(QStringLiteral("cannot install signal handlers"), 1);
    std::signal(SIGPIPE, SIG_IGN);  // a closed log reader must not end the device
#endif

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
