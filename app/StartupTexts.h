#pragma once

// Every text of the start-up: the port selection window and the splash,
// kept letter for letter as the user has always seen them, misspellings
// included ("invlaid"); and the line printed when there is no display.

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

// Standard error's one line when the window has no display; %1 is one of
// the reasons, %2 the folder the program was started from ("build/", or
// empty when found on the PATH).
struct NoDisplayTexts {
    QString line;
    QString unset;
    QString xcbWithoutDisplay;
    QString unreachable;  // %1: the X display
};

inline const NoDisplayTexts NoDisplay{
    QStringLiteral("rallon-config needs a display (%1); without one, use %2rallon-cli "
                   "(%2rallon-cli --help) against the device, or %2rallon-sim to try it"),
    QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set"),
    QStringLiteral("QT_QPA_PLATFORM is xcb but DISPLAY is not set"),
    QStringLiteral("the X display %1 cannot be reached"),
};

}  // namespace rallon::startup_text
