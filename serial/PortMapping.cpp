#include "PortMapping.h"

#include <QFileInfo>

namespace rallon {

namespace {

std::function<QString(int)> &substitute()
{
    static std::function<QString(int)> mapping;
    return mapping;
}

QString defaultDeviceName(int number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    const int index = number - 1;
    for (const char *stem : {"/dev/ttyUSB", "/dev/ttyACM"}) {
        const QString name = QLatin1String(stem) + QString::number(index);
        if (QFileInfo::exists(name))
            return name;
    }
    return QStringLiteral("/dev/ttyS%1").arg(index);
#endif
}

}  // namespace

QString portDeviceName(int number)
{
    return substitute() ? substitute()(number) : defaultDeviceName(number);
}

QString portName(const QString &path)
{
#ifdef Q_OS_WIN
    const QLatin1String local("\\\\.\\");
    return path.startsWith(local) ? path.mid(local.size()) : path;
#else
    return path;
#endif
}

bool samePort(const QString &path, const QString &other)
{
#ifdef Q_OS_WIN
    return portName(path).compare(portName(other), Qt::CaseInsensitive) == 0;
#else
    return path == other;
#endif
}

void setPortMapping(std::function<QString(int)> mapping)
{
    substitute() = std::move(mapping);
}

}  // namespace rallon
