#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <memory>

namespace rallon::document {

// A file written whole: rallon-cli's -o FILE, the window's SAVE
// CONFIGURATION. A regular file, or a path that does not exist yet,
// is written to a temporary file and renamed over it on commit(), so a
// failed run leaves it as it was; a new file is readable by its owner only
// when it holds a secret. Anything else (a device, a pipe, /dev/stdout) is
// written in place, never replaced.
class OutputFile {
public:
    // rallon-cli opens it before the exchange, so that a file that cannot
    // be written costs none.
    bool open(const QString &path, QString *error);
    bool commit(const QByteArray &text, bool secret, QString *error);

private:
    QString m_path;
    bool m_new = false;
    std::unique_ptr<QFileDevice> m_file;
};

}  // namespace rallon::document
