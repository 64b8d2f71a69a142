// rallon-cli: reads, backs up, restores and clones a Tarvex Power Rallon's
// configuration from the command line, through the window's serial session,
// decoder and upload checks.

#include "AddressPolicy.h"
#include "Apply.h"
#include "CliTexts.h"
#include "Console.h"
#include "Document.h"
#include "Exit.h"
#include "Link.h"
#include "Message.h"
#include "OutputFile.h"
#include "Plan.h"
#include "PortList.h"
#include "Provision.h"
#include "SettingNames.h"
#include "Terminal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QStringDecoder>

#include <csignal>
#include <variant>

using namespace rallon;
using namespace rallon::cli;
using namespace rallon::document;
using namespace rallon::provision;
namespace text = rallon::clitext::message;

namespace {

struct Invocation {
    const QCommandLineParser &parser;
    QStringList arguments;  // the command first
    int timeoutMs = 0;
};

int usage(const QString &message, const QString &command = QString())
{
    complain(message);
    complain(QStringLiteral("try \"rallon-cli %1--help\"")
                 .arg(command.isEmpty() ? QString() : command + QLatin1Char(' ')));
    return Usage;
}

bool holdsSecret(const ConfigRecord &record)
{
    return valueOf(record, fieldOf(Setting::Password)) || valueOf(record, QLatin1String(SharedKeyName.field));
}

// Retrieve, decide, upload and verify (or, dry, show what would be sent).
int change(const QString &port, const Wanted &wanted, bool dryRun, int timeoutMs)
{
    Link link(port, timeoutMs);
    ConfigRecord device;
    if (const int failed = link.open())
        return failed;
    if (const int failed = link.retrieve(&device))
        return failed;

    const Applied applied = apply(link, device, wanted, dryRun);
    switch (applied.outcome) {
    case Applied::Outcome::AlreadyHeld:
        return say(dryRun ? QString::fromLatin1(text::NothingWouldChange)
                          : QString::fromLatin1(text::AlreadyHeld).arg(device.serialNumber));
    case Applied::Outcome::Planned:
        return say(applied.changeLines(QString()) + QString::fromLatin1(applied.plan.upload.toHex(' ')));
    case Applied::Outcome::Verified:
        return say(QString::fromLatin1(text::Verified).arg(applied.answer.serialNumber));
    case Applied::Outcome::Refused:
    case Applied::Outcome::Differs:
    case Applied::Outcome::Swapped:
    case Applied::Outcome::Failed:
    case Applied::Outcome::NotSent:
        break;
    }
    return applied.exit;
}

int readCommand(const Invocation &call)
{
    const QString output = call.parser.value(QStringLiteral("o"));
    OutputFile file;
    QString error;
    if (!output.isEmpty() && !file.open(output, &error)) {
        complain(QString::fromLatin1(text::CannotWrite).arg(escaped(output), error));
        return Usage;
    }
    Link link(call.arguments.at(1), call.timeoutMs);
    ConfigRecord device;
    if (const int failed = link.open())
        return failed;
    if (const int failed = link.retrieve(&device))
        return failed;

    const QByteArray content = call.parser.isSet(QStringLiteral("json")) ? documentText(device)
                                                                          : listingOf(device).toLocal8Bit();
    if (output.isEmpty())
        return put(content);
    if (!file.commit(content, holdsSecret(device), &error)) {
        complain(QString::fromLatin1(text::CannotWrite).arg(escaped(output), error));
        return Usage;
    }
    return Done;
}

// A file's content for `name`, or the exit status of the failure.
std::variant<QByteArray, int> inputOf(const QString &path, int timeoutMs)
{
    QString error;
    const std::optional<QByteArray> content = readInput(path, timeoutMs, MaxInputSize, &error);
    if (content)
        return *content;
    if (endSignal())
        return signalExit(endSignal());
    complain(escaped(error) + QStringLiteral("; nothing sent"));
    return Refused;
}

// A file read and checked by `check`, or the exit status of the refusal.
template <typename Value, typename Check>
std::variant<Value, int> checkedFile(const QString &path, int timeoutMs, Check check)
{
    const auto content = inputOf(path, timeoutMs);
    if (const int *failed = std::get_if<int>(&content))
        return *failed;
    InputError error;
    std::optional<Value> value = check(std::get<QByteArray>(content), &error);
    if (!value) {
        complain(QString::fromLatin1(text::FileRefused).arg(escaped(path), error.message()));
        return Refused;
    }
    return *value;
}

int writeCommand(const Invocation &call)
{
    const auto wanted = checkedFile<Wanted>(call.arguments.at(2), call.timeoutMs, wantedFromDocument);
    if (const int *failed = std::get_if<int>(&wanted))
        return *failed;
    return change(call.arguments.at(1), std::get<Wanted>(wanted), call.parser.isSet(QStringLiteral("dry-run")),
                  call.timeoutMs);
}

// A secret given in a file: one trailing line feed dropped, UTF-8.
std::variant<QString, int> secretFromFile(const QString &option, const QString &path, int timeoutMs)
{
    auto content = inputOf(path, timeoutMs);
    if (const int *failed = std::get_if<int>(&content))
        return *failed;
    QByteArray &octets = std::get<QByteArray>(content);
    if (octets.endsWith('\n'))
        octets.chop(1);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString secret = utf8(octets);
    if (utf8.hasError()) {
        complain(QString::fromLatin1(text::InputRefused)
                     .arg(InputError{option, QString::fromLatin1(text::NotUtf8)}.message()));
        return Refused;
    }
    return secret;
}

int setCommand(const Invocation &call)
{
    const QCommandLineParser &parser = call.parser;
    Wanted wanted;
    InputError error;
    const auto refuse = [&error] {
        complain(QString::fromLatin1(text::InputRefused).arg(error.message()));
        return Refused;
    };
    for (Setting setting : AllSettings) {
        const QString option = QLatin1String(nameOf(setting).option);
        if (!parser.isSet(option))
            continue;
        const QString value = parser.value(option);
        if (const std::optional<SettingList> list = settingList(setting)) {
            wanted[setting] = listText(*list, value, QStringLiteral("--") + option, &error);
            if (!wanted[setting])
                return refuse();
        } else {
            wanted[setting] = value;
        }
    }
    const QString keyOption = QLatin1String(SharedKeyName.option);
    const QString passwordFile = QStringLiteral("password-file");
    const QString keyFile = QStringLiteral("shared-key-file");
    if (parser.isSet(QStringLiteral("password")) && parser.isSet(passwordFile))
        return usage(QStringLiteral("set: give either --password or --password-file, not both"),
                     QStringLiteral("set"));
    if (parser.isSet(keyOption) && parser.isSet(keyFile))
        return usage(QStringLiteral("set: give either --shared-key or --shared-key-file, not both"),
                     QStringLiteral("set"));
    if (parser.isSet(passwordFile)) {
        const auto secret = secretFromFile(QStringLiteral("--") + passwordFile, parser.value(passwordFile),
                                           call.timeoutMs);
        if (const int *failed = std::get_if<int>(&secret))
            return *failed;
        wanted[Setting::Password] = std::get<QString>(secret);
    }
    if (parser.isSet(keyOption) || parser.isSet(keyFile)) {
        QString hex = parser.value(keyOption);
        QString name = QStringLiteral("--") + keyOption;
        if (parser.isSet(keyFile)) {
            name = QStringLiteral("--") + keyFile;
            const auto secret = secretFromFile(name, parser.value(keyFile), call.timeoutMs);
            if (const int *failed = std::get_if<int>(&secret))
                return *failed;
            hex = std::get<QString>(secret);
        }
        wanted.sharedKey = sharedKeyOctets(hex, name, &error);
        if (!wanted.sharedKey)
            return refuse();
    }
    if (wanted.isEmpty())
        return usage(QStringLiteral("set: give at least one setting, for example --ip 192.168.1.30"),
                     QStringLiteral("set"));
    if (!oneSecret(wanted, nullptr))
        return usage(QStringLiteral("set: give either a password or a shared key, not both"),
                     QStringLiteral("set"));
    return change(call.arguments.at(1), wanted, parser.isSet(QStringLiteral("dry-run")), call.timeoutMs);
}

int provisionCommand(const Invocation &call)
{
    namespace words = clitext::provision;
    const QCommandLineParser &parser = call.parser;
    const QString name = QStringLiteral("provision");
    for (const QString &needed : {QStringLiteral("template"), QStringLiteral("ledger")}) {
        if (!parser.isSet(needed))
            return usage(QStringLiteral("provision needs --%1").arg(needed), name);
    }
    if (!parser.isSet(QStringLiteral("ip-range")) && !parser.isSet(QStringLiteral("inventory")))
        return usage(QString::fromLatin1(words::NeedsAddresses), name);
    ProvisionOptions options;
    options.port = call.arguments.at(1);
    options.ledger = parser.value(QStringLiteral("ledger"));
    options.timeoutMs = call.timeoutMs;
    options.dryRun = parser.isSet(QStringLiteral("dry-run"));
    if (parser.isSet(QStringLiteral("count"))) {
        bool numeric = false;
        options.count = parser.value(QStringLiteral("count")).toInt(&numeric);
        if (!numeric || options.count < 1)
            return usage(QStringLiteral("--count needs a number of devices, 1 or more"), name);
    }

    const QString templatePath = parser.value(QStringLiteral("template"));
    const auto common = checkedFile<Wanted>(templatePath, call.timeoutMs, [&](const QByteArray &json, InputError *error) {
        std::optional<Wanted> wanted = wantedFromDocument(json, error);
        if (wanted && (*wanted)[Setting::Ip]) {
            *error = {fieldOf(Setting::Ip), QString::fromLatin1(words::TemplateIp)};
            wanted.reset();
        }
        return wanted;
    });
    if (const int *failed = std::get_if<int>(&common))
        return *failed;
    options.common = std::get<Wanted>(common);

    const QString inventoryPath = parser.value(QStringLiteral("inventory"));
    if (parser.isSet(QStringLiteral("inventory"))) {
        const auto inventory = checkedFile<Inventory>(inventoryPath, call.timeoutMs, [](const QByteArray &csv, InputError *error) {
            return inventoryFromCsv(csv, QString(), error);
        });
        if (const int *failed = std::get_if<int>(&inventory))
            return *failed;
        options.inventory = std::get<Inventory>(inventory);
    }
    if (parser.isSet(QStringLiteral("ip-range"))) {
        InputError error{QStringLiteral("--ip-range"), QString::fromLatin1(words::RangeNeedsMask)};
        const std::optional<QString> &mask = options.common[Setting::Mask];
        options.range = mask ? ipRange(parser.value(QStringLiteral("ip-range")), *mask, options.common[Setting::Gateway], &error)
                           : std::nullopt;
        if (!options.range) {
            complain(QString::fromLatin1(text::InputRefused).arg(error.message()));
            return Refused;
        }
    }
    // Every row and the range checked whole before the port is opened.
    InputError fault;
    if (!batchTakeable(options.common, options.inventory, options.range, templatePath, inventoryPath, &fault)) {
        complain(QString::fromLatin1(text::FileRefused).arg(escaped(fault.field), fault.reason));
        return Refused;
    }
    return cli::provision(options);
}

int portsCommand(const Invocation &)
{
    return say(portListText(presentPorts()));
}

struct Command {
    const char *name;
    const char *help;
    QStringList options;        // besides --help, --timeout-ms and --trace
    QStringList positionals;    // after the command's name
    int (*run)(const Invocation &);
};

QStringList settingOptions()
{
    QStringList options{QLatin1String(SharedKeyName.option), QStringLiteral("password-file"),
                        QStringLiteral("shared-key-file"), QStringLiteral("dry-run")};
    for (Setting setting : AllSettings)
        options << QLatin1String(nameOf(setting).option);
    return options;
}

const QList<Command> &commands()
{
    static const QList<Command> table{
        {"ports", clitext::PortsHelp, {}, {}, portsCommand},
        {"read", clitext::ReadHelp, {"json", "o", "output"}, {"PORT"}, readCommand},
        {"write", clitext::WriteHelp, {"dry-run"}, {"PORT", "FILE"}, writeCommand},
        {"set", clitext::SetHelp, settingOptions(), {"PORT"}, setCommand},
        {"provision", clitext::ProvisionHelp, {"template", "ip-range", "inventory", "ledger", "count", "dry-run"},
         {"PORT"}, provisionCommand},
    };
    return table;
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
    const QCommandLineOption trace(QStringLiteral("trace"));
    parser.addOptions({help, version, timeout, trace, QCommandLineOption(QStringLiteral("json")),
                       QCommandLineOption(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                          QString(), QStringLiteral("FILE")),
                       QCommandLineOption(QStringLiteral("dry-run"))});
    for (const char *option : {"template", "ip-range", "inventory", "ledger", "count"})
        parser.addOption(QCommandLineOption(QLatin1String(option), QString(), QStringLiteral("value")));
    for (const QString &option : settingOptions()) {
        if (option != QLatin1String("dry-run"))
            parser.addOption(QCommandLineOption(option, QString(), QStringLiteral("value")));
    }

    if (!parser.parse(app.arguments()))
        return usage(parser.errorText());
    const QStringList arguments = parser.positionalArguments();
    const QString name = arguments.value(0);
    const Command *command = nullptr;
    for (const Command &each : commands()) {
        if (name == QLatin1String(each.name))
            command = &each;
    }

    if (parser.isSet(version) && name.isEmpty())
        return say(QStringLiteral("rallon-cli %1").arg(QCoreApplication::applicationVersion()));
    if (parser.isSet(help) && (name.isEmpty() || command)) {
        const QString help = command ? QString::fromUtf8(command->help)
                                     : QString::fromUtf8(clitext::GeneralHelp).arg(QLatin1String(clitext::DeviceExample));
        return put(help.toLocal8Bit());
    }
    if (name.isEmpty())
        return usage(QStringLiteral("no command given"));
    if (!command)
        return usage(QStringLiteral("unknown command %1").arg(quoted(name)));

    const QStringList common{QStringLiteral("timeout-ms"), QStringLiteral("trace")};
    for (const QString &option : parser.optionNames()) {
        if (!command->options.contains(option) && !(command->positionals.size() && common.contains(option)))
            return usage(QStringLiteral("%1 does not take %2%3")
                             .arg(name, option.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), option),
                         name);
    }
    if (arguments.size() != command->positionals.size() + 1) {
        return usage(arguments.size() <= command->positionals.size()
                         ? QStringLiteral("%1 needs %2").arg(name, command->positionals.join(QStringLiteral(" and ")))
                         : QStringLiteral("unexpected argument %1").arg(quoted(arguments.at(command->positionals.size() + 1))),
                     name);
    }
    bool numeric = false;
    const int timeoutMs = parser.value(timeout).toInt(&numeric);
    if (!numeric || timeoutMs < 1)
        return usage(QStringLiteral("--timeout-ms needs a number of milliseconds, 1 or more"), name);
    if (arguments.size() > 1) {
        const QString port = arguments.at(1);
        if (const std::optional<int> number = portNumber(port); number && (*number < 1 || *number > 25))
            return usage(QStringLiteral("PORT must be a number from 1 to 25 or a device path, not %1").arg(port),
                         name);
    }
    if (parser.isSet(trace)) {
        QLoggingCategory::setFilterRules(QStringLiteral("rallon.serial.debug=true"));
        qSetMessagePattern(QStringLiteral("%{time process} %{message}"));
    }
#ifdef Q_OS_UNIX
    // A reader of the output that went away fails the write, not the program:
    // a device changed must still get its ledger line.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    if (!watchEndSignals(&app))
        complain(QStringLiteral("cannot watch for end signals; an interrupted run may leave the port's lock"));

    const int status = command->run({parser, arguments, timeoutMs});
    if (endSignal())
        return signalExit(endSignal());
    return status;
}
