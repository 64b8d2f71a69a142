#pragma once

// The ledger on disk, which several provision runs may share: read and
// appended to only while its lock (flock; LockFileEx on Windows) is held,
// each line written whole and flushed to the disk before the lock is let
// go. In a dry run the file is only read, if it exists, and lines are kept
// in memory.

#include "File.h"
#include "LedgerStore.h"

#include <QString>

namespace rallon::provision {

class LedgerFile : public LedgerStore {
public:
    bool open(const QString &path, bool dryRun, QString *error);
    // Under the lock: the whole ledger, checked.
    std::optional<QList<LedgerEntry>> entries(document::InputError *error) override;
    // Under the lock: the entry appended and on the disk.
    bool append(const LedgerEntry &entry, QString *error) override;

protected:
    // A ledger replaced meanwhile (saved by an editor) is opened and locked
    // anew; one removed fails.
    Locking take(QString *error, const std::function<bool(bool first)> &wait) override;
    void unlock() override;

private:
    bool openFile(QString *error);

    QString m_path;
    system::File m_file;
    bool m_dryRun = false;
    QList<LedgerEntry> m_kept;  // a dry run's lines
};

}  // namespace rallon::provision
