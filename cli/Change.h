#pragma once

// What rallon-cli says of an exchange and a change (batch/Link.h,
// batch/Apply.h) that did not succeed, and write's and set's change.

#include "Apply.h"

#include <QString>

namespace rallon::cli {

// The failure on standard error (none for a stop). `port`: as given.
void complainOf(const batch::LinkFailure &failure, const QString &port);
// A change refused, not confirmed, differing or taken by another device,
// on standard error with write's messages; nothing for the others.
void complainOf(const batch::Applied &applied, const QString &port);

// write's and set's change: retrieve, apply, and say what succeeded (or,
// dry, what would be sent). The exit status.
int change(const QString &port, const document::Wanted &wanted, bool dryRun, int timeoutMs);

}  // namespace rallon::cli
