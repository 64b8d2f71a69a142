#pragma once

// What a bench run tells as it goes, one call per step, as data: rallon-cli
// prints each as a line, a window shows it. The calls come on the thread
// that runs the loop, each when its step is over. A status other than Done
// from one that returns a status ends the run with it (rallon-cli: its
// output cannot be written).

#include "Apply.h"
#include "Ledger.h"

#include <QString>

namespace rallon::batch {

// A device's final ledger line, on the disk, and what came of the change:
// none when the device was refused before one was planned (no address for
// it: the entry's detail says why, and it has no ip).
struct DeviceResult {
    provision::LedgerEntry entry;
    std::optional<Applied::Outcome> outcome;
};

struct BenchCounts {
    int done = 0, failed = 0, skipped = 0;
};

class BenchEvents {
public:
    virtual ~BenchEvents() = default;

    // The ledger: it cannot be opened; another run holds it (once per wait);
    // it cannot be locked; it is damaged (`wrong` says where).
    virtual void ledgerUnopened(const QString &/*reason*/) {}
    virtual void waitingForLedger() {}
    virtual void ledgerUnlockable(const QString &/*reason*/) {}
    virtual void ledgerRefused(const document::InputError &/*wrong*/) {}
    // A ledger's server: it does not answer at the start; its connection
    // went (once per loss; `changed`: the device in hand was changed, and
    // its line waits); it answers again.
    virtual void ledgerServerUnreachable(const QString &/*reason*/) {}
    virtual void ledgerServerLost(const QString &/*reason*/, bool /*changed*/) {}
    virtual void ledgerServerBack() {}
    // The port cannot be opened at the start.
    virtual void portUnopened(const LinkFailure &/*failure*/) {}

    // Looking for a device: none answers (once per run); octets arrive but
    // no record (once per run); the port went and cannot be opened again
    // (once per loss); it opened again.
    virtual int waitingForDevice() { return 0; }
    virtual void octetsButNoRecord() {}
    virtual void portLost(const QString &/*reason*/) {}
    virtual void portBack() {}
    // A device answered: `device` is its record as read.
    virtual void deviceFound(const ConfigRecord &/*device*/) {}

    // The device in hand, while the ledger is locked for it.
    virtual void ledgerLocked() {}
    virtual void alreadyConfigured(quint16 /*serial*/, const QString &/*ip*/) {}
    virtual void notListed(quint16 /*serial*/) {}
    // No address for the device: the inventory's is another device's in the
    // ledger, or the range is used up (the run ends); `why` says which.
    virtual void noAddress(quint16 /*serial*/, const QString &/*why*/, bool /*rangeUsedUp*/) {}
    // The ledger holds the address for the device; the upload leaves next.
    virtual void sending(const provision::LedgerEntry &/*entry*/) {}
    // What came of the change, before its ledger line is written.
    virtual void applied(const Applied &/*applied*/) {}
    virtual void recorded(const DeviceResult &/*result*/) {}
    // The ledger line could not be written: `entry` is the line to add by
    // hand; `changed`: a change went to the device. The run ends.
    virtual void ledgerUnwritten(const provision::LedgerEntry &/*entry*/, const QString &/*reason*/, bool /*changed*/) {}
    virtual int ledgerUnlocked() { return 0; }

    // The device in hand stopped answering, or another answered instead.
    virtual void deviceGone(quint16 /*serial*/) {}

    // A device was counted: the counts so far.
    virtual void counted(const BenchCounts &/*counts*/) {}

    // The run's end: the counts.
    virtual int summary(const BenchCounts &/*counts*/) { return 0; }
};

}  // namespace rallon::batch
