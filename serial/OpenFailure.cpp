#include "OpenFailure.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace rallon {

QString existingLockFile(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    // QSerialPort's directories, in its order.
    for (const char *directory : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp",
                                  "/tmp", "/var/tmp", "/var/lock/lockdev", "/run/lock"}) {
        const QString path = QLatin1String(directory) + QLatin1String("/LCK..") + name;
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

QString openFailureReason(QSerialPort::SerialPortError error, const QString &systemText,
                          const QString &lockFile)
{
    if (error == QSerialPort::DeviceNotFoundError)
        return QStringLiteral("no such device (%1)").arg(systemText);
    if (error != QSerialPort::PermissionError)
        return systemText;
    // QSerialPort reports a lock it cannot take, and a port another program
    // holds exclusively (EBUSY), as permission errors.
    if (!lockFile.isEmpty())
        return QStringLiteral("the port is locked by another program (lock file %1); close that "
                              "program, or remove the lock file if no program uses the port, "
                              "and start again")
            .arg(lockFile);
    if (systemText == QString::fromLocal8Bit(std::strerror(EBUSY)))
        return QStringLiteral("the port is in use by another program (%1); close that program "
                              "and start again")
            .arg(systemText);
    return QStringLiteral("permission denied (%1); the user may need to be in the dialout "
                          "group: sudo usermod -aG dialout $USER, then log in again")
        .arg(systemText);
}

}  // namespace rallon
