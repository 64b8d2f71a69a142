#include "Command.h"

#include "CliTexts.h"
#include "Console.h"
#include "Ending.h"
#include "Exit.h"
#include "Link.h"
#include "SerialSession.h"
#include "Streams.h"
#include "Terminal.h"

#include <QCoreApplication>
#include <QLoggingCategory>

namespace rallon::cli {

Command portsCommand();
Command readCommand();
Command writeCommand();
Command setCommand();
Command provisionCommand();
Command ledgerCommand();

namespace {

using document::quoted;
namespace text = clitext::usage;

const Option Timeout{{QStringLiteral("timeout-ms")}, QStringLiteral("N"),
                     Range{1, INT_MAX, text::TimeoutRange}};
const Option Trace{{QStringLiteral("trace")}, QString(), std::nullopt};

}  // namespace

const QList<Command> &commands()
{
    static const QList<Command> table{portsCommand(), readCommand(), writeCommand(), setCommand(),
                                      provisionCommand(), ledgerCommand()};
    return table;
}

QList<Option> allOptions()
{
    QList<Option> options{Timeout, Trace};
    QStringList names{Timeout.names.first(), Trace.names.first()};
    for (const Command &command : commands()) {
        for (const Option &option : command.options) {
            if (!names.contains(option.names.first())) {
                names << option.names.first();
                options << option;
            }
        }
    }
    return options;
}

int usage(const QString &message, const QString &command)
{
    complain(message);
    complain(QString::fromLatin1(text::TryHelp)
                 .arg(command.isEmpty() ? QString() : command + QLatin1Char(' ')));
    return Usage;
}

int invoke(const Command &command, const QCommandLineParser &parser)
{
    const QString name = QLatin1String(command.name);
    const QStringList arguments = parser.positionalArguments();
    QList<Option> taken = command.options;
    if (!command.positionals.isEmpty())
        taken << Timeout << Trace;
    for (const QString &given : parser.optionNames()) {
        const bool known = std::any_of(taken.cbegin(), taken.cend(),
                                       [&given](const Option &option) { return option.names.contains(given); });
        if (!known)
            return usage(QString::fromLatin1(text::NotTaken)
                             .arg(name, given.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), given),
                         name);
    }
    if (arguments.size() > command.positionals.size() + 1
        || arguments.size() < command.positionals.size() + 1 - command.optional) {
        return usage(arguments.size() <= command.positionals.size()
                         ? QString::fromLatin1(text::Needs).arg(name, command.positionals.join(QStringLiteral(" and ")))
                         : QString::fromLatin1(text::Unexpected).arg(quoted(arguments.at(command.positionals.size() + 1))),
                     name);
    }
    Invocation call{parser, arguments, SerialSession::ReplyTimeoutMs, {}};
    // The time-out, PORT, then the command's own numbers.
    const auto refused = [&](const Option &option) {
        const QString key = option.names.first();
        if (!option.number || !parser.isSet(key))
            return false;
        const std::optional<qint64> number = batch::wholeNumber(parser.value(key));
        if (!number || *number < option.number->min || *number > option.number->max)
            return true;
        call.numbers.insert(key, int(*number));
        return false;
    };
    if (refused(Timeout))
        return usage(QString::fromLatin1(Timeout.number->refusal), name);
    call.timeoutMs = call.numbers.value(Timeout.names.first(), SerialSession::ReplyTimeoutMs);
    if (arguments.size() > 1) {
        const QString port = arguments.at(1);
        if (const std::optional<qint64> number = batch::wholeNumber(port); number && (*number < 1 || *number > 25))
            return usage(QString::fromLatin1(text::PortRange).arg(port), name);
    }
    for (const Option &option : command.options) {
        if (refused(option))
            return usage(QString::fromLatin1(option.number->refusal), name);
    }
    if (parser.isSet(Trace.names.first())) {
        QLoggingCategory::setFilterRules(QStringLiteral("rallon.serial.debug=true"));
        qSetMessagePattern(QStringLiteral("%{time process} %{message}"));
    }
    // A reader of the output that went away fails the write, not the program:
    // a device changed must still get its ledger line.
    system::ignoreBrokenPipe();
    if (!watchEndSignals(QCoreApplication::instance()))
        complain(QString::fromLatin1(text::NoEndSignals));

    const int status = command.run(call);
    if (endSignal())
        return signalExit(endSignal());
    return status;
}

}  // namespace rallon::cli
