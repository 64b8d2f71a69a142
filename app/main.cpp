#include "Artwork.h"
#include "Startup.h"

#include <QApplication>
#include <QTimer>
#include <QtGlobal>

using namespace rallon::kit;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(artwork::windowIcon());
    Startup startup;
    if (!startup.endOnSignals())
        qWarning("rallon-config: cannot install signal handlers");
    // Started inside the event loop, so that an end of the program during
    // the splash wait ends the loop too.
    QTimer::singleShot(0, &startup, &Startup::run);
    return app.exec();
}
