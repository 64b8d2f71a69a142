#pragma once

// The command line's view of a configuration, without a port: the settings
// a technician asks for, the "rallon-config/1" JSON document in both
// directions, the text listing of `read`, and the fields in which a device's
// answer differs from an upload. QtCore only.

#include "ConfigRecord.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

namespace rallon::cli {

inline const QString DocumentFormat = QStringLiteral("rallon-config/1");

// What the technician wants, as the New Data column would hold it: a field
// left out keeps the device's value. List values are list texts that are
// known to be in their list; the shared key is its 64 octets.
struct Wanted {
    std::optional<QString> ip, mask, gateway, primaryPort, ssid, encryption, password;
    std::optional<QByteArray> sharedKey;
    std::array<std::optional<QString>, SerialSettingCount> serial;  // record order
};

// The document's name for each field: "ip", "primaryPort", "com1.baud", ...
QString fieldName(SerialSetting setting);

// The document of a decoded record: every setting as the Current Data
// column shows it, plus the read-only serialNumber and model. A setting
// the model does not have, or whose code has no entry in its list, is left
// out.
QJsonObject documentOf(const ConfigRecord &record);

// The `read` listing: one "Label: value" line per setting, in the window's
// order, with the Current Data column's texts.
QString listingOf(const ConfigRecord &record);

// A refused value: `field` as the caller's naming has it, and why.
struct InputError {
    QString field;
    QString reason;
    QString message() const;
};

// Reads a document (the text of a file). Unknown fields, a wrong format, a
// value of the wrong type, a list text not in its list, a shared key that
// is not 128 hexadecimal digits, and password and sharedKey together are
// refused. serialNumber and model are ignored.
std::optional<Wanted> wantedFromDocument(const QByteArray &json, InputError *error);

// The same checks on single values, for options: `name` is how the error
// names the value.
std::optional<QString> listText(SettingList list, const QString &text, const QString &name,
                                InputError *error);
std::optional<QByteArray> sharedKeyOctets(const QString &hex, const QString &name,
                                          InputError *error);

// The fields (document names) in which `answer`, the device's record, does
// not hold what `sent`, the upload, carried. Empty when they agree.
QStringList differingFields(const ConfigRecord &sent, const ConfigRecord &answer);

}  // namespace rallon::cli
