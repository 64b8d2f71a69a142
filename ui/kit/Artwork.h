#pragma once

// The project's own pictures, drawn in code: the logo in its sizes and the
// window icon.

#include <QIcon>
#include <QPixmap>

namespace rallon::kit::artwork {

QPixmap mainLogo();               // 210 x 73, main window
QIcon windowIcon(int size = 48);  // size x size, drawn on a 48 x 48 grid
QPixmap splashLogoBitmap();       // 250 x 56, splash window, white background
QPixmap splashLogoPicture();      // 308 x 86, splash window

}  // namespace rallon::kit::artwork
