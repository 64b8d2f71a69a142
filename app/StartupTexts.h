#pragma once

// Every text of the start-up windows: the port selection window and the
// splash. Kept letter for letter as the user has always seen them,
// misspellings included ("invlaid").

#include "Message.h"

#include <QString>

namespace rallon::startup_text {

struct PortWindowTexts {
    QString caption;
    QString proposedPort;
    QString useCommPort;
    QString done;
    QString exit;
    QString boxName;       // what a screen reader calls the box
    QString portsToolTip;  // followed by the list of ports present
    rallon::Message invalidPort;  // CR LF line breaks; the third line starts with a blank
};

inline const PortWindowTexts PortWindow{
    QStringLiteral("COMM PORT SELECTION"),
    QStringLiteral("1"),
    QStringLiteral("USE COMM PORT:"),
    QStringLiteral("DONE"),
    QStringLiteral("EXIT"),
    QStringLiteral("COMM port number"),
    QStringLiteral("Serial ports on this computer, with the number to type:\n"),
    {QStringLiteral("COMM Port Selection"),
     QStringLiteral("An invlaid COMM Port has been selected\r\n"
                    "Please type a valid serial port for\r\n"
                    " this computer or exit from the program.")},
};

struct SplashTexts {
    QString version;
    QString date;
    QString smallLogoName;
    QString logoName;
};

inline const SplashTexts Splash{
    QStringLiteral("Version 0.0 Beta"),
    QStringLiteral("12/28/10"),
    QStringLiteral("Tarvex logo"),
    QStringLiteral("Tarvex Power Rallon logo"),
};

}  // namespace rallon::startup_text
