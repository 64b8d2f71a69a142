#include "OutputFile.h"

#include <QFile>
#include <QSaveFile>

#include "SystemReason.h"

#ifdef Q_OS_UNIX
#include <cerrno>

#include <sys/stat.h>
#else
#include <QFileInfo>
#endif

namespace rallon::document {

bool OutputFile::open(const QString &path, QString *error)
{
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
#ifdef Q_OS_UNIX
    // A new file is the owner's only until it is known that no secret goes
    // in; an existing one keeps its permissions.
    if (m_new && !ownerOnly(*file, error)) {
        file->cancelWriting();
        return false;
    }
#endif
    m_file = std::move(file);
    return true;
}

#ifdef Q_OS_UNIX
bool OutputFile::ownerOnly(QSaveFile &file, QString *error)
{
    // The temporary file was created as any new file is (read and write for
    // all, less the umask): that mode is the one a file without a secret gets.
    struct stat status {};
    if (::fstat(file.handle(), &status) != 0 || ::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0) {
        *error = systemReason(errno);
        return false;
    }
    m_newMode = status.st_mode & 07777;
    return true;
}
#endif

bool OutputFile::commit(const QByteArray &text, bool secret, QString *error)
{
    auto *saveFile = qobject_cast<QSaveFile *>(m_file.get());
    const bool written = m_file->write(text) == text.size();
#ifdef Q_OS_UNIX
    if (written && saveFile && m_new && !secret && ::fchmod(saveFile->handle(), m_newMode) != 0) {
        *error = systemReason(errno);
        saveFile->cancelWriting();
        return false;
    }
#else
    Q_UNUSED(secret);  // a new file takes its folder's access list
#endif
    const bool done = saveFile ? saveFile->commit() : (written && static_cast<QFile *>(m_file.get())->flush());
    if (written && done && m_file->error() == QFileDevice::NoError)
        return true;
    *error = m_file->errorString();
    if (saveFile)
        saveFile->cancelWriting();
    return false;
}

}  // namespace rallon::document
