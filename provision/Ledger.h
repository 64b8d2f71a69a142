#pragma once

// The ledger's lines: what was done to which device, as CSV. Pure code,
// QtCore only.

#include "Document.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace rallon::provision {

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
std::optional<QList<LedgerEntry>> ledgerEntries(const QByteArray &text, const QString &name,
                                                document::InputError *error);

}  // namespace rallon::provision
