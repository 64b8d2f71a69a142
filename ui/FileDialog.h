#pragma once

// The windows' file dialog, and the small files they read whole.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace rallon {

struct FileQuestion {
    QString title;
    QString objectName;
    QStringList filters;
    bool save = false;
    // A folder, or a file: its folder is shown and, to save, its name offered.
    QString suggested;
    QString defaultSuffix;  // to save: added to a name without one
    bool confirmOverwrite = true;
};

// The file chosen, empty when cancelled; `parent` is active again after.
QString askForFile(QWidget &parent, const FileQuestion &question);

// The whole text of `path`, at most document::MaxInputSize octets; or none,
// `reason` saying why: `notAFile`, `tooLarge` (as the window words them) or
// the system's words.
std::optional<QByteArray> readWholeFile(const QString &path, const QString &notAFile, const QString &tooLarge,
                                        QString *reason);

}  // namespace rallon
