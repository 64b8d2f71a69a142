#pragma once

// The process's standard streams and its session: how they are set up,
// read whole or as they come, and what the system's line ends and desktop
// are.

#include <QByteArray>
#include <QString>

#include <functional>

class QObject;

namespace rallon::system {

// Standard input, output and error taken as they are: on Windows no CR is
// put before each LF nor taken from a CR LF, so that a program reads and
// prints the same octets on every system, and prints what it writes to a
// file (read --json > FILE and -o FILE). Windows' console ends a line on a
// bare LF.
void plainLineEnds();

// Whether a text file's line ends in CR LF, as Windows' editors end it.
bool lineEndsWithCr();

// A reader of the output that went away fails the write (SIGPIPE ignored),
// not the program. Windows has no such signal.
void ignoreBrokenPipe();

// A Windows session always has its desktop; elsewhere the display must be
// looked for.
bool alwaysHasDesktop();

// The whole content of `path` ("-": standard input), or why not.
struct Input {
    enum Outcome { Read, CannotRead, TooLarge, NoInput, Stopped } outcome = Read;
    QByteArray content;
    QString reason;  // CannotRead's
};
// At most `limit` octets, arriving within `timeoutMs`: a pipe or a terminal
// that stays silent fails, a FIFO without a writer ends at once. Between
// waits `stopped` runs (events may be handled there); true from it stops.
// Windows, without poll(), reads to the end, within the size limit only.
Input readWhole(const QString &path, int timeoutMs, qint64 limit, const std::function<bool()> &stopped);

// Standard input read as it comes, without blocking the event loop: each
// read's octets go to `take` from the event loop while `context` lives; no
// octets at the end of input. Nothing when the process has no standard
// input at all.
void readStandardInput(QObject *context, std::function<void(const QByteArray &octets)> take);

}  // namespace rallon::system
