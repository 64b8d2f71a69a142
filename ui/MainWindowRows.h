#pragma once

// The settings rows of the main window, top to bottom, each described once:
// its controls, where it stands, the setting it shows and what a screen
// reader calls it. Building the window, the tab order, the accessible names,
// the dash reset, reading what CHANGE needs and showing a decoded record all
// go over this table.

#include "Columns.h"
#include "EntryRules.h"
#include "MultiLineTextBox.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <array>
#include <optional>
#include <variant>

class UtilityForm;

namespace rallon::rows {

template <typename W>
using Member = W *UtilityForm::*;

// Left and Width of a caption: three groups of rows share them.
struct CaptionColumn {
    int left;
    int width;
};

struct SettingRow {
    int top;
    Setting setting;
    const char *spoken;  // "IP address": the boxes are "Current …" and "New …"

    // The caption label; none for the password row, whose caption is the
    // PASSWORD / SHARED KEY button.
    Member<QLabel> caption;
    const char *captionName;
    const char *captionText;
    CaptionColumn captionColumn;

    std::variant<Member<QLineEdit>, Member<MultiLineTextBox>> current;
    const char *currentName;

    std::variant<Member<QLineEdit>, Member<QComboBox>, Member<MultiLineTextBox>> entry;
    const char *entryName;
    int maxLength;                    // text boxes; 0 for a list
    std::optional<EntryRule> rule;    // what the New Data text box takes; none: anything
    qreal points;                     // font size of both value controls
};

const std::array<SettingRow, SettingCount> &settingRows();

// The control itself, from a row's member.
template <typename... W>
QWidget *widget(const UtilityForm &form, const std::variant<Member<W>...> &member)
{
    return std::visit([&form](auto m) -> QWidget * { return form.*m; }, member);
}

}  // namespace rallon::rows
