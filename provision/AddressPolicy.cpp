#include "AddressPolicy.h"

#include "Plan.h"
#include "SettingNames.h"

#include <QHash>
#include <QSet>

namespace rallon::provision {

using namespace document;

namespace {

// The device a change is checked against before any device is read:
// wireless, encryption WEP with a password, valid addresses and lists, as
// a record decodes. planChange() depends on the device only through the
// wired model (no SSID, encryption or secret), the device's encryption
// (None takes no secret) and its own values where the change gives none.
// This device is not wired, has an encryption, and its own values pass
// every check, so what it refuses no device takes (but one that already
// holds all of it); the wired and encryption refusals stay with the run.
const ConfigRecord &anyDevice()
{
    static const ConfigRecord device = [] {
        ConfigRecord record;
        record.ip = {192, 168, 1, 20};
        record.mask = {255, 255, 255, 0};
        record.gateway = {192, 168, 1, 1};
        record.primaryPort = 4000;
        record.ssid = QStringLiteral("RALLON");
        record.encryption = 1;
        record.setPassword(QStringLiteral("rallon"));
        record.serial = {2, 1, 0, 0, 2, 1, 0, 0};
        return *decodeRecord(encodeRecord(record));
    }();
    return device;
}

}  // namespace

Wanted wantedFor(const Wanted &common, const Wanted &own, quint32 address)
{
    Wanted wanted = common;
    for (Setting setting : AllSettings) {
        if (own[setting])
            wanted[setting] = own[setting];
    }
    if (own[Setting::Password] || own.sharedKey) {  // the device's one secret in place of the template's
        wanted[Setting::Password] = own[Setting::Password];
        wanted.sharedKey = own.sharedKey;
    }
    wanted[Setting::Ip] = addressOfNumber(address);
    return wanted;
}

bool batchTakeable(const Wanted &common, const Inventory &inventory, const std::optional<IpRange> &range,
                   const QString &templateName, const QString &inventoryName, InputError *error)
{
    // Why a device with `own` over the template at `address` cannot be configured.
    const auto fault = [&common](const Wanted &own, quint32 address) -> std::optional<QString> {
        const Plan plan = planChange(anyDevice(), wantedFor(common, own, address));
        if (plan.windowRefusal)
            return plan.windowRefusal->title + QStringLiteral(": ") + withLineFeeds(plan.windowRefusal->text);
        if (plan.refusal)
            return plan.refusal->message();
        return std::nullopt;
    };
    for (const Inventory::Entry &entry : inventory.entries) {
        const auto fail = [&](const QString &reason) {
            return refuse(error, inventoryName, QStringLiteral("line %1: %2").arg(entry.line).arg(reason));
        };
        if (!entry.ip && !range)
            return fail(QStringLiteral("no ip: the row gives none, and no --ip-range was given"));
        const quint32 address = entry.ip ? *entry.ip : range->first;
        if (const std::optional<QString> why = fault(entry.values, address))
            return fail(*why);
        const auto given = [&](Setting s) { return entry.values[s] ? entry.values[s] : common[s]; };
        if (const std::optional<QString> network =
                outsideNetwork(address, given(Setting::Mask), given(Setting::Gateway), QString()))
            return fail(QStringLiteral("ip %1 is outside %2").arg(addressOfNumber(address), *network));
    }
    if (range) {
        if (const std::optional<QString> why = fault(Wanted(), range->first))
            return refuse(error, templateName, QStringLiteral("with ip %1 from --ip-range: %2")
                                                   .arg(addressOfNumber(range->first), *why));
    }
    return true;
}

const LedgerEntry *doneEntry(const QList<LedgerEntry> &ledger, quint16 serial)
{
    const LedgerEntry *done = nullptr;
    for (const LedgerEntry &entry : ledger) {
        if (entry.serial == serial && entry.outcome == LedgerEntry::outcomeText(LedgerEntry::Done))
            done = &entry;
        // Swapped in for another device, it took that device's change.
        else if (entry.outcome == LedgerEntry::outcomeText(LedgerEntry::Swapped)
                 && entry.detail == QString::number(serial))
            done = nullptr;
    }
    return done;
}

std::optional<quint32> addressFor(quint16 serial, const Inventory &inventory, const std::optional<IpRange> &range,
                                  const QList<LedgerEntry> &ledger, QString *why)
{
    QHash<quint32, QSet<quint16>> owners;  // the devices the ledger gives each address to
    for (const LedgerEntry &entry : ledger) {
        if (const std::optional<quint32> address = addressNumber(entry.ip))
            owners[*address].insert(entry.serial);
    }
    const auto takenByOther = [&](quint32 address) {
        const QSet<quint16> devices = owners.value(address);
        return devices.size() > 1 || (devices.size() == 1 && !devices.contains(serial));
    };
    const auto otherOwner = [&](quint32 address) {
        for (quint16 device : owners.value(address)) {
            if (device != serial)
                return device;
        }
        return serial;
    };
    const Inventory::Entry *listed = inventory.find(serial);
    if (listed && listed->ip) {
        if (!takenByOther(*listed->ip))
            return listed->ip;
        *why = QStringLiteral("ip %1 is in the ledger for serial number %2")
                   .arg(addressOfNumber(*listed->ip))
                   .arg(otherOwner(*listed->ip));
        return std::nullopt;
    }
    if (!range) {
        *why = QStringLiteral("no ip for it: the inventory gives none, and no --ip-range was given");
        return std::nullopt;
    }
    QSet<quint32> reserved;  // the inventory's addresses, each kept for its device
    for (const Inventory::Entry &entry : inventory.entries) {
        if (entry.ip && entry.serial != serial)
            reserved.insert(*entry.ip);
    }
    for (auto entry = ledger.rbegin(); entry != ledger.rend(); ++entry) {
        const std::optional<quint32> address = addressNumber(entry->ip);
        if (entry->serial == serial && address && *address >= range->first && *address <= range->last
            && !takenByOther(*address) && !reserved.contains(*address))
            return address;
    }
    for (quint64 address = range->first; address <= range->last; ++address) {
        if (!owners.contains(quint32(address)) && !reserved.contains(quint32(address)))
            return quint32(address);
    }
    *why = QStringLiteral("no address left in %1: each is in the ledger or the inventory").arg(range->text());
    return std::nullopt;
}

}  // namespace rallon::provision
