// rallon-cli: reads, backs up, restores and clones a Tarvex Power Rallon's
// configuration from the command line, through the window's serial session,
// decoder and upload checks.

#include "Change.h"
#include "ConfigRecord.h"
#include "Document.h"
#include "PortList.h"
#include "PortMapping.h"
#include "SerialSession.h"
#include "Snapshot.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>

#include <cstdio>

using namespace rallon;

namespace {

enum Exit { Done = 0, Usage = 1, Refused = 2, NoAnswer = 3, PortFailed = 4, Differs = 5 };

const char *const GeneralHelp = R"txt(rallon-cli reads and changes the configuration of a Tarvex Power Rallon over a
serial line: print it, back it up to a file, restore or clone it from a file,
or change single settings. Every change is checked with the same rules and
messages as the configuration window, and afterwards verified: the device's
answer must hold exactly what was sent.

Usage:
  rallon-cli ports                              which number do I type?
  rallon-cli read PORT [--json] [-o FILE]       print or save the configuration
  rallon-cli write PORT FILE [--dry-run]        send a saved configuration
  rallon-cli set PORT SETTING... [--dry-run]    change single settings
  rallon-cli COMMAND --help                     more about one command
  rallon-cli --version

Before read, write or set, put the device in its configuration mode: cable
its Comm 1 port to the PC with a straight-through cable and hold its toggle
button while powering it up; the green LED then blinks twice a second.

PORT is the serial port's number, 1 to 25, as the configuration window asks
for it ("rallon-cli ports" shows the number of each port present), or a
device path such as /dev/ttyUSB0. The line runs at 4800 baud, 8N1.

Options for every command:
  --timeout-ms N   wait at most N ms for the device's answer (default 8000)
  -h, --help       print help for the command

Exit status:
  0  done; for write and set: sent, and the device's answer matches
  1  wrong command line, or the output file cannot be written
  2  input refused, with the reason on standard error (for a setting, the
     window's own message); no change is sent to the device
  3  no answer from the device within the time-out
  4  the port cannot be opened; the system's reason is on standard error
  5  the device answered with a configuration that differs from what was
     sent; the fields that differ are on standard error

Examples:
  rallon-cli ports
  rallon-cli read 1
  rallon-cli read /dev/ttyUSB0 --json -o rallon-4660.json     # back up
  rallon-cli write 1 rallon-4660.json                          # restore, clone
  rallon-cli set 1 --ip 192.168.1.30 --primary-port 4001
)txt";

const char *const PortsHelp = R"txt(Usage: rallon-cli ports

Lists the serial ports present on this computer, one per line: the number to
type as PORT (the number the configuration window takes for it, or "-" when
no number from 1 to 25 reaches it; then give its path instead), the device
path, and what the system knows of it (description, manufacturer, the
adapter's serial number). Port n is /dev/ttyUSB{n-1} when it exists, else
/dev/ttyACM{n-1} when it exists, else /dev/ttyS{n-1}; on Windows COMn.
)txt";

const char *const ReadHelp = R"txt(Usage: rallon-cli read PORT [--json] [-o FILE] [--timeout-ms N]

Retrieves the device's configuration and prints every setting with the texts
the configuration window's CURRENT DATA column shows: addresses, primary
port, SSID, encryption, password (or the shared key, as 128 hexadecimal
digits), the four settings of each of the device's serial ports, the serial
number and the model (wireless or wired). "N / A" marks a setting the model
does not have.

  --json        print the "rallon-config/1" JSON document instead (see the
                README); "rallon-cli write" takes it back
  -o FILE       write to FILE instead of standard output; FILE is replaced
                only when the whole run succeeded
)txt";

const char *const WriteHelp = R"txt(Usage: rallon-cli write PORT FILE [--dry-run] [--timeout-ms N]

Sends the configuration in FILE, a "rallon-config/1" JSON document as
"rallon-cli read --json" writes it. First it retrieves the device's current
configuration: a setting that FILE leaves out keeps the device's value, as an
empty NEW DATA field does in the window. The settings then pass the window's
checks, in the window's order and with its messages; the 113-octet record is
sent and the device's answer must hold exactly what was sent.

serialNumber and model in FILE are ignored. Unknown fields, a wrong format
and a list value not in its list are refused before anything is sent.

  --dry-run     retrieve and check, then print the record that would be sent
                in hexadecimal; send no change
)txt";

const char *const SetHelp = R"txt(Usage: rallon-cli set PORT SETTING... [--dry-run] [--timeout-ms N]

Changes the settings given and keeps the others, exactly as "write" does
with a document holding only those settings.

