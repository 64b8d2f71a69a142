#pragma once

// One change to one device, as write, set and a bench run make it: planned
// against the device's record, sent, and the device's answer compared with
// what was sent. Nothing is said: the caller tells what came of it.

#include "Link.h"
#include "Plan.h"

#include <QList>
#include <QString>

#include <functional>

namespace rallon::batch {

using document::Difference;
using document::Plan;
using document::Wanted;

struct Applied {
    enum class Outcome {
        Refused,      // nothing sent: the plan's refusal says why
        AlreadyHeld,  // nothing sent: the device holds every setting given
        Planned,      // dry run: nothing sent
        Verified,     // sent, and the answer holds every setting as sent
        Differs,      // sent, and the answer differs in `differing`
        Swapped,      // sent, and another device answered: `answer` is its record
        Failed,       // sent, but no confirmation: `exit` and `failure` say why
        NotSent,      // stopped before the upload (the stop, `beforeUpload`): `exit` says why
    };
    Outcome outcome = Outcome::Refused;
    int exit = 0;                 // the Status of the outcome
    quint16 serial = 0;           // the device read
    Plan plan;
    QString refusedBy;            // the window message's title, or the setting's field
    ConfigRecord answer;          // Verified, Differs, Swapped
    QList<Difference> differing;  // Differs
    LinkFailure failure;          // Failed

    // "ip, primaryPort": the fields of `differing`.
    QString differingFields() const;
    // What a dry run shows: a line for each change planned, after `indent`.
    QString changeLines(const QString &indent) const;
};

// `beforeUpload` runs right before the upload leaves; a status other than
// Done stops it there.
Applied apply(Link &link, const ConfigRecord &device, const Wanted &wanted, bool dryRun,
              const std::function<int(const Plan &)> &beforeUpload = {});

}  // namespace rallon::batch
