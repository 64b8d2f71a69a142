#pragma once

// Which model the connected device is, as its last record said.

#include <QtGlobal>

namespace rallon {

// The values are the numbers the main window keeps: 3 until a record has
// been decoded. An upload goes ahead only for Wireless or Wired.
enum class DeviceKind : qint16 { Wireless = 0, Wired = 1, Unknown = 3 };

// The device kind octet of a record: 0 a wireless model, anything else wired.
constexpr DeviceKind deviceKindOf(quint8 kindOctet)
{
    return kindOctet == 0 ? DeviceKind::Wireless : DeviceKind::Wired;
}

}  // namespace rallon
