#include "Csv.h"

#include "Change.h"
#include "Terminal.h"

#include <QStringDecoder>

namespace rallon::provision {

using namespace document;

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

}  // namespace rallon::provision