Settings (list values as the window's lists show them; quote blanks):
  --ip A.B.C.D             IP address
  --mask A.B.C.D           subnet mask
  --gateway A.B.C.D        default gateway
  --primary-port N         primary port, 0 to 32499
  --ssid S                 SSID, at most 21 characters (wireless model)
  --encryption NAME        "None", "WEP", "WAP (TKIP)" or "WAP (AES)"
  --password P             password (wireless model)
  --shared-key HEX         64-octet shared key as 128 hexadecimal digits,
                           instead of a password
  --com1-baud V            2400 4800 9600 14400 19200 28800 38400 56000
                           57600 115200
  --com1-data-bits V       7 or 8
  --com1-stop-bits V       1 or 2
  --com1-parity V          NONE, EVEN or ODD
  --com2-baud V, --com2-data-bits V, --com2-stop-bits V, --com2-parity V
                           the same for the device's Comm 2 port
  --dry-run                retrieve and check, then print the record that
                           would be sent in hexadecimal; send no change
)txt";

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void complain(const QString &text)
{
    print(stderr, QStringLiteral("rallon-cli: ") + text + QLatin1Char('\n'));
}

int usage(const QString &text, const QString &command = QString())
{
    complain(text);
    print(stderr, QStringLiteral("Try \"rallon-cli %1--help\".\n")
                      .arg(command.isEmpty() ? QString() : command + QLatin1Char(' ')));
    return Usage;
}

// The window's line breaks (CR LF or CR alone) as a terminal's.
QString terminalText(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

// The serial session, waited on one exchange at a time.
class Link {
public:
    explicit Link(int timeoutMs) { m_session.Timer1.setInterval(timeoutMs); }

    // A number 1..25 through the window's mapping, or a device path.
    int open(const QString &port)
    {
        static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
        int number = 1;
        if (digits.match(port).hasMatch())
            number = port.toInt();
        else
            setPortMapping([port](int) { return port; });
        if (!m_session.open(number)) {
            complain(m_session.errorString());
            return PortFailed;
        }
        return Done;
    }

    // Opens `port` and retrieves the device's record into `device`.
    int openAndRetrieve(const QString &port, ConfigRecord *device)
    {
        if (const int failed = open(port))
            return failed;
        return retrieve(device);
    }

    int retrieve(ConfigRecord *record)
    {
        m_session.beginRequest();
        m_session.write(frame::requestCommand());
        for (int i = 0; i < frame::FillerCount; ++i)
            m_session.write(QByteArray(1, frame::Filler));
        m_session.armReplyTimeout();
        return await(record);
    }

    int upload(const QByteArray &upload, ConfigRecord *answer)
    {
        m_session.beginRequest();
        m_session.write(upload);
        m_session.armReplyTimeout();
        return await(answer);
    }

private:
    int await(ConfigRecord *record)
    {
        QEventLoop loop;
        int outcome = NoAnswer;
        QObject::connect(&m_session, &SerialSession::recordReceived, &loop, [&](const QByteArray &bytes) {
            *record = *decodeRecord(bytes);  // the session hands on complete records only
            outcome = Done;
            loop.quit();
        });
        QObject::connect(&m_session, &SerialSession::replyTimedOut, &loop, [&] {
            complain(QStringLiteral("no answer within %1 ms. Check the cable and its connections, "
                                    "and that the Rallon is powered on and in its configuration "
                                    "mode (green LED blinking about twice a second).")
                         .arg(m_session.Timer1.interval()));
            outcome = NoAnswer;
            loop.quit();
        });
        QObject::connect(&m_session, &SerialSession::portLost, &loop, [&] {
            complain(QStringLiteral("the port was lost: %1").arg(m_session.errorString()));
            outcome = PortFailed;
            loop.quit();
        });
        loop.exec();
        return outcome;
    }

    SerialSession m_session;
};

// The value of a document field ("ip", "com1.baud") as text, for messages.
QString documentValue(const QJsonObject &document, const QString &field)
{
    const QStringList path = field.split(QLatin1Char('.'));
    QJsonValue value = document.value(path.first());
    if (path.size() > 1)
        value = value.toObject().value(path.at(1));
    if (value.isUndefined())
        return QStringLiteral("(none)");
    return value.isString() ? QLatin1Char('"') + value.toString() + QLatin1Char('"')
                            : value.toVariant().toString();
}

// Retrieve, check, upload and verify (or, dry, print the upload).
int change(const QString &port, const cli::Wanted &wanted, bool dryRun, int timeoutMs)
{
    Link link(timeoutMs);
    ConfigRecord device;
    if (const int failed = link.openAndRetrieve(port, &device))
        return failed;

    const ChangeResult result = buildUpload(cli::changeSnapshotFor(device, wanted));
    if (result.refusal) {
        print(stderr, QStringLiteral("rallon-cli: refused, no change sent: %1\n%2\n")
                          .arg(result.refusal->title, terminalText(result.refusal->text)));
        return Refused;
    }
    if (dryRun) {
        print(stdout, QString::fromLatin1(result.record.toHex(' ')) + QLatin1Char('\n'));
        return Done;
    }

    ConfigRecord answer;
    if (const int failed = link.upload(result.record, &answer))
        return failed;
    ConfigRecord sent = *decodeUpload(result.record);
    const QStringList differing = cli::differingFields(sent, answer);
    if (!differing.isEmpty()) {
        sent.serialNumber = answer.serialNumber;
        sent.deviceKind = answer.deviceKind;
        const QJsonObject sentDocument = cli::documentOf(sent);
        const QJsonObject answerDocument = cli::documentOf(answer);
        QString text = QStringLiteral("the device answered with a configuration that differs from "
                                      "what was sent, in: %1")
                           .arg(differing.join(QStringLiteral(", ")));
        for (const QString &field : differing) {
            text += QStringLiteral("\n  %1: sent %2, the device holds %3")
                        .arg(field, documentValue(sentDocument, field), documentValue(answerDocument, field));
        }
        complain(text);
        return Differs;
    }
    print(stdout, QStringLiteral("written and verified (serial number %1)\n").arg(answer.serialNumber));
    return Done;
}

int readCommand(const QString &port, bool json, const QString &output, int timeoutMs)
{
    // Opened first, so that a file that cannot be written costs no exchange.
    QSaveFile file(output);
    if (!output.isEmpty() && !file.open(QIODevice::WriteOnly)) {
        complain(QStringLiteral("cannot write %1: %2").arg(output, file.errorString()));
        return Usage;
    }
    Link link(timeoutMs);
    ConfigRecord device;
    if (const int failed = link.openAndRetrieve(port, &device))
        return failed;

    const QByteArray text = json ? QJsonDocument(cli::documentOf(device)).toJson(QJsonDocument::Indented)
                                 : cli::listingOf(device).toLocal8Bit();
    if (output.isEmpty()) {
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        std::fflush(stdout);
        return Done;
    }
    file.write(text);
    if (!file.commit()) {
        complain(QStringLiteral("cannot write %1: %2").arg(output, file.errorString()));
        return Usage;
    }
    return Done;
}

int writeCommand(const QString &port, const QString &path, bool dryRun, int timeoutMs)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        complain(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return Refused;
    }
    cli::InputError error;
    const std::optional<cli::Wanted> wanted = cli::wantedFromDocument(file.readAll(), &error);
    if (!wanted) {
        complain(QStringLiteral("%1: %2; nothing sent").arg(path, error.message()));
        return Refused;
    }
    return change(port, *wanted, dryRun, timeoutMs);
}

