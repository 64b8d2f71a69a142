#include "Pty.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace rallon {

namespace {

bool failed(const char *call, QString *error)
{
    if (error)
        *error = QStringLiteral("%1: %2").arg(QLatin1String(call), QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

}  // namespace

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

}  // namespace rallon
