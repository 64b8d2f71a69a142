#include "PortList.h"

#include "Port.h"
#include "PortMapping.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <tuple>

namespace rallon {

int portNumberOf(const QString &path)
{
    for (int number = 1; number <= 25; ++number) {
        if (system::samePort(portDeviceName(number), path))
            return number;
    }
    return 0;
}

QList<PresentPort> presentPorts()
{
    QList<PresentPort> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        PresentPort port;
        port.path = system::portName(info.systemLocation());
        port.number = portNumberOf(port.path);
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        port.serialNumber = info.serialNumber();
        ports.append(port);
    }
    // By number, then those without one by path: the system's own order
    // can be 11, 12, 5 (Windows) or that of their discovery.
    std::sort(ports.begin(), ports.end(), [](const PresentPort &a, const PresentPort &b) {
        return std::make_tuple(a.number == 0, a.number, a.path) < std::make_tuple(b.number == 0, b.number, b.path);
    });
    return ports;
}

QString portListText(const QList<PresentPort> &ports)
{
    if (ports.isEmpty())
        return QStringLiteral("No serial port found on this computer.");
    int pathWidth = 0;
    for (const PresentPort &port : ports)
        pathWidth = qMax(pathWidth, int(port.path.size()));
    QStringList lines;
    for (const PresentPort &port : ports) {
        QStringList known;
        for (const QString &text : {port.description, port.manufacturer})
            if (!text.isEmpty())
                known << text;
        if (!port.serialNumber.isEmpty())
            known << QStringLiteral("serial number %1").arg(port.serialNumber);
        const QString number = port.number ? QString::number(port.number) : QStringLiteral("-");
        QString line = number.rightJustified(2) + QStringLiteral("  ")
            + port.path.leftJustified(pathWidth) + QStringLiteral("  ") + known.join(QStringLiteral(", "));
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace rallon
