#pragma once

// The HELP menu of the main window: ABOUT shows the splash window for three
// seconds; each INSTRUCTIONS item shows its fixed text in a message box.

class QWidget;
class UtilityForm;

// How long ABOUT shows the splash window.
constexpr float AboutSeconds = 3;

// Connects the HELP menu items of `form`; ABOUT shows `splash` for
// `aboutSeconds` (tests shorten it). `splash` must outlive the connections
// or be deleted before an ABOUT click reaches it.
void attachHelp(UtilityForm &form, QWidget &splash, float aboutSeconds = AboutSeconds);
