#include "Port.h"

#include <QSocketNotifier>

namespace rallon::system {

QString portDevice(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

const char *examplePortDevice()
{
    return "COM3";
}

QString portName(const QString &path)
{
    const QLatin1String local("\\\\.\\");
    return path.startsWith(local) ? path.mid(local.size()) : path;
}

bool samePort(const QString &path, const QString &other)
{
    return portName(path).compare(portName(other), Qt::CaseInsensitive) == 0;
}

QStringList portLockFolders()
{
    return {};
}

bool processAlive(qint64)
{
    return false;
}

FileOwner fileOwner(const QString &)
{
    return {};
}

QString modeText(uint)
{
    return QString(10, QLatin1Char('-'));
}

bool deniedMeansInUse()
{
    return true;
}

HangUpWatch::HangUpWatch(qintptr, std::function<void()>) {}

HangUpWatch::~HangUpWatch() = default;

}  // namespace rallon::system
