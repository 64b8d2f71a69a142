#pragma once

// The offscreen platform's screens, for the tests and tools that show the
// windows there: its one screen of 800 x 800 is narrower than the main
// window, which would then scroll.

#include <QByteArray>
#include <QDir>
#include <QTemporaryFile>

namespace rallon {

// A screen of 1920 x 1080 at 100 %, which holds every window.
inline constexpr char BigScreen[] = R"({"name": "big", "width": 1920, "height": 1080})";

// Before the application starts: where QT_QPA_PLATFORM is "offscreen", its
// screens are `screens` (the platform's screen objects, separated by
// commas), the first one the primary screen.
inline void useOffscreenScreens(const QByteArray &screens)
{
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen")
        return;
    // In the current folder: a drive's colon would end the platform's name.
    static QTemporaryFile file(QStringLiteral("offscreen-XXXXXX.json"));
    const QByteArray json = R"({"screens": [)" + screens + "]}";
    if (!file.open() || file.write(json) != json.size() || !file.flush()) {
        qWarning("offscreen screens not written: %s", qPrintable(file.errorString()));
        return;
    }
    qputenv("QT_QPA_PLATFORM",
            "offscreen:configfile=" + QDir::current().relativeFilePath(file.fileName()).toLocal8Bit());
}

}  // namespace rallon
