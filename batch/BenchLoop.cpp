#include "BenchLoop.h"

#include "AddressPolicy.h"
#include "Apply.h"
#include "BenchEvents.h"
#include "OpenLedger.h"
#include "Link.h"
#include "SettingNames.h"
#include "Status.h"
#include "Stop.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>
#include <memory>

namespace rallon::batch {

using namespace document;
using namespace provision;

namespace {

// While looking for a device, and for the one in hand to go: a request every 2 s.
constexpr int RequestIntervalMs = 2000;
// While another run holds the ledger: a try every 20 ms.
constexpr int LockRetryMs = 20;
// While the ledger's server is away: a connection tried every 500 ms.
constexpr int ReconnectMs = 500;
// The device in hand's step ended by the server's lost connection before
// the upload: it is taken again once the server is back.
constexpr int ServerLost = -1;

// What each outcome of a change (but NotSent, which leaves no line) makes
// of the device: the count it adds to and its ledger line.
enum class Counted { Done, Failed };
enum class Port { Held, Sent, Answered };  // the primary port the ledger gives
struct OutcomeRow {
    Applied::Outcome outcome;
    bool sent;          // a change went to the device
    Counted counted;
    LedgerEntry::Outcome ledger;
    Port port;
    QString (*detail)(const Applied &);  // none: no detail
};

const OutcomeRow OutcomeRows[] = {
    {Applied::Outcome::Refused, false, Counted::Failed, LedgerEntry::Refused, Port::Held,
     [](const Applied &a) { return a.refusedBy; }},
    {Applied::Outcome::AlreadyHeld, false, Counted::Done, LedgerEntry::Done, Port::Held, nullptr},
    {Applied::Outcome::Planned, false, Counted::Done, LedgerEntry::Done, Port::Sent, nullptr},
    {Applied::Outcome::Verified, true, Counted::Done, LedgerEntry::Done, Port::Sent, nullptr},
    {Applied::Outcome::Differs, true, Counted::Failed, LedgerEntry::Differs, Port::Answered,
     [](const Applied &a) { return a.differingFields(); }},
    {Applied::Outcome::Swapped, true, Counted::Failed, LedgerEntry::Swapped, Port::Sent,
     [](const Applied &a) { return QString::number(a.answer.serialNumber); }},
    {Applied::Outcome::Failed, true, Counted::Failed, LedgerEntry::NoAnswer, Port::Sent, nullptr},
};

const OutcomeRow &outcomeRow(Applied::Outcome outcome)
{
    return *std::find_if(std::begin(OutcomeRows), std::end(OutcomeRows),
                         [outcome](const OutcomeRow &row) { return row.outcome == outcome; });
}

// Whether the run ends with the device in hand: when it stopped before the
// upload (the stop, the ledger), or when the upload failed otherwise than
// by no answer or a lost port (the stop); after those the next device is
// looked for.
bool endsRun(const Applied &applied)
{
    return applied.outcome == Applied::Outcome::NotSent
        || (applied.outcome == Applied::Outcome::Failed && applied.exit != NoAnswer && applied.exit != PortFailed);
}

// One run of the loop: its port, its ledger and its counts.
class BenchLoop {
public:
    BenchLoop(const BenchLoopOptions &options, BenchEvents &events, const Stop &stop)
        : m_options(options), m_events(events), m_stop(stop), m_link(options.port, options.timeoutMs, stop) {}
    int run();

private:
    bool finished() const { return m_stop.status() || (m_options.count && m_counts.done >= m_options.count); }
    void count(int BenchCounts::*which)
    {
        ++(m_counts.*which);
        m_events.counted(m_counts);
    }
    int probe(ConfigRecord *record);
    int waitForDevice(ConfigRecord *device);
    int waitUntilGone(quint16 serial, std::optional<ConfigRecord> *next);
    int configure(const ConfigRecord &device);
    int configureLocked(const ConfigRecord &device);
    int noAddress(LedgerEntry entry, const QString &why, bool listedIp);
    int recordOutcome(LedgerEntry entry, const Applied &applied);
    int lockLedger(LedgerStore::Lock *lock);
    int waitForServer(bool changed);
    int record(DeviceResult result, bool changed);
    int write(LedgerEntry *entry, bool changed);

