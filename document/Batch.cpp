#include "Batch.h"

#include "Change.h"
#include "Plan.h"
#include "SettingNames.h"
#include "Terminal.h"

#include <QSet>
#include <QStringDecoder>

namespace rallon::document {

namespace {

bool refuse(InputError *error, const QString &field, const QString &reason)
{
    if (error)
        *error = {field, reason};
    return false;
}

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f);
}

struct CsvRow {
    int line = 0;
    QStringList cells;
};

// The rows of a CSV text: cells split at commas; a cell in double quotes
// may hold commas and doubled quotes. Lines end in LF or CR LF; empty lines
// are skipped, and so is a byte-order mark. With `whole`, a last line
// without its line feed is refused.
std::optional<QList<CsvRow>> csvRows(const QByteArray &octets, const QString &name, bool whole, InputError *error)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(octets);
    if (utf8.hasError()) {
        refuse(error, name, QStringLiteral("the text is not UTF-8"));
        return std::nullopt;
    }
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    QStringList lines = text.split(QLatin1Char('\n'));
    const QString last = lines.takeLast();  // empty when the text ends with its line feed
    if (!last.isEmpty()) {
        if (whole) {
            refuse(error, name, QStringLiteral("line %1 is not whole (cut off while being written?); "
                                               "check that device, then mend or remove the line")
                                    .arg(lines.size() + 1));
            return std::nullopt;
        }
        lines << last;
    }

    QList<CsvRow> rows;
    for (int at = 0; at < lines.size(); ++at) {
        QString line = lines.at(at);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const auto fail = [&](const QString &reason) {
            refuse(error, name, QStringLiteral("line %1: %2").arg(at + 1).arg(reason));
            return std::nullopt;
        };
        for (const QChar c : line) {
            if (isControl(c))
                return fail(QStringLiteral("control character %1").arg(escaped(QString(c))));
        }
        if (line.isEmpty())
            continue;
        CsvRow row{at + 1, {}};
        QString cell;
        bool quoted = false, wasQuoted = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line.at(i);
            if (quoted) {
                if (c != QLatin1Char('"')) {
                    cell += c;
                } else if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                    cell += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else if (c == QLatin1Char(',')) {
                row.cells << cell;
                cell.clear();
                wasQuoted = false;
            } else if (c == QLatin1Char('"') && cell.isEmpty() && !wasQuoted) {
                quoted = wasQuoted = true;
            } else if (c == QLatin1Char('"') || wasQuoted) {
                return fail(QStringLiteral("a double quote belongs around a whole cell"));
            } else {
                cell += c;
            }
        }
        if (quoted)
            return fail(QStringLiteral("a double quote is not closed"));
        row.cells << cell;
        rows << row;
    }
    return rows;
}

QString csvCell(const QString &text)
{
    const QString cell = escaped(text);
    if (!cell.contains(QLatin1Char(',')) && !cell.contains(QLatin1Char('"')) && cell.trimmed() == cell)
        return cell;
    return QLatin1Char('"') + QString(cell).replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
}

std::optional<quint16> serialNumberOf(const QString &cell)
{
    const std::optional<int> number = plainDecimal(cell, 65536);
    if (!number || *number > 65535)
        return std::nullopt;
    return quint16(*number);
}

// The network of `gateway` under `mask`, described for messages, when
// `address` lies outside it; nothing when inside or either is no address.
std::optional<QString> outsideNetwork(quint32 address, const std::optional<QString> &mask,
                                      const std::optional<QString> &gateway, const QString &whose)
{
    const std::optional<quint32> maskNumber = mask ? addressNumber(*mask) : std::nullopt;
    const std::optional<quint32> gatewayNumber = gateway ? addressNumber(*gateway) : std::nullopt;
    if (!maskNumber || !gatewayNumber || (address & *maskNumber) == (*gatewayNumber & *maskNumber))
        return std::nullopt;
    return QStringLiteral("the network %1 of %2gateway %3 under %2mask %4")
        .arg(addressOfNumber(*gatewayNumber & *maskNumber), whose, addressOfNumber(*gatewayNumber),
             addressOfNumber(*maskNumber));
}

// The device a change is checked against before any device is read:
// wireless, encryption WEP with a password, valid addresses and lists, as
// a record decodes. planChange() depends on the device only through the
// wired model (no SSID, encryption or secret), the device's encryption
// (None takes no secret) and its own values where the change gives none.
// This device is not wired, has an encryption, and its own values pass
// every check, so what it refuses no device takes (but one that already
// holds all of it); the wired and encryption refusals stay with the bench.
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

const QStringList &ledgerColumns()
{
    static const QStringList columns =
        QString::fromLatin1(LedgerHeader).trimmed().split(QLatin1Char(','));
    return columns;
}

}  // namespace

std::optional<quint32> addressNumber(const QString &text)
{
    const std::optional<Address> address = addressValue(text);
    if (!address)
        return std::nullopt;
    return quint32((*address)[0]) << 24 | quint32((*address)[1]) << 16 | quint32((*address)[2]) << 8
        | quint32((*address)[3]);
}

