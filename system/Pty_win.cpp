#include "Pty.h"

#include "WindowsReason.h"

#include <QMutex>
#include <QSet>
#include <QStringList>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace rallon {

using system::windowsReason;

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

bool Pty::isPortPair()
{
    return true;
}

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

