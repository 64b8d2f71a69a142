#include "BenchLoop.h"

#include "AddressPolicy.h"
#include "Apply.h"
#include "CliTexts.h"
#include "Console.h"
#include "Exit.h"
#include "LedgerFile.h"
#include "Link.h"
#include "SettingNames.h"
#include "Terminal.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>

namespace rallon::cli {

using namespace document;
using namespace provision;

namespace {

namespace text = clitext::provision;

// While looking for a device, and for the one in hand to go: a request every 2 s.
constexpr int RequestIntervalMs = 2000;
// While another run holds the ledger: a try every 20 ms.
constexpr int LockRetryMs = 20;

QString deviceLine(quint16 serial, const QString &ip, const QString &outcome)
{
    return QString::fromLatin1(text::DeviceLine).arg(serial).arg(ip, outcome);
}

// What each outcome of a change (but NotSent, which leaves no line) makes
// of the device: the count it adds to, its ledger line and the outcome its
// printed line shows after its address.
enum class Counted { Done, Failed };
enum class Port { Held, Sent, Answered };  // the primary port the ledger gives
struct OutcomeRow {
    Applied::Outcome outcome;
    bool sent;          // a change went to the device
    Counted counted;
    LedgerEntry::Outcome ledger;
    Port port;
    QString (*detail)(const Applied &);  // none: no detail
    QString (*shown)(const Applied &, const LedgerEntry &);
    bool listsChanges;  // the changes are printed ahead of the line
};

QString ledgerOutcome(const Applied &, const LedgerEntry &entry)
{
    return entry.outcome;
}

QString refusedBy(const Applied &applied, const LedgerEntry &)
{
    return QString::fromLatin1(text::RefusedBy).arg(escaped(applied.refusedBy));
}

QString swappedBy(const Applied &applied, const LedgerEntry &)
{
    return QString::fromLatin1(text::SwappedBy).arg(applied.answer.serialNumber);
}

const OutcomeRow OutcomeRows[] = {
    {Applied::Outcome::Refused, false, Counted::Failed, LedgerEntry::Refused, Port::Held,
     [](const Applied &a) { return a.refusedBy; }, refusedBy, false},
    {Applied::Outcome::AlreadyHeld, false, Counted::Done, LedgerEntry::Done, Port::Held, nullptr, ledgerOutcome, false},
    {Applied::Outcome::Planned, false, Counted::Done, LedgerEntry::Done, Port::Sent, nullptr,
     [](const Applied &, const LedgerEntry &) { return QString::fromLatin1(text::WouldBeWritten); }, true},
    {Applied::Outcome::Verified, true, Counted::Done, LedgerEntry::Done, Port::Sent, nullptr, ledgerOutcome, false},
    {Applied::Outcome::Differs, true, Counted::Failed, LedgerEntry::Differs, Port::Answered,
     [](const Applied &a) { return a.differingFields(); },
     [](const Applied &, const LedgerEntry &e) { return e.outcome + QStringLiteral(": ") + e.detail; }, false},
    {Applied::Outcome::Swapped, true, Counted::Failed, LedgerEntry::Swapped, Port::Sent,
     [](const Applied &a) { return QString::number(a.answer.serialNumber); }, swappedBy, false},
    {Applied::Outcome::Failed, true, Counted::Failed, LedgerEntry::NoAnswer, Port::Sent, nullptr, ledgerOutcome, false},
};

const OutcomeRow &outcomeRow(Applied::Outcome outcome)
{
    return *std::find_if(std::begin(OutcomeRows), std::end(OutcomeRows),
                         [outcome](const OutcomeRow &row) { return row.outcome == outcome; });
}

// Whether the run ends with the device in hand: when it stopped before the
// upload (an end signal, the ledger), or when the upload failed otherwise
// than by no answer or a lost port (an end signal); after those the next
// device is looked for.
bool endsRun(const Applied &applied)
{
    return applied.outcome == Applied::Outcome::NotSent
        || (applied.outcome == Applied::Outcome::Failed && applied.exit != NoAnswer && applied.exit != PortFailed);
}

// One run of the loop: its port, its ledger and its counts.
class BenchLoop {
public:
    explicit BenchLoop(const BenchLoopOptions &options)
        : m_options(options), m_link(options.port, options.timeoutMs) {}
    int run();

private:
    bool finished() const { return endSignal() || (m_options.count && m_done >= m_options.count); }
    int probe(ConfigRecord *record);
    int waitForDevice(ConfigRecord *device);
    int waitUntilGone(quint16 serial, std::optional<ConfigRecord> *next);
    int configure(const ConfigRecord &device);
    int configureLocked(const ConfigRecord &device);
    int noAddress(LedgerEntry entry, const QString &why, bool listedIp);
    int recordOutcome(LedgerEntry entry, const Applied &applied);
    int lockLedger(LedgerFile::Lock *lock);
    int record(const LedgerEntry &entry, const QString &shown, bool changed);
    int write(LedgerEntry entry, bool changed);

