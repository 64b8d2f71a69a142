#pragma once

#include <QString>

#include <functional>

namespace rallon {

// The device for PC serial port `number` (1..25): the system's
// (system::portDevice()), or the one a test put in its place.
QString portDeviceName(int number);

// Replaces the mapping in-process (tests open a pseudo-terminal this way);
// an empty function restores the default.
void setPortMapping(std::function<QString(int)> mapping);

}  // namespace rallon
