#include "Input.h"

#include "CliTexts.h"
#include "Exit.h"
#include "Ending.h"
#include "Terminal.h"

namespace rallon::cli {

using document::escaped;
namespace text = clitext::message;

std::variant<QByteArray, int> inputOf(const QString &path, int timeoutMs)
{
    QString error;
    const std::optional<QByteArray> content = readInput(path, timeoutMs, document::MaxInputSize, &error,
                                                              [] { return endSignal() != 0; });
    if (content)
        return *content;
    if (endSignal())
        return signalExit(endSignal());
    complain(escaped(error) + QStringLiteral("; nothing sent"));
    return Refused;
}

int refuseFile(const QString &path, const QString &reason)
{
    complain(QString::fromLatin1(text::FileRefused).arg(escaped(path), reason));
    return Refused;
}

}  // namespace rallon::cli
