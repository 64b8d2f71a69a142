#pragma once

// One change to one device, as write, set and provision make it: planned
// against the device's record, sent, and the device's answer compared with
// what was sent. Refusals and differences are reported on standard error
// with write's messages; the caller says what succeeded.

#include "Link.h"
#include "Plan.h"

#include <QList>
#include <QString>

#include <functional>

namespace rallon::cli {

using document::Difference;
using document::Plan;
using document::Wanted;

struct Applied {
    enum class Outcome {
        Refused,      // nothing sent
        AlreadyHeld,  // nothing sent: the device holds every setting given
        Planned,      // dry run: nothing sent
        Verified,     // sent, and the answer holds every setting as sent
        Differs,      // sent, and the answer differs in `differing`
        Swapped,      // sent, and another device answered: `answer` is its record
        Failed,       // sent, but no confirmation: `exit` says why
        NotSent,      // stopped before the upload (an end signal, `beforeUpload`): `exit` says why
    };
    Outcome outcome = Outcome::Refused;
    int exit = 0;                 // rallon-cli's exit status for the outcome
    Plan plan;
    QString refusedBy;            // the window message's title, or the setting's field
    ConfigRecord answer;          // Verified, Differs, Swapped
    QList<Difference> differing;  // Differs

    // "ip, primaryPort": the fields of `differing`.
    QString differingFields() const;
    // What a dry run shows: a line for each change planned, after `indent`.
    QString changeLines(const QString &indent) const;
};

// `beforeUpload` runs right before the upload leaves; a status other than
// Done stops it there.
Applied apply(Link &link, const ConfigRecord &device, const Wanted &wanted, bool dryRun,
              const std::function<int(const Plan &)> &beforeUpload = {});

// write's and set's change: retrieve, apply, and say what succeeded (or,
// dry, what would be sent). The exit status.
int change(const QString &port, const Wanted &wanted, bool dryRun, int timeoutMs);

}  // namespace rallon::cli
