#pragma once

// The command line's view of a configuration, without a port: the settings
// a technician asks for and the "rallon-config/1" JSON document in both
// directions. QtCore only.

#include "Columns.h"
#include "ConfigRecord.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace rallon::document {

inline const QString DocumentFormat = QStringLiteral("rallon-config/1");

// The largest document, password file or key file read (1 MiB).
inline constexpr qint64 MaxInputSize = 1 << 20;

// What the technician wants, as the New Data column would hold it: a
// setting left out keeps the device's value. A list setting holds an item
// of its list; the shared key is its 64 octets.
struct Wanted {
    std::array<std::optional<QString>, SettingCount> texts;
    std::optional<QByteArray> sharedKey;

    std::optional<QString> &operator[](Setting s) { return texts[size_t(s)]; }
    const std::optional<QString> &operator[](Setting s) const { return texts[size_t(s)]; }
    bool isEmpty() const;
};

// The document of a decoded record, as indented UTF-8 JSON text: every
// setting as the Current Data column shows it, plus the read-only
// serialNumber and model, in the order format, model, serialNumber, ip,
// mask, gateway, primaryPort, ssid, encryption, password or sharedKey,
// com1, com2. A setting the model does not have, or whose code has no entry
// in its list, is left out.
QByteArray documentText(const ConfigRecord &record);

// A refused value: `field` as the caller's naming has it, and why.
struct InputError {
    QString field;
    QString reason;
    // `"field": reason`, the field escaped for a terminal.
    QString message() const;
};

// Sets `error` (when given) to `field` and `reason`; false.
bool refuse(InputError *error, const QString &field, const QString &reason);

// The device holds one secret: a password and a shared key together are
// refused, the reason naming sharedKey.
bool oneSecret(const Wanted &wanted, InputError *error);

// Reads a document (the text of a file) strictly: JSON as RFC 8259 has it,
// one object, no key twice in an object. Unknown fields, a wrong format, a
// value of the wrong type, a list text not in its list, a shared key that
// is not 128 hexadecimal digits, and password and sharedKey together are
// refused. serialNumber and model are ignored. A number is taken as its
// decimal text where a text may be a number (primaryPort, the serial
// settings).
std::optional<Wanted> wantedFromDocument(const QByteArray &json, InputError *error);

// The same checks on single values, for options: `name` is how the error
// names the value.
std::optional<QString> listText(SettingList list, const QString &text, const QString &name,
                                InputError *error);
std::optional<QByteArray> sharedKeyOctets(const QString &hex, const QString &name,
                                          InputError *error);
// One setting given as a text, by its document field ("ip", "com1.baud",
// "sharedKey"), with the document's checks on its value. False with `error`
// for an unknown field or a refused value.
bool takeField(const QString &field, const QString &text, Wanted *wanted, InputError *error);
// The other way: the 64 key octets as 128 upper-case hexadecimal digits.
QString sharedKeyText(const QByteArray &octets);

}  // namespace rallon::document
