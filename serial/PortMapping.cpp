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

void setPortMapping(std::function<QString(int)> mapping)
{
    substitute() = std::move(mapping);
}

}  // namespace rallon
