// rallon-cli write: a saved configuration sent to the device and verified.

#include "Change.h"
#include "Command.h"
#include "Input.h"

namespace rallon::cli {

namespace {

using namespace document;

const char *const Help = R"txt(Usage: rallon-cli write PORT FILE [--dry-run] [--timeout-ms N] [--trace]

Sends the configuration in FILE, a "rallon-config/1" JSON document as
"rallon-cli read --json" writes it; "-" reads it from standard input. First
it retrieves the device's current configuration: a setting that FILE leaves
out keeps the device's value, as an empty NEW DATA field does in the window.
When the device already holds every setting of FILE, nothing is sent.
Otherwise the settings pass the window's checks, in the window's order and
with its messages; the 113-octet record is sent and the device's answer must
hold every setting as it was sent.

FILE is read strictly (JSON without duplicate keys, at most 1 MiB, within the
time-out). serialNumber and model are ignored. Unknown fields, a wrong format
and a list value not in its list are refused before the port is opened.

  --dry-run     retrieve and check, then print one line per setting that
                would change ("ip: 192.168.1.20 -> 10.0.0.5", or "nothing
                would change") and the record that would be sent in
                hexadecimal; send no change (the request is still sent)
)txt";

int run(const Invocation &call)
{
    const auto wanted = checkedFile<Wanted>(call.arguments.at(2), call.timeoutMs, wantedFromDocument);
    if (const int *failed = std::get_if<int>(&wanted))
        return *failed;
    return change(call.arguments.at(1), std::get<Wanted>(wanted), call.isSet("dry-run"), call.timeoutMs);
}

}  // namespace

Command writeCommand()
{
    return {"write", Help, {DryRun}, {QStringLiteral("PORT"), QStringLiteral("FILE")}, run};
}

}  // namespace rallon::cli
