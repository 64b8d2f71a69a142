#include "LedgerFile.h"

#include "Terminal.h"

#include <QFileInfo>

#include <utility>


namespace rallon::provision {

using namespace document;

namespace {

constexpr qint64 MaxLedgerSize = 64 << 20;

}  // namespace

bool LedgerFile::open(const QString &path, bool dryRun, QString *error)
{
    m_path = path;
    m_dryRun = dryRun;
    return openFile(error);
}

bool LedgerFile::openFile(QString *error)
{
    bool missing = false;
    QString reason;
    if (!m_file.open(m_path, m_dryRun, &reason, &missing)) {
        if (m_dryRun && missing)
            return true;  // nothing done yet
        *error = reason;
        return false;
    }
    bool regular = false;
    if (!m_file.regular(&regular, error))
        return false;
    if (!regular) {
        *error = QStringLiteral("not a regular file");
        return false;
    }
    return true;
}

LedgerFile::Locking LedgerFile::take(QString *error, const std::function<bool(bool first)> &wait)
{
    bool first = true;
    while (m_file.isOpen()) {
        switch (m_file.tryLock(m_dryRun, error)) {
        case system::File::Try::Failed:
            return Locking::Failed;
        case system::File::Try::Busy:
            if (!wait(std::exchange(first, false)))
                return Locking::Stopped;
            continue;
        case system::File::Try::Taken:
            break;
        }
        // The file locked must still be the one the path names.
        error->clear();
        if (m_file.stillNamed(m_path, error))
            return Locking::Held;
        if (!error->isEmpty())
            return Locking::Failed;
        m_file.close();
        if (!QFileInfo::exists(m_path)) {
            *error = QStringLiteral("it was removed while in use");
            return Locking::Failed;
        }
        if (!openFile(error))
            return Locking::Failed;
    }
    return Locking::Held;  // a dry run's ledger that does not exist: nothing to lock
}

void LedgerFile::unlock()
{
    if (m_file.isOpen())
        m_file.unlock();
}

std::optional<QList<LedgerEntry>> LedgerFile::entries(InputError *error)
{
    QByteArray text;
    if (m_file.isOpen()) {
        QString reason;
        const qint64 size = m_file.size(&reason);
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
            const qint64 got = m_file.readAt(text.data() + done, text.size() - done, done, &reason);
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
    const qint64 size = m_file.size(error);
    if (size < 0)
        return false;
    const bool fresh = size == 0;
    const QByteArray line = (fresh ? QByteArray(LedgerHeader) : QByteArray()) + ledgerLine(entry);
    // A line not on the disk is taken back whole: no part of it is left for
    // the next run to refuse, and the caller may tell the user to add it by
    // hand without it then standing twice.
    if (m_file.writeAll(line, error) && m_file.flush(error) && (!fresh || system::syncFolderOf(m_path, error)))
        return true;
    QString untaken;
    if (!m_file.truncate(size, &untaken))
        *error += QStringLiteral("; what was written could not be taken back (%1): mend the ledger's last line")
                      .arg(untaken);
    return false;
}

}  // namespace rallon::provision