    const BenchLoopOptions &m_options;
    BenchEvents &m_events;
    const Stop &m_stop;
    Link m_link;
    std::unique_ptr<LedgerStore> m_ledger;
    QElapsedTimer m_sinceRequest;
    BenchCounts m_counts;
    bool m_toldWaiting = false, m_toldNoRecord = false, m_portLost = false;
};

int BenchLoop::run()
{
    QString error;
    Opening opening = Opening::Opened;
    m_ledger = openLedger(m_options.ledger, m_options.pool, m_options.dryRun,
                          poolTerms(m_options.common, m_options.range ? m_options.range->text() : QString()),
                          &opening, &error);
    switch (opening) {
    case Opening::Opened:
        break;
    case Opening::Failed:
        m_events.ledgerUnopened(error);
        return Usage;
    case Opening::Refused:
        m_events.ledgerRefused({m_options.ledger, error});
        return Refused;
    case Opening::Unreachable:
        m_events.ledgerServerUnreachable(error);
        return PortFailed;
    }
    // A damaged ledger stops the run before the port is opened.
    LedgerStore::Lock lock;
    int status = Done;
    bool readable = false;
    InputError wrong;
    do {
        status = lockLedger(&lock);
        readable = status == Done && m_ledger->entries(&wrong);
        lock.release();
        if (status == Done && !readable && m_ledger->lost()) {
            const int ended = waitForServer(false);
            status = ended ? ended : ServerLost;
        }
    } while (status == ServerLost);
    if (status == Usage)
        return status;
    if (status == Done) {
        if (!readable) {
            m_events.ledgerRefused(wrong);
            return Refused;
        }
        if (const int failed = m_link.open()) {
            m_events.portUnopened(m_link.failure());
            return failed;
        }
    }
    // From here on (the stop included) the run ends with its summary.
    m_link.finishUploads(true);
    std::optional<ConfigRecord> next;  // a device that answered while the last one was awaited to go
    while (status == Done && !finished()) {
        ConfigRecord device;
        if (next) {
            device = *next;
            next.reset();
        } else {
            status = waitForDevice(&device);
        }
        if (status == Done) {
            m_events.deviceFound(device);
            status = configure(device);
        }
        if (status == Done && !finished())
            status = waitUntilGone(device.serialNumber, &next);
    }
    const int said = m_events.summary(m_counts);
    if (m_stop.status())
        return m_stop.status();
    return status ? status : said;
}

// Done, the stop's status, or Usage when the ledger cannot be locked.
int BenchLoop::lockLedger(LedgerStore::Lock *lock)
{
    QString error;
    int ended = Done;
    const LedgerStore::Locking locking = m_ledger->lock(lock, &error, [this, &ended](bool first) {
        if (first)
            m_events.waitingForLedger();
        ended = pauseFor(m_stop, LockRetryMs);
        return ended == Done;
    });
    switch (locking) {
    case LedgerStore::Locking::Held:
        return Done;
    case LedgerStore::Locking::Stopped:
        return ended;
    case LedgerStore::Locking::Failed:
        break;
    }
    if (m_ledger->lost()) {
        if (const int ended = waitForServer(false))
            return ended;
        return ServerLost;
    }
    m_events.ledgerUnlockable(error);
    return Usage;
}

// A port lost and not to be opened again is told once, and looked at again
// at each request; a device in hand whose port goes is gone.
int BenchLoop::probe(ConfigRecord *record)
{
    m_sinceRequest.start();
    const int answered = m_link.probe(record, qMin(RequestIntervalMs, m_options.timeoutMs));
    if (answered == PortFailed && !m_portLost)
        m_events.portLost(m_link.failure().reason);
    else if (answered != PortFailed && m_portLost && m_link.failure().kind != LinkFailure::Stopped)
        m_events.portBack();
    m_portLost = answered == PortFailed;
    return answered == PortFailed ? NoAnswer : answered;
}

int BenchLoop::waitForDevice(ConfigRecord *device)
{
    for (;;) {
        const int answered = probe(device);
        if (answered != NoAnswer)
            return answered;
        if (!m_toldWaiting && !m_portLost) {
            m_toldWaiting = true;
            if (const int failed = m_events.waitingForDevice())
                return failed;
        }
        if (m_link.arrivedOctets() > 0 && !m_toldNoRecord) {
            m_toldNoRecord = true;
            m_events.octetsButNoRecord();
        }
        if (const int ended = pauseFor(m_stop, RequestIntervalMs - m_sinceRequest.elapsed()))
            return ended;
    }
}

int BenchLoop::waitUntilGone(quint16 serial, std::optional<ConfigRecord> *next)
{
    for (;;) {
        if (const int ended = pauseFor(m_stop, RequestIntervalMs - m_sinceRequest.elapsed()))
            return ended;
        ConfigRecord record;
        const int answered = probe(&record);
        if (answered == NoAnswer) {
            m_events.deviceGone(serial);
            return Done;
        }
        if (answered != Done)
            return answered;
        if (record.serialNumber != serial) {
            m_events.deviceGone(serial);
            *next = record;
            return Done;
        }
    }
}

// Under the lock, the events are told as they come; the one after it may
// take its time (rallon-cli holds its output meanwhile: a terminal that
// blocks must not keep other runs from the ledger).
// A server's connection lost before the upload: nothing was sent, and the
// device in hand is taken again once the server is back.
int BenchLoop::configure(const ConfigRecord &device)
{
    for (;;) {
        LedgerStore::Lock lock;
        int status = lockLedger(&lock);
        if (status == ServerLost)
            continue;
        if (status)
            return status;
        m_events.ledgerLocked();
        const BenchCounts before = m_counts;
        status = configureLocked(device);
        lock.release();
        const int told = m_events.ledgerUnlocked();
        if (status != ServerLost)
            return status ? status : told;
        m_counts = before;  // the device is counted when it is taken again
        if (told)
            return told;
        if (const int ended = waitForServer(false))
            return ended;
    }
}

// The server's connection went: tried again at once, then every
// ReconnectMs, which is said once. Done once it is back, or the stop's
// status. `changed`: a change went to the device in hand.
int BenchLoop::waitForServer(bool changed)
{
    bool told = false;
    for (;;) {
        QString error;
        if (m_ledger->reconnect(&error)) {
            if (told)
                m_events.ledgerServerBack();
            return Done;
        }
        if (!told)
            m_events.ledgerServerLost(error, changed);
        told = true;
        if (const int ended = pauseFor(m_stop, ReconnectMs))
            return ended;
    }
}

// Chooses the address, changes the device and records it, all under the
// ledger's lock: no other run can choose the same address meanwhile.
int BenchLoop::configureLocked(const ConfigRecord &device)
{
    const quint16 serial = device.serialNumber;
    InputError wrong;
    const std::optional<QList<LedgerEntry>> ledger = m_ledger->entries(&wrong);
    if (!ledger && m_ledger->lost())
        return ServerLost;
    if (!ledger) {
        m_events.ledgerRefused(wrong);
        return Refused;
    }
    if (const LedgerEntry *done = doneEntry(*ledger, serial)) {
        count(&BenchCounts::skipped);
        m_events.alreadyConfigured(serial, done->ip);
        return Done;
    }
    const Inventory::Entry *listed = m_options.inventory.find(serial);
    if (!listed && !m_options.range) {
        count(&BenchCounts::skipped);
        m_events.notListed(serial);
        return Done;
    }

    LedgerEntry entry{QString(), serial, QLatin1String(modelOf(device)),
                      QString(), QString::number(device.primaryPort), QString(), QString()};
    QString why;
    const std::optional<quint32> address = addressFor(serial, m_options.inventory, m_options.range, *ledger, &why);
    if (!address)
        return noAddress(entry, why, listed && listed->ip);
    entry.ip = addressOfNumber(*address);

    // Written ahead: a run that dies during the upload still holds the
    // address for this device, and the next run reads the device first.
    const auto sending = [&](const Plan &plan) {
        LedgerEntry ahead = entry;
        ahead.primaryPort = QString::number(plan.sent.primaryPort);
        ahead.outcome = LedgerEntry::outcomeText(LedgerEntry::Sending);
        const int failed = write(&ahead, false);
        if (!failed)
            m_events.sending(ahead);
        return failed;
    };
    const Applied applied = apply(m_link, device, wantedFor(m_options.common, listed ? listed->values : Wanted(), *address),
                                  m_options.dryRun, sending);
    m_events.applied(applied);
    return recordOutcome(entry, applied);
}

// The inventory's address is the ledger's for another device: refused. Or
// the range is used up: no device can be done, the run ends.
int BenchLoop::noAddress(LedgerEntry entry, const QString &why, bool listedIp)
{
    const bool usedUp = !listedIp && m_options.range;
    m_events.noAddress(entry.serial, why, usedUp);
    if (usedUp)
        return Refused;
    count(&BenchCounts::failed);
    entry.outcome = LedgerEntry::outcomeText(LedgerEntry::Refused);
    entry.detail = why;
    return record({entry, std::nullopt}, false);
}

// The change's outcome counted and in the ledger, as its row says.
int BenchLoop::recordOutcome(LedgerEntry entry, const Applied &applied)
{
    if (applied.outcome == Applied::Outcome::NotSent)  // no line, and the run ends
        return applied.exit;
    const OutcomeRow &row = outcomeRow(applied.outcome);
    count(row.counted == Counted::Done ? &BenchCounts::done : &BenchCounts::failed);
    entry.outcome = LedgerEntry::outcomeText(row.ledger);
    if (row.port == Port::Sent)
        entry.primaryPort = QString::number(applied.plan.sent.primaryPort);
    else if (row.port == Port::Answered)
        entry.primaryPort = QString::number(applied.answer.primaryPort);
    entry.detail = row.detail ? row.detail(applied) : QString();
    if (const int failed = record({entry, applied.outcome}, row.sent))
        return failed;
    return endsRun(applied) ? applied.exit : Done;
}

// The ledger line on the disk, then the device's result told.
// `changed`: a change was sent to the device.
int BenchLoop::record(DeviceResult result, bool changed)
{
    if (const int failed = write(&result.entry, changed))
        return failed;
    m_events.recorded(result);
    return Done;
}

// The entry, stamped with the time, appended to the ledger.
int BenchLoop::write(LedgerEntry *entry, bool changed)
{
    entry->time = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    QString error;
    while (!m_ledger->append(*entry, &error)) {
        if (!m_ledger->lost()) {
            m_events.ledgerUnwritten(*entry, error, changed);
            return Usage;
        }
        if (!changed)
            return ServerLost;
        // The outcome is kept and written once the server is back; a stop
        // meanwhile leaves it to be added by hand.
        if (const int ended = waitForServer(true)) {
            m_events.ledgerUnwritten(*entry, error, changed);
            return ended;
        }
    }
    return Done;
}

}  // namespace

int runBenchLoop(const BenchLoopOptions &options, BenchEvents &events, const Stop &stop)
{
    return BenchLoop(options, events, stop).run();
}

}  // namespace rallon::batch
