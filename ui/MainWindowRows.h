#pragma once

// The settings rows of the main window, top to bottom, each described once:
// its controls by name, where it stands, the setting it shows and what a screen
// reader calls it. Building the window, the tab order and the accessible
// names go over this table, and OPEN CONFIGURATION's length check.

#include "Columns.h"
#include "EntryRules.h"

#include <QtGlobal>

#include <array>
#include <optional>

namespace rallon::rows {

// Left and Width of a caption: three groups of rows share them.
struct CaptionColumn {
    int left;
    int width;
};

struct SettingRow {
    int top;
    Setting setting;
    const char *spoken;  // "IP address": the boxes are "Current …" and "New …"

    // The caption label, showing caption::of(setting); none (no name) for
    // the password row, whose caption is the PASSWORD / SHARED KEY button.
    const char *captionName;
    CaptionColumn captionColumn;

    const char *currentName;

    // A list for a setting with a list (settingList), else a text box.
    const char *entryName;
    int maxLength;                    // text boxes; 0 for a list
    std::optional<EntryRule> rule;    // what the New Data text box takes; none: anything
    qreal points;                     // font size of both value controls
};

const std::array<SettingRow, SettingCount> &settingRows();

// The password row's boxes take several lines, the others' one.
inline bool multiLine(const SettingRow &row)
{
    return row.setting == Setting::Password;
}

}  // namespace rallon::rows
