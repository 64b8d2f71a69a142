#pragma once

// A path the build gave a test (RALLON_SIM_PATH, RALLON_SOURCE_DIR "/README.md"):
// as it is on POSIX; on Windows relative to the test's own folder, where the
// build puts the programs and the files the tests read, so that the folder
// can be run from anywhere.

#include <QCoreApplication>
#include <QString>

inline QString built(const char *path)
{
#ifdef Q_OS_WIN
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QString::fromUtf8(path);
#else
    return QString::fromUtf8(path);
#endif
}
