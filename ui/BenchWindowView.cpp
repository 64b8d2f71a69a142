// What a bench run tells, as the bench window shows it: the state line,
// the device in hand, the table, the counts, the bell and the messages.

#include "BenchWindow.h"

#include "BenchEvents.h"
#include "BenchWindowTexts.h"

#include <QLabel>
#include <QLineEdit>

namespace rallon {

namespace text = benchwindow_text;
using namespace document;
using namespace provision;

namespace {

const QColor DoneColour(0x1b, 0x7a, 0x32);
const QColor FailedColour(0xb3, 0x1b, 0x1b);
const QColor SkippedColour(0xc7, 0x8a, 0x00);

}  // namespace

// The run's events as the window shows them.
class BenchWindowView : public batch::BenchEvents
{
public:
    explicit BenchWindowView(BenchWindow &window) : w(window) {}

    void ledgerUnopened(const QString &reason) override { w.refuse(text::LedgerRefused, reason); }
    void waitingForLedger() override { w.setState(text::WaitingForLedger); }
    void ledgerUnlockable(const QString &reason) override { w.refuse(text::LedgerRefused, reason); }
    void ledgerRefused(const InputError &wrong) override
    {
        w.refuse(text::LedgerRefused, text::fileRefused(wrong.field, wrong.reason));
    }
    void ledgerServerUnreachable(const QString &reason) override
    {
        w.refuse(text::LedgerRefused, text::serverUnreachable(w.m_ledger->text(), reason));
    }
    void ledgerServerLost(const QString &reason, bool changed) override
    {
        w.setState(text::serverLost(w.m_ledger->text(), reason, changed));
    }
    void ledgerServerBack() override { w.setState(text::waiting(w.m_port)); }
    void portUnopened(const batch::LinkFailure &failure) override { w.refuse(text::PortRefused, failure.reason); }
    int waitingForDevice() override
    {
        w.setState(text::waiting(w.m_port));
        return 0;
    }
    void portLost(const QString &) override
    {
        lost = true;
        w.setState(text::portLost(w.m_port));
    }
    void portBack() override
    {
        lost = false;
        w.setState(text::waiting(w.m_port));
    }
    void deviceFound(const ConfigRecord &device) override
    {
        w.setState(text::Reading);
        w.showDevice(QString::number(device.serialNumber), QColor());
    }
    void alreadyConfigured(quint16 serial, const QString &ip) override
    {
        w.setState(text::skipped(serial));
        w.showDevice(deviceLine(serial, ip, text::AlreadyConfigured), SkippedColour);
        w.ring(1);
    }
    void notListed(quint16 serial) override
    {
        w.setState(text::skipped(serial));
        w.showDevice(deviceLine(serial, QStringLiteral("-"), text::NotListed), SkippedColour);
        w.ring(3);
    }
    void noAddress(quint16 serial, const QString &why, bool rangeUsedUp) override
    {
        if (rangeUsedUp)
            w.refuse(text::RangeRefused, text::rangeUsedUp(why));
        else
            w.showDevice(deviceLine(serial, QStringLiteral("-"), why), FailedColour);
    }
    void sending(const LedgerEntry &entry) override
    {
        w.setState(text::sending(entry.ip, entry.serial));
        w.showDevice(deviceLine(entry.serial, entry.ip, entry.outcome), QColor());
    }
    void recorded(const batch::DeviceResult &result) override
    {
        const LedgerEntry &e = result.entry;
        const bool done = e.outcome == LedgerEntry::outcomeText(LedgerEntry::Done);
        w.addRow(e, false);
        w.setState(done ? text::done(e.serial) : text::failed(e.serial));
        const QString outcome = e.detail.isEmpty() ? e.outcome : e.outcome + QStringLiteral(": ") + e.detail;
        w.showDevice(deviceLine(e.serial, e.ip.isEmpty() ? QStringLiteral("-") : e.ip, outcome),
                     done ? DoneColour : FailedColour);
        w.ring(done ? 1 : 3);
        emit w.deviceRecorded(e);
    }
    void ledgerUnwritten(const LedgerEntry &entry, const QString &reason, bool) override
    {
        w.refuse(text::LedgerRefused, text::lineByHand(reason, QString::fromUtf8(ledgerLine(entry)).trimmed()));
    }
    void deviceGone(quint16) override
    {
        if (!lost)  // the lost port stays said until it is back
            w.setState(text::waiting(w.m_port));
    }
    void counted(const batch::BenchCounts &c) override { w.m_counts->setText(text::counts(c.done, c.failed, c.skipped)); }
    int summary(const batch::BenchCounts &c) override
    {
        counted(c);
        return 0;
    }

private:
    static QString deviceLine(quint16 serial, const QString &ip, const QString &outcome)
    {
        return QStringLiteral("%1   %2\n%3").arg(serial).arg(ip, outcome);
    }

    BenchWindow &w;
    bool lost = false;
};

std::unique_ptr<batch::BenchEvents> BenchWindow::events()
{
    return std::make_unique<BenchWindowView>(*this);
}

}  // namespace rallon
