#pragma once

// rallon-cli provision as a program against rallon-sim playing a batch of
// devices, for the suites that run benches: each device is unplugged when
// its line is printed, as a technician at the bench would.

#include "Built.h"
#include "SimProgram.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// The batch's template and range.
inline const QByteArray Template = R"({"format": "rallon-config/1", "mask": "255.255.255.0",
    "gateway": "10.1.0.1", "primaryPort": 4001, "ssid": "PLANT-7"})";
inline const QString Range = QStringLiteral("10.1.0.20-10.1.0.99");

// rallon-sim serving a batch, with a short gap between devices.
struct Sim : SimProgram {
    explicit Sim(const QStringList &arguments) { start(QStringList{"--gap-ms", "100"} + arguments); }
};

struct Run {
    int code = -1;
    QStringList lines;  // standard output
    QString err;
};

// provision on `sim`'s line; each device's line unplugs that device.
class Provision {
public:
    Provision(Sim &sim, const QStringList &arguments,
              const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
        : m_sim(sim)
    {
        m_process.setProcessEnvironment(environment);
        m_process.start(built(RALLON_CLI_PATH),
                        QStringList{"provision", sim.path, "--timeout-ms", "1500"} + arguments);
    }
    ~Provision()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    qint64 pid() const { return m_process.processId(); }
    const QStringList &lines() const { return m_lines; }
    // Standard error so far.
    const QString &errors()
    {
        m_err += QString::fromLocal8Bit(m_process.readAllStandardError());
        return m_err;
    }

    // Acts on a device's line (its index from 0) before the device is unplugged.
    std::function<void(int, const QString &)> onLine;
    // Looks at the line between arrivals.
    std::function<void()> onPump;

    // Serves for up to `ms`; true once the program has ended.
    bool serve(int ms)
    {
        QElapsedTimer clock;
        clock.start();
        do {
            QTest::qWait(10);  // both programs' output comes in through the event loop
            if (onPump)
                onPump();
            takeLines();
        } while (m_process.state() != QProcess::NotRunning && clock.elapsed() < ms);
        if (m_process.state() != QProcess::NotRunning)
            return false;
        takeLines();
        return true;
    }

    Run finish(int ms = 30000)
    {
        Run run;
        if (!serve(ms) || m_process.exitStatus() != QProcess::NormalExit)
            return run;
        run.code = m_process.exitCode();
        run.lines = m_lines;
        run.err = errors();
        return run;
    }

private:
    void takeLines()
    {
        static const QRegularExpression deviceLine(QStringLiteral("^\\d+  \\S+  "));
        const bool ended = m_process.state() == QProcess::NotRunning;
        while (m_process.canReadLine() || (ended && m_process.bytesAvailable())) {
            const QString line = QString::fromLocal8Bit(m_process.readLine()).remove(QLatin1Char('\n'));
            m_lines << line;
            if (!deviceLine.match(line).hasMatch())
                continue;
            if (onLine)
                onLine(m_devices, line);
            ++m_devices;
            m_sim.control("unplug");
        }
    }

    Sim &m_sim;
    QProcess m_process;
    QStringList m_lines;
    QString m_err;
    int m_devices = 0;
};

// The devices' lines and the summary.
QStringList results(const Run &run)
{
    return run.lines.filter(QRegularExpression(QStringLiteral("^(\\d|done )")));
}

QString written(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return file.fileName();
}

// A ledger's lines without their time, which must be UTC with milliseconds.
QStringList ledgerLinesOf(const QByteArray &text)
{
    static const QRegularExpression time(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z,"));
    QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    for (qsizetype at = 1; at + 1 < lines.size(); ++at) {
        QString &line = lines[at];
        const QRegularExpressionMatch match = time.match(line);
        line = match.hasMatch() ? line.mid(match.capturedLength()) : QStringLiteral("(no time) ") + line;
    }
    return lines;
}

QStringList ledgerLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("(no ledger)")};
    return ledgerLinesOf(file.readAll());
}
