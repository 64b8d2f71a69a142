#pragma once

// Files as the ledger and a file written whole need them, beyond what Qt
// offers: a C library descriptor locked, read at an offset, flushed to the
// disk and cut back (flock, pread and fsync on POSIX; LockFileEx, ReadFile
// at an offset and FlushFileBuffers on the descriptor's handle on Windows),
// and a new file's mode (POSIX only: on Windows a new file takes its
// folder's access list).

#include <QByteArray>
#include <QString>

namespace rallon::system {

class File {
public:
    File() = default;
    ~File() { close(); }
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    // For reading only, or for reading and appending, created when missing
    // (rw-r--r--). False with the reason; `missing` tells whether there was
    // no such file.
    bool open(const QString &path, bool readOnly, QString *error, bool *missing);
    bool isOpen() const { return m_fd >= 0; }
    void close();

    // Whether it is a regular file; false with the reason when that cannot be told.
    bool regular(bool *regular, QString *error) const;

    // The lock without waiting: shared for a reader, exclusive for a writer.
    enum class Try { Taken, Busy, Failed };
    Try tryLock(bool shared, QString *error);
    void unlock();

    // Whether this is still the file `path` names. On Windows a file open
    // here cannot be renamed over or removed (the C library opens it without
    // delete sharing), so it always is.
    bool stillNamed(const QString &path, QString *error) const;

    // -1 on failure, with the reason.
    qint64 size(QString *error) const;
    // Up to `size` octets from `offset`: how many, 0 at the end, -1 on failure.
    qint64 readAt(char *into, qint64 size, qint64 offset, QString *error) const;
    bool writeAll(const QByteArray &octets, QString *error);
    // Everything written on the disk.
    bool flush(QString *error);
    bool truncate(qint64 size, QString *error);

private:
    int m_fd = -1;
};

// A new file's name survives a power cut only once its folder is on the
// disk too. Windows has no call to flush a folder: there the file's own
// flush is all there is.
bool syncFolderOf(const QString &path, QString *error);

enum class PathKind { Missing, Regular, Other };
// What `path` names (a link followed).
PathKind pathKind(const QString &path);

// The new file open as `handle` made its owner's only; `createdMode` is the
// mode it was created with (read and write for all, less the umask), which
// restoreMode() gives it back. On Windows nothing is done.
bool ownerOnly(int handle, unsigned *createdMode, QString *error);
bool restoreMode(int handle, unsigned mode, QString *error);

}  // namespace rallon::system
