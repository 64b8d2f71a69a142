#pragma once

// Why a serial port could not be opened, in words for standard error.

#include <QSerialPort>
#include <QString>

namespace rallon {

// The lock file that exists for `device` (LCK..<name> in one of the
// directories QSerialPort locks in), or empty when there is none.
QString existingLockFile(const QString &device);

// The reason from QSerialPort's error and text after a failed open, and the
// lock file found for the device (empty: none). Tells apart a missing
// device, a port busy or locked by another program, missing access rights
// (with the dialout advice) and anything else (the system's text).
QString openFailureReason(QSerialPort::SerialPortError error, const QString &systemText,
                          const QString &lockFile);

}  // namespace rallon
