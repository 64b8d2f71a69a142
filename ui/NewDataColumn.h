#pragma once

// The New Data column: what the user enters, setting by setting, in a list
// (a setting with a list) or a text box. CHANGE CONFIGURATION reads it,
// OPEN CONFIGURATION fills it.

#include "Columns.h"
#include "MainWindowControls.h"
#include "Plan.h"
#include "Retrieve.h"

#include <QStringList>

#include <array>
#include <functional>

namespace rallon {

class NewDataColumn
{
public:
    // Switches the password row to the shared key layout (true) or the
    // password layout, and puts `keyTexts` into the key entry window's
    // boxes (none: the boxes stay as they are).
    using PasswordRow = std::function<void(bool sharedKey, const QStringList &keyTexts)>;

    NewDataColumn(const std::array<EntryControl, SettingCount> &controls, PasswordRow passwordRow)
        : m_controls(controls), m_passwordRow(std::move(passwordRow))
    {
    }

    // The text boxes' texts and the lists' chosen positions.
    NewData entered() const;
    // Enters each text given, a list choosing its item of that text; the
    // others stay as they are. A shared key takes the shared key layout
    // and fills the key boxes; a password the password layout.
    void fill(const document::NewDataEntries &entries);
    // Nothing entered; the password row as `shown` has it.
    void clear(const RecordDisplay &shown);

private:
    // The one place that tells a list from a text box.
    template <typename OnList, typename OnText>
    void visit(Setting setting, OnList onList, OnText onText) const;

    std::array<EntryControl, SettingCount> m_controls;
    PasswordRow m_passwordRow;
};

}  // namespace rallon
