#pragma once

// The main window's FILE menu: SAVE CONFIGURATION writes the last record
// shown as a configuration document; OPEN CONFIGURATION reads one and enters
// what its plan changes in New Data.

#include <QString>

#include <functional>

class QWidget;

namespace rallon {
class DeviceExchange;
class NewDataColumn;
}  // namespace rallon

class FileActions
{
public:
    // Chooses the file for SAVE (save: true) or OPEN CONFIGURATION,
    // `suggested` being the path offered; empty when cancelled.
    using Chooser = std::function<QString(QWidget *parent, bool save, const QString &suggested)>;

    // Works on the New Data column of `window`, with the last record of
    // `exchange`; dialogs and messages belong to `window`.
    FileActions(QWidget &window, rallon::NewDataColumn &newData, const rallon::DeviceExchange &exchange)
        : m_window(window), m_newData(newData), m_exchange(exchange)
    {
    }

    // Tests replace the file dialog; an empty chooser restores it.
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

    // Nothing happens before a record is shown.
    void saveConfiguration();
    void openConfiguration();

private:
    QString chooseFile(bool save, const QString &suggested);

    QWidget &m_window;
    rallon::NewDataColumn &m_newData;
    const rallon::DeviceExchange &m_exchange;
    Chooser m_chooser;
};
