#include "Pty.h"

#include "Reason.h"

#include <cerrno>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace rallon {

namespace {

bool failed(const char *call, QString *error)
{
    if (error)
        *error = QStringLiteral("%1: %2").arg(QLatin1String(call), system::systemReason(errno));
    return false;
}

}  // namespace

bool Pty::isPortPair()
{
    return false;
}

Pty::~Pty()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
}

bool Pty::open(QString *error)
{
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
        return failed("openpty", error);
    termios settings{};
    if (::tcgetattr(m_slave, &settings) != 0)
        return failed("tcgetattr", error);
    ::cfmakeraw(&settings);
    if (::tcsetattr(m_slave, TCSANOW, &settings) != 0)
        return failed("tcsetattr", error);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    if (::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0)
        return failed("fcntl", error);
    const char *name = ::ttyname(m_slave);
    if (!name)
        return failed("ttyname", error);
    m_path = QString::fromLocal8Bit(name);
    return true;
}

bool Pty::reserve(QString *error)
{
    if (error)
        *error = QStringLiteral("a pseudo-terminal has no pair of ports to hold");
    return false;
}

qint64 Pty::read(char *data, qint64 size)
{
    return ::read(m_master, data, size_t(size));
}

qint64 Pty::write(const char *data, qint64 size)
{
    return ::write(m_master, data, size_t(size));
}

}  // namespace rallon

