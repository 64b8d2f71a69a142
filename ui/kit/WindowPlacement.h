#pragma once

class QWidget;

namespace rallon::kit {

// Places a top-level window's client area in the middle of the primary screen.
void centreOnScreen(QWidget &window);

}  // namespace rallon::kit
