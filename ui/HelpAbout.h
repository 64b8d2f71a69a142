#pragma once

// The HELP menu of the main window: ABOUT shows the splash window for three
// seconds; each INSTRUCTIONS item shows its fixed text in a message box.

class QWidget;
class UtilityForm;

// Connects the HELP menu items of `form`. `splash` must outlive the
// connections or be deleted before an ABOUT click reaches it.
void attachHelp(UtilityForm &form, QWidget &splash);
