#include "FileActions.h"

#include "DeviceExchange.h"
#include "Document.h"
#include "MainWindowRows.h"
#include "MainWindowTexts.h"
#include "NewDataColumn.h"
#include "OutputFile.h"
#include "Plan.h"
#include "Program.h"
#include "Retrieve.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace mainwindow_text = rallon::mainwindow_text;

namespace {

// The text of a configuration file, at most rallon::document::MaxInputSize octets.
std::optional<QByteArray> readWhole(const QString &path, QString *reason)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *reason = mainwindow_text::file::NotAFile;
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return std::nullopt;
    }
    const QByteArray text = file.read(rallon::document::MaxInputSize + 1);
    if (file.error() != QFileDevice::NoError) {
        *reason = file.errorString();
        return std::nullopt;
    }
    if (text.size() > rallon::document::MaxInputSize) {
        *reason = mainwindow_text::file::TooLarge;
        return std::nullopt;
    }
    return text;
}

// Why a plan is refused, naming the setting or with the window's message.
QString refusalText(const rallon::document::Plan &plan)
{
    if (plan.refusal)
        return plan.refusal->message();
    if (plan.windowRefusal)
        return plan.windowRefusal->title + QLatin1String("\r\n") + plan.windowRefusal->text;
    return {};
}

}  // namespace

QString FileActions::chooseFile(bool save, const QString &suggested)
{
    QString chosen;
    if (m_chooser) {
        chosen = m_chooser(&m_window, save, suggested);
    } else {
        namespace file = mainwindow_text::file;
        QFileDialog dialog(&m_window, save ? file::SaveTitle : file::OpenTitle);
        dialog.setObjectName(QStringLiteral("ConfigFileDialog"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setNameFilters(file::Filters);
        if (save)
            dialog.setDefaultSuffix(QStringLiteral("json"));
        dialog.setDirectory(QFileInfo(suggested).isDir() ? suggested : QFileInfo(suggested).path());
        if (save)
            dialog.selectFile(QFileInfo(suggested).fileName());
        if (dialog.exec() == QDialog::Accepted)
            chosen = dialog.selectedFiles().value(0);
        // Back to the window, whose focused control takes the focus again.
        m_window.activateWindow();
    }
    return chosen;
}

void FileActions::saveConfiguration()
{
    const std::optional<rallon::ConfigRecord> &record = m_exchange.lastRecord();
    if (!record)
        return;
    const QByteArray text = rallon::document::documentText(*record);
    const QString path = chooseFile(
        true, QDir::home().filePath(mainwindow_text::file::suggestedName(record->serialNumber)));
    if (path.isEmpty())
        return;
    // Whole or not at all; a new file is the owner's alone, as it holds the
    // password or key.
    rallon::document::OutputFile file;
    QString reason;
    if (!file.open(path, &reason) || !file.commit(text, /*secret=*/true, &reason))
        rallon::kit::showMessage(&m_window, mainwindow_text::file::unwritable(QDir::toNativeSeparators(path), reason));
}

void FileActions::openConfiguration()
{
    namespace file = mainwindow_text::file;
    using rallon::document::Plan;
    if (!m_exchange.lastRecord())
        return;
    const QString path = chooseFile(false, QDir::homePath());
    if (path.isEmpty())
        return;
    QString reason;
    const std::optional<QByteArray> text = readWhole(path, &reason);
    if (!text) {
        rallon::kit::showMessage(&m_window, file::unreadable(QDir::toNativeSeparators(path), reason));
        return;
    }
    rallon::document::InputError error;
    const std::optional<rallon::document::Wanted> wanted = rallon::document::wantedFromDocument(*text, &error);
    if (!wanted) {
        rallon::kit::showMessage(&m_window, file::unusable(error.message()));
        return;
    }
    const Plan plan = rallon::document::planChange(*m_exchange.lastRecord(), *wanted);
    if (plan.outcome == Plan::Outcome::Refused) {
        rallon::kit::showMessage(&m_window, file::unusable(refusalText(plan)));
        return;
    }
    const rallon::document::NewDataEntries entries = rallon::document::newDataEntries(plan);
    // A text the New Data box cannot hold whole is refused, never cut.
    for (const rallon::rows::SettingRow &row : rallon::rows::settingRows()) {
        const std::optional<QString> &entry = entries.texts[size_t(row.setting)];
        if (entry && row.maxLength > 0 && entry->size() > row.maxLength) {
            rallon::kit::showMessage(&m_window, file::unusable(file::tooLong(QLatin1String(row.spoken),
                                                                           int(entry->size()), row.maxLength)));
            return;
        }
    }

    m_newData.clear(rallon::displayOf(*m_exchange.lastRecord()));
    m_newData.fill(entries);
}