struct SettingOption {
    const char *name;
    std::optional<QString> cli::Wanted::*text = nullptr;  // a plain text setting
    int serial = -1;                                       // else a serial setting
};

const SettingOption SettingOptions[] = {
    {"ip", &cli::Wanted::ip},
    {"mask", &cli::Wanted::mask},
    {"gateway", &cli::Wanted::gateway},
    {"primary-port", &cli::Wanted::primaryPort},
    {"ssid", &cli::Wanted::ssid},
    {"encryption", &cli::Wanted::encryption},
    {"password", &cli::Wanted::password},
    {"shared-key"},
    {"com1-baud", nullptr, Com1Baud},
    {"com1-data-bits", nullptr, Com1DataBits},
    {"com1-stop-bits", nullptr, Com1StopBits},
    {"com1-parity", nullptr, Com1Parity},
    {"com2-baud", nullptr, Com2Baud},
    {"com2-data-bits", nullptr, Com2DataBits},
    {"com2-stop-bits", nullptr, Com2StopBits},
    {"com2-parity", nullptr, Com2Parity},
};

int setCommand(const QString &port, const QCommandLineParser &parser, bool dryRun, int timeoutMs)
{
    cli::Wanted wanted;
    bool any = false;
    cli::InputError error;
    for (const SettingOption &option : SettingOptions) {
        const QString name = QLatin1String(option.name);
        if (!parser.isSet(name))
            continue;
        any = true;
        const QString value = parser.value(name);
        const QString shown = QStringLiteral("--") + name;
        bool ok = true;
        if (option.serial >= 0) {
            const auto setting = SerialSetting(option.serial);
            wanted.serial[setting] = cli::listText(serialSettingList(setting), value, shown, &error);
            ok = bool(wanted.serial[setting]);
        } else if (name == QLatin1String("shared-key")) {
            wanted.sharedKey = cli::sharedKeyOctets(value, shown, &error);
            ok = bool(wanted.sharedKey);
        } else if (name == QLatin1String("encryption")) {
            wanted.encryption = cli::listText(SettingList::Encryption, value, shown, &error);
            ok = bool(wanted.encryption);
        } else {
            wanted.*option.text = value;
        }
        if (!ok) {
            complain(error.message() + QStringLiteral("; nothing sent"));
            return Refused;
        }
    }
    if (!any)
        return usage(QStringLiteral("set: give at least one setting, for example --ip 192.168.1.30"),
                     QStringLiteral("set"));
    if (wanted.password && wanted.sharedKey)
        return usage(QStringLiteral("set: give either --password or --shared-key, not both"),
                     QStringLiteral("set"));
    return change(port, wanted, dryRun, timeoutMs);
}

