#pragma once

// The one serial session with the device: fixed line settings, the receive
// buffer and the reply time-out.

#include "RecordAssembler.h"

#include <QObject>
#include <QSerialPort>
#include <QTimer>

namespace rallon {

class SerialSession : public QObject {
    Q_OBJECT

public:
    static constexpr int ReplyTimeoutMs = 8000;

    explicit SerialSession(QObject *parent = nullptr);

    // Opens `portName` at 4800 baud, no parity, 8 data bits, 1 stop bit, no
    // flow control, DTR off. On failure errorString() tells why.
    bool open(const QString &portName);
    void close();
    bool isOpen() const { return m_port.isOpen(); }
    QString errorString() const { return m_error; }

    // Queues octets for sending; they leave in call order.
    void write(const QByteArray &octets);

    // Arms the reply time-out. Each arrival restarts it while it is armed;
    // a decoded record stops it.
    void armReplyTimeout() { Timer1.start(); }
    bool awaitingReply() const { return Timer1.isActive(); }

    const QByteArray &receiveBuffer() const { return ReceiveBuffer.buffered(); }

    // The reply timer; its interval is ReplyTimeoutMs (tests may shorten it).
    QTimer Timer1;

signals:
    // Each call of write(), with its octets.
    void written(const QByteArray &octets);
    // A complete record: 116 octets starting with "CFG=".
    void recordReceived(const QByteArray &record);
    // No record within the reply time; timer and buffer are already reset.
    void replyTimedOut();

private:
    void readArrivals();
    void timeOut();

    QSerialPort m_port;
    RecordAssembler ReceiveBuffer;
    QString m_error;
};

}  // namespace rallon
