#pragma once

// The texts rallon-cli prints of its own but for each command's help and
// refusals, which are in the command's file in commands/: the general help,
// the command line's refusals and the messages the commands share. The
// window's messages, which `set` and `write` repeat, stay in
// protocol/ChangeTexts.h.

#include <QtGlobal>

namespace rallon::clitext {

// %1: a serial port's device as this system names it (system::examplePortDevice()).
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
  rallon-cli ledger export|import --ledger URI  a bench ledger on a server, as CSV
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
     program, permission), or the ledger's server cannot be reached; the
     reason is on standard error
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

// The command line refused, before any command runs.
namespace usage {
inline const char *const TryHelp = "try \"rallon-cli %1--help\"";
inline const char *const NoCommand = "no command given";
inline const char *const UnknownCommand = "unknown command %1";
inline const char *const NotTaken = "%1 does not take %2%3";
inline const char *const Needs = "%1 needs %2";
inline const char *const Unexpected = "unexpected argument %1";
inline const char *const PortRange = "PORT must be a number from 1 to 25 or a device path, not %1";
inline const char *const TimeoutRange = "--timeout-ms needs a number of milliseconds, 1 or more";
inline const char *const NoEndSignals = "cannot watch for end signals; an interrupted run may leave the port's lock";
}  // namespace usage

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
inline const char *const PortGone = "the port %1 was lost (the adapter unplugged?): waiting for it to come back";
inline const char *const PortBack = "the port %1 is back";
inline const char *const ServerUnreachable = "cannot reach the ledger's server %1: %2";
inline const char *const ServerLost =
    "the ledger's server %1 was lost (%2): waiting for it to come back; nothing is sent to the device in hand "
    "meanwhile";
inline const char *const ServerLostChanged =
    "the ledger's server %1 was lost (%2): the device in hand was changed; its line is kept and written once "
    "the server is back (Ctrl+C prints it to be added by hand)";
inline const char *const ServerBack = "the ledger's server %1 is back";
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
