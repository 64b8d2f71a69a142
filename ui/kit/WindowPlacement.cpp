#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace rallon::kit {

void centreOnScreen(QWidget &window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect area(QPoint(), window.size());
    area.moveCenter(screen->geometry().center());
    window.setGeometry(area);
}

}  // namespace rallon::kit
