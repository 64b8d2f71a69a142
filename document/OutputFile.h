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
// when it holds a secret (on POSIX: on Windows a new file takes its folder's
// access list). Anything else (a device, a pipe, /dev/stdout) is written in
// place, never replaced.
class OutputFile {
public:
    // rallon-cli opens it before the exchange, so that a file that cannot
    // be written costs none.
    bool open(const QString &path, QString *error);
    bool commit(const QByteArray &text, bool secret, QString *error);

private:
    bool m_new = false;
    unsigned m_newMode = 0;  // a new file's, when it holds no secret
    std::unique_ptr<QFileDevice> m_file;
};

}  // namespace rallon::document
