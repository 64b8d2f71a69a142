#pragma once

// The main window's controls, built from the row table: the menus, the
// headings, the two value columns with their captions, the password row's
// other controls and the bottom of the window, with their names, places,
// fonts, tab order and accessible names.

#include "Columns.h"
#include "EntryRules.h"
#include "MultiLineTextBox.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <functional>
#include <variant>

class QMainWindow;

namespace rallon {

// A Current Data box; a New Data control (a list for a setting with a list).
using CurrentBox = std::variant<QLineEdit *, MultiLineTextBox *>;
using EntryControl = std::variant<QLineEdit *, QComboBox *, MultiLineTextBox *>;

template <typename... W>
QWidget *widgetOf(const std::variant<W *...> &control)
{
    return std::visit([](auto *w) -> QWidget * { return w; }, control);
}

inline QString textOf(const CurrentBox &box)
{
    return std::visit([](auto *w) { return w->text(); }, box);
}

inline void setTextOf(const CurrentBox &box, const QString &text)
{
    std::visit([&text](auto *w) { w->setText(text); }, box);
}

struct MainWindowControls {
    // The value columns, by setting.
    std::array<CurrentBox, SettingCount> current;
    std::array<EntryControl, SettingCount> entry;

    CurrentBox currentBox(Setting s) const { return current[size_t(s)]; }
    QWidget *entryControl(Setting s) const { return widgetOf(entry[size_t(s)]); }

    // The password row: its caption button, the shared key layout's markers
    // and HEX.
    QPushButton *btnPASS_SHARED = nullptr;
    QLineEdit *txtCURRENT_HEX_KEY = nullptr;
    QLineEdit *txtNEW_HEX_KEY = nullptr;
    QPushButton *btnHEX_SELECT = nullptr;

    // The bottom of the window.
    QPushButton *GetCurrentDataCommand = nullptr;
    QLineEdit *txtSN = nullptr;
    QPushButton *ChangeConfigCommand = nullptr;

    // The FILE menu's items, disabled.
    QAction *SAVE_CONFIG = nullptr;
    QAction *OPEN_CONFIG = nullptr;
    QAction *PROVISION_DEVICES = nullptr;
};

// What an address box of the New Data column does on losing the focus.
using AddressLeft = std::function<void(QLineEdit *box, AddressBox which)>;

// Names `window` and builds its controls into it: a client area of its own
// and the menu bar. The labels and the logo lie beneath the other controls.
MainWindowControls buildMainWindow(QMainWindow &window, const AddressLeft &addressLeft);

// The password row in the password layout (false) or the shared key
// layout (true): the boxes of the other move out of sight.
void placePasswordRow(const MainWindowControls &controls, bool sharedKey);

}  // namespace rallon
