#pragma once

// The main window's exchanges with the device, on the serial session it
// owns: RETRIEVE sends the request frame, CHANGE checks and encodes the
// window's texts and sends the upload; either arms the reply time-out, and
// what follows is a decoded record or the time-out. No widgets: the window
// shows what the signals carry.

#include "Change.h"
#include "ConfigRecord.h"
#include "DeviceKind.h"
#include "Retrieve.h"
#include "SerialSession.h"

#include <QObject>

#include <optional>

namespace rallon {

class DeviceExchange : public QObject
{
    Q_OBJECT
public:
    explicit DeviceExchange(QObject *parent = nullptr);

    // Opens PC serial port `portNumber`; the device kind is then Unknown.
    // On failure session().errorString() tells why.
    bool open(int portNumber);
    // Closes the port for good.
    void close() { m_session.close(); }

    const SerialSession &session() const { return m_session; }
    // The reply time-out (tests and tools shorten it).
    void setReplyTimeoutMs(int ms) { m_session.setReplyTimeoutMs(ms); }

    // RETRIEVE CONFIGURATION: the request frame, then the reply timer.
    void retrieve();
    // CHANGE CONFIGURATION: checks and encodes `snapshot`; changeChecked()
    // tells the outcome, then an accepted upload leaves in one write and
    // the reply timer is armed.
    void change(const ChangeSnapshot &snapshot);

    // A device's record (116 octets from "CFG="): kept and shown through
    // recordDecoded() when it decodes, else dropped.
    void takeRecord(const QByteArray &record);

    // Unknown until a record is decoded, then the record's kind.
    DeviceKind deviceKind() const { return m_deviceKind; }
    // The last record decoded; none before.
    const std::optional<ConfigRecord> &lastRecord() const { return m_lastRecord; }

signals:
    // The checks' outcome, before an accepted upload leaves.
    void changeChecked(const rallon::ChangeResult &result);
    // What the record just decoded shows.
    void recordDecoded(const rallon::RecordDisplay &shown);
    // No record within the reply time.
    void timedOut();

private:
    SerialSession m_session;
    DeviceKind m_deviceKind = DeviceKind::Unknown;
    std::optional<ConfigRecord> m_lastRecord;
};

}  // namespace rallon
