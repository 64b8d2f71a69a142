#include "OutputFile.h"

#include <QFile>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#else
#include <QFileInfo>
#endif

namespace rallon::document {

bool OutputFile::open(const QString &path, QString *error)
{
    m_path = path;
#ifdef Q_OS_UNIX
    struct stat status {};
    const bool exists = ::stat(QFile::encodeName(path).constData(), &status) == 0;
    const bool regular = exists && S_ISREG(status.st_mode);
#else
    const QFileInfo info(path);
    const bool exists = info.exists();
    const bool regular = exists && info.isFile();
#endif
    m_new = !exists;
    if (exists && !regular) {
        auto file = std::make_unique<QFile>(path);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            *error = file->errorString();
            return false;
        }
        m_file = std::move(file);
        return true;
    }
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly)) {
        *error = file->errorString();
        return false;
    }
    // A new file is the owner's only until it is known that no secret goes
    // in; an existing one keeps its permissions.
    if (m_new)
        file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_file = std::move(file);
    return true;
}

bool OutputFile::commit(const QByteArray &text, bool secret, QString *error)
{
    auto *saveFile = qobject_cast<QSaveFile *>(m_file.get());
    const bool written = m_file->write(text) == text.size();
    const bool done = saveFile ? saveFile->commit() : (written && static_cast<QFile *>(m_file.get())->flush());
    if (written && done && m_file->error() == QFileDevice::NoError) {
#ifdef Q_OS_UNIX
        if (saveFile && m_new && !secret) {
            // As a new file is created by default: read and write for all, less the umask.
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::chmod(QFile::encodeName(m_path).constData(), 0666 & ~mask);
        }
#endif
        return true;
    }
    *error = m_file->errorString();
    if (saveFile)
        saveFile->cancelWriting();
    return false;
}

}  // namespace rallon::document
