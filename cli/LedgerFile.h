#pragma once

// The ledger on disk, which several provision runs may share: read and
// appended to only while its lock (flock) is held, each line written whole
// and flushed to the disk before the lock is let go. In a dry run the file
// is only read, if it exists, and lines are kept in memory.

#include "Batch.h"

#include <QString>

#include <functional>

namespace rallon::cli {

using document::InputError;
using document::LedgerEntry;

class LedgerFile {
public:
    LedgerFile() = default;
    ~LedgerFile();
    LedgerFile(const LedgerFile &) = delete;
    LedgerFile &operator=(const LedgerFile &) = delete;

    bool open(const QString &path, bool dryRun, QString *error);
    // Waits for the lock (calling `waiting` once if another run holds it):
    // Done, an end signal's exit status, or Usage with the reason in
    // `error`. A ledger replaced meanwhile (saved by an editor) is opened
    // and locked anew; one removed ends the run.
    int lock(QString *error, const std::function<void()> &waiting = {});
    void unlock();
    // Under the lock: the whole ledger, checked.
    std::optional<QList<LedgerEntry>> entries(InputError *error) const;
    // Under the lock: the entry appended and on the disk.
    bool append(const LedgerEntry &entry, QString *error);

private:
    bool openFile(QString *error);

    QString m_path;
    int m_fd = -1;
    bool m_dryRun = false;
    QList<LedgerEntry> m_kept;  // a dry run's lines
};

}  // namespace rallon::cli
