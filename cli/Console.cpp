#include "Console.h"

#include "CliTexts.h"
#include "Exit.h"
#include "Link.h"
#include "SystemReason.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QFileInfo>
#endif

namespace rallon::cli {

using document::systemReason;

namespace {

// Output kept while held: each text and whether it goes to standard error.
bool s_holding = false;
QList<QPair<bool, QByteArray>> s_held;

void writeError(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

}  // namespace

std::optional<qint64> wholeNumber(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    bool fits = false;
    const qint64 number = text.toLongLong(&fits);
    return fits ? number : std::numeric_limits<qint64>::max();
}

void complain(const QString &text)
{
    const QByteArray line = (QStringLiteral("rallon-cli: ") + text + QLatin1Char('\n')).toLocal8Bit();
    if (s_holding)
        s_held.append({true, line});
    else
        writeError(line);
}

HeldOutput::HeldOutput()
{
    s_holding = true;
}

int HeldOutput::release()
{
    if (!std::exchange(m_held, false))
        return Done;
    s_holding = false;
    int status = Done;
    for (const auto &[error, text] : std::exchange(s_held, {})) {
        if (error)
            writeError(text);
        else if (status == Done)
            status = put(text);
    }
    return status;
}

bool printOut(const QByteArray &text, QString *error)
{
    errno = 0;
    const bool written = std::fwrite(text.constData(), 1, size_t(text.size()), stdout) == size_t(text.size());
    if (std::fflush(stdout) == 0 && written && !std::ferror(stdout))
        return true;
    *error = systemReason(errno ? errno : EIO);
    std::clearerr(stdout);
    return false;
}

int put(const QByteArray &octets)
{
    if (s_holding) {
        s_held.append({false, octets});
        return Done;
    }
    QString error;
    if (printOut(octets, &error))
        return Done;
    complain(QString::fromLatin1(clitext::message::CannotWrite).arg(QStringLiteral("standard output"), error));
    return Usage;
}

int say(const QString &lines)
{
    return put((lines + QLatin1Char('\n')).toLocal8Bit());
}

#ifndef Q_OS_UNIX

// Without poll(): read to the end, within the size limit only.
std::optional<QByteArray> readInput(const QString &path, int timeoutMs, qint64 limit, QString *error)
{
    Q_UNUSED(timeoutMs);
    using namespace clitext::message;
    const bool standardInput = path == QLatin1String("-");
    const QString name = standardInput ? QStringLiteral("standard input") : path;
    QFile file(path);
    if (!(standardInput ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly))) {
        *error = QString::fromLatin1(CannotRead).arg(name, file.errorString());
        return std::nullopt;
    }
    const QByteArray content = file.read(limit + 1);
    if (content.size() > limit) {
        *error = QString::fromLatin1(TooLarge).arg(name).arg(limit);
        return std::nullopt;
    }
    return content;
}

#else

std::optional<QByteArray> readInput(const QString &path, int timeoutMs, qint64 limit, QString *error)
{
    using namespace clitext::message;
    const bool standardInput = path == QLatin1String("-");
    const QString name = standardInput ? QStringLiteral("standard input") : path;
    int fd = 0;
    if (!standardInput) {
        // Non-blocking: a FIFO without a writer must not hang the open.
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            *error = QString::fromLatin1(CannotRead).arg(name, systemReason(errno));
            return std::nullopt;
        }
    }
    struct Closer {
        int fd;
        ~Closer() { if (fd > 0) ::close(fd); }
    } closer{fd};

    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        *error = QString::fromLatin1(CannotRead).arg(name, systemReason(EISDIR));
        return std::nullopt;
    }
    QByteArray content;
    QDeadlineTimer deadline(timeoutMs);
    char chunk[65536];
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, int(std::min<qint64>(deadline.remainingTime(), 100)));
        QCoreApplication::processEvents();  // an end signal
        if (endSignal()) {
            *error = QString();
            return std::nullopt;
        }
        if (polled < 0 && errno != EINTR) {
            *error = QString::fromLatin1(CannotRead).arg(name, systemReason(errno));
            return std::nullopt;
        }
        if (polled <= 0) {
            if (deadline.hasExpired()) {
                *error = QString::fromLatin1(NoInput).arg(name).arg(timeoutMs);
                return std::nullopt;
            }
            continue;
        }
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0)
            return content;
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            *error = QString::fromLatin1(CannotRead).arg(name, systemReason(errno));
            return std::nullopt;
        }
        content.append(chunk, n);
        if (content.size() > limit) {
            *error = QString::fromLatin1(TooLarge).arg(name).arg(limit);
            return std::nullopt;
        }
        if (deadline.hasExpired()) {
            *error = QString::fromLatin1(NoInput).arg(name).arg(timeoutMs);
            return std::nullopt;
        }
    }
}

#endif

}  // namespace rallon::cli
