#pragma once

// A raw pseudo-terminal pair (openpty), closed with this object. The master
// side does not block; neither end is inherited by child processes. The
// slave's path is what a serial port opens.
//
// Windows has no pseudo-terminals: there the pair is a null-modem pair of
// COM ports from RALLON_COM_PAIRS ("COM10:COM11,COM12:COM13"), the first
// one not yet held by this process. path() is its first port; the master
// is its second, opened at 4800 baud, 8N1, reads returning at once, as a C
// library descriptor. There is no slave (-1). Read and write the master
// through read() and write(): the C library's read takes an empty read
// from a COM port for its end and returns nothing after it.
//
// Pty_posix.cpp or Pty_win.cpp, as CMake chooses.

#include <QString>

namespace rallon {

class Pty
{
public:
    Pty() = default;
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    // On failure `error` (when given) names the call that failed and why.
    bool open(QString *error = nullptr);
    bool isOpen() const { return !m_path.isEmpty(); }

    int master() const { return m_master; }
    int slave() const { return m_slave; }
    QString path() const { return m_path; }

    // The master's I/O: read() returns what has arrived (0 when nothing
    // has), write() what it wrote; -1 on an error.
    qint64 read(char *data, qint64 size);
    qint64 write(const char *data, qint64 size);

    // Whether the pair is a null-modem pair of COM ports (Windows) rather
    // than a pseudo-terminal.
    static bool isPortPair();
    // A pair of COM ports only: holds it without opening its second port,
    // which farPort() names, for a serial port to serve (rallon-sim --port).
    bool reserve(QString *error = nullptr);
    QString farPort() const { return m_far; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QString m_far;  // a pair of COM ports' second
};

}  // namespace rallon
