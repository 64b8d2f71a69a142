#pragma once

// Which device gets which settings and address: the template with a
// device's values over it, the check of the whole batch before any device
// is read, each device's address, and whether the ledger holds it done.
// Pure code, QtCore only.

#include "Document.h"
#include "Inventory.h"
#include "IpRange.h"
#include "Ledger.h"

#include <QList>
#include <QString>

#include <optional>

namespace rallon::provision {

// The template with one device's values over it and its address, as
// provisioning sends it: a password given for the device replaces the
// template's key, and a key its password.
document::Wanted wantedFor(const document::Wanted &common, const document::Wanted &own, quint32 address);

// What no device could take, refused before any device is read: an
// inventory row without an address when no range gives one; each row as
// wantedFor() composes it (its ip, else the range's first address), and the
// template with the range's first address, through planChange()'s checks
// that do not depend on the device; a row's address outside the network of
// its gateway under its mask (the row's own, else the template's). The
// error names `inventoryName` or `templateName` and a row by its line.
bool batchTakeable(const document::Wanted &common, const Inventory &inventory, const std::optional<IpRange> &range,
                   const QString &templateName, const QString &inventoryName, document::InputError *error);

// The address for the device `serial`: the inventory's, else the one the
// ledger already holds for this device, else the first address of `range`
// that neither the ledger nor the inventory holds for any device. An
// address the ledger holds for another device is never chosen.
// std::nullopt with the reason in `why` when there is none.
std::optional<quint32> addressFor(quint16 serial, const Inventory &inventory, const std::optional<IpRange> &range,
                                  const QList<LedgerEntry> &ledger, QString *why);

// The ledger's entry saying the device is done, if any and if no later line
// says it answered another device's change.
const LedgerEntry *doneEntry(const QList<LedgerEntry> &ledger, quint16 serial);

}  // namespace rallon::provision
