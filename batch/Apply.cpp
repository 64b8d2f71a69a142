#include "Apply.h"

#include "Status.h"
#include "Stop.h"

namespace rallon::batch {

using namespace document;

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
    applied.serial = device.serialNumber;
    applied.plan = planChange(device, wanted);
    const Plan &plan = applied.plan;
    switch (plan.outcome) {
    case Plan::Outcome::Refused:
        applied.refusedBy = plan.windowRefusal ? plan.windowRefusal->title : plan.refusal->field;
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

    const int stopped = link.stop().status();
    applied.exit = stopped ? stopped : beforeUpload ? beforeUpload(plan) : Done;
    if (applied.exit != Done) {
        applied.outcome = Applied::Outcome::NotSent;
        return applied;
    }
    if (const int failed = link.upload(plan.upload, &applied.answer)) {
        applied.outcome = Applied::Outcome::Failed;
        applied.exit = failed;
        applied.failure = link.failure();
        return applied;
    }
    // Another device on the line (swapped in after the read) took the change.
    if (applied.answer.serialNumber != device.serialNumber) {
        applied.outcome = Applied::Outcome::Swapped;
        applied.exit = Differs;
        return applied;
    }
    applied.differing = differences(plan.sent, applied.answer);
    if (applied.differing.isEmpty()) {
        applied.outcome = Applied::Outcome::Verified;
        return applied;
    }
    applied.outcome = Applied::Outcome::Differs;
    applied.exit = Differs;
    return applied;
}

}  // namespace rallon::batch
