#include "Ledger.h"

#include "Csv.h"
#include "IpRange.h"
#include "Terminal.h"

namespace rallon::provision {

using namespace document;

namespace {

const QStringList &ledgerColumns()
{
    static const QStringList columns =
        QString::fromLatin1(LedgerHeader).trimmed().split(QLatin1Char(','));
    return columns;
}

}  // namespace

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

}  // namespace rallon::provision
