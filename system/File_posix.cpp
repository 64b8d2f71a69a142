#include "File.h"

#include "Reason.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rallon::system {

bool File::open(const QString &path, bool readOnly, QString *error, bool *missing)
{
    const QByteArray name = QFile::encodeName(path);
    m_fd = readOnly ? ::open(name.constData(), O_RDONLY | O_CLOEXEC)
                    : ::open(name.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (m_fd >= 0)
        return true;
    *missing = errno == ENOENT;
    *error = systemReason(errno);
    return false;
}

File::Try File::tryLock(bool shared, QString *error)
{
    if (::flock(m_fd, (shared ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0)
        return Try::Taken;
    if (errno == EWOULDBLOCK || errno == EINTR)
        return Try::Busy;
    *error = systemReason(errno);
    return Try::Failed;
}

void File::unlock()
{
    ::flock(m_fd, LOCK_UN);
}

bool File::stillNamed(const QString &path, QString *error) const
{
    struct stat opened {}, named {};
    if (::fstat(m_fd, &opened) != 0) {
        *error = systemReason(errno);
        return false;
    }
    return ::stat(QFile::encodeName(path).constData(), &named) == 0 && named.st_dev == opened.st_dev
           && named.st_ino == opened.st_ino;
}

qint64 File::size(QString *error) const
{
    struct stat status {};
    if (::fstat(m_fd, &status) == 0)
        return status.st_size;
    *error = systemReason(errno);
    return -1;
}

qint64 File::readAt(char *into, qint64 size, qint64 offset, QString *error) const
{
    for (;;) {
        const ssize_t got = ::pread(m_fd, into, size_t(size), off_t(offset));
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            *error = systemReason(errno);
            return -1;
        }
    }
}

bool File::writeAll(const QByteArray &octets, QString *error)
{
    for (qsizetype done = 0; done < octets.size();) {
        const ssize_t written = ::write(m_fd, octets.constData() + done, size_t(octets.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
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
    if (::fsync(m_fd) == 0)
        return true;
    *error = systemReason(errno);
    return false;
}

bool File::truncate(qint64 size, QString *error)
{
    if (::ftruncate(m_fd, off_t(size)) != 0) {
        *error = systemReason(errno);
        return false;
    }
    return true;
}

bool syncFolderOf(const QString &path, QString *error)
{
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
}

PathKind pathKind(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return PathKind::Missing;
    return S_ISREG(status.st_mode) ? PathKind::Regular : PathKind::Other;
}

bool ownerOnly(int handle, unsigned *createdMode, QString *error)
{
    struct stat status {};
    if (::fstat(handle, &status) != 0 || ::fchmod(handle, S_IRUSR | S_IWUSR) != 0) {
        *error = systemReason(errno);
        return false;
    }
    *createdMode = status.st_mode & 07777;
    return true;
}

bool restoreMode(int handle, unsigned mode, QString *error)
{
    if (::fchmod(handle, mode) == 0)
        return true;
    *error = systemReason(errno);
    return false;
}

}  // namespace rallon::system
