#pragma once

// rallon-cli's commands: each in a file of its own with its options, its
// help and its body, all named in one table (Commands.cpp). Every number on
// the command line is read by batch::wholeNumber() and checked against its range
// before the command runs; PORT's number too.

#include <QCommandLineParser>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <climits>
#include <optional>

namespace rallon::cli {

// A number's range and the refusal when the value is outside it or no number.
struct Range {
    int min;
    int max;
    const char *refusal;
};

struct Option {
    QStringList names;              // "o", "output"
    QString valueName;              // empty: a switch
    std::optional<Range> number;    // a number, checked before the command runs
};

// --dry-run, which write, set and provision take alike.
inline const Option DryRun{{QStringLiteral("dry-run")}, QString(), std::nullopt};

// What a command is run with, every number checked.
struct Invocation {
    const QCommandLineParser &parser;
    QStringList arguments;          // the command first
    int timeoutMs = 0;
    QHash<QString, int> numbers;    // each number option given

    bool isSet(const char *option) const { return parser.isSet(QLatin1String(option)); }
    QString value(const char *option) const { return parser.value(QLatin1String(option)); }
};

struct Command {
    const char *name;
    const char *help;
    QList<Option> options;          // besides --help, --timeout-ms and --trace
    QStringList positionals;        // after the command's name
    int (*run)(const Invocation &);
    int optional = 0;               // how many of the last positionals may be left out
};

// Each command, in the order of the general help.
const QList<Command> &commands();

// Every option of every command, each once, and the common ones.
QList<Option> allOptions();

// Checks the command line of `command` against its options, positionals
// and numbers and runs it: its exit status.
int invoke(const Command &command, const QCommandLineParser &parser);

// `message` and where to read more, on standard error: Usage.
int usage(const QString &message, const QString &command = QString());

}  // namespace rallon::cli
