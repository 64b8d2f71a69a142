#include "Port.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <limits>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rallon::system {

QString portDevice(int number)
{
    const int index = number - 1;
    for (const char *stem : {"/dev/ttyUSB", "/dev/ttyACM"}) {
        const QString name = QLatin1String(stem) + QString::number(index);
        if (QFileInfo::exists(name))
            return name;
    }
    return QStringLiteral("/dev/ttyS%1").arg(index);
}

const char *examplePortDevice()
{
    return "/dev/ttyUSB0";
}

QString portName(const QString &path)
{
    return path;
}

bool samePort(const QString &path, const QString &other)
{
    return path == other;
}

QStringList portLockFolders()
{
    // QSerialPort's directories, in its order; its last is the temporary one.
    QStringList directories{"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp",
                            "/tmp", "/var/tmp", "/var/lock/lockdev", "/run/lock"};
    directories.append(QDir::tempPath());
    return directories;
}

bool processAlive(qint64 pid)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max() || pid == QCoreApplication::applicationPid())
        return false;
    // EPERM: alive, but another user's.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

FileOwner fileOwner(const QString &path)
{
    FileOwner file;
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return file;
    file.mode = status.st_mode;
    const passwd *user = ::getpwuid(status.st_uid);
    file.owner = user ? QString::fromLocal8Bit(user->pw_name) : QString::number(status.st_uid);
    const group *users = ::getgrgid(status.st_gid);
    file.group = users ? QString::fromLocal8Bit(users->gr_name) : QString::number(status.st_gid);
    return file;
}

QString modeText(uint mode)
{
    QString text(10, QLatin1Char('-'));
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
    return text;
}

bool deniedMeansInUse()
{
    return false;
}

namespace {

// The other end of the line hung up: reads give end of file.
bool hungUp(int descriptor)
{
    pollfd line{descriptor, POLLIN, 0};
    return ::poll(&line, 1, 0) == 1 && (line.revents & POLLHUP);
}

}  // namespace

HangUpWatch::HangUpWatch(qintptr port, std::function<void()> report) : m_fd(::fcntl(int(port), F_DUPFD_CLOEXEC, 0))
{
    if (m_fd < 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this, report = std::move(report)] {
        if (!hungUp(m_fd))
            return;  // octets to read: the port's own notifier takes them
        m_notifier->setEnabled(false);
        report();
    });
}

HangUpWatch::~HangUpWatch()
{
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

}  // namespace rallon::system
