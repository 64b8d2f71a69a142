#include "OutputFile.h"

#include <QFile>
#include <QSaveFile>

#include "SystemReason.h"

#ifdef Q_OS_WIN
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <io.h>
#include <windows.h>
#else
#include <cerrno>

#include <sys/stat.h>
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
    m_path = path;
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
#ifdef Q_OS_WIN
    // Written beside the file and moved over it on commit(): see replace().
    const QFileInfo target(path);
    auto file = std::make_unique<QTemporaryFile>(target.absolutePath() + QLatin1Char('/')
                                                 + target.fileName() + QLatin1String(".XXXXXX"));
    if (!file->open()) {
        *error = file->errorString();
        return false;
    }
#else
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly)) {
        *error = file->errorString();
        return false;
    }
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

#ifdef Q_OS_WIN
// The temporary file flushed to the disk, closed, and moved over the target
// in one step that is on the disk when it returns. No permissions are set:
// on Windows a new file takes its folder's access list.
bool OutputFile::replace(QString *error)
{
    auto *file = static_cast<QTemporaryFile *>(m_file.get());
    if (!file->flush() || !::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(file->handle())))) {
        *error = file->error() != QFileDevice::NoError ? file->errorString() : windowsReason(::GetLastError());
        return false;
    }
    const QString temporary = file->fileName();
    file->close();
    if (!::MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(temporary).utf16()),
                       reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(m_path).utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = windowsReason(::GetLastError());
        return false;  // the temporary file goes with the object
    }
    file->setAutoRemove(false);
    return true;
}
#else
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
#endif
#ifdef Q_OS_WIN
    Q_UNUSED(secret);  // see replace()
    if (qobject_cast<QTemporaryFile *>(m_file.get())) {
        if (!written) {
            *error = m_file->errorString();
            return false;
        }
        return replace(error);
    }
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
