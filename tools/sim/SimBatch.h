#pragma once

// Devices served one after another on one line, as at a bench: each is
// plugged in, answers until it is unplugged, and after a gap of silence the
// next takes its place. Device k (from 1) starts with the model's
// configuration and the model's serial number + k - 1.

#include "SimDevice.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace rallon {

class SimBatch : public QObject
{
    Q_OBJECT

public:
    SimBatch(const ConfigRecord &model, int count, QObject *parent = nullptr);

    void setGapMs(int ms) { m_gapTimer.setInterval(ms); }
    // For the current device and the ones after it.
    void setFault(SimFault fault);
    // Both directions at the speed of a 4800-baud line.
    void setPaced(bool paced) { m_paced = paced; }

    // Plugs in the first device; unless `logged`, without a log line.
    void start(bool logged = true);
    // Octets from the line: to the device, or dropped while there is none.
    void receive(const QByteArray &bytes);
    // Pulls the current device out at once, its answer cut off.
    void unplug();
    // An operator's line: "unplug" or "fault NAME". False, with the reason,
    // for anything else; an empty line does nothing.
    bool control(const QString &line, QString *error);

    SimDevice *device() const { return m_device; }  // null between devices
    int number() const { return m_number; }          // of the current or last device

signals:
    void output(const QByteArray &bytes);
    void logLine(const QString &line);
    // What the line still holds for the device pulled out is to go.
    void unplugged();

private:
    void plugIn(bool logged);
    void gapOver();

    ConfigRecord m_model;
    int m_count;
    int m_number = 0;
    SimFault m_fault = SimFault::None;
    bool m_paced = false;
    SimDevice *m_device = nullptr;
    QTimer m_gapTimer;
};

}  // namespace rallon
