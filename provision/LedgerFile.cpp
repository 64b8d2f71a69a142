#include "LedgerFile.h"

#include "SystemReason.h"
#include "Terminal.h"

#include <QFileInfo>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

namespace rallon::provision {

using namespace document;

namespace {

constexpr qint64 MaxLedgerSize = 64 << 20;

// The calls the ledger needs, on a C library file descriptor: flock, fsync
// and pread on POSIX; LockFileEx, FlushFileBuffers and ReadFile at an offset
// on the descriptor's handle on Windows.

#ifdef Q_OS_WIN
HANDLE handleOf(int fd)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

QString lastReason()
{
    return windowsReason(::GetLastError());
}
#endif

// -1 with errno on failure.
int openLedger(const QString &path, bool readOnly)
{
#ifdef Q_OS_WIN
    const int access = readOnly ? _O_RDONLY : _O_RDWR | _O_CREAT | _O_APPEND;
    return ::_wopen(reinterpret_cast<const wchar_t *>(path.utf16()), access | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
#else
    const QByteArray name = QFile::encodeName(path);
    return readOnly ? ::open(name.constData(), O_RDONLY | O_CLOEXEC)
                    : ::open(name.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
#endif
}

enum class Try { Taken, Busy, Failed };

// The lock without waiting: shared for a reader, exclusive for a writer.
Try tryLock(int fd, bool shared, QString *error)
{
#ifdef Q_OS_WIN
    OVERLAPPED whole{};
    const DWORD flags = (shared ? 0 : LOCKFILE_EXCLUSIVE_LOCK) | LOCKFILE_FAIL_IMMEDIATELY;
    if (::LockFileEx(handleOf(fd), flags, 0, MAXDWORD, MAXDWORD, &whole))
        return Try::Taken;
    if (::GetLastError() == ERROR_LOCK_VIOLATION)
        return Try::Busy;
    *error = lastReason();
#else
    if (::flock(fd, (shared ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0)
        return Try::Taken;
    if (errno == EWOULDBLOCK || errno == EINTR)
        return Try::Busy;
    *error = systemReason(errno);
#endif
    return Try::Failed;
}

void unlockFile(int fd)
{
#ifdef Q_OS_WIN
    OVERLAPPED whole{};
    ::UnlockFileEx(handleOf(fd), 0, MAXDWORD, MAXDWORD, &whole);
#else
    ::flock(fd, LOCK_UN);
#endif
}

// Whether the file open as `fd` is still the one `path` names. On Windows a
// file open here cannot be renamed over or removed (the C library opens it
// without delete sharing), so it always is.
bool stillNamed(int fd, const QString &path, QString *error)
{
#ifdef Q_OS_WIN
    Q_UNUSED(fd);
    Q_UNUSED(path);
    Q_UNUSED(error);
    return true;
#else
    struct stat opened {}, named {};
    if (::fstat(fd, &opened) != 0) {
        *error = systemReason(errno);
        return false;
    }
    return ::stat(QFile::encodeName(path).constData(), &named) == 0 && named.st_dev == opened.st_dev
           && named.st_ino == opened.st_ino;
#endif
}

// -1 on failure, with the reason.
qint64 fileSize(int fd, QString *error)
{
#ifdef Q_OS_WIN
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(handleOf(fd), &size))
        return size.QuadPart;
    *error = lastReason();
#else
    struct stat status {};
    if (::fstat(fd, &status) == 0)
        return status.st_size;
    *error = systemReason(errno);
#endif
    return -1;
}

// Up to `size` octets from `offset`: how many, 0 at the end, -1 on failure.
qint64 readAt(int fd, char *into, qint64 size, qint64 offset, QString *error)
{
#ifdef Q_OS_WIN
    OVERLAPPED at{};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD got = 0;
    if (::ReadFile(handleOf(fd), into, DWORD(qMin<qint64>(size, MAXDWORD)), &got, &at))
        return got;
    if (::GetLastError() == ERROR_HANDLE_EOF)
        return 0;
    *error = lastReason();
    return -1;
#else
    for (;;) {
        const ssize_t got = ::pread(fd, into, size_t(size), off_t(offset));
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            *error = systemReason(errno);
            return -1;
        }
    }
#endif
}

bool writeAll(int fd, const QByteArray &octets, QString *error)
{
    for (qsizetype done = 0; done < octets.size();) {
#ifdef Q_OS_WIN
        const int written = ::_write(fd, octets.constData() + done, unsigned(octets.size() - done));
#else
        const ssize_t written = ::write(fd, octets.constData() + done, size_t(octets.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
#endif
        if (written <= 0) {
            *error = systemReason(written < 0 ? errno : EIO);
            return false;
        }
        done += written;
    }
    return true;
}

bool flushFile(int fd, QString *error)
{
#ifdef Q_OS_WIN
    if (::FlushFileBuffers(handleOf(fd)))
        return true;
    *error = lastReason();
#else
    if (::fsync(fd) == 0)
        return true;
    *error = systemReason(errno);
#endif
    return false;
}

bool truncateTo(int fd, qint64 size, QString *error)
{
#ifdef Q_OS_WIN
    if (const errno_t failure = ::_chsize_s(fd, size)) {
        *error = systemReason(failure);
        return false;
    }
#else
    if (::ftruncate(fd, off_t(size)) != 0) {
        *error = systemReason(errno);
        return false;
    }
#endif
    return true;
}

// A new file's name survives a power cut only once its folder is on the
// disk too. Windows has no call to flush a folder: there the file's own
// flush is all there is.
bool syncFolderOf(const QString &path, QString *error)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    Q_UNUSED(error);
    return true;
#else
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        *error = systemReason(errno);
        return false;
    }
    const bool synced = ::fsync(folder) == 0;
    if (!synced)
        *error = systemReason(errno);
    ::close(folder);
    return synced;
#endif
}

}  // namespace

LedgerFile::~LedgerFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool LedgerFile::open(const QString &path, bool dryRun, QString *error)
{
    m_path = path;
    m_dryRun = dryRun;
    return openFile(error);
}

bool LedgerFile::openFile(QString *error)
{
    m_fd = openLedger(m_path, m_dryRun);
    if (m_fd < 0) {
        if (m_dryRun && errno == ENOENT)
            return true;  // nothing done yet
        *error = systemReason(errno);
        return false;
    }
    struct stat status {};
    if (::fstat(m_fd, &status) != 0) {
        *error = systemReason(errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        *error = QStringLiteral("not a regular file");
        return false;
    }
    return true;
}

void LedgerFile::Lock::release()
{
    if (m_file)
        std::exchange(m_file, nullptr)->unlock();
}

LedgerFile::Locking LedgerFile::lock(Lock *held, QString *error, const std::function<bool(bool first)> &wait)
{
    held->release();
    const auto locked = [this, held] {
        held->m_file = this;
        return Locking::Held;
    };
    bool first = true;
    while (m_fd >= 0) {
        switch (tryLock(m_fd, m_dryRun, error)) {
        case Try::Failed:
            return Locking::Failed;
        case Try::Busy:
            if (!wait(std::exchange(first, false)))
                return Locking::Stopped;
            continue;
        case Try::Taken:
            break;
        }
        // The file locked must still be the one the path names.
        error->clear();
        if (stillNamed(m_fd, m_path, error))
            return locked();
        if (!error->isEmpty())
            return Locking::Failed;
        ::close(m_fd);
        m_fd = -1;
        if (!QFileInfo::exists(m_path)) {
            *error = QStringLiteral("it was removed while in use");
            return Locking::Failed;
        }
        if (!openFile(error))
            return Locking::Failed;
    }
    return locked();  // a dry run's ledger that does not exist: nothing to lock
}

void LedgerFile::unlock()
{
    if (m_fd >= 0)
        unlockFile(m_fd);
}

std::optional<QList<LedgerEntry>> LedgerFile::entries(InputError *error) const
{
    QByteArray text;
    if (m_fd >= 0) {
        QString reason;
        const qint64 size = fileSize(m_fd, &reason);
        if (size < 0) {
            *error = {escaped(m_path), QStringLiteral("cannot be read: %1").arg(reason)};
            return std::nullopt;
        }
        if (size > MaxLedgerSize) {
            *error = {escaped(m_path), QStringLiteral("cannot be read whole (larger than %1 octets?)").arg(MaxLedgerSize)};
            return std::nullopt;
        }
        text.resize(qsizetype(size));
        qsizetype done = 0;
        while (done < text.size()) {
            const qint64 got = readAt(m_fd, text.data() + done, text.size() - done, done, &reason);
            if (got == 0)
                reason = QStringLiteral("it got shorter while read");
            if (got <= 0)
                break;
            done += qsizetype(got);
        }
        if (done != text.size()) {
            *error = {escaped(m_path), QStringLiteral("cannot be read: %1").arg(reason)};
            return std::nullopt;
        }
    }
    std::optional<QList<LedgerEntry>> entries = ledgerEntries(text, escaped(m_path), error);
    if (entries)
        *entries += m_kept;
    return entries;
}

bool LedgerFile::append(const LedgerEntry &entry, QString *error)
{
    if (m_dryRun) {
        m_kept << entry;
        return true;
    }
    const qint64 size = fileSize(m_fd, error);
    if (size < 0)
        return false;
    const bool fresh = size == 0;
    const QByteArray line = (fresh ? QByteArray(LedgerHeader) : QByteArray()) + ledgerLine(entry);
    // A line not on the disk is taken back whole: no part of it is left for
    // the next run to refuse, and the caller may tell the user to add it by
    // hand without it then standing twice.
    if (writeAll(m_fd, line, error) && flushFile(m_fd, error) && (!fresh || syncFolderOf(m_path, error)))
        return true;
    QString untaken;
    if (!truncateTo(m_fd, size, &untaken))
        *error += QStringLiteral("; what was written could not be taken back (%1): mend the ledger's last line")
                      .arg(untaken);
    return false;
}

}  // namespace rallon::provision
