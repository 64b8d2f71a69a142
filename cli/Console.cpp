#include "Console.h"

#include "CliTexts.h"
#include "Exit.h"
#include "Reason.h"
#include "Streams.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <utility>

namespace rallon::cli {

using system::systemReason;

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

std::optional<QByteArray> readInput(const QString &path, int timeoutMs, qint64 limit, QString *error,
                                    const std::function<bool()> &stopped)
{
    using namespace clitext::message;
    const QString name = path == QLatin1String("-") ? QStringLiteral("standard input") : path;
    const system::Input input = system::readWhole(path, timeoutMs, limit, [&stopped] {
        QCoreApplication::processEvents();  // an end signal
        return stopped();
    });
    switch (input.outcome) {
    case system::Input::Read:
        return input.content;
    case system::Input::CannotRead:
        *error = QString::fromLatin1(CannotRead).arg(name, input.reason);
        break;
    case system::Input::TooLarge:
        *error = QString::fromLatin1(TooLarge).arg(name).arg(limit);
        break;
    case system::Input::NoInput:
        *error = QString::fromLatin1(NoInput).arg(name).arg(timeoutMs);
        break;
    case system::Input::Stopped:
        *error = QString();
        break;
    }
    return std::nullopt;
}

}  // namespace rallon::cli
