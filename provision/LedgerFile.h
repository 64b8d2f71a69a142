#pragma once

// The ledger on disk, which several provision runs may share: read and
// appended to only while its lock (flock; LockFileEx on Windows) is held,
// each line written whole and flushed to the disk before the lock is let
// go. In a dry run the file is only read, if it exists, and lines are kept
// in memory.

#include "File.h"
#include "Ledger.h"

#include <QString>

#include <functional>

namespace rallon::provision {

class LedgerFile {
public:
    LedgerFile() = default;
    LedgerFile(const LedgerFile &) = delete;
    LedgerFile &operator=(const LedgerFile &) = delete;

    bool open(const QString &path, bool dryRun, QString *error);
    // The lock, from lock() until release() or its end, whichever comes first.
    class Lock {
    public:
        Lock() = default;
        ~Lock() { release(); }
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;
        void release();

    private:
        friend class LedgerFile;
        LedgerFile *m_file = nullptr;
    };

    // Waits for the lock: while another run holds it, `wait` pauses a
    // little (`first` the first time); false from it stops the waiting.
    // A ledger replaced meanwhile (saved by an editor) is opened and locked
    // anew; one removed fails. Held: `held` holds it. Failed: the reason in `error`.
    enum class Locking { Held, Stopped, Failed };
    Locking lock(Lock *held, QString *error, const std::function<bool(bool first)> &wait);
    // Under the lock: the whole ledger, checked.
    std::optional<QList<LedgerEntry>> entries(document::InputError *error) const;
    // Under the lock: the entry appended and on the disk.
    bool append(const LedgerEntry &entry, QString *error);

private:
    bool openFile(QString *error);
    void unlock();

    QString m_path;
    system::File m_file;
    bool m_dryRun = false;
    QList<LedgerEntry> m_kept;  // a dry run's lines
};

}  // namespace rallon::provision
