#include "File.h"

#include "Reason.h"
#include "WindowsReason.h"

#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace rallon::system {

namespace {

HANDLE handleOf(int fd)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

QString lastReason()
{
    return windowsReason(::GetLastError());
}

}  // namespace

bool File::open(const QString &path, bool readOnly, QString *error, bool *missing)
{
    const int access = readOnly ? _O_RDONLY : _O_RDWR | _O_CREAT | _O_APPEND;
    m_fd = ::_wopen(reinterpret_cast<const wchar_t *>(path.utf16()), access | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
    if (m_fd >= 0)
        return true;
    *missing = errno == ENOENT;
    *error = systemReason(errno);
    return false;
}

File::Try File::tryLock(bool shared, QString *error)
{
    OVERLAPPED whole{};
    const DWORD flags = (shared ? 0 : LOCKFILE_EXCLUSIVE_LOCK) | LOCKFILE_FAIL_IMMEDIATELY;
    if (::LockFileEx(handleOf(m_fd), flags, 0, MAXDWORD, MAXDWORD, &whole))
        return Try::Taken;
    if (::GetLastError() == ERROR_LOCK_VIOLATION)
        return Try::Busy;
    *error = lastReason();
    return Try::Failed;
}

void File::unlock()
{
    OVERLAPPED whole{};
    ::UnlockFileEx(handleOf(m_fd), 0, MAXDWORD, MAXDWORD, &whole);
}

bool File::stillNamed(const QString &, QString *) const
{
    return true;
}

qint64 File::size(QString *error) const
{
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(handleOf(m_fd), &size))
        return size.QuadPart;
    *error = lastReason();
    return -1;
}

qint64 File::readAt(char *into, qint64 size, qint64 offset, QString *error) const
{
    OVERLAPPED at{};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD got = 0;
    if (::ReadFile(handleOf(m_fd), into, DWORD(qMin<qint64>(size, MAXDWORD)), &got, &at))
        return got;
    if (::GetLastError() == ERROR_HANDLE_EOF)
        return 0;
    *error = lastReason();
    return -1;
}

bool File::writeAll(const QByteArray &octets, QString *error)
{
    for (qsizetype done = 0; done < octets.size();) {
        const int written = ::_write(m_fd, octets.constData() + done, unsigned(octets.size() - done));
        if (written <= 0) {
            *error = systemReason(written < 0 ? errno : EIO);
            return false;
        }
        done += written;
    }
    return true;
}

bool File::flush(QString *error)
{
    if (::FlushFileBuffers(handleOf(m_fd)))
        return true;
    *error = lastReason();
    return false;
}

bool File::truncate(qint64 size, QString *error)
{
    if (const errno_t failure = ::_chsize_s(m_fd, size)) {
        *error = systemReason(failure);
        return false;
    }
    return true;
}

bool syncFolderOf(const QString &, QString *)
{
    return true;
}

PathKind pathKind(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return PathKind::Missing;
    return info.isFile() ? PathKind::Regular : PathKind::Other;
}

bool ownerOnly(int, unsigned *, QString *)
{
    return true;
}

bool restoreMode(int, unsigned, QString *)
{
    return true;
}

}  // namespace rallon::system
