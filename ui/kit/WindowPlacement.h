#pragma once

class QWidget;

// Places a top-level window's client area in the middle of the primary screen.
void centreOnScreen(QWidget &window);
