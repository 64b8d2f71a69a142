#pragma once

// The main window's FILE menu: SAVE CONFIGURATION writes the last record
// shown as a configuration document; OPEN CONFIGURATION reads one and enters
// what its plan changes in New Data.

#include <QString>

#include <functional>

class QWidget;
class UtilityForm;

class FileActions
{
public:
    // Chooses the file for SAVE (save: true) or OPEN CONFIGURATION,
    // `suggested` being the path offered; empty when cancelled.
    using Chooser = std::function<QString(QWidget *parent, bool save, const QString &suggested)>;

    // Works on `form`, which owns it.
    explicit FileActions(UtilityForm &form) : m_form(form) {}

    // Tests replace the file dialog; an empty chooser restores it.
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

    // Nothing happens before a record is shown.
    void saveConfiguration();
    void openConfiguration();

private:
    QString chooseFile(bool save, const QString &suggested);
    // The New Data column as right after the last record was shown.
    void resetNewData();

    UtilityForm &m_form;
    Chooser m_chooser;
};
