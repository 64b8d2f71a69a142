#include "Inventory.h"

#include "Csv.h"
#include "IpRange.h"
#include "SettingNames.h"
#include "Terminal.h"

#include <QHash>
#include <QSet>

namespace rallon::provision {

using namespace document;

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
        if (InputError wrong; !oneSecret(entry.values, &wrong))
            return fail(row.line, wrong.reason);
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

}  // namespace rallon::provision
