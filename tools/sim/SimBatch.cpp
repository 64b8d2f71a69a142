#include "SimBatch.h"

namespace rallon {

namespace {

constexpr int DefaultGapMs = 1000;

}  // namespace

SimBatch::SimBatch(const ConfigRecord &model, int count, QObject *parent)
    : QObject(parent), m_model(model), m_count(count)
{
    m_gapTimer.setSingleShot(true);
    m_gapTimer.setInterval(DefaultGapMs);
    connect(&m_gapTimer, &QTimer::timeout, this, &SimBatch::gapOver);
}

void SimBatch::setFault(SimFault fault)
{
    m_fault = fault;
    if (m_device)
        m_device->setFault(fault);
}

void SimBatch::start(bool logged)
{
    plugIn(logged);
}

void SimBatch::plugIn(bool logged)
{
    ++m_number;
    ConfigRecord config = m_model;
    config.serialNumber = quint16(m_model.serialNumber + m_number - 1);
    m_device = new SimDevice(config, this);
    m_device->setFault(m_fault);
    m_device->setPaced(m_paced);
    m_device->setReceivePaced(m_paced);
    connect(m_device, &SimDevice::output, this, &SimBatch::output);
    connect(m_device, &SimDevice::logLine, this, &SimBatch::logLine);
    if (logged)
        emit logLine(QStringLiteral("plugged in device %1 of %2, serial %3")
                         .arg(m_number)
                         .arg(m_count)
                         .arg(config.serialNumber));
}

void SimBatch::receive(const QByteArray &bytes)
{
    if (m_device)
        m_device->receive(bytes);
    else
        emit logLine(QStringLiteral("ignored %1 octets: no device").arg(bytes.size()));
}

void SimBatch::unplug()
{
    if (!m_device) {
        emit logLine(QStringLiteral("ignored unplug: no device"));
        return;
    }
    // Later, as it may be in one of its own signals; from now on it is mute.
    m_device->disconnect(this);
    m_device->deleteLater();
    m_device = nullptr;
    emit logLine(QStringLiteral("unplugged device %1 of %2").arg(m_number).arg(m_count));
    emit unplugged();
    m_gapTimer.start();
}

void SimBatch::gapOver()
{
    if (m_number < m_count)
        plugIn(true);
    else
        emit logLine(QStringLiteral("batch done: no device on the line"));
}

bool SimBatch::control(const QString &line, QString *error)
{
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return true;
    if (words == QStringList{QStringLiteral("unplug")}) {
        unplug();
        return true;
    }
    if (words.size() == 2 && words.first() == QLatin1String("fault")) {
        const std::optional<SimFault> fault = simFault(words.last());
        if (!fault) {
            *error = QStringLiteral("unknown fault \"%1\"; known: %2").arg(words.last(), simFaultNames().join(", "));
            return false;
        }
        setFault(*fault);
        emit logLine(QStringLiteral("fault set to ") + words.last());
        return true;
    }
    *error = QStringLiteral("unknown control line \"%1\"; known: unplug, fault NAME").arg(line);
    return false;
}

}  // namespace rallon
