#pragma once

// The device's line: 4800 baud, no parity, 8 data bits, 1 stop bit, no flow
// control. For every port that talks to the device or plays it.

#include <QSerialPort>

namespace rallon {

inline void applyDeviceLineSettings(QSerialPort &port)
{
    port.setBaudRate(QSerialPort::Baud4800);
    port.setParity(QSerialPort::NoParity);
    port.setDataBits(QSerialPort::Data8);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

}  // namespace rallon
