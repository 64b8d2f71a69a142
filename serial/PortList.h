#pragma once

// The serial ports present on this computer, each with the number the port
// selection window takes for it: what `rallon-cli ports` prints and the
// port selection window's tooltip shows.

#include <QList>
#include <QString>

namespace rallon {

struct PresentPort {
    int number = 0;  // 1..25 through portDeviceName, 0 when no number reaches it
    QString path;    // "/dev/ttyUSB0", "COM3"
    QString description, manufacturer, serialNumber;  // as the system knows them; may be empty
};

QList<PresentPort> presentPorts();

// The number that portDeviceName maps to `path`, or 0.
int portNumberOf(const QString &path);

// One line per port: number (or "-"), path, then what the system knows of
// it; a line saying so when there is none.
QString portListText(const QList<PresentPort> &ports);

}  // namespace rallon
