#include "Apply.h"

#include "CliTexts.h"
#include "Console.h"
#include "Exit.h"
#include "Message.h"

namespace rallon::cli {

using namespace document;

namespace text = clitext::message;

QString Applied::differingFields() const
{
    QStringList fields;
    for (const Difference &difference : differing)
        fields << difference.field;
    return fields.join(QStringLiteral(", "));
}

QString Applied::changeLines(const QString &indent) const
{
    QString lines;
    for (const Difference &difference : plan.changes)
        lines += indent + difference.line() + QLatin1Char('\n');
    return lines;
}

Applied apply(Link &link, const ConfigRecord &device, const Wanted &wanted, bool dryRun,
              const std::function<int(const Plan &)> &beforeUpload)
{
    Applied applied;
    applied.plan = planChange(device, wanted);
    const Plan &plan = applied.plan;
    switch (plan.outcome) {
    case Plan::Outcome::Refused:
        if (plan.windowRefusal) {
            applied.refusedBy = plan.windowRefusal->title;
            complain(QString::fromLatin1(text::Refused)
                         .arg(plan.windowRefusal->title, withLineFeeds(plan.windowRefusal->text)));
        } else {
            applied.refusedBy = plan.refusal->field;
            complain(QString::fromLatin1(text::InputRefused).arg(plan.refusal->message()));
        }
        applied.exit = Refused;
        return applied;
    case Plan::Outcome::AlreadyHeld:
        applied.outcome = Applied::Outcome::AlreadyHeld;
        return applied;
    case Plan::Outcome::Upload:
        break;
    }
    if (dryRun) {
        applied.outcome = Applied::Outcome::Planned;
        return applied;
    }

    applied.exit = endSignal() ? signalExit(endSignal()) : beforeUpload ? beforeUpload(plan) : Done;
    if (applied.exit != Done) {
        applied.outcome = Applied::Outcome::NotSent;
        return applied;
    }
    if (const int failed = link.upload(plan.upload, &applied.answer)) {
        applied.outcome = Applied::Outcome::Failed;
        applied.exit = failed;
        return applied;
    }
    // Another device on the line (swapped in after the read) took the change.
    if (applied.answer.serialNumber != device.serialNumber) {
        complain(QString::fromLatin1(text::Swapped).arg(device.serialNumber).arg(applied.answer.serialNumber));
        applied.outcome = Applied::Outcome::Swapped;
        applied.exit = Differs;
        return applied;
    }
    applied.differing = differences(plan.sent, applied.answer);
    if (applied.differing.isEmpty()) {
        applied.outcome = Applied::Outcome::Verified;
        return applied;
    }
    QString lines;
    for (const Difference &difference : applied.differing) {
        lines += QString::fromLatin1(text::DiffersLine)
                     .arg(difference.field, shownValue(difference.field, difference.from),
                          shownValue(difference.field, difference.to));
    }
    complain(QString::fromLatin1(text::Differs).arg(applied.differingFields()) + lines);
    applied.outcome = Applied::Outcome::Differs;
    applied.exit = Differs;
    return applied;
}

int change(const QString &port, const Wanted &wanted, bool dryRun, int timeoutMs)
{
    Link link(port, timeoutMs);
    ConfigRecord device;
    if (const int failed = link.open())
        return failed;
    if (const int failed = link.retrieve(&device))
        return failed;

    const Applied applied = apply(link, device, wanted, dryRun);
    switch (applied.outcome) {
    case Applied::Outcome::AlreadyHeld:
        return say(dryRun ? QString::fromLatin1(text::NothingWouldChange)
                          : QString::fromLatin1(text::AlreadyHeld).arg(device.serialNumber));
    case Applied::Outcome::Planned:
        return say(applied.changeLines(QString()) + QString::fromLatin1(applied.plan.upload.toHex(' ')));
    case Applied::Outcome::Verified:
        return say(QString::fromLatin1(text::Verified).arg(applied.answer.serialNumber));
    case Applied::Outcome::Refused:
    case Applied::Outcome::Differs:
    case Applied::Outcome::Swapped:
    case Applied::Outcome::Failed:
    case Applied::Outcome::NotSent:
        break;
    }
    return applied.exit;
}

}  // namespace rallon::cli
