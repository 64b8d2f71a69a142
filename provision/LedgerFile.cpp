#include "LedgerFile.h"

#include "SystemReason.h"
#include "Terminal.h"

#include <QFileInfo>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rallon::provision {

using namespace document;

namespace {

constexpr qint64 MaxLedgerSize = 64 << 20;

bool writeAll(int fd, const QByteArray &octets)
{
    for (qsizetype done = 0; done < octets.size();) {
        const ssize_t written = ::write(fd, octets.constData() + done, size_t(octets.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

// A new file's name survives a power cut only once its folder is on the
// disk too. 0, or the error number.
int syncFolderOf(const QString &path)
{
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return errno;
    const int failure = ::fsync(folder) == 0 ? 0 : errno;
    ::close(folder);
    return failure;
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
    const QByteArray name = QFile::encodeName(m_path);
    m_fd = m_dryRun ? ::open(name.constData(), O_RDONLY | O_CLOEXEC)
                    : ::open(name.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
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
        if (::flock(m_fd, (m_dryRun ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                *error = systemReason(errno);
                return Locking::Failed;
            }
            if (!wait(std::exchange(first, false)))
                return Locking::Stopped;
            continue;
        }
        // The file locked must still be the one the path names.
        struct stat opened {}, named {};
        if (::fstat(m_fd, &opened) != 0) {
            *error = systemReason(errno);
            return Locking::Failed;
        }
        if (::stat(QFile::encodeName(m_path).constData(), &named) == 0 && named.st_dev == opened.st_dev
            && named.st_ino == opened.st_ino)
            return locked();
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
        ::flock(m_fd, LOCK_UN);
}

std::optional<QList<LedgerEntry>> LedgerFile::entries(InputError *error) const
{
    QByteArray text;
    if (m_fd >= 0) {
        struct stat status {};
        if (::fstat(m_fd, &status) != 0) {
            *error = {escaped(m_path), QStringLiteral("cannot be read: %1").arg(systemReason(errno))};
            return std::nullopt;
        }
        if (status.st_size > MaxLedgerSize) {
            *error = {escaped(m_path), QStringLiteral("cannot be read whole (larger than %1 octets?)").arg(MaxLedgerSize)};
            return std::nullopt;
        }
        text.resize(qsizetype(status.st_size));
        qsizetype done = 0;
        while (done < text.size()) {
            const ssize_t got = ::pread(m_fd, text.data() + done, size_t(text.size() - done), off_t(done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        if (done != text.size()) {
            *error = {escaped(m_path), QStringLiteral("cannot be read: %1").arg(systemReason(errno))};
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
    struct stat status {};
    if (::fstat(m_fd, &status) != 0) {
        *error = systemReason(errno);
        return false;
    }
    const bool fresh = status.st_size == 0;
    const QByteArray line = (fresh ? QByteArray(LedgerHeader) : QByteArray()) + ledgerLine(entry);
    // A line not on the disk is taken back whole: no part of it is left for
    // the next run to refuse, and the caller may tell the user to add it by
    // hand without it then standing twice.
    const auto takeBack = [&](int failure) {
        *error = systemReason(failure);
        if (::ftruncate(m_fd, status.st_size) != 0)
            *error += QStringLiteral("; what was written could not be taken back (%1): mend the ledger's last line")
                          .arg(systemReason(errno));
        return false;
    };
    if (!writeAll(m_fd, line))
        return takeBack(errno);
    if (::fsync(m_fd) != 0)
        return takeBack(errno);
    if (const int failure = fresh ? syncFolderOf(m_path) : 0)
        return takeBack(failure);
    return true;
}

}  // namespace rallon::provision
