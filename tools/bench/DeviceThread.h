#pragma once

// The device's side: SimDevice and SimLine on their own thread and event
// loop, paced at 4800 baud, timing each answer as it goes to the pty.

#include "Clock.h"

#include <QString>
#include <QThread>

#include <functional>
#include <mutex>
#include <vector>

class QObject;

namespace rallon {

class SimDevice;
class SimLine;

namespace bench {

class DeviceThread
{
public:
    struct Times {
        std::vector<qint64> firstOctet;  // per answer, as its first octet goes to the pty
        std::vector<qint64> lastOctet;   // as the record's last (116th) octet goes to the pty
        std::vector<ThreadTimes> gui;    // the GUI thread's times by then
        int answersDone = 0;             // answers handed to the line completely
    };

    // `answerDone` is called on the device's thread.
    DeviceThread(const QString &model, std::function<void()> answerDone);
    ~DeviceThread() { stop(); }

    // The device's pty; `path` is then its slave, for the utility to open.
    bool start(QString *path, QString *error);
    void stop();

    Times times() const;
    int answersDone() const;
    void clear();

private:
    // On the device's thread.
    void aboutToWrite(const QByteArray &bytes);

    QString m_model;
    std::function<void()> m_answerDone;
    QThread m_thread;
    QObject *m_anchor = nullptr;
    SimDevice *m_device = nullptr;
    SimLine *m_line = nullptr;
    ThreadClock m_guiThread;  // built on the GUI thread
    int m_sent = 0;    // device thread only
    int m_length = 0;  // device thread only
    mutable std::mutex m_mutex;
    Times m_times;
};

}  // namespace bench
}  // namespace rallon
