// rallon-icon: writes the window icon as a PNG for the desktop's menus.
//   rallon-icon SIZE FILE.png

#include "Artwork.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

using namespace rallon::kit;

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const int size = argc == 3 ? std::atoi(argv[1]) : 0;
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "usage: rallon-icon SIZE FILE.png  (SIZE 16 to 1024)\n");
        return 2;
    }
    return artwork::windowIcon(size).pixmap(size, size).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
