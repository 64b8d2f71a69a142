#pragma once

// The serial session's messages, exactly as the user sees them.

#include <QString>

namespace rallon::session_text {

inline const QString NoCommunicationTitle = QStringLiteral("No Communication");
inline const QString NoCommunicationText = QStringLiteral(
    "The Tarvex Power Rallon is not responding.  Please check the communication cable and "
    "connections,"
    "\r"
    "and that the Rallon is powered on and in the Configuration Mode (Green LED blinking about 2 "
    "times per second).");

inline const QString PortErrorTitle = QStringLiteral("Communication Error");
inline const QString PortErrorText = QStringLiteral(
    "This comm port seems to be in use by other programs or is not"
    "\r"
    "a valid serial port for this computer.  Please, ensure the port is valid and open"
    "\r"
    "before starting the program again.");

}  // namespace rallon::session_text
