#pragma once

// The CSV texts of the inventory and the ledger, read and written: rows of
// cells, every line checked for control characters, the whole text for
// UTF-8. Pure code, QtCore only.

#include "Document.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace rallon::provision {

struct CsvRow {
    int line = 0;
    QStringList cells;
};

// The rows of a CSV text: cells split at commas; a cell in double quotes
// may hold commas and doubled quotes. Lines end in LF or CR LF; empty lines
// are skipped, and so is a byte-order mark. With `whole`, a last line
// without its line feed is refused. `name` names the text in messages.
std::optional<QList<CsvRow>> csvRows(const QByteArray &octets, const QString &name, bool whole,
                                     document::InputError *error);

// A cell as csvRows() reads it back: escaped for a terminal, in double
// quotes when it holds a comma, a double quote or spaces at either end.
QString csvCell(const QString &text);

// A serial number's cell: a decimal number from 0 to 65535.
std::optional<quint16> serialNumberOf(const QString &cell);

}  // namespace rallon::provision
