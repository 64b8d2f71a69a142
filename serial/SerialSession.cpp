#include "SerialSession.h"

#include "ConfigRecord.h"
#include "OpenFailure.h"
#include "LineSettings.h"
#include "Port.h"
#include "PortMapping.h"
#include "SerialLog.h"

namespace rallon {

Q_LOGGING_CATEGORY(lcSerial, "rallon.serial", QtInfoMsg)

namespace {

QByteArray hexOf(const QByteArray &octets)
{
    return octets.toHex(' ').toUpper();
}

}  // namespace

SerialSession::SerialSession(QObject *parent) : QObject(parent)
{
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(ReplyTimeoutMs);
    // A coarse timer may fire up to 5 % early or late; a device answering
    // at 7.7 s would be reported as silent.
    Timer1.setTimerType(Qt::PreciseTimer);
    connect(&Timer1, &QTimer::timeout, this, &SerialSession::timeOut);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialSession::readArrivals);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialSession::portError);
}

SerialSession::~SerialSession() = default;

bool SerialSession::open(int portNumber)
{
    m_portNumber = portNumber;
    m_byPath = false;
    m_state = State::Closed;
    return openPort();
}

bool SerialSession::open(const QString &devicePath)
{
    m_devicePath = devicePath;
    m_byPath = true;
    m_state = State::Closed;
    return openPort();
}

bool SerialSession::openPort()
{
    const QString portName = m_byPath ? m_devicePath : portDeviceName(m_portNumber);
    // QSerialPort takes another program's "%10d\n" lock for stale and
    // removes it, even while that program runs.
    const QString lockFile = existingLockFile(portName);
    if (const qint64 holder = liveLockHolder(lockFile)) {
        m_error = QStringLiteral("cannot open %1: %2")
                      .arg(portName, lockedReason(lockFile, holder));
        return false;
    }
    m_port.setPortName(portName);
    applyDeviceLineSettings(m_port);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_error = QStringLiteral("cannot open %1: %2")
                      .arg(portName, openFailureReason(m_port.error(), m_port.errorString(),
                                                       lockFile, examineDeviceFile(portName)));
        return false;
    }
    qCDebug(lcSerial).noquote() << "open" << portName;
    // The driver raises DTR on open; the device expects it low. A line
    // without modem signals (a pseudo-terminal) refuses this, harmlessly.
    m_port.setDataTerminalReady(false);
    m_port.clearError();
    m_error.clear();
    m_state = State::Open;
    // Reported from the event loop, so that a loss the port reports itself
    // in the same pass is the one told; a later opening is not touched.
    const int opening = ++m_openings;
    m_hangUp = std::make_unique<system::HangUpWatch>(qintptr(m_port.handle()), [this, opening] {
        QMetaObject::invokeMethod(this, [this, opening] {
            if (opening == m_openings)
                lose(QStringLiteral("the line was hung up"));
        }, Qt::QueuedConnection);
    });
    dropInput();
    return true;
}

void SerialSession::close()
{
    Timer1.stop();
    m_state = State::Closed;
    if (m_port.isOpen())
        closePort();
}

void SerialSession::closePort()
{
    m_hangUp.reset();
    m_port.close();
    qCDebug(lcSerial) << "close";
}

bool SerialSession::beginRequest()
{
    ReceiveBuffer.clear();
    if (m_state == State::Lost)
        return openPort();
    if (m_state != State::Open)
        return false;
    dropInput();
    return true;
}

// Octets waiting in the driver or the port's buffer belong to no request
// of ours: a reply that came late, or another program's.
void SerialSession::dropInput()
{
    m_port.clear(QSerialPort::Input);
    ReceiveBuffer.clear();
}

void SerialSession::write(const QByteArray &octets)
{
    if (m_state != State::Open)
        return;
    m_port.write(octets);
    qCDebug(lcSerial).noquote() << ">" << hexOf(octets);
    emit written(octets);
}

void SerialSession::sendRequest()
{
    write(frame::requestCommand());
    for (int i = 0; i < frame::FillerCount; ++i)
        write(QByteArray(1, frame::Filler));
}

// A vanished device shows as a resource error (EIO) or a read error. A
// hung-up terminal's read returns end-of-file, which QSerialPort names after
// whatever errno was left: a resource error (reading stops) or a read error
// that repeats while the port stays open. Other errors (DTR refused on a
// pseudo-terminal, framing) are no loss.
void SerialSession::portError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    lose(m_port.errorString());
}

void SerialSession::lose(const QString &reason)
{
    if (m_state != State::Open)
        return;
    m_state = State::Lost;  // before close(): closing a dead port reports errors too
    m_error = reason;
    closePort();
    emit portLost();
}

void SerialSession::readArrivals()
{
    const QByteArray octets = m_port.readAll();
    if (octets.isEmpty())
        return;
    qCDebug(lcSerial).noquote() << "<" << hexOf(octets);
    emit received(octets);
    if (Timer1.isActive())
        Timer1.start();
    for (const QByteArray &record : ReceiveBuffer.append(octets)) {
        Timer1.stop();
        emit recordReceived(record);
    }
}

void SerialSession::timeOut()
{
    Timer1.stop();
    ReceiveBuffer.clear();
    emit replyTimedOut();
}

}  // namespace rallon
