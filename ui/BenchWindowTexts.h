#pragma once

// Every text of the bench window (FILE > PROVISION DEVICES...).

#include "Message.h"

#include <QString>
#include <QStringList>

namespace rallon::benchwindow_text {

inline const QString Caption = QStringLiteral("Provision Devices");
inline const QString Template = QStringLiteral("TEMPLATE");
inline const QString Range = QStringLiteral("ADDRESS RANGE");
inline const QString RangeHint = QStringLiteral("FIRST-LAST, e.g. 10.1.0.20-10.1.0.99");
inline const QString LedgerHint = QStringLiteral("a CSV file, or postgresql://USER@HOST/DATABASE");
inline const QString Inventory = QStringLiteral("INVENTORY");
inline const QString Ledger = QStringLiteral("LEDGER");
inline const QString Count = QStringLiteral("COUNT");
inline const QString NoCount = QStringLiteral("no end");
inline const QString DryRun = QStringLiteral("DRY RUN: read each device, write nothing");
inline const QString Choose = QStringLiteral("...");
// "&": Alt+S starts, Alt+T stops.
inline const QString Start = QStringLiteral("&START");
inline const QString Stop = QStringLiteral("S&TOP");
inline const QString TemplateKept =
    QStringLiteral("(read at START: the run keeps these; a change to the file counts at the next START)");
// Names a screen reader speaks.
inline const QString StateName = QStringLiteral("State");
inline const QString DeviceName = QStringLiteral("Device in hand");
inline const QString TableName = QStringLiteral("Ledger lines");
inline const QString CountsName = QStringLiteral("Counts");
inline const QString NoTemplate = QStringLiteral("No template chosen");
inline const QString Given = QStringLiteral("(given)");
inline const QString KeyGiven = QStringLiteral("(64 octets)");
inline const QStringList Columns{QStringLiteral("TIME"), QStringLiteral("SERIAL NO."), QStringLiteral("MODEL"),
                                 QStringLiteral("ADDRESS"), QStringLiteral("OUTCOME"), QStringLiteral("DETAIL")};

// The file dialogs.
inline const QString TemplateTitle = QStringLiteral("Template");
inline const QString InventoryTitle = QStringLiteral("Inventory");
inline const QString LedgerTitle = QStringLiteral("Ledger");
inline const QStringList TemplateFilters{QStringLiteral("Configuration files (*.json)"), QStringLiteral("All files (*)")};
inline const QStringList CsvFilters{QStringLiteral("CSV files (*.csv)"), QStringLiteral("All files (*)")};

// The state line.
inline const QString Idle = QStringLiteral("Choose the template, the addresses and the ledger, then START.");
inline QString waiting(int port) { return QStringLiteral("Waiting for a device on port %1...").arg(port); }
inline const QString Reading = QStringLiteral("Reading...");
inline QString sending(const QString &ip, quint16 serial)
{
    return QStringLiteral("Sending %1 to %2...").arg(ip).arg(serial);
}
inline QString done(quint16 serial) { return QStringLiteral("Done: unplug %1 and connect the next device").arg(serial); }
inline QString failed(quint16 serial)
{
    return QStringLiteral("Failed: set %1 aside, unplug it and connect the next device").arg(serial);
}
inline QString skipped(quint16 serial)
{
    return QStringLiteral("Skipped: unplug %1 and connect the next device").arg(serial);
}
inline QString portLost(int port)
{
    return QStringLiteral("The port %1 was lost (the adapter unplugged?): waiting for it to come back").arg(port);
}
// A ledger on a server: as rallon-cli words it.
inline QString serverUnreachable(const QString &uri, const QString &reason)
{
    return QStringLiteral("cannot reach the ledger's server %1: %2").arg(uri, reason);
}
inline QString serverLost(const QString &uri, const QString &reason, bool changed)
{
    return changed ? QStringLiteral("The ledger's server %1 was lost (%2): the device in hand was changed; its "
                                    "line is kept and written once the server is back").arg(uri, reason)
                   : QStringLiteral("The ledger's server %1 was lost (%2): waiting for it to come back; nothing is "
                                    "sent to the device in hand").arg(uri, reason);
}
inline const QString WaitingForLedger = QStringLiteral("Waiting for the ledger: another bench holds it...");
inline const QString Stopping = QStringLiteral("Stopping after this step...");
inline const QString Ended = QStringLiteral("The run has ended.");
inline QString counts(int done, int failed, int skipped)
{
    return QStringLiteral("done %1, failed %2, skipped %3").arg(done).arg(failed).arg(skipped);
}
// The device in hand: serial number, address, outcome.
inline const QString AlreadyConfigured = QStringLiteral("already configured");
inline const QString NotListed = QStringLiteral("not in the inventory: skipped");

// Refusals, titled by what is refused; the texts as rallon-cli's.
inline const QString TemplateRefused = QStringLiteral("Template");
inline const QString InventoryRefused = QStringLiteral("Inventory");
inline const QString RangeRefused = QStringLiteral("Address Range");
inline const QString LedgerRefused = QStringLiteral("Ledger");
inline const QString PortRefused = QStringLiteral("Port");
inline QString unreadable(const QString &path, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(path, reason);
}
inline QString refused(const QString &reason) { return QStringLiteral("%1; nothing sent").arg(reason); }
inline QString fileRefused(const QString &path, const QString &reason) { return refused(unreadable(path, reason)); }
inline const QString NeedsTemplate = QStringLiteral("Choose a template.");
inline const QString NeedsLedger =
    QStringLiteral("Choose a ledger: a new or an existing CSV file, or type a postgresql:// address.");
inline const QString NeedsAddresses = QStringLiteral("Give an address range, an inventory or both.");
inline const QString NotAFile = QStringLiteral("not a regular file");
inline const QString TooLarge = QStringLiteral("larger than 1 MiB");
inline QString rangeUsedUp(const QString &why) { return QStringLiteral("%1: the run ends").arg(why); }
inline QString lineByHand(const QString &reason, const QString &line)
{
    return QStringLiteral("The ledger cannot be written (%1). Add this line to it by hand:\n%2").arg(reason, line);
}

// The main window while a run goes on.
inline const Message Busy{QStringLiteral("Provision Devices"),
                          QStringLiteral("The port is in use by the bench window.  STOP the run there first.")};

}  // namespace rallon::benchwindow_text
