#include "Pty.h"

#ifdef Q_OS_WIN

#include "SystemReason.h"

#include <QMutex>
#include <QSet>
#include <QStringList>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace rallon {

using document::windowsReason;

namespace {

// The pairs this process holds, by their first port.
QMutex heldLock;
QSet<QString> held;

bool failed(const QString &what, QString *error)
{
    if (error)
        *error = what;
    return false;
}

void release(QString *first)
{
    const QMutexLocker locker(&heldLock);
    held.remove(*first);
    first->clear();
}

}  // namespace

Pty::~Pty()
{
    if (m_master >= 0)
        ::_close(m_master);
    if (!m_path.isEmpty())
        release(&m_path);
}

bool Pty::reserve(QString *error)
{
    const QString pairs = qEnvironmentVariable("RALLON_COM_PAIRS");
    if (pairs.isEmpty())
        return failed(QStringLiteral("RALLON_COM_PAIRS is not set: no null-modem pair of COM ports to use"), error);
    const QMutexLocker locker(&heldLock);
    for (const QString &pair : pairs.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList ports = pair.trimmed().split(QLatin1Char(':'));
        if (ports.size() != 2 || ports.at(0).isEmpty() || ports.at(1).isEmpty())
            return failed(QStringLiteral("RALLON_COM_PAIRS: \"%1\" is not FIRST:SECOND").arg(pair), error);
        if (held.contains(ports.at(0)))
            continue;
        held.insert(ports.at(0));
        m_path = ports.at(0);
        m_far = ports.at(1);
        return true;
    }
    return failed(QStringLiteral("every pair of RALLON_COM_PAIRS (%1) is in use").arg(pairs), error);
}

bool Pty::open(QString *error)
{
    if (!reserve(error))
        return false;
    const QString name = QStringLiteral("\\\\.\\") + m_far;
    HANDLE handle = ::CreateFileW(reinterpret_cast<const wchar_t *>(name.utf16()), GENERIC_READ | GENERIC_WRITE,
                                  0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        release(&m_path);
        return failed(QStringLiteral("CreateFileW %1: %2").arg(name, windowsReason(::GetLastError())), error);
    }
    DCB line{};
    line.DCBlength = sizeof line;
    COMMTIMEOUTS immediate{};
    immediate.ReadIntervalTimeout = MAXDWORD;  // a read returns what is there, at once
    bool ready = ::GetCommState(handle, &line);
    if (ready) {
        line.BaudRate = CBR_4800;
        line.ByteSize = 8;
        line.Parity = NOPARITY;
        line.StopBits = ONESTOPBIT;
        line.fBinary = TRUE;
        line.fParity = FALSE;
        line.fOutxCtsFlow = FALSE;
        line.fOutxDsrFlow = FALSE;
        line.fDsrSensitivity = FALSE;
        line.fOutX = FALSE;
        line.fInX = FALSE;
        line.fNull = FALSE;
        line.fAbortOnError = FALSE;
        line.fDtrControl = DTR_CONTROL_ENABLE;
        line.fRtsControl = RTS_CONTROL_ENABLE;
        ready = ::SetCommState(handle, &line) && ::SetCommTimeouts(handle, &immediate)
                && ::PurgeComm(handle, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
    }
    if (!ready) {
        const QString reason = windowsReason(::GetLastError());
        ::CloseHandle(handle);
        release(&m_path);
        return failed(QStringLiteral("setting up %1: %2").arg(name, reason), error);
    }
    m_master = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (m_master < 0) {
        ::CloseHandle(handle);
        release(&m_path);
        return failed(QStringLiteral("_open_osfhandle %1").arg(name), error);
    }
    return true;
}

qint64 Pty::read(char *data, qint64 size)
{
    DWORD count = 0;
    if (!::ReadFile(reinterpret_cast<HANDLE>(::_get_osfhandle(m_master)), data, DWORD(size), &count, nullptr))
        return -1;
    return count;
}

qint64 Pty::write(const char *data, qint64 size)
{
    DWORD count = 0;
    if (!::WriteFile(reinterpret_cast<HANDLE>(::_get_osfhandle(m_master)), data, DWORD(size), &count, nullptr))
        return -1;
    return count;
}

}  // namespace rallon

#else

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

qint64 Pty::read(char *data, qint64 size)
{
    return ::read(m_master, data, size_t(size));
}

qint64 Pty::write(const char *data, qint64 size)
{
    return ::write(m_master, data, size_t(size));
}

}  // namespace rallon

#endif
