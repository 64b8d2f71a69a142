#pragma once

#include <QString>

#include <functional>

namespace rallon {

// The device for PC serial port `number` (1..25): COMn on Windows; on Linux
// /dev/ttyUSB{n-1} when it exists, else /dev/ttyACM{n-1} when it exists,
// else /dev/ttyS{n-1}.
QString portDeviceName(int number);

// Replaces the mapping in-process (tests open a pseudo-terminal this way);
// an empty function restores the default.
void setPortMapping(std::function<QString(int)> mapping);

}  // namespace rallon
