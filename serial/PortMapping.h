#pragma once

#include <QString>

#include <functional>

namespace rallon {

// The device for PC serial port `number` (1..25): COMn on Windows; on Linux
// /dev/ttyUSB{n-1} when it exists, else /dev/ttyACM{n-1} when it exists,
// else /dev/ttyS{n-1}.
QString portDeviceName(int number);

// The name a port goes by, from a path or the system's location for it:
// on Windows COMn for \\.\COMn too; any other path as it is.
QString portName(const QString &path);

// Whether two paths name the same port (on Windows COM5, com5 and
// \\.\COM5 do).
bool samePort(const QString &path, const QString &other);

// Replaces the mapping in-process (tests open a pseudo-terminal this way);
// an empty function restores the default.
void setPortMapping(std::function<QString(int)> mapping);

}  // namespace rallon
