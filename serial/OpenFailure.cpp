#include "OpenFailure.h"

#include "Port.h"
#include "Reason.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace rallon {

QString existingLockFile(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QStringList directories = system::portLockFolders();
    for (const QString &directory : directories) {
        const QString path = directory + QLatin1String("/LCK..") + name;
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

qint64 lockFileProcess(const QString &lockFile)
{
    QFile file(lockFile);
    if (lockFile.isEmpty() || !file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray content = file.read(4096);
    // A process id is below 2^22, so a binary one has a 0 octet, which no
    // ASCII one has.
    if (content.size() == 4 && content.contains('\0')) {
        qint32 pid = 0;
        std::memcpy(&pid, content.constData(), sizeof pid);
        return pid > 0 ? pid : 0;
    }
    const QByteArray firstLine = content.left(content.indexOf('\n')).trimmed();
    if (firstLine.isEmpty() || firstLine.size() > 10)
        return 0;
    for (char c : firstLine) {
        if (c < '0' || c > '9')
            return 0;
    }
    return firstLine.toLongLong();
}

qint64 liveLockHolder(const QString &lockFile)
{
    const qint64 pid = lockFileProcess(lockFile);
    return system::processAlive(pid) ? pid : 0;
}

DeviceFile examineDeviceFile(const QString &path)
{
    const system::FileOwner file = system::fileOwner(path);
    return {path, file.owner, file.group, file.mode};
}

QString lockedReason(const QString &lockFile, qint64 pid)
{
    const QString holder = pid > 0 ? QStringLiteral("%1, process %2").arg(lockFile).arg(pid)
                                   : lockFile;
    return QStringLiteral("the port is locked by another program (lock file %1); close that "
                          "program, or remove the lock file if no program uses the port, "
                          "and start again")
        .arg(holder);
}

namespace {

QString inUseReason(const QString &systemText)
{
    return QStringLiteral("the port is in use by another program (%1); close that program "
                          "and start again")
        .arg(systemText);
}

}  // namespace

QString openFailureReason(QSerialPort::SerialPortError error, const QString &systemText,
                          const QString &lockFile, const DeviceFile &device)
{
    if (error == QSerialPort::DeviceNotFoundError)
        return QStringLiteral("no such device (%1)").arg(systemText);
    if (error != QSerialPort::PermissionError)
        return systemText;
    if (system::deniedMeansInUse())
        return inUseReason(systemText);
    // QSerialPort reports a lock it cannot take, and a port another program
    // holds exclusively (EBUSY), as permission errors.
    if (!lockFile.isEmpty())
        return lockedReason(lockFile, 0);
    if (systemText == system::systemReason(EBUSY))
        return inUseReason(systemText);
    const QString denied = QStringLiteral("permission denied (%1)").arg(systemText);
    if (device.mode == 0)
        return denied
               + QStringLiteral("; the user needs read and write access to %1").arg(device.path);
    const QString reason = denied + QStringLiteral("; %1 belongs to user %2, group %3, mode %4")
                                        .arg(device.path, device.owner, device.group,
                                             system::modeText(device.mode));
    if (device.group == QLatin1String("dialout"))
        return reason + QStringLiteral("; the user may need to be in the dialout group: "
                                       "sudo usermod -aG dialout $USER, then log in again");
    return reason + QStringLiteral("; the user needs read and write access to it");
}

}  // namespace rallon