QString addressOfNumber(quint32 number)
{
    return addressText({quint8(number >> 24), quint8(number >> 16), quint8(number >> 8), quint8(number)});
}

const Inventory::Entry *Inventory::find(quint16 serial) const
{
    for (const Entry &entry : entries) {
        if (entry.serial == serial)
            return &entry;
    }
    return nullptr;
}

std::optional<Inventory> inventoryFromCsv(const QByteArray &text, const QString &name, InputError *error)
{
    const std::optional<QList<CsvRow>> rows = csvRows(text, name, false, error);
    if (!rows)
        return std::nullopt;
    const auto fail = [&](int line, const QString &reason) {
        refuse(error, name, QStringLiteral("line %1: %2").arg(line).arg(reason));
        return std::nullopt;
    };
    if (rows->isEmpty() || rows->first().cells.value(0) != QLatin1String("serialNumber"))
        return fail(1, QStringLiteral("the first line must name the columns, serialNumber first "
                                      "(serialNumber,ip,...)"));
    const QStringList header = rows->first().cells;
    QSet<QString> named;
    for (int column = 1; column < header.size(); ++column) {
        const QString &field = header.at(column);
        const bool known = field == QLatin1String(SharedKeyName.field)
            || std::any_of(std::begin(AllSettings), std::end(AllSettings),
                           [&field](Setting s) { return fieldOf(s) == field; });
        if (!known)
            return fail(1, QStringLiteral("column %1 is not a field of the document (ip, mask, gateway, "
                                          "primaryPort, ssid, encryption, password, sharedKey, com1.baud, ...)")
                               .arg(quoted(field)));
        if (named.contains(field))
            return fail(1, QStringLiteral("column %1 appears twice").arg(quoted(field)));
        named.insert(field);
    }

    Inventory inventory;
    QHash<quint16, int> serialLines;
    QHash<quint32, int> addressLines;
    for (qsizetype at = 1; at < rows->size(); ++at) {
        const CsvRow &row = rows->at(at);
        if (row.cells.size() != header.size())
            return fail(row.line, QStringLiteral("%1 cells where the first line names %2")
                                      .arg(row.cells.size())
                                      .arg(header.size()));
        Inventory::Entry entry;
        entry.line = row.line;
        const std::optional<quint16> serial = serialNumberOf(row.cells.first());
        if (!serial)
            return fail(row.line, QStringLiteral("serial number %1 is not a number from 0 to 65535")
                                      .arg(quoted(row.cells.first())));
        if (serialLines.contains(*serial))
            return fail(row.line, QStringLiteral("serial number %1 is on line %2 too")
                                      .arg(*serial)
                                      .arg(serialLines.value(*serial)));
        serialLines.insert(*serial, row.line);
        entry.serial = *serial;
        for (int column = 1; column < header.size(); ++column) {
            const QString &cell = row.cells.at(column);
            if (cell.isEmpty())
                continue;
            InputError wrong;
            if (!takeField(header.at(column), cell, &entry.values, &wrong))
                return fail(row.line, wrong.message());
        }
        if (entry.values[Setting::Password] && entry.values.sharedKey)
            return fail(row.line, QStringLiteral("give either password or sharedKey, not both"));
        if (const std::optional<QString> &ip = entry.values[Setting::Ip]) {
            entry.ip = addressNumber(*ip);
            if (!entry.ip)
                return fail(row.line, QStringLiteral("ip %1 is not an address A.B.C.D").arg(quoted(*ip)));
            if (addressLines.contains(*entry.ip))
                return fail(row.line, QStringLiteral("ip %1 is on line %2 too")
                                          .arg(addressOfNumber(*entry.ip))
                                          .arg(addressLines.value(*entry.ip)));
            addressLines.insert(*entry.ip, row.line);
        }
        inventory.entries << entry;
    }
    return inventory;
}

Wanted wantedFor(const Wanted &common, const Wanted &own, quint32 address)
{
    Wanted wanted = common;
    for (Setting setting : AllSettings) {
        if (own[setting])
            wanted[setting] = own[setting];
    }
    if (own.sharedKey) {
        wanted.sharedKey = own.sharedKey;
        wanted[Setting::Password].reset();
    } else if (own[Setting::Password]) {
        wanted.sharedKey.reset();
    }
    wanted[Setting::Ip] = addressOfNumber(address);
    return wanted;
}

QString IpRange::text() const
{
    return addressOfNumber(first) + QLatin1Char('-') + addressOfNumber(last);
}

