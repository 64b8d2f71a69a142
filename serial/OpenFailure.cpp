#include "OpenFailure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <limits>
#include <utility>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#endif

namespace rallon {

// Lock files, process ids and file modes are POSIX matters: on Windows none
// is looked up.

QString existingLockFile(const QString &device)
{
#ifndef Q_OS_UNIX
    Q_UNUSED(device);
    return {};
#else
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    // QSerialPort's directories, in its order; its last is the temporary one.
    QStringList directories{"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp",
                            "/tmp", "/var/tmp", "/var/lock/lockdev", "/run/lock"};
    directories.append(QDir::tempPath());
    for (const QString &directory : std::as_const(directories)) {
        const QString path = directory + QLatin1String("/LCK..") + name;
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
#endif
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
#ifndef Q_OS_UNIX
    Q_UNUSED(lockFile);
    return 0;
#else
    const qint64 pid = lockFileProcess(lockFile);
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()
        || pid == QCoreApplication::applicationPid())
        return 0;
    // EPERM: alive, but another user's.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM ? pid : 0;
#endif
}

DeviceFile examineDeviceFile(const QString &path)
{
    DeviceFile device{path, {}, {}, 0};
#ifdef Q_OS_UNIX
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return device;
    device.mode = status.st_mode;
    const passwd *user = ::getpwuid(status.st_uid);
    device.owner = user ? QString::fromLocal8Bit(user->pw_name) : QString::number(status.st_uid);
    const group *users = ::getgrgid(status.st_gid);
    device.group = users ? QString::fromLocal8Bit(users->gr_name) : QString::number(status.st_gid);
#endif
    return device;
}

QString modeText(uint mode)
{
    QString text(10, QLatin1Char('-'));
#ifdef Q_OS_UNIX
    if (S_ISCHR(mode))
        text[0] = QLatin1Char('c');
    else if (S_ISBLK(mode))
        text[0] = QLatin1Char('b');
    else if (S_ISDIR(mode))
        text[0] = QLatin1Char('d');
    for (int bit = 0; bit < 9; ++bit) {
        if (mode & (0400u >> bit))
            text[bit + 1] = QLatin1Char("rwxrwxrwx"[bit]);
    }
#else
    Q_UNUSED(mode);
#endif
    return text;
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
#ifndef Q_OS_UNIX
    // Windows opens a COM port for one program at a time: another's hold on
    // it is the access denied that QSerialPort reports as a permission error.
    Q_UNUSED(lockFile);
    Q_UNUSED(device);
    return inUseReason(systemText);
#else
    // QSerialPort reports a lock it cannot take, and a port another program
    // holds exclusively (EBUSY), as permission errors.
    if (!lockFile.isEmpty())
        return lockedReason(lockFile, 0);
    if (systemText == QString::fromLocal8Bit(std::strerror(EBUSY)))
        return inUseReason(systemText);
    const QString denied = QStringLiteral("permission denied (%1)").arg(systemText);
    if (device.mode == 0)
        return denied
               + QStringLiteral("; the user needs read and write access to %1").arg(device.path);
    const QString reason = denied + QStringLiteral("; %1 belongs to user %2, group %3, mode %4")
                                        .arg(device.path, device.owner, device.group,
                                             modeText(device.mode));
    if (device.group == QLatin1String("dialout"))
        return reason + QStringLiteral("; the user may need to be in the dialout group: "
                                       "sudo usermod -aG dialout $USER, then log in again");
    return reason + QStringLiteral("; the user needs read and write access to it");
#endif
}

}  // namespace rallon
