#include "DeviceThread.h"

#include "ConfigRecord.h"
#include "SimDevice.h"
#include "SimLine.h"

namespace rallon::bench {

DeviceThread::DeviceThread(const QString &model, std::function<void()> answerDone)
    : m_model(model), m_answerDone(std::move(answerDone))
{
}

bool DeviceThread::start(QString *path, QString *error)
{
    m_thread.setObjectName(QStringLiteral("rallon-sim"));
    m_thread.start();
    m_anchor = new QObject;
    m_anchor->moveToThread(&m_thread);
    bool opened = false;
    // Built on the thread itself: SimDevice's timers and SimLine's
    // notifiers belong to the thread that creates them.
    QMetaObject::invokeMethod(
        m_anchor,
        [&] {
            m_device = new SimDevice(*simModel(m_model));
            m_device->setPaced(true);
            QObject::connect(m_device, &SimDevice::answerSent, m_device,
                             [this](const QByteArray &bytes) {
                                 m_sent = 0;
                                 m_length = int(bytes.size());
                             });
            // Connected before the line's own handler, so this runs just
            // before the octets are written to the pty. (Timed after the
            // write, the time would be late whenever the woken reader
            // takes this thread's CPU first.)
            QObject::connect(m_device, &SimDevice::output, m_device,
                             [this](const QByteArray &bytes) { aboutToWrite(bytes); });
            m_line = new SimLine(m_device);
            opened = m_line->openPty(error);
            *path = m_line->path();
        },
        Qt::BlockingQueuedConnection);
    return opened;
}

void DeviceThread::stop()
{
    if (!m_anchor)
        return;
    QMetaObject::invokeMethod(
        m_anchor,
        [this] {
            delete m_line;
            delete m_device;
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_anchor;
    m_anchor = nullptr;
}

DeviceThread::Times DeviceThread::times() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_times;
}

int DeviceThread::answersDone() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_times.answersDone;
}

void DeviceThread::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_times = Times();
}

void DeviceThread::aboutToWrite(const QByteArray &bytes)
{
    const int before = m_sent;
    m_sent += int(bytes.size());
    const bool last = before < frame::RecordLength && m_sent >= frame::RecordLength;
    const ThreadTimes gui = last ? m_guiThread.now() : ThreadTimes();
    const qint64 at = nowNs();
    bool done = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (before == 0)
            m_times.firstOctet.push_back(at);
        if (last) {
            m_times.lastOctet.push_back(at);
            m_times.gui.push_back(gui);
        }
        if (m_sent >= m_length) {
            ++m_times.answersDone;
            done = true;
        }
    }
    if (done)
        m_answerDone();
}

}  // namespace rallon::bench
