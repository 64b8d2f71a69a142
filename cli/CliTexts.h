#pragma once

// Every text rallon-cli prints of its own: the help of each command and the
// messages. The window's messages, which `set` and `write` repeat, stay in
// protocol/ChangeTexts.h.

#include <QtGlobal>

namespace rallon::clitext {

// A serial port's device as this system names it, for GeneralHelp's %1.
#ifdef Q_OS_WIN
inline const char *const DeviceExample = "COM3";
#else
inline const char *const DeviceExample = "/dev/ttyUSB0";
#endif

inline const char *const GeneralHelp = R"txt(rallon-cli reads and changes the configuration of a Tarvex Power Rallon over a
serial line: print it, back it up to a file, restore or clone it from a file,
or change single settings. Every change is checked with the same rules and
messages as the configuration window, and afterwards verified: the device's
answer must hold every setting as it was sent.

Usage:
  rallon-cli ports                              which number do I type?
  rallon-cli read PORT [--json] [-o FILE]       print or save the configuration
  rallon-cli write PORT FILE [--dry-run]        send a saved configuration
  rallon-cli set PORT SETTING... [--dry-run]    change single settings
  rallon-cli provision PORT --template FILE --ip-range FIRST-LAST --ledger CSV
                                                configure a batch of devices
  rallon-cli COMMAND --help                     more about one command
  rallon-cli --version

Before read, write or set, put the device in its configuration mode: cable
its Comm 1 port to the PC with a straight-through cable and hold its toggle
button while powering it up; the green LED then blinks twice a second.

PORT is the serial port's number, 1 to 25, as the configuration window asks
for it ("rallon-cli ports" shows the number of each port present), or a
device such as %1. The line runs at 4800 baud, 8N1.

Options for read, write, set and provision:
  --timeout-ms N   wait at most N ms for each exchange with the device, from
                   sending to the whole answer (default 8000)
  --trace          print every octet sent and received, in hexadecimal with
                   a time stamp in seconds, on standard error
  -h, --help       print help for the command

Exit status:
  0  done; for write and set: sent and verified, or the device already held
     every setting given (then nothing is sent)
  1  wrong command line, or the output cannot be written
  2  input refused, with the reason on standard error (for a setting the
     window checks, the window's own message); no change is sent
  3  no configuration record from the device within the time-out; after an
     upload: the change was sent but the device did not confirm it
  4  the port cannot be opened (no such device, in use, locked by another
     program, permission); the reason is on standard error
  5  the device answered with a configuration that differs from what was
     sent; each setting that differs is on standard error with both values;
     or another serial number answered than the device that was read
  128+N  ended by signal N (130 for Ctrl+C); the port is closed, its lock
     removed, and no output file is written

Examples:
  rallon-cli ports
  rallon-cli read 1
  rallon-cli read %1 --json -o rallon-4660.json     # back up
  rallon-cli write 1 rallon-4660.json                          # restore, clone
  rallon-cli set 1 --ip 192.168.1.30 --primary-port 4001
)txt";

inline const char *const PortsHelp = R"txt(Usage: rallon-cli ports

Lists the serial ports present on this computer, one per line: the number to
type as PORT (the number the configuration window takes for it, or "-" when
no number from 1 to 25 reaches it; then give its path instead), the device
path, and what the system knows of it (description, manufacturer, the
adapter's serial number). Port n is /dev/ttyUSB{n-1} when it exists, else
/dev/ttyACM{n-1} when it exists, else /dev/ttyS{n-1}; on Windows COMn.
)txt";

inline const char *const ReadHelp = R"txt(Usage: rallon-cli read PORT [--json] [-o FILE] [--timeout-ms N] [--trace]

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

inline const char *const WriteHelp = R"txt(Usage: rallon-cli write PORT FILE [--dry-run] [--timeout-ms N] [--trace]

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

inline const char *const SetHelp = R"txt(Usage: rallon-cli set PORT SETTING... [--dry-run] [--timeout-ms N] [--trace]

Changes the settings given and keeps the others, exactly as "write" does
with a document holding only those settings. A setting is sent as given or
refused: a text longer than its field, an empty value, a setting the model
does not have, or a password while the encryption is None is refused, and
nothing is sent.

Settings (list values as the window's lists show them; quote blanks):
  --ip A.B.C.D             IP address
  --mask A.B.C.D           subnet mask
  --gateway A.B.C.D        default gateway
  --primary-port N         primary port, 0 to 32499
  --ssid S                 SSID, at most 21 characters (wireless model)
  --encryption NAME        "None", "WEP", "WAP (TKIP)" or "WAP (AES)"
  --password P             password, at most 64 characters (wireless model)
  --password-file FILE     the password from FILE ("-": standard input), one
                           trailing newline dropped: it stays out of the
                           process list and the shell's history
  --shared-key HEX         64-octet shared key as 128 hexadecimal digits,
                           instead of a password
  --shared-key-file FILE   the shared key's digits from FILE, as above
  --com1-baud V            2400 4800 9600 14400 19200 28800 38400 56000
                           57600 115200
  --com1-data-bits V       7 or 8
  --com1-stop-bits V       1 or 2
  --com1-parity V          NONE, EVEN or ODD
  --com2-baud V, --com2-data-bits V, --com2-stop-bits V, --com2-parity V
                           the same for the device's Comm 2 port
  --dry-run                as for write: what would change, and the record
)txt";

inline const char *const ProvisionHelp = R"txt(Usage: rallon-cli provision PORT --template FILE (--ip-range FIRST-LAST | --inventory CSV)
                            --ledger CSV [--count N] [--dry-run] [--timeout-ms N] [--trace]

Configures a batch of devices at a bench, one after another on PORT, each
with the template's settings and an address of its own, and records each in
the ledger. It waits for a device in its configuration mode (a request every
2 s while none answers), reads it, writes the template and the device's
values with the checks, verification and messages of write, appends the
ledger line, prints one line per device:

