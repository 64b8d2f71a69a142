#include "Artwork.h"
#include "Display.h"
#include "Startup.h"
#include "Style.h"

#include <QApplication>
#include <QTimer>
#include <QtGlobal>

#include <cstdio>

using namespace rallon::kit;

int main(int argc, char *argv[])
{
    // Without a display Qt would abort; a remote shell gets one line instead.
    const QString noDisplay = rallon::noDisplayLine(argc, argv);
    if (!noDisplay.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(noDisplay));
        return 1;
    }
    QApplication app(argc, argv);
    addFontsOf(QCoreApplication::applicationDirPath() + QLatin1String("/fonts"));
    QApplication::setWindowIcon(artwork::windowIcon());
    Startup startup;
    if (!startup.endOnSignals())
        qWarning("rallon-config: cannot install signal handlers");
    // Started inside the event loop, so that an end of the program during
    // the splash wait ends the loop too.
    QTimer::singleShot(0, &startup, &Startup::run);
    return app.exec();
}
