#pragma once

// What a change does, decided before anything is sent, and how a device's
// answer is checked afterwards. Settings are compared by value, as the
// window shows them: the octets after a text's end octet, the secret of a
// device without encryption, and secret kinds that mean the same are no
// difference. Pure code, QtCore only.

#include "Columns.h"
#include "ConfigRecord.h"
#include "Document.h"
#include "Message.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace rallon::document {

// One setting that differs between two records. A setting the model does
// not have, or a password where the other record holds a shared key, has no
// value (std::nullopt).
struct Difference {
    QString field;  // the document's name: "ip", "com1.baud", "sharedKey", "model"
    std::optional<QString> from, to;

    // "ip: 192.168.1.20 -> 10.0.0.5", texts quoted and escaped.
    QString line() const;
};

// An address as given ("010.0.0.1" is 10.0.0.1), std::nullopt for a text
// that is none.
std::optional<Address> addressValue(const QString &text);

// A value as messages show it: texts (SSID, password) quoted, every value
// escaped for a terminal, no value as "(none)".
QString shownValue(const QString &field, const std::optional<QString> &value);

// The settings in which `to` differs from `from`, in the window's order.
QList<Difference> differences(const ConfigRecord &from, const ConfigRecord &to);

// A setting's value in `record` as the comparison sees it.
std::optional<QString> valueOf(const ConfigRecord &record, const QString &field);

struct Plan {
    enum class Outcome { Refused, AlreadyHeld, Upload };
    Outcome outcome = Outcome::Refused;
    // Why it was refused: a check of the window with its message, or a rule
    // of the command line naming the setting.
    std::optional<Message> windowRefusal;
    std::optional<InputError> refusal;
    QByteArray upload;              // the 113 octets, for Upload
    ConfigRecord sent;              // the upload decoded, as the device should then hold it
    QList<Difference> changes;      // from the device's record to `sent`
};

// Decides what `wanted` does to the device whose record is `device`. Each
// setting given is either sent exactly or the whole change is refused:
// nothing is cut, dropped or altered, and no setting that was not given
// changes. When the device already holds every setting given, nothing is
// sent. Otherwise the window's checks run, in its order, with its messages.
Plan planChange(const ConfigRecord &device, const Wanted &wanted);

// What the window's OPEN CONFIGURATION enters in the New Data column for an
// accepted plan: each setting that would change, as its value (a list's
// item, a dotted address, the port's number, the text), and the shared key's
// 64 octets when the key would change. Settings that stay are left out.
struct NewDataEntries {
    std::array<std::optional<QString>, SettingCount> texts;
    std::optional<QByteArray> sharedKey;
};
NewDataEntries newDataEntries(const Plan &plan);

// The `read` listing: one "LABEL  value" line per setting, in the window's
// order, with the Current Data column's texts, escaped for a terminal.
QString listingOf(const ConfigRecord &record);

}  // namespace rallon::document
