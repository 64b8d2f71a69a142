#pragma once

// The far end of a real pseudo-terminal, held by a test: the utility opens
// path(); the test reads what it sent and writes what the device would say.

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

class PtyPeer {
public:
    PtyPeer()
    {
        if (openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
            return;
        termios raw{};
        tcgetattr(m_slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(m_slave, TCSANOW, &raw);
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_path = QString::fromLocal8Bit(ttyname(m_slave));
    }
    ~PtyPeer()
    {
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    bool isOpen() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }
    int master() const { return m_master; }

    // Writes all of `bytes`, waiting for room on a full line.
    void write(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
        }
    }

    // Everything the utility has sent so far, gathered across calls.
    const QByteArray &received()
    {
        char chunk[4096];
        ssize_t n;
        while ((n = ::read(m_master, chunk, sizeof chunk)) > 0)
            m_received.append(chunk, n);
        return m_received;
    }
    void clearReceived()
    {
        received();
        m_received.clear();
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QByteArray m_received;
};
