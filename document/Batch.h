#pragma once

// A batch of devices configured one after another, without a port or a
// file: the inventory (values by serial number), the ledger (what was done
// to which device), the address range, and the choice of each device's
// address. Both lists are CSV texts; every cell is checked before use.
// Pure code, QtCore only.

#include "Document.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace rallon::document {

// An address as a number, for ranges and comparisons.
std::optional<quint32> addressNumber(const QString &text);
QString addressOfNumber(quint32 number);

// Per-device values: a header row "serialNumber,ip,..." naming document
// fields, then one row per device. An empty cell gives nothing.
struct Inventory {
    struct Entry {
        int line = 0;  // in the CSV text
        quint16 serial = 0;
        Wanted values;
        std::optional<quint32> ip;
    };
    QList<Entry> entries;

    const Entry *find(quint16 serial) const;
};
// `name` names the file in messages (may be empty). Refused: a missing or unknown column,
// a column twice, a serial number or an address on two rows, a row of the
// wrong length, a value the document would refuse, control characters,
// text that is not UTF-8.
std::optional<Inventory> inventoryFromCsv(const QByteArray &text, const QString &name, InputError *error);

// The template with one device's values over it and its address, as
// provisioning sends it: a password given for the device replaces the
// template's key, and a key its password.
Wanted wantedFor(const Wanted &common, const Wanted &own, quint32 address);

// "FIRST-LAST", both inside the network that `mask` gives FIRST, holding
// neither its network address nor its broadcast address nor `gateway`, and
// inside `gateway`'s network.
struct IpRange {
    quint32 first = 0, last = 0;
    QString text() const;
};
std::optional<IpRange> ipRange(const QString &text, const QString &mask, const std::optional<QString> &gateway,
                               InputError *error);

// What no device could take, refused before any device is read: an
// inventory row without an address when no range gives one; each row as
// wantedFor() composes it (its ip, else the range's first address), and the
// template with the range's first address, through planChange()'s checks
// that do not depend on the device; a row's address outside the network of
// its gateway under its mask (the row's own, else the template's). The
// error names `inventoryName` or `templateName` and a row by its line.
bool batchTakeable(const Wanted &common, const Inventory &inventory, const std::optional<IpRange> &range,
                   const QString &templateName, const QString &inventoryName, InputError *error);

// One line of the ledger: a device and what was done to it.
struct LedgerEntry {
    QString time;         // UTC, ISO 8601 with milliseconds
    quint16 serial = 0;
    QString model;        // "wireless" or "wired"
    QString ip;           // the address given to the device (for refused: kept for it)
    QString primaryPort;
    QString outcome;      // see Outcome
    QString detail;       // the differing fields, what refused the change, or the serial number that answered

    // Sending: written before the upload leaves, so that a run that dies
    // before the final line still holds the address for the device.
    // Swapped: another device answered the upload.
    enum Outcome { Done, Refused, Differs, NoAnswer, Sending, Swapped };
    static QString outcomeText(Outcome outcome);
};
inline constexpr char LedgerHeader[] = "time,serialNumber,model,ip,primaryPort,outcome,detail\n";

// The entry as one CSV line, with its line feed.
QByteArray ledgerLine(const LedgerEntry &entry);
// A whole ledger as ledgerLine() writes it after LedgerHeader (an empty text
// is an empty ledger; any other text starts with the header). A last line
// without its line feed is refused: it was cut off while being written.
std::optional<QList<LedgerEntry>> ledgerEntries(const QByteArray &text, const QString &name, InputError *error);

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

}  // namespace rallon::document
