// rallon-cli: reads, backs up, restores and clones a Tarvex Power Rallon's
// configuration from the command line, through the window's serial session,
// decoder and upload checks. Each command is in commands/; this finds the
// command named and runs it.

#include "CliTexts.h"
#include "Command.h"
#include "Console.h"
#include "Port.h"
#include "Streams.h"
#include "Terminal.h"

#include <QCommandLineParser>
#include <QCoreApplication>

using namespace rallon;
using namespace rallon::cli;
using rallon::document::quoted;

int main(int argc, char *argv[])
{
    rallon::system::plainLineEnds();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rallon-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RALLON_VERSION));

    // Every command's options, so that one a command does not take is named
    // as such rather than as unknown.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({help, version});
    for (const Option &option : allOptions())
        parser.addOption(QCommandLineOption(option.names, QString(), option.valueName));

    if (!parser.parse(app.arguments()))
        return usage(parser.errorText());
    const QString name = parser.positionalArguments().value(0);
    const Command *command = nullptr;
    for (const Command &each : commands()) {
        if (name == QLatin1String(each.name))
            command = &each;
    }

    if (parser.isSet(version) && name.isEmpty())
        return say(QStringLiteral("rallon-cli %1").arg(QCoreApplication::applicationVersion()));
    if (parser.isSet(help) && (name.isEmpty() || command)) {
        const QString text = command ? QString::fromUtf8(command->help)
                                     : QString::fromUtf8(clitext::GeneralHelp).arg(QLatin1String(system::examplePortDevice()));
        return put(text.toLocal8Bit());
    }
    if (name.isEmpty())
        return usage(QString::fromLatin1(clitext::usage::NoCommand));
    if (!command)
        return usage(QString::fromLatin1(clitext::usage::UnknownCommand).arg(quoted(name)));
    return invoke(*command, parser);
}
