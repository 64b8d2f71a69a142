#pragma once

// What rallon-cli reads and writes besides the serial line: its messages on
// standard error, its output on standard output, and the files it reads
// (a file it writes is an OutputFile). Every write is checked; every read is bounded in size and time.

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace rallon::cli {

// "rallon-cli: text" and a line break on standard error.
void complain(const QString &text);

// Writes `text` to standard output and flushes it. False when the system
// refused, with its reason in `error` ("No space left on device").
bool printOut(const QByteArray &text, QString *error);

// `octets` on standard output: Done, or Usage with the reason on standard
// error when the system refused.
int put(const QByteArray &octets);
// A line (or lines) on standard output, as put().
int say(const QString &lines);

// While one is held, complain() and put() keep their texts, which release()
// (or the end of the hold) then writes in order: a terminal that blocks
// cannot hold up what runs meanwhile.
class HeldOutput {
public:
    HeldOutput();
    ~HeldOutput() { release(); }
    HeldOutput(const HeldOutput &) = delete;
    HeldOutput &operator=(const HeldOutput &) = delete;
    // put()'s status for the texts kept.
    int release();

private:
    bool m_held = true;
};

// The whole content of `path` ("-": standard input): at most `limit`
// octets, arriving within `timeoutMs` (a pipe or a terminal that stays
// silent fails; a FIFO without a writer ends at once). std::nullopt with the
// reason in `error`; also when `stopped` (asked while it waits) says so.
std::optional<QByteArray> readInput(const QString &path, int timeoutMs, qint64 limit, QString *error,
                                    const std::function<bool()> &stopped);

}  // namespace rallon::cli
