#pragma once

// What the New Data boxes and the key boxes take, key by key, and the octet
// check of the address boxes. Pure rules; KeyFilter applies them to widgets.

#include <QChar>
#include <QObject>
#include <QString>

#include <functional>

class QComboBox;
#include <optional>

namespace rallon {

enum class EntryRule {
    Address,   // digits, period, backspace
    Port,      // digits, backspace
    Password,  // everything but carriage return (Enter)
    KeyOctet,  // hex digits (a-f become A-F), backspace
    Nothing,   // every character discarded
};

// The character a box takes for a typed one, or nullopt to discard it.
std::optional<QChar> admit(EntryRule rule, QChar typed);

enum class OctetFault { None, FirstThree, Last };

// The address boxes' check on losing the focus: an octet above 255 among
// the first three (split at up to three periods) or in the rest.
OctetFault octetFault(const QString &text);

enum class AddressBox { Ip, Mask, Gateway };


// Applies an entry rule to the key presses of the widgets it is installed
// on. Keys that carry no character (arrows, Delete, Tab) pass untouched.
class KeyFilter : public QObject {
public:
    KeyFilter(EntryRule rule, QObject *parent) : QObject(parent), m_rule(rule) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    EntryRule m_rule;
};

// Installs a KeyFilter for `rule` on `widget`.
void applyEntryRule(QWidget *widget, EntryRule rule);

// A list that no typing changes: typed characters are discarded whether it
// is closed or dropped down (its popup does not search by typing). Arrow
// keys, Enter, Escape and the mouse still choose.
void refuseTypedChoice(QComboBox *list);

// Calls `lost` when `widget` loses the focus to another control of the
// program (not when its window is merely deactivated).
void onFocusLost(QWidget *widget, std::function<void()> lost);

}  // namespace rallon
