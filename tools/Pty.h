#pragma once

// A raw pseudo-terminal pair (openpty), closed with this object. The master
// side does not block; neither end is inherited by child processes. The
// slave's path is what a serial port opens.

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

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

}  // namespace rallon
