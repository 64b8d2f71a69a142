#pragma once

// rallon-sim as a program, for the tests that run it: its line, and its log
// lines as they come (through the event loop), each stamped on `clock`
// (started with the program). On Windows it serves the second port of a
// null-modem pair held here (see Pty.h), and its line is the first.

#include "Built.h"

#ifdef Q_OS_WIN
#include "Pty.h"
#endif

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTest>

struct SimProgram {
    bool start(const QStringList &arguments)
    {
        clock.start();
#ifdef Q_OS_WIN
        QString error;
        if (!pair.reserve(&error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        process.start(built(RALLON_SIM_PATH), QStringList(arguments) << QStringLiteral("--port") << pair.farPort());
#else
        process.start(built(RALLON_SIM_PATH), arguments);
#endif
        if (!process.waitForStarted(5000))
            return false;
        while (!process.canReadLine()) {
            if (!process.waitForReadyRead(5000))
                return false;
        }
        path = QString::fromLocal8Bit(process.readLine()).trimmed();
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] { readLines(); });
        readLines();
#ifdef Q_OS_WIN
        if (path != pair.farPort())
            return false;
        path = pair.path();
        return true;
#else
        return path.startsWith(QLatin1String("/dev/"));
#endif
    }

    ~SimProgram()
    {
        stop();
        process.waitForFinished(5000);
    }

    // Windows has no terminate signal for a console program: it is killed.
    void stop()
    {
#ifdef Q_OS_WIN
        process.kill();
#else
        process.terminate();
#endif
    }

    void readLines()
    {
        while (process.canReadLine()) {
            lines << QString::fromLocal8Bit(process.readLine()).trimmed();
            stamps << clock.elapsed();
        }
    }

    // Runs the event loop until `line` has come `times` times; when it last came, or -1.
    qint64 waitFor(const QString &line, int times = 1, int timeoutMs = 5000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (lines.count(line) < times && !deadline.hasExpired())
            QTest::qWait(5);
        return lines.count(line) < times ? -1 : stamps.at(lines.lastIndexOf(line));
    }

    // A control line on its standard input ("unplug", "fault alter").
    void control(const char *line)
    {
        process.write(QByteArray(line) + '\n');
        process.waitForBytesWritten(1000);
    }

    // Ends the program, with every line it logged read.
    SimProgram &end()
    {
        if (process.state() != QProcess::NotRunning) {
            stop();
            process.waitForFinished(5000);
            readLines();
        }
        return *this;
    }

    // The frames of the log lines so far that start with `prefix` ("sent record ").
    QList<QByteArray> frames(const QString &prefix) const
    {
        QList<QByteArray> found;
        for (const QString &line : lines) {
            if (line.startsWith(prefix))
                found << QByteArray::fromHex(line.mid(prefix.size()).toLatin1());
        }
        return found;
    }

#ifdef Q_OS_WIN
    rallon::Pty pair;  // declared before the process: released after it ends
#endif
    QProcess process;
    QString path;
    QElapsedTimer clock;
    QStringList lines;  // after the path line
    QList<qint64> stamps;
};
