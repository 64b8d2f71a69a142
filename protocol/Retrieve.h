#pragma once

// What a decoded record shows in the main window, as plain data.

#include "Columns.h"
#include "ConfigRecord.h"
#include "DeviceKind.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace rallon {

struct RecordDisplay {
    DeviceKind deviceKind = DeviceKind::Wireless;
    CurrentData current;       // the Current Data column
    QString serialNumber;      // " 4660"
    bool sharedKey = false;    // the password row's shared key layout
    QStringList keyBoxes;      // 64 texts, "0" to "FF"
};

// An octet as the key entry window shows it: upper-case hex, no leading zero.
QString keyOctetText(quint8 octet);
// The key entry window's 64 box texts for `key`'s octets.
QStringList keyBoxTexts(const QByteArray &key);

// The other way: one or two hexadecimal digits (ASCII, either case).
std::optional<quint8> hexOctet(QStringView text);

// A code with no entry in its list shows as the "----" placeholder, so an
// upload refuses it unless the user chooses an item.
RecordDisplay displayOf(const ConfigRecord &record);

}  // namespace rallon
