// rallon-cli read: the device's configuration, as a listing or the JSON
// document, on standard output or into a file.

#include "Change.h"
#include "CliTexts.h"
#include "Command.h"
#include "Console.h"
#include "Document.h"
#include "Ending.h"
#include "Exit.h"
#include "Link.h"
#include "OutputFile.h"
#include "Plan.h"
#include "SettingNames.h"
#include "Terminal.h"

namespace rallon::cli {

namespace {

using namespace document;
namespace text = clitext::message;

const char *const Help = R"txt(Usage: rallon-cli read PORT [--json] [-o FILE] [--timeout-ms N] [--trace]

Retrieves the device's configuration and prints every setting with the texts
the configuration window's CURRENT DATA column shows: addresses, primary
port, SSID, encryption, password (or the shared key, as 128 hexadecimal
digits), the four settings of each of the device's serial ports, the serial
number and the model (wireless or wired). "N / A" marks a setting the model
does not have. Control characters in a text are shown as \r, \n, \t or \xNN.

  --json        print the "rallon-config/1" JSON document instead (see the
                manual page); "rallon-cli write" takes it back
  -o FILE       write to FILE instead of standard output. A regular file is
                replaced only when the whole run succeeded; a new file is
                readable by its owner only when it holds a password or key.
                A device or a pipe (/dev/stdout) is written in place.
)txt";

bool holdsSecret(const ConfigRecord &record)
{
    return valueOf(record, fieldOf(Setting::Password)) || valueOf(record, QLatin1String(SharedKeyName.field));
}

int run(const Invocation &call)
{
    const QString output = call.value("o");
    OutputFile file;
    QString error;
    if (!output.isEmpty() && !file.open(output, &error)) {
        complain(QString::fromLatin1(text::CannotWrite).arg(escaped(output), error));
        return Usage;
    }
    batch::Link link(call.arguments.at(1), call.timeoutMs, ending());
    ConfigRecord device;
    int status = link.open();
    if (status == Done)
        status = link.retrieve(&device);
    if (status != Done) {
        complainOf(link.failure(), call.arguments.at(1));
        return status;
    }

    const QByteArray content = call.isSet("json") ? documentText(device) : listingOf(device).toLocal8Bit();
    if (output.isEmpty())
        return put(content);
    if (!file.commit(content, holdsSecret(device), &error)) {
        complain(QString::fromLatin1(text::CannotWrite).arg(escaped(output), error));
        return Usage;
    }
    return Done;
}

}  // namespace

Command readCommand()
{
    return {"read", Help,
            {{{QStringLiteral("json")}, QString(), std::nullopt},
             {{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("FILE"), std::nullopt}},
            {QStringLiteral("PORT")}, run};
}

}  // namespace rallon::cli
