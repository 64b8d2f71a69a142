#include "BenchOutput.h"

#include "BenchEvents.h"
#include "Change.h"
#include "CliTexts.h"
#include "Console.h"
#include "Ending.h"
#include "Exit.h"
#include "Terminal.h"

#include <optional>

namespace rallon::cli {

using namespace batch;
using provision::LedgerEntry;

namespace {

namespace text = clitext::provision;

QString deviceLine(quint16 serial, const QString &ip, const QString &outcome)
{
    return QString::fromLatin1(text::DeviceLine).arg(serial).arg(ip, outcome);
}

// What a device's line shows after its address.
QString shownOutcome(const DeviceResult &result)
{
    const LedgerEntry &entry = result.entry;
    if (!result.outcome)
        return QString::fromLatin1(text::RefusedBy).arg(entry.detail);
    switch (*result.outcome) {
    case Applied::Outcome::Refused:
        return QString::fromLatin1(text::RefusedBy).arg(document::escaped(entry.detail));
    case Applied::Outcome::Planned:
        return QString::fromLatin1(text::WouldBeWritten);
    case Applied::Outcome::Differs:
        return entry.outcome + QStringLiteral(": ") + entry.detail;
    case Applied::Outcome::Swapped:
        return QString::fromLatin1(text::SwappedBy).arg(entry.detail);
    case Applied::Outcome::AlreadyHeld:
    case Applied::Outcome::Verified:
    case Applied::Outcome::Failed:
    case Applied::Outcome::NotSent:
        break;
    }
    return entry.outcome;
}

// Each event as rallon-cli says it. While the ledger is locked the output
// is held: a terminal that blocks must not keep other runs from it.
class BenchPrinter : public BenchEvents {
public:
    explicit BenchPrinter(const BenchLoopOptions &options)
        : m_options(options), m_port(document::escaped(options.port)), m_ledger(document::escaped(options.ledger))
    {
    }

    void ledgerUnopened(const QString &reason) override
    {
        namespace message = clitext::message;
        complain(QString::fromLatin1(m_options.dryRun ? message::CannotRead : message::CannotWrite).arg(m_ledger, reason));
    }
    void waitingForLedger() override { say(QString::fromLatin1(text::WaitingForLedger).arg(m_ledger)); }
    void ledgerUnlockable(const QString &reason) override
    {
        complain(QString::fromLatin1(text::CannotLock).arg(m_ledger, reason));
    }
    void ledgerRefused(const document::InputError &wrong) override
    {
        complain(QString::fromLatin1(clitext::message::InputRefused).arg(wrong.message()));
    }
    void portUnopened(const LinkFailure &failure) override { complainOf(failure, m_options.port); }
    void ledgerServerUnreachable(const QString &reason) override
    {
        complain(QString::fromLatin1(text::ServerUnreachable).arg(m_ledger, reason));
    }
    // Said at once, the device's held lines first: the wait may be long.
    void ledgerServerLost(const QString &reason, bool changed) override
    {
        const bool held = bool(m_held);
        m_held.reset();
        complain(QString::fromLatin1(changed ? text::ServerLostChanged : text::ServerLost).arg(m_ledger, reason));
        if (held)
            m_held.emplace();
    }
    void ledgerServerBack() override { complain(QString::fromLatin1(text::ServerBack).arg(m_ledger)); }

    int waitingForDevice() override { return say(QString::fromLatin1(text::Waiting).arg(m_port)); }
    void octetsButNoRecord() override { complain(QString::fromLatin1(text::OctetsNoRecord).arg(m_port)); }
    void portLost(const QString &) override { complain(QString::fromLatin1(text::PortGone).arg(m_port)); }
    void portBack() override { complain(QString::fromLatin1(text::PortBack).arg(m_port)); }

    void ledgerLocked() override { m_held.emplace(); }
    void alreadyConfigured(quint16 serial, const QString &ip) override
    {
        say(deviceLine(serial, ip, QLatin1String(text::AlreadyConfigured)));
    }
    void notListed(quint16 serial) override
    {
        say(deviceLine(serial, QStringLiteral("-"), QLatin1String(text::NotListed)));
    }
    void noAddress(quint16, const QString &why, bool rangeUsedUp) override
    {
        complain(rangeUsedUp ? why : QString::fromLatin1(clitext::message::InputRefused).arg(why));
    }
    void applied(const Applied &applied) override
    {
        complainOf(applied, m_options.port);
        if (applied.outcome == Applied::Outcome::Planned)
            put(applied.changeLines(QStringLiteral("  ")).toLocal8Bit());
    }
    void recorded(const DeviceResult &result) override
    {
        const QString ip = result.outcome ? result.entry.ip : QStringLiteral("-");
        say(deviceLine(result.entry.serial, ip, shownOutcome(result)));
    }
    void ledgerUnwritten(const LedgerEntry &entry, const QString &reason, bool changed) override
    {
        complain(QString::fromLatin1(changed ? text::LedgerUnwritten : text::LedgerUnwrittenNothingSent)
                     .arg(m_ledger, reason, QString::fromUtf8(provision::ledgerLine(entry)).trimmed()));
    }
    int ledgerUnlocked() override
    {
        const int printed = m_held ? m_held->release() : Done;
        m_held.reset();
        return printed;
    }

    int summary(const BenchCounts &counts) override
    {
        const QString summary = QString::fromLatin1(text::Summary).arg(counts.done).arg(counts.failed).arg(counts.skipped);
        return say(m_options.dryRun ? summary + QLatin1String(text::DrySummary) : summary);
    }

private:
    const BenchLoopOptions &m_options;
    const QString m_port;
    const QString m_ledger;
    std::optional<HeldOutput> m_held;
};

}  // namespace

int runBench(const BenchLoopOptions &options)
{
    BenchPrinter printer(options);
    return runBenchLoop(options, printer, ending());
}

}  // namespace rallon::cli
