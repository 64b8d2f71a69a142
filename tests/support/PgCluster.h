#pragma once

// A throwaway PostgreSQL cluster for the tests: made with the system's
// initdb (/usr/lib/postgresql/<version>/bin) in a temporary folder, run by
// an unprivileged user (as root: nobody, which owns the folder), listening
// on a free port of 127.0.0.1 only, and stopped and removed when it goes,
// whatever the test's end. POSIX only.

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

class PgCluster {
public:
    PgCluster()
    {
        QDir versions(QStringLiteral("/usr/lib/postgresql"));
        QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCollator numeric;
        numeric.setNumericMode(true);
        std::sort(found.begin(), found.end(), numeric);
        for (const QString &version : found) {
            if (QFile::exists(versions.filePath(version + QStringLiteral("/bin/initdb"))))
                m_bin = versions.filePath(version + QStringLiteral("/bin/"));
        }
        if (m_bin.isEmpty()) {
            error = QStringLiteral("no /usr/lib/postgresql/<version>/bin/initdb: bash scripts/setup.sh test installs it");
            return;
        }
        if (!m_dir.isValid()) {
            error = QStringLiteral("no temporary folder");
            return;
        }
        if (::geteuid() == 0) {  // initdb refuses root
            const passwd *nobody = ::getpwnam("nobody");
            if (!nobody || ::chown(QFile::encodeName(m_dir.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
                error = QStringLiteral("cannot hand the cluster's folder to nobody");
                return;
            }
            m_runAs = {QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--")};
            m_serverAs = {QStringLiteral("--reuid=%1").arg(nobody->pw_uid), QStringLiteral("--regid=%1").arg(nobody->pw_gid),
                          QStringLiteral("--clear-groups")};
        }
        port = freePort();
        if (!port || !tool(QStringLiteral("initdb"), {"-D", data(), "-A", "trust", "-U", "bench", "-E", "UTF8",
                                                       "--no-sync"})
            || !start())
            return;
        m_made = true;
    }
    ~PgCluster()
    {
        if (m_made)
            stop(QStringLiteral("immediate"));
    }

    bool ok() const { return m_made && error.isEmpty(); }
    // The URI of the database "postgres" as the user bench (trusted, no password).
    QString uri() const { return QStringLiteral("postgresql://bench@127.0.0.1:%1/postgres").arg(port); }

    // The server is this program's child, and ends with it however it ends
    // (a killed test leaves no server behind).
    bool start()
    {
        if (m_server.state() != QProcess::NotRunning)
            return true;
        m_server.setStandardOutputFile(m_dir.filePath(QStringLiteral("log")), QIODevice::Append);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(QStringLiteral("setpriv"),
                       QStringList{"--pdeathsig", "QUIT"} + m_serverAs
                           + QStringList{m_bin + "postgres", "-D", data(), "-p", QString::number(port), "-c",
                                         "listen_addresses=127.0.0.1", "-c", "unix_socket_directories=", "-c",
                                         "fsync=off"});
        for (int turn = 0; turn < 300 && m_server.state() != QProcess::NotRunning; ++turn) {
            if (tool(QStringLiteral("pg_isready"), {"-q", "-h", "127.0.0.1", "-p", QString::number(port)})) {
                error.clear();  // the tries before it
                return true;
            }
            m_server.waitForFinished(100);
        }
        error = QStringLiteral("the server did not start; its log is in ") + m_dir.filePath(QStringLiteral("log"));
        return false;
    }
    // `mode`: fast or immediate.
    bool stop(const QString &mode)
    {
        return tool(QStringLiteral("pg_ctl"), {"-D", data(), "-m", mode, "-w", "stop"}) && m_server.waitForFinished(10000);
    }
    bool restart(const QString &mode) { return stop(mode) && start(); }

    // One of the cluster's programs (psql, ...).
    QString program(const QString &name) const { return m_bin + name; }

    quint16 port = 0;
    QString error;  // why the cluster is not there, or the last tool's failure

private:
    QString data() const { return m_dir.filePath(QStringLiteral("data")); }

    bool tool(const QString &name, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setWorkingDirectory(m_dir.path());
        const QStringList command = m_runAs + QStringList{m_bin + name} + arguments;
        process.start(command.first(), command.mid(1));
        if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            return true;
        error = name + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll());
        return false;
    }

    static quint16 freePort()
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        const bool bound = listener >= 0 && ::bind(listener, reinterpret_cast<sockaddr *>(&address), size) == 0
            && ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &size) == 0;
        if (listener >= 0)
            ::close(listener);
        return bound ? ntohs(address.sin_port) : 0;
    }

    QTemporaryDir m_dir;
    QString m_bin;
    QStringList m_runAs, m_serverAs;
    QProcess m_server;  // after m_dir: it ends before the folder goes
    bool m_made = false;
};
