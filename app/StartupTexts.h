#pragma once

// Every text of the start-up windows: the port selection window and the
// splash. Kept letter for letter as the user has always seen them,
// misspellings included ("invlaid").

#include "Message.h"

#include <QString>

namespace startup_text {

inline const QString PortWindowCaption = QStringLiteral("COMM PORT SELECTION");
inline const QString ProposedPort = QStringLiteral("1");
inline const QString UseCommPort = QStringLiteral("USE COMM PORT:");
inline const QString Done = QStringLiteral("DONE");
inline const QString Exit = QStringLiteral("EXIT");
inline const QString PortBoxName = QStringLiteral("COMM port number");
// Followed by the list of ports present.
inline const QString PortsToolTip =
    QStringLiteral("Serial ports on this computer, with the number to type:\n");

// Line breaks are CR LF; the third line starts with a blank.
inline const rallon::Message InvalidPort{
    QStringLiteral("COMM Port Selection"),
    QStringLiteral("An invlaid COMM Port has been selected\r\n"
                   "Please type a valid serial port for\r\n"
                   " this computer or exit from the program.")};

inline const QString Version = QStringLiteral("Version 0.0 Beta");
inline const QString Date = QStringLiteral("12/28/10");
inline const QString SmallLogoName = QStringLiteral("Tarvex logo");
inline const QString LogoName = QStringLiteral("Tarvex Power Rallon logo");

}  // namespace startup_text
