#pragma once

// The one serial session with the device: fixed line settings, the receive
// buffer, the reply time-out, and reopening the port after it was lost.

#include "RecordAssembler.h"

#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <memory>

namespace rallon::system {
class HangUpWatch;
}

namespace rallon {

class SerialSession : public QObject {
    Q_OBJECT

public:
    static constexpr int ReplyTimeoutMs = 8000;

    explicit SerialSession(QObject *parent = nullptr);
    ~SerialSession() override;

    // Opens PC serial port `portNumber` (its device from portDeviceName) at
    // 4800 baud, no parity, 8 data bits, 1 stop bit, no flow control, DTR
    // off. A port whose lock file names another live process is not
    // touched. On failure errorString() tells why.
    bool open(int portNumber);
    // The same on a device path; reopening after a loss uses this path.
    bool open(const QString &devicePath);
    // Closes the port for good: no reopening after this.
    void close();
    bool isOpen() const { return m_state == State::Open; }
    QString errorString() const { return m_error; }

    // Starts a request or an upload: whatever arrived before it (what is
    // left of an earlier reply, stale octets in the driver) is dropped, and
    // a port lost since is reopened silently (a port number's
    // device name is looked up again). False when the port cannot be
    // reopened; writes then go nowhere and the reply time-out reports the
    // silence as usual.
    bool beginRequest();

    // Queues octets for sending; they leave in call order.
    void write(const QByteArray &octets);
    // Queues the request frame: the four command octets in one write, then
    // each filler octet in a write of its own.
    void sendRequest();

    // Arms the reply time-out, also when the request could not be sent.
    // Each arrival restarts it while it is armed; a decoded record stops it.
    void armReplyTimeout() { Timer1.start(); }
    bool awaitingReply() const { return Timer1.isActive(); }
    // The reply time, ReplyTimeoutMs unless set (tests and tools shorten it).
    void setReplyTimeoutMs(int ms) { Timer1.setInterval(ms); }
    int replyTimeoutMs() const { return Timer1.interval(); }

    const QByteArray &receiveBuffer() const { return ReceiveBuffer.buffered(); }

signals:
    // Each call of write() that reached the port, with its octets.
    void written(const QByteArray &octets);
    // Each read from the port, before its records are handed on.
    void received(const QByteArray &octets);
    // A complete record: 116 octets starting with "CFG=".
    void recordReceived(const QByteArray &record);
    // No record within the reply time; timer and buffer are already reset.
    void replyTimedOut();
    // The device went away (adapter pulled out, the line hung up); the port
    // is now closed.
    // Nothing is shown; an armed time-out keeps running.
    void portLost();

private:
    bool openPort();
    void closePort();
    void portError(QSerialPort::SerialPortError error);
    void lose(const QString &reason);
    void dropInput();
    void readArrivals();
    void timeOut();

    QSerialPort m_port;
    std::unique_ptr<system::HangUpWatch> m_hangUp;  // while the port is open
    int m_openings = 0;
    RecordAssembler ReceiveBuffer;
    QTimer Timer1;  // the reply timer
    QString m_error;
    // Closed: never opened, or closed for good. Lost: closed by a loss of
    // the device, until the next request reopens it.
    enum class State { Closed, Open, Lost };
    State m_state = State::Closed;
    // The port number, or the device path when m_byPath.
    int m_portNumber = 0;
    QString m_devicePath;
    bool m_byPath = false;
};

}  // namespace rallon
