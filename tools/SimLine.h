#pragma once

// Connects a SimDevice, or a SimBatch of them, to a line: a new
// pseudo-terminal or a serial device.

#include "Pty.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QSerialPort;
class QSocketNotifier;

namespace rallon {

class SimBatch;
class SimDevice;

class SimLine : public QObject
{
    Q_OBJECT

public:
    explicit SimLine(SimDevice *device, QObject *parent = nullptr);
    // A device unplugged takes with it what is not yet on the line.
    explicit SimLine(SimBatch *batch, QObject *parent = nullptr);
    ~SimLine() override;

    // Opens a raw pseudo-terminal pair; path() is then the slave's path,
    // for the utility to open. The slave stays open here too. On Windows
    // the pair is a null-modem pair (see Pty): its second port is served,
    // path() is its first.
    bool openPty(QString *error);
    // Serves `name` at 4800 baud, 8N1, no flow control.
    bool openSerial(const QString &name, QString *error);
    QString path() const { return m_path; }

signals:
    // The serial device failed (e.g. was unplugged).
    void lineLost(const QString &message);

private:
    void write(const QByteArray &bytes);
    void readPty();
    void flushPty();
    void dropUnwritten();

    std::function<void(const QByteArray &)> m_receive;
    QString m_path;
    QSerialPort *m_serial = nullptr;
    Pty m_pty;  // the slave stays open here too
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_unwritten;
};

}  // namespace rallon
