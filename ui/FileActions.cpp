#include "FileActions.h"

#include "DeviceExchange.h"
#include "Document.h"
#include "FileDialog.h"
#include "MainWindowRows.h"
#include "MainWindowTexts.h"
#include "NewDataColumn.h"
#include "OutputFile.h"
#include "Plan.h"
#include "Program.h"
#include "Retrieve.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace mainwindow_text = rallon::mainwindow_text;

namespace {

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
        chosen = rallon::askForFile(m_window, {save ? file::SaveTitle : file::OpenTitle, QStringLiteral("ConfigFileDialog"),
                                               file::Filters, save, suggested, QStringLiteral("json")});
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
    const std::optional<QByteArray> text =
        rallon::readWholeFile(path, mainwindow_text::file::NotAFile, mainwindow_text::file::TooLarge, &reason);
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
