#pragma once

// Whether the window has a display, asked before QApplication exists: Qt
// ends the program with an abort when its platform finds none.

#include <QString>

namespace rallon {

// The one line to print when there is no display: neither DISPLAY nor
// WAYLAND_DISPLAY nor QT_QPA_PLATFORM is set, or the xcb platform cannot
// reach its X server. Empty otherwise, and when a platform other than xcb is
// chosen (QT_QPA_PLATFORM=offscreen, a Wayland session, -platform or
// -display on the command line), which is left to Qt. The line names the
// command line and the virtual device in the folder of argv[0].
QString noDisplayLine(int argc, char **argv);

}  // namespace rallon
