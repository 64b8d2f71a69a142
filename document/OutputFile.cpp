#include "OutputFile.h"

#include "File.h"

#include <QFile>
#include <QSaveFile>

namespace rallon::document {

bool OutputFile::open(const QString &path, QString *error)
{
    const system::PathKind kind = system::pathKind(path);
    m_new = kind == system::PathKind::Missing;
    if (kind == system::PathKind::Other) {
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
    if (m_new && !system::ownerOnly(file->handle(), &m_newMode, error)) {
        file->cancelWriting();
        return false;
    }
    m_file = std::move(file);
    return true;
}

bool OutputFile::commit(const QByteArray &text, bool secret, QString *error)
{
    auto *saveFile = qobject_cast<QSaveFile *>(m_file.get());
    const bool written = m_file->write(text) == text.size();
    if (written && saveFile && m_new && !secret && !system::restoreMode(saveFile->handle(), m_newMode, error)) {
        saveFile->cancelWriting();
        return false;
    }
    const bool done = saveFile ? saveFile->commit() : (written && static_cast<QFile *>(m_file.get())->flush());
    if (written && done && m_file->error() == QFileDevice::NoError)
        return true;
    *error = m_file->errorString();
    if (saveFile)
        saveFile->cancelWriting();
    return false;
}

}  // namespace rallon::document