    const BenchLoopOptions &m_options;
    Link m_link;
    LedgerFile m_ledger;
    QElapsedTimer m_sinceRequest;
    int m_done = 0, m_failed = 0, m_skipped = 0;
    bool m_toldWaiting = false, m_toldNoRecord = false;
};

int BenchLoop::run()
{
    QString error;
    if (!m_ledger.open(m_options.ledger, m_options.dryRun, &error)) {
        complain(QString::fromLatin1(m_options.dryRun ? clitext::message::CannotRead : clitext::message::CannotWrite)
                     .arg(escaped(m_options.ledger), error));
        return Usage;
    }
    // A damaged ledger stops the run before the port is opened.
    LedgerFile::Lock lock;
    int status = lockLedger(&lock);
    if (status == Usage)
        return status;
    if (status == Done) {
        InputError wrong;
        const bool readable = bool(m_ledger.entries(&wrong));
        lock.release();
        if (!readable) {
            complain(QString::fromLatin1(clitext::message::InputRefused).arg(wrong.message()));
            return Refused;
        }
        if (const int failed = m_link.open())
            return failed;
    }
    // From here on (an end signal included) the run ends with its summary.
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
        if (status == Done)
            status = configure(device);
        if (status == Done && !finished())
            status = waitUntilGone(device.serialNumber, &next);
    }
    const QString summary = QString::fromLatin1(text::Summary).arg(m_done).arg(m_failed).arg(m_skipped);
    const int said = say(m_options.dryRun ? summary + QLatin1String(text::DrySummary) : summary);
    if (endSignal())
        return signalExit(endSignal());
    return status ? status : said;
}

// Done, an end signal's exit status, or Usage when the ledger cannot be locked.
int BenchLoop::lockLedger(LedgerFile::Lock *lock)
{
    QString error;
    int ended = Done;
    const LedgerFile::Locking locking = m_ledger.lock(lock, &error, [this, &ended](bool first) {
        if (first)
            say(QString::fromLatin1(text::WaitingForLedger).arg(escaped(m_options.ledger)));
        ended = pauseFor(LockRetryMs);
        return ended == Done;
    });
    switch (locking) {
    case LedgerFile::Locking::Held:
        return Done;
    case LedgerFile::Locking::Stopped:
        return ended;
    case LedgerFile::Locking::Failed:
        break;
    }
    complain(QString::fromLatin1(text::CannotLock).arg(escaped(m_options.ledger), error));
    return Usage;
}

int BenchLoop::probe(ConfigRecord *record)
{
    m_sinceRequest.start();
    return m_link.probe(record, qMin(RequestIntervalMs, m_options.timeoutMs));
}

int BenchLoop::waitForDevice(ConfigRecord *device)
{
    for (;;) {
        const int answered = probe(device);
        if (answered != NoAnswer)
            return answered;
        if (!m_toldWaiting) {
            m_toldWaiting = true;
            if (const int failed = say(QString::fromLatin1(text::Waiting).arg(escaped(m_options.port))))
                return failed;
        }
        if (m_link.arrivedOctets() > 0 && !m_toldNoRecord) {
            m_toldNoRecord = true;
            complain(QString::fromLatin1(text::OctetsNoRecord).arg(escaped(m_options.port)));
        }
        if (const int ended = pauseFor(RequestIntervalMs - m_sinceRequest.elapsed()))
            return ended;
    }
}

int BenchLoop::waitUntilGone(quint16 serial, std::optional<ConfigRecord> *next)
{
    for (;;) {
        if (const int ended = pauseFor(RequestIntervalMs - m_sinceRequest.elapsed()))
            return ended;
        ConfigRecord record;
        const int answered = probe(&record);
        if (answered == NoAnswer)
            return Done;
        if (answered != Done)
            return answered;
        if (record.serialNumber != serial) {
            *next = record;
            return Done;
        }
    }
}

// Under the lock, output is held: a terminal that blocks must not keep
// other runs from the ledger.
int BenchLoop::configure(const ConfigRecord &device)
{
    LedgerFile::Lock lock;
    if (const int failed = lockLedger(&lock))
        return failed;
    HeldOutput held;
    const int status = configureLocked(device);
    lock.release();  // before the output, which may block
    const int printed = held.release();
    return status ? status : printed;
}

// Chooses the address, changes the device and records it, all under the
// ledger's lock: no other run can choose the same address meanwhile.
int BenchLoop::configureLocked(const ConfigRecord &device)
{
    const quint16 serial = device.serialNumber;
    InputError wrong;
    const std::optional<QList<LedgerEntry>> ledger = m_ledger.entries(&wrong);
    if (!ledger) {
        complain(QString::fromLatin1(clitext::message::InputRefused).arg(wrong.message()));
        return Refused;
    }
    if (const LedgerEntry *done = doneEntry(*ledger, serial)) {
        ++m_skipped;
        return say(deviceLine(serial, done->ip, QLatin1String(text::AlreadyConfigured)));
    }
    const Inventory::Entry *listed = m_options.inventory.find(serial);
    if (!listed && !m_options.range) {
        ++m_skipped;
        return say(deviceLine(serial, QStringLiteral("-"), QLatin1String(text::NotListed)));
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
        return write(ahead, false);
    };
    const Applied applied = apply(m_link, device, wantedFor(m_options.common, listed ? listed->values : Wanted(), *address),
                                  m_options.dryRun, sending);
    return recordOutcome(entry, applied);
}

// The inventory's address is the ledger's for another device: refused. Or
// the range is used up: no device can be done, the run ends.
int BenchLoop::noAddress(LedgerEntry entry, const QString &why, bool listedIp)
{
    if (!listedIp && m_options.range) {
        complain(why);
        return Refused;
    }
    complain(QString::fromLatin1(clitext::message::InputRefused).arg(why));
    ++m_failed;
    entry.outcome = LedgerEntry::outcomeText(LedgerEntry::Refused);
    entry.detail = why;
    return record(entry, deviceLine(entry.serial, QStringLiteral("-"), QString::fromLatin1(text::RefusedBy).arg(why)),
                  false);
}

// The change's outcome counted, in the ledger and on standard output, as
// its row says.
int BenchLoop::recordOutcome(LedgerEntry entry, const Applied &applied)
{
    if (applied.outcome == Applied::Outcome::NotSent)  // no line, and the run ends
        return applied.exit;
    const OutcomeRow &row = outcomeRow(applied.outcome);
    ++(row.counted == Counted::Done ? m_done : m_failed);
    entry.outcome = LedgerEntry::outcomeText(row.ledger);
    if (row.port == Port::Sent)
        entry.primaryPort = QString::number(applied.plan.sent.primaryPort);
    else if (row.port == Port::Answered)
        entry.primaryPort = QString::number(applied.answer.primaryPort);
    entry.detail = row.detail ? row.detail(applied) : QString();
    if (row.listsChanges) {
        if (const int failed = put(applied.changeLines(QStringLiteral("  ")).toLocal8Bit()))
            return failed;
    }
    if (const int failed = record(entry, deviceLine(entry.serial, entry.ip, row.shown(applied, entry)), row.sent))
        return failed;
    return endsRun(applied) ? applied.exit : Done;
}

// The ledger line on the disk, then the device's line on standard output.
// `changed`: a change was sent to the device.
int BenchLoop::record(const LedgerEntry &entry, const QString &shown, bool changed)
{
    if (const int failed = write(entry, changed))
        return failed;
    return say(shown);
}

int BenchLoop::write(LedgerEntry entry, bool changed)
{
    entry.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    QString error;
    if (!m_ledger.append(entry, &error)) {
        complain(QString::fromLatin1(changed ? text::LedgerUnwritten : text::LedgerUnwrittenNothingSent)
                     .arg(escaped(m_options.ledger), error, QString::fromUtf8(ledgerLine(entry)).trimmed()));
        return Usage;
    }
    return Done;
}

}  // namespace

int runBenchLoop(const BenchLoopOptions &options)
{
    return BenchLoop(options).run();
}

}  // namespace rallon::cli