  4660  10.1.0.20  done

(or "refused: ...", "differs: ...", "swapped: ...", "no answer"), then waits until that
device stops answering (unplugged or powered off) before it takes the next.
A device the ledger holds as done is skipped: "already configured: connect
the next device".

  --template FILE      a "rallon-config/1" document, as "read --json" writes
                       it, with the settings every device gets; no "ip"
  --ip-range FIRST-LAST
                       gives each device the next address of the range that
                       the ledger holds for no device (a device the ledger
                       holds keeps its address). The range must lie in one
                       network of the template's mask (the gateway's), without
                       the network's own or broadcast address or the gateway
  --inventory CSV      values by serial number: a first line naming the
                       columns, serialNumber first, then document fields
                       (serialNumber,ip,primaryPort,ssid,...); an empty cell
                       gives nothing. A device not listed is skipped, unless
                       --ip-range is given too: then the range gives its ip
  --ledger CSV         one line per device and outcome: time (UTC),
                       serialNumber, model, ip, primaryPort, outcome (done,
                       refused, differs, swapped, no answer; "sending" is
                       written ahead of each upload and holds the address
                       for that device if the run dies), detail (the
                       differing fields, what refused the change, or the
                       serial number that answered); on the disk
                       before the next device is looked for. Runs on several
                       ports may share one ledger and one range: the ledger
                       is locked while an address is chosen, sent and
                       recorded, so no address goes to two devices. A run on
                       the same ledger goes on where the last one stopped.
  --count N            stop after N devices are done (skipped devices do not
                       count); without it, run until Ctrl+C
  --dry-run            read each device and print what would change; write
                       nothing, not even the ledger

Ctrl+C or SIGTERM stops between steps, never between a change sent and its
ledger line, and prints the summary (done, failed, skipped). Exit status: 0
when --count devices are done; 1 when the ledger cannot be written; 2 for a
refused template, inventory, range or ledger, or a range used up; 4 when the
port cannot be opened or is lost; 128+N after signal N.
)txt";

