#include "Provision.h"

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

namespace rallon::cli {

using namespace document;
using namespace provision;

namespace {

namespace text = clitext::provision;

// While looking for a device, and for the one in hand to go: a request every 2 s.
constexpr int RequestIntervalMs = 2000;
// While another run holds the ledger: a try every 20 ms.
constexpr int LockRetryMs = 20;

// One run of the loop: its port, its ledger and its counts.
class ProvisionRun {
public:
    explicit ProvisionRun(const ProvisionOptions &options)
        : m_options(options), m_link(options.port, options.timeoutMs) {}
    int run();

private:
    bool finished() const { return endSignal() || (m_options.count && m_done >= m_options.count); }
    int probe(ConfigRecord *record);
    int waitForDevice(ConfigRecord *device);
    int waitUntilGone(quint16 serial, std::optional<ConfigRecord> *next);
    int configure(const ConfigRecord &device);
    int configureLocked(const ConfigRecord &device);
    int lockLedger();
    int record(const LedgerEntry &entry, const QString &shown, bool changed);
    int write(LedgerEntry entry, bool changed);

    const ProvisionOptions &m_options;
    Link m_link;
    LedgerFile m_ledger;
    QElapsedTimer m_sinceRequest;
    int m_done = 0, m_failed = 0, m_skipped = 0;
    bool m_toldWaiting = false, m_toldNoRecord = false;
};

int ProvisionRun::run()
{
    QString error;
    if (!m_ledger.open(m_options.ledger, m_options.dryRun, &error)) {
        complain(QString::fromLatin1(m_options.dryRun ? clitext::message::CannotRead : clitext::message::CannotWrite)
                     .arg(escaped(m_options.ledger), error));
        return Usage;
    }
    // A damaged ledger stops the run before the port is opened.
    int status = lockLedger();
    if (status == Usage)
        return status;
    if (status == Done) {
        InputError wrong;
        const bool readable = bool(m_ledger.entries(&wrong));
        m_ledger.unlock();
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
int ProvisionRun::lockLedger()
{
    QString error;
    int ended = Done;
    const LedgerFile::Locking locking = m_ledger.lock(&error, [this, &ended](bool first) {
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

int ProvisionRun::probe(ConfigRecord *record)
{
    m_sinceRequest.start();
    return m_link.probe(record, qMin(RequestIntervalMs, m_options.timeoutMs));
}

int ProvisionRun::waitForDevice(ConfigRecord *device)
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

int ProvisionRun::waitUntilGone(quint16 serial, std::optional<ConfigRecord> *next)
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
int ProvisionRun::configure(const ConfigRecord &device)
{
    if (const int failed = lockLedger())
        return failed;
    holdOutput();
    const int status = configureLocked(device);
    m_ledger.unlock();
    const int printed = releaseOutput();
    return status ? status : printed;
}

// Chooses the address, changes the device and records it, all under the
// ledger's lock: no other run can choose the same address meanwhile.
int ProvisionRun::configureLocked(const ConfigRecord &device)
{
    const quint16 serial = device.serialNumber;
    InputError wrong;
    const std::optional<QList<LedgerEntry>> ledger = m_ledger.entries(&wrong);
    if (!ledger) {
        complain(QString::fromLatin1(clitext::message::InputRefused).arg(wrong.message()));
        return Refused;
    }
    const auto line = [serial](const QString &ip, const QString &outcome) {
        return QString::fromLatin1(text::DeviceLine).arg(serial).arg(ip, outcome);
    };
    if (const LedgerEntry *done = doneEntry(*ledger, serial)) {
        ++m_skipped;
        return say(line(done->ip, QLatin1String(text::AlreadyConfigured)));
    }
    const Inventory::Entry *listed = m_options.inventory.find(serial);
    if (!listed && !m_options.range) {
        ++m_skipped;
        return say(line(QStringLiteral("-"), QLatin1String(text::NotListed)));
    }

    LedgerEntry entry{QString(), serial, device.wired() ? QStringLiteral("wired") : QStringLiteral("wireless"),
                      QString(), QString::number(device.primaryPort), QString(), QString()};
    QString why;
    const std::optional<quint32> address = addressFor(serial, m_options.inventory, m_options.range, *ledger, &why);
    if (!address) {
        if (!(listed && listed->ip) && m_options.range) {  // the range is used up: no device can be done
            complain(why);
            return Refused;
        }
        complain(QString::fromLatin1(clitext::message::InputRefused).arg(why));
        ++m_failed;
        entry.outcome = LedgerEntry::outcomeText(LedgerEntry::Refused);
        entry.detail = why;
        return record(entry, line(QStringLiteral("-"), QString::fromLatin1(text::RefusedBy).arg(why)), false);
    }
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
    if (applied.outcome == Applied::Outcome::NotSent)
        return applied.exit;
    const bool sent = applied.outcome == Applied::Outcome::Verified || applied.outcome == Applied::Outcome::Differs
        || applied.outcome == Applied::Outcome::Swapped || applied.outcome == Applied::Outcome::Failed;
    if (sent || applied.outcome == Applied::Outcome::Planned)
        entry.primaryPort = QString::number(applied.plan.sent.primaryPort);
    QString shown;
    switch (applied.outcome) {
    case Applied::Outcome::Refused:
        ++m_failed;
        entry.outcome = LedgerEntry::outcomeText(LedgerEntry::Refused);
        entry.detail = applied.refusedBy;
        shown = QString::fromLatin1(text::RefusedBy).arg(escaped(applied.refusedBy));
        break;
    case Applied::Outcome::Planned: {
        ++m_done;
        if (const int failed = put(applied.changeLines(QStringLiteral("  ")).toLocal8Bit()))
            return failed;
        entry.outcome = LedgerEntry::outcomeText(LedgerEntry::Done);
        shown = QLatin1String(text::WouldBeWritten);
        break;
    }
    case Applied::Outcome::AlreadyHeld:
    case Applied::Outcome::Verified:
        ++m_done;
        entry.outcome = LedgerEntry::outcomeText(LedgerEntry::Done);
        shown = entry.outcome;
        break;
    case Applied::Outcome::Differs:
        ++m_failed;
        entry.outcome = LedgerEntry::outcomeText(LedgerEntry::Differs);
        entry.primaryPort = QString::number(applied.answer.primaryPort);  // as the device holds it
        entry.detail = applied.differingFields();
        shown = entry.outcome + QStringLiteral(": ") + entry.detail;
        break;
    case Applied::Outcome::Swapped:
        ++m_failed;
        entry.outcome = LedgerEntry::outcomeText(LedgerEntry::Swapped);
        entry.detail = QString::number(applied.answer.serialNumber);
        shown = QString::fromLatin1(text::SwappedBy).arg(applied.answer.serialNumber);
        break;
    case Applied::Outcome::Failed:
        ++m_failed;
        entry.outcome = LedgerEntry::outcomeText(LedgerEntry::NoAnswer);
        shown = entry.outcome;
        break;
    case Applied::Outcome::NotSent:
        break;
    }
    if (const int failed = record(entry, line(entry.ip, shown), sent))
        return failed;
    // A lost port is looked for again with the next device; an end signal ends the run.
    const bool goesOn = applied.outcome != Applied::Outcome::Failed || applied.exit == NoAnswer
        || applied.exit == PortFailed;
    return goesOn ? Done : applied.exit;
}

// The ledger line on the disk, then the device's line on standard output.
// `changed`: a change was sent to the device.
int ProvisionRun::record(const LedgerEntry &entry, const QString &shown, bool changed)
{
    if (const int failed = write(entry, changed))
        return failed;
    return say(shown);
}

int ProvisionRun::write(LedgerEntry entry, bool changed)
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

int provision(const ProvisionOptions &options)
{
    return ProvisionRun(options).run();
}

}  // namespace rallon::cli