std::optional<IpRange> ipRange(const QString &text, const QString &mask, const std::optional<QString> &gateway,
                               InputError *error)
{
    const QString option = QStringLiteral("--ip-range");
    const QStringList ends = text.split(QLatin1Char('-'));
    const std::optional<quint32> first = addressNumber(ends.value(0));
    const std::optional<quint32> last = addressNumber(ends.value(1));
    const std::optional<quint32> maskNumber = addressNumber(mask);
    if (ends.size() != 2 || !first || !last) {
        refuse(error, option, QStringLiteral("%1 is not FIRST-LAST, for example 10.1.0.20-10.1.0.99").arg(quoted(text)));
        return std::nullopt;
    }
    if (*first > *last) {
        refuse(error, option, QStringLiteral("%1 ends before it starts").arg(quoted(text)));
        return std::nullopt;
    }
    if (!maskNumber) {
        refuse(error, option, QStringLiteral("the template's mask %1 is not an address").arg(quoted(mask)));
        return std::nullopt;
    }
    const IpRange range{*first, *last};
    const quint32 network = *first & *maskNumber;
    const quint32 broadcast = network | ~*maskNumber;
    const QString within = QStringLiteral("%1 with the template's mask %2")
                               .arg(addressOfNumber(network), addressOfNumber(*maskNumber));
    if ((*last & *maskNumber) != network || *last == broadcast) {
        refuse(error, option, QStringLiteral("%1 reaches the broadcast address %2 of %3")
                                  .arg(range.text(), addressOfNumber(broadcast), within));
        return std::nullopt;
    }
    if (*first == network) {
        refuse(error, option, QStringLiteral("%1 holds the network address %2 of %3")
                                  .arg(range.text(), addressOfNumber(network), within));
        return std::nullopt;
    }
    const std::optional<quint32> gatewayNumber = gateway ? addressNumber(*gateway) : std::nullopt;
    if (gatewayNumber && *gatewayNumber >= *first && *gatewayNumber <= *last) {
        refuse(error, option, QStringLiteral("%1 holds the template's gateway %2")
                                  .arg(range.text(), addressOfNumber(*gatewayNumber)));
        return std::nullopt;
    }
    if (const std::optional<QString> network = outsideNetwork(*first, mask, gateway, QStringLiteral("the template's "))) {
        refuse(error, option, QStringLiteral("%1 is outside %2").arg(range.text(), *network));
        return std::nullopt;
    }
    return range;
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

QString LedgerEntry::outcomeText(Outcome outcome)
{
    switch (outcome) {
    case Done: return QStringLiteral("done");
    case Refused: return QStringLiteral("refused");
    case Differs: return QStringLiteral("differs");
    case NoAnswer: return QStringLiteral("no answer");
    case Sending: return QStringLiteral("sending");
    case Swapped: return QStringLiteral("swapped");
    }
    return {};
}

QByteArray ledgerLine(const LedgerEntry &entry)
{
    const QStringList cells{entry.time, QString::number(entry.serial), entry.model, entry.ip,
                            entry.primaryPort, entry.outcome, entry.detail};
    QStringList line;
    for (const QString &cell : cells)
        line << csvCell(cell);
    return (line.join(QLatin1Char(',')) + QLatin1Char('\n')).toUtf8();
}

std::optional<QList<LedgerEntry>> ledgerEntries(const QByteArray &text, const QString &name, InputError *error)
{
    const std::optional<QList<CsvRow>> rows = csvRows(text, name, true, error);
    if (!rows)
        return std::nullopt;
    QList<LedgerEntry> entries;
    if (text.isEmpty())
        return entries;
    const auto fail = [&](int line, const QString &reason) {
        refuse(error, name, QStringLiteral("line %1: %2").arg(line).arg(reason));
        return std::nullopt;
    };
    if (rows->isEmpty() || rows->first().cells != ledgerColumns())
        return fail(rows->isEmpty() ? 1 : rows->first().line, QStringLiteral("not a ledger: its first line must be %1")
                                            .arg(QString::fromLatin1(LedgerHeader).trimmed()));
    static const QStringList outcomes = [] {
        QStringList texts;
        for (LedgerEntry::Outcome outcome : {LedgerEntry::Done, LedgerEntry::Refused, LedgerEntry::Differs,
                                             LedgerEntry::NoAnswer, LedgerEntry::Sending, LedgerEntry::Swapped})
            texts << LedgerEntry::outcomeText(outcome);
        return texts;
    }();
    for (qsizetype at = 1; at < rows->size(); ++at) {
        const CsvRow &row = rows->at(at);
        if (row.cells.size() != ledgerColumns().size())
            return fail(row.line, QStringLiteral("%1 cells, not %2").arg(row.cells.size()).arg(ledgerColumns().size()));
        const std::optional<quint16> serial = serialNumberOf(row.cells.at(1));
        if (!serial)
            return fail(row.line, QStringLiteral("serial number %1 is not a number from 0 to 65535")
                                      .arg(quoted(row.cells.at(1))));
        if (!row.cells.at(3).isEmpty() && !addressNumber(row.cells.at(3)))
            return fail(row.line, QStringLiteral("ip %1 is not an address").arg(quoted(row.cells.at(3))));
        if (!outcomes.contains(row.cells.at(5)))
            return fail(row.line, QStringLiteral("outcome %1 is none of %2")
                                      .arg(quoted(row.cells.at(5)), outcomes.join(QStringLiteral(", "))));
        entries << LedgerEntry{row.cells.at(0), *serial, row.cells.at(2), row.cells.at(3),
                               row.cells.at(4), row.cells.at(5), row.cells.at(6)};
    }
    return entries;
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

}  // namespace rallon::document