int portsCommand()
{
    print(stdout, portListText(presentPorts()) + QLatin1Char('\n'));
    return Done;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rallon-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RALLON_VERSION));

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption timeout(QStringLiteral("timeout-ms"), QString(), QStringLiteral("N"),
                                     QString::number(SerialSession::ReplyTimeoutMs));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")}, QString(),
                                    QStringLiteral("FILE"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    parser.addOptions({help, version, timeout, json, output, dryRun});
    for (const SettingOption &option : SettingOptions)
        parser.addOption(QCommandLineOption(QLatin1String(option.name), QString(), QStringLiteral("value")));

    if (!parser.parse(app.arguments()))
        return usage(parser.errorText());
    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.value(0);
    const std::pair<const char *, const char *> helps[] = {
        {"ports", PortsHelp}, {"read", ReadHelp}, {"write", WriteHelp}, {"set", SetHelp}};
    const char *commandHelp = nullptr;
    for (const auto &[name, text] : helps) {
        if (command == QLatin1String(name))
            commandHelp = text;
    }

    if (parser.isSet(version) && command.isEmpty()) {
        print(stdout, QStringLiteral("rallon-cli %1\n").arg(QCoreApplication::applicationVersion()));
        return Done;
    }
    if (parser.isSet(help) && (command.isEmpty() || commandHelp)) {
        print(stdout, QString::fromUtf8(commandHelp ? commandHelp : GeneralHelp));
        return Done;
    }
    if (command.isEmpty())
        return usage(QStringLiteral("no command given"));
    if (!commandHelp)
        return usage(QStringLiteral("unknown command \"%1\"").arg(command));

    // Which options each command takes, besides --timeout-ms.
    QStringList allowed{QStringLiteral("timeout-ms")};
    int positionals = 2;
    if (command == QLatin1String("ports")) {
        positionals = 1;
    } else if (command == QLatin1String("read")) {
        allowed << QStringLiteral("json") << QStringLiteral("o") << QStringLiteral("output");
    } else if (command == QLatin1String("write")) {
        allowed << QStringLiteral("dry-run");
        positionals = 3;
    } else {
        allowed << QStringLiteral("dry-run");
        for (const SettingOption &option : SettingOptions)
            allowed << QLatin1String(option.name);
    }
    for (const QString &name : parser.optionNames()) {
        if (!allowed.contains(name))
            return usage(QStringLiteral("%1 does not take %2%3")
                             .arg(command, name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name),
                         command);
    }
    if (arguments.size() != positionals) {
        static const char *const expected[] = {"", "", "PORT", "PORT and FILE"};
        return usage(arguments.size() < positionals
                         ? QStringLiteral("%1 needs %2").arg(command, QLatin1String(expected[positionals]))
                         : QStringLiteral("unexpected argument \"%1\"").arg(arguments.at(positionals)),
                     command);
    }
    bool numeric = false;
    const int timeoutMs = parser.value(timeout).toInt(&numeric);
    if (!numeric || timeoutMs < 1)
        return usage(QStringLiteral("--timeout-ms needs a number of milliseconds, 1 or more"), command);

    if (command == QLatin1String("ports"))
        return portsCommand();
    const QString port = arguments.at(1);
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (digits.match(port).hasMatch() && (port.toInt() < 1 || port.toInt() > 25))
        return usage(QStringLiteral("PORT must be a number from 1 to 25 or a device path, not %1").arg(port),
                     command);
    if (command == QLatin1String("read"))
        return readCommand(port, parser.isSet(json), parser.value(output), timeoutMs);
    if (command == QLatin1String("write"))
        return writeCommand(port, arguments.at(2), parser.isSet(dryRun), timeoutMs);
    return setCommand(port, parser, parser.isSet(dryRun), timeoutMs);
}
