#pragma once

// What rallon-cli reads and writes besides the serial line: its messages on
// standard error, its output on standard output or in a file, and the files
// it reads. Every write is checked; every read is bounded in size and time.

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include <memory>
#include <optional>

namespace rallon::cli {

// "rallon-cli: text" and a line break on standard error.
void complain(const QString &text);

// Writes `text` to standard output and flushes it. False when the system
// refused, with its reason in `error` ("No space left on device").
bool printOut(const QByteArray &text, QString *error);

// The target of -o FILE. A regular file, or a path that does not exist yet,
// is written to a temporary file and renamed over it on commit(), so a
// failed run leaves it as it was; a new file is readable by its owner only
// when it holds a secret. Anything else (a device, a pipe, /dev/stdout) is
// written in place, never replaced.
class OutputFile {
public:
    // Opened before the exchange, so that a file that cannot be written
    // costs none.
    bool open(const QString &path, QString *error);
    bool commit(const QByteArray &text, bool secret, QString *error);

private:
    QString m_path;
    bool m_new = false;
    std::unique_ptr<QFileDevice> m_file;
};

// The whole content of `path` ("-": standard input): at most `limit`
// octets, arriving within `timeoutMs` (a pipe or a terminal that stays
// silent fails; a FIFO without a writer ends at once). std::nullopt with the
// reason in `error`; also when an end signal arrived (see endSignal()).
std::optional<QByteArray> readInput(const QString &path, int timeoutMs, qint64 limit, QString *error);

}  // namespace rallon::cli
