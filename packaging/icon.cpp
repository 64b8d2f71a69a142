// rallon-icon: writes the window icon as a PNG for the desktop's menus.
//   rallon-icon FILE.png

#include "Artwork.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: rallon-icon FILE.png\n");
        return 2;
    }
    return artwork::windowIcon().pixmap(48, 48).save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
