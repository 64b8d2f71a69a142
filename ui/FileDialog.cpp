#include "FileDialog.h"

#include "Document.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace rallon {

QString askForFile(QWidget &parent, const FileQuestion &question)
{
    QFileDialog dialog(&parent, question.title);
    dialog.setObjectName(question.objectName);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !question.confirmOverwrite);
    dialog.setAcceptMode(question.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(question.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(question.filters);
    if (question.save && !question.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(question.defaultSuffix);
    const QFileInfo suggested(question.suggested);
    dialog.setDirectory(suggested.isDir() ? question.suggested : suggested.path());
    if (question.save && !suggested.isDir())
        dialog.selectFile(suggested.fileName());
    QString chosen;
    if (dialog.exec() == QDialog::Accepted)
        chosen = dialog.selectedFiles().value(0);
    // Back to the window, whose focused control takes the focus again.
    parent.activateWindow();
    return chosen;
}

std::optional<QByteArray> readWholeFile(const QString &path, const QString &notAFile, const QString &tooLarge,
                                        QString *reason)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *reason = notAFile;
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return std::nullopt;
    }
    const QByteArray text = file.read(document::MaxInputSize + 1);
    if (file.error() != QFileDevice::NoError) {
        *reason = file.errorString();
        return std::nullopt;
    }
    if (text.size() > document::MaxInputSize) {
        *reason = tooLarge;
        return std::nullopt;
    }
    return text;
}

}  // namespace rallon