namespace provision {
inline const char *const Waiting =
    "waiting for a device on %1: cable its Comm 1 port to it and put it in its configuration mode "
    "(hold its toggle button while powering it up; the green LED then blinks twice a second)";
inline const char *const DeviceLine = "%1  %2  %3";
inline const char *const AlreadyConfigured = "already configured: connect the next device";
inline const char *const NotListed = "not in the inventory: skipped";
inline const char *const RefusedBy = "refused: %1";
inline const char *const WouldBeWritten = "would be written";
inline const char *const SwappedBy = "swapped: serial number %1 answered";
inline const char *const Summary = "done %1, failed %2, skipped %3";
inline const char *const DrySummary = " (dry run: nothing written)";
inline const char *const CannotLock = "cannot lock the ledger %1: %2";
inline const char *const LedgerUnwritten =
    "cannot write the ledger %1: %2. The device in hand was changed; its line is:\n%3\n"
    "Add it by hand before another run. Stopping.";
inline const char *const LedgerUnwrittenNothingSent =
    "cannot write the ledger %1: %2. Nothing was sent to the device in hand; its line would be:\n%3\n"
    "Stopping.";
inline const char *const WaitingForLedger = "waiting for the ledger %1, which another run holds";
inline const char *const OctetsNoRecord =
    "octets arrive on %1 but no configuration record: check that the device on it is a Tarvex Power "
    "Rallon in its configuration mode, on its Comm 1 port, and that the line runs at 4800 baud, 8N1";
inline const char *const TemplateIp =
    "a template gives every device the same settings; the addresses come from --ip-range or --inventory";
inline const char *const RangeNeedsMask =
    "the template must give a mask, against which the range is checked";
inline const char *const NeedsAddresses = "provision needs --ip-range, --inventory or both";
}  // namespace provision

// Messages. %1, %2, ... are filled in by the caller.
namespace message {
inline const char *const NoAnswer =
    "no answer within %1 ms. Check the cable and its connections, and that the Rallon is "
    "powered on and in its configuration mode (green LED blinking about twice a second).";
inline const char *const NoRecord =
    "%1 octets arrived within %2 ms, but no configuration record. Check that %3 is the port "
    "cabled to the Rallon's Comm 1, that the device is a Tarvex Power Rallon in its "
    "configuration mode, and that nothing else on the line runs at another speed than "
    "4800 baud, 8N1.";
inline const char *const NotConfirmed =
    "the change was sent but the device did not confirm it within %1 ms; read it back "
    "(rallon-cli read %2) to see what it holds.";
inline const char *const PortLost = "the port was lost: %1";
inline const char *const Refused = "refused, no change sent: %1\n%2";
inline const char *const InputRefused = "%1; nothing sent";
inline const char *const FileRefused = "%1: %2; nothing sent";
inline const char *const Differs =
    "the device answered with a configuration that differs from what was sent, in: %1";
inline const char *const DiffersLine = "\n  %1: sent %2, the device holds %3";
inline const char *const Swapped =
    "the device that was read (serial number %1) is not the one that answered the change "
    "(serial number %2): the change went to %2. Connect %1 again and run the command again; "
    "read %2 back to see what it holds.";
inline const char *const Verified = "written and verified (serial number %1)";
inline const char *const AlreadyHeld =
    "the device already holds these settings; nothing sent (serial number %1)";
inline const char *const NothingWouldChange = "nothing would change";
inline const char *const CannotRead = "cannot read %1: %2";
inline const char *const CannotWrite = "cannot write %1: %2";
inline const char *const TooLarge = "%1 is larger than %2 octets";
inline const char *const NoInput = "%1: nothing arrived within %2 ms";
inline const char *const NotUtf8 = "the text is not UTF-8";
}  // namespace message

}  // namespace rallon::clitext
