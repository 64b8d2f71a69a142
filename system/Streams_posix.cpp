#include "Streams.h"

#include "Reason.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rallon::system {

namespace {

constexpr int StdinRetryMs = 200;  // after EIO: in the background of a terminal

}  // namespace

void plainLineEnds() {}

bool lineEndsWithCr()
{
    return false;
}

void ignoreBrokenPipe()
{
    std::signal(SIGPIPE, SIG_IGN);
}

bool alwaysHasDesktop()
{
    return false;
}

Input readWhole(const QString &path, int timeoutMs, qint64 limit, const std::function<bool()> &stopped)
{
    const auto cannotRead = [](int error) { return Input{Input::CannotRead, {}, systemReason(error)}; };
    int fd = 0;
    if (path != QLatin1String("-")) {
        // Non-blocking: a FIFO without a writer must not hang the open.
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return cannotRead(errno);
    }
    struct Closer {
        int fd;
        ~Closer() { if (fd > 0) ::close(fd); }
    } closer{fd};

    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode))
        return cannotRead(EISDIR);
    QByteArray content;
    QDeadlineTimer deadline(timeoutMs);
    char chunk[65536];
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, int(std::min<qint64>(deadline.remainingTime(), 100)));
        if (stopped())
            return {Input::Stopped, {}, {}};
        if (polled < 0 && errno != EINTR)
            return cannotRead(errno);
        if (polled <= 0) {
            if (deadline.hasExpired())
                return {Input::NoInput, {}, {}};
            continue;
        }
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0)
            return {Input::Read, content, {}};
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return cannotRead(errno);
        }
        content.append(chunk, n);
        if (content.size() > limit)
            return {Input::TooLarge, {}, {}};
        if (deadline.hasExpired())
            return {Input::NoInput, {}, {}};
    }
}

void readStandardInput(QObject *context, std::function<void(const QByteArray &octets)> take)
{
    if (::fcntl(STDIN_FILENO, F_GETFD) < 0)
        return;  // no standard input at all
    // In the background of a terminal a read fails (EIO) instead of stopping the program.
    std::signal(SIGTTIN, SIG_IGN);
    auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [notifier, take = std::move(take)] {
        // One read per wake: standard input may block, and stays as it was given.
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (count < 0 && errno == EIO) {
            notifier->setEnabled(false);
            QTimer::singleShot(StdinRetryMs, notifier, [notifier] { notifier->setEnabled(true); });
            return;
        }
        if (count <= 0) {
            notifier->setEnabled(false);
            take({});
            return;
        }
        take(QByteArray(buffer, int(count)));
    });
}

}  // namespace rallon::system
