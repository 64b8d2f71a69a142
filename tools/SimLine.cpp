#include "SimLine.h"

#include "LineSettings.h"
#include "SimBatch.h"
#include "SimDevice.h"

#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>

namespace rallon {

namespace {

constexpr int MaxUnwritten = 1 << 16;  // output nobody reads is dropped beyond this
constexpr int ReadRetryMs = 200;       // after EIO: no slave side open

}  // namespace

SimLine::SimLine(SimDevice *device, QObject *parent)
    : QObject(parent), m_receive([device](const QByteArray &bytes) { device->receive(bytes); })
{
    connect(device, &SimDevice::output, this, &SimLine::write);
}

SimLine::SimLine(SimBatch *batch, QObject *parent)
    : QObject(parent), m_receive([batch](const QByteArray &bytes) { batch->receive(bytes); })
{
    connect(batch, &SimBatch::output, this, &SimLine::write);
    connect(batch, &SimBatch::unplugged, this, &SimLine::dropUnwritten);
}

SimLine::~SimLine()
{
    delete m_readNotifier;
    delete m_writeNotifier;
}

bool SimLine::openPty(QString *error)
{
    if (Pty::isPortPair()) {
        // The pair's second port served as any serial port; its first is the
        // line's far end.
        if (!m_pty.reserve(error) || !openSerial(m_pty.farPort(), error))
            return false;
        m_path = m_pty.path();
        return true;
    }
    if (!m_pty.open(error))
        return false;
    m_path = m_pty.path();

    m_readNotifier = new QSocketNotifier(m_pty.master(), QSocketNotifier::Read);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &SimLine::readPty);
    m_writeNotifier = new QSocketNotifier(m_pty.master(), QSocketNotifier::Write);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &SimLine::flushPty);
    return true;
}

bool SimLine::openSerial(const QString &name, QString *error)
{
    m_serial = new QSerialPort(name, this);
    applyDeviceLineSettings(*m_serial);
    if (!m_serial->open(QIODevice::ReadWrite)) {
        *error = QStringLiteral("%1: %2").arg(name, m_serial->errorString());
        delete m_serial;
        m_serial = nullptr;
        return false;
    }
    m_path = name;
    connect(m_serial, &QSerialPort::readyRead, this, [this] { m_receive(m_serial->readAll()); });
    connect(m_serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError code) {
        if (code == QSerialPort::ResourceError)
            emit lineLost(QStringLiteral("%1: %2").arg(m_path, m_serial->errorString()));
    });
    return true;
}

void SimLine::write(const QByteArray &bytes)
{
    if (m_serial) {
        m_serial->write(bytes);
        return;
    }
    if (m_pty.master() < 0 || m_unwritten.size() + bytes.size() > MaxUnwritten)
        return;
    m_unwritten.append(bytes);
    flushPty();
}

void SimLine::dropUnwritten()
{
    if (m_serial) {
        m_serial->clear(QSerialPort::Output);
        return;
    }
    m_unwritten.clear();
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
}

void SimLine::readPty()
{
    char buffer[4096];
    for (;;) {
        const qint64 count = m_pty.read(buffer, sizeof buffer);
        if (count > 0) {
            m_receive(QByteArray(buffer, int(count)));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // EIO: no slave side open. Look again later rather than spin.
        m_readNotifier->setEnabled(false);
        QTimer::singleShot(ReadRetryMs, this, [this] { m_readNotifier->setEnabled(true); });
        return;
    }
}

void SimLine::flushPty()
{
    while (!m_unwritten.isEmpty()) {
        const qint64 count = m_pty.write(m_unwritten.constData(), m_unwritten.size());
        if (count > 0) {
            m_unwritten.remove(0, int(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            m_unwritten.clear();  // the line is gone; drop the answer
        break;
    }
    m_writeNotifier->setEnabled(!m_unwritten.isEmpty());
}

}  // namespace rallon
