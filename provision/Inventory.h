#pragma once

// Per-device values, by serial number, from a CSV text. Pure code, QtCore only.

#include "Document.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace rallon::provision {

// A header row "serialNumber,ip,..." naming document fields, then one row
// per device. An empty cell gives nothing.
struct Inventory {
    struct Entry {
        int line = 0;  // in the CSV text
        quint16 serial = 0;
        document::Wanted values;
        std::optional<quint32> ip;
    };
    QList<Entry> entries;

    const Entry *find(quint16 serial) const;
};
// `name` names the file in messages (may be empty). Refused: a missing or unknown column,
// a column twice, a serial number or an address on two rows, a row of the
// wrong length, a value the document would refuse, control characters,
// text that is not UTF-8.
std::optional<Inventory> inventoryFromCsv(const QByteArray &text, const QString &name, document::InputError *error);

}  // namespace rallon::provision
