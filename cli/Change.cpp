#include "Change.h"

#include "CliTexts.h"
#include "Console.h"
#include "Ending.h"
#include "Exit.h"
#include "Message.h"

namespace rallon::cli {

using namespace document;
using batch::Applied;
using batch::LinkFailure;

namespace text = clitext::message;

void complainOf(const LinkFailure &failure, const QString &port)
{
    switch (failure.kind) {
    case LinkFailure::CannotOpen:
        complain(failure.reason);
        break;
    case LinkFailure::Lost:
        complain(QString::fromLatin1(text::PortLost).arg(failure.reason));
        break;
    case LinkFailure::NoAnswer:
        complain(QString::fromLatin1(text::NoAnswer).arg(failure.timeoutMs));
        break;
    case LinkFailure::NoRecord:
        complain(QString::fromLatin1(text::NoRecord).arg(failure.arrived).arg(failure.timeoutMs).arg(port));
        break;
    case LinkFailure::NotConfirmed:
        complain(QString::fromLatin1(text::NotConfirmed).arg(failure.timeoutMs).arg(port));
        break;
    case LinkFailure::None:
    case LinkFailure::Stopped:
        break;
    }
}

void complainOf(const Applied &applied, const QString &port)
{
    const Plan &plan = applied.plan;
    switch (applied.outcome) {
    case Applied::Outcome::Refused:
        if (plan.windowRefusal) {
            complain(QString::fromLatin1(text::Refused)
                         .arg(plan.windowRefusal->title, withLineFeeds(plan.windowRefusal->text)));
        } else {
            complain(QString::fromLatin1(text::InputRefused).arg(plan.refusal->message()));
        }
        break;
    case Applied::Outcome::Failed:
        complainOf(applied.failure, port);
        break;
    case Applied::Outcome::Swapped:
        complain(QString::fromLatin1(text::Swapped).arg(applied.serial).arg(applied.answer.serialNumber));
        break;
    case Applied::Outcome::Differs: {
        QString lines;
        for (const Difference &difference : applied.differing) {
            lines += QString::fromLatin1(text::DiffersLine)
                         .arg(difference.field, shownValue(difference.field, difference.from),
                              shownValue(difference.field, difference.to));
        }
        complain(QString::fromLatin1(text::Differs).arg(applied.differingFields()) + lines);
        break;
    }
    case Applied::Outcome::AlreadyHeld:
    case Applied::Outcome::Planned:
    case Applied::Outcome::Verified:
    case Applied::Outcome::NotSent:
        break;
    }
}

int change(const QString &port, const Wanted &wanted, bool dryRun, int timeoutMs)
{
    batch::Link link(port, timeoutMs, ending());
    ConfigRecord device;
    int status = link.open();
    if (status == Done)
        status = link.retrieve(&device);
    if (status != Done) {
        complainOf(link.failure(), port);
        return status;
    }

    const Applied applied = batch::apply(link, device, wanted, dryRun);
    complainOf(applied, port);
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
