// rallon-cli ports: the serial ports present and the number of each.

#include "Command.h"
#include "Console.h"
#include "PortList.h"

namespace rallon::cli {

namespace {

const char *const Help = R"txt(Usage: rallon-cli ports

Lists the serial ports present on this computer, one per line: the number to
type as PORT (the number the configuration window takes for it, or "-" when
no number from 1 to 25 reaches it; then give its path instead), the device
path, and what the system knows of it (description, manufacturer, the
adapter's serial number). Port n is /dev/ttyUSB{n-1} when it exists, else
/dev/ttyACM{n-1} when it exists, else /dev/ttyS{n-1}; on Windows COMn.
)txt";

int run(const Invocation &)
{
    return say(portListText(presentPorts()));
}

}  // namespace

Command portsCommand()
{
    return {"ports", Help, {}, {}, run};
}

}  // namespace rallon::cli
