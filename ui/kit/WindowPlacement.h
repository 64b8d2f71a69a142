#pragma once

class QWidget;

namespace rallon::kit {

// Places a top-level window's client area in the middle of the primary screen.
void centreOnScreen(QWidget &window);

// Keeps a fixed-size window's controls within reach on its screen. `client`
// holds them: the central widget of a QMainWindow, or else the one widget
// of the window's layout. Each time the window is shown or its screen or
// frame changes: where the screen's available area holds the window,
// nothing changes; where the window only lies past its bottom or right
// edge, it moves in; where it is larger, `client` goes into a scroll area
// as large as the available area allows, with scroll bars, and the window
// into the available area's corner. The fonts keep their size.
void fitToScreen(QWidget &window, QWidget &client);

}  // namespace rallon::kit
