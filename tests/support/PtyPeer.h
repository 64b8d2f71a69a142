#pragma once

// The far end of a real pseudo-terminal, held by a test: the utility opens
// path(); the test reads what it sent and writes what the device would say.

#include "Pty.h"

#include <QByteArray>
#include <QString>
#include <QThread>

#ifndef Q_OS_WIN
#include <sys/ioctl.h>
#endif

class PtyPeer {
public:
    PtyPeer() { m_pty.open(); }
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    bool isOpen() const { return m_pty.isOpen(); }
    QString path() const { return m_pty.path(); }
    int master() const { return m_pty.master(); }

    // Writes all of `bytes`, waiting for room on a full line.
    void write(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const qint64 n = m_pty.write(bytes.constData() + done, bytes.size() - done);
            if (n > 0)
                done += n;
        }
    }

    // Waits, without serving events, until `count` octets written here wait
    // unread at the utility's end (on Windows: for their time on the line).
    bool waitUntilWaiting(int count)
    {
#ifdef Q_OS_WIN
        QThread::msleep(count * 10 * 1000 / 4800 + 100);
        return true;
#else
        for (int tries = 0; tries < 1000; ++tries) {
            int waiting = 0;
            if (::ioctl(m_pty.slave(), FIONREAD, &waiting) == 0 && waiting >= count)
                return true;
            QThread::msleep(1);
        }
        return false;
#endif
    }

    // Everything the utility has sent so far, gathered across calls.
    const QByteArray &received()
    {
        char chunk[4096];
        qint64 n;
        while ((n = m_pty.read(chunk, sizeof chunk)) > 0)
            m_received.append(chunk, n);
        return m_received;
    }
    void clearReceived()
    {
        received();
        m_received.clear();
    }

private:
    rallon::Pty m_pty;
    QByteArray m_received;
};
