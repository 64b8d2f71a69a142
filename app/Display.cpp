#include "Display.h"

#include "StartupTexts.h"
#include "Streams.h"

#include <QByteArray>
#include <QtGui/qtguiglobal.h>

#include <cstring>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace rallon {

namespace {

// Qt's own -platform and -display options (also with two dashes).
bool displayChosenByOption(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *option = argv[i][0] == '-' && argv[i][1] == '-' ? argv[i] + 1 : argv[i];
        if (std::strcmp(option, "-platform") == 0 || std::strcmp(option, "-display") == 0)
            return true;
    }
    return false;
}

#if QT_CONFIG(xcb)
bool xServerReachable()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reachable;
}
#endif

}  // namespace

QString noDisplayLine(int argc, char **argv)
{
    if (system::alwaysHasDesktop() || displayChosenByOption(argc, argv))
        return {};
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    QString reason;
    if (platform.isEmpty() && !wayland && qEnvironmentVariableIsEmpty("DISPLAY")) {
        reason = startup_text::NoDisplay.unset;
    } else {
#if QT_CONFIG(xcb)
        const bool xcb = platform == "xcb" || (platform.isEmpty() && !wayland);
        if (xcb && !xServerReachable()) {
            const QString display = qEnvironmentVariable("DISPLAY");
            reason = display.isEmpty() ? startup_text::NoDisplay.xcbWithoutDisplay
                                       : startup_text::NoDisplay.unreachable.arg(display);
        }
#endif
    }
    if (reason.isEmpty())
        return {};
    const QString program = QString::fromLocal8Bit(argc > 0 ? argv[0] : "");
    return startup_text::NoDisplay.line.arg(reason, program.left(program.lastIndexOf(QLatin1Char('/')) + 1));
}

}  // namespace rallon
