#pragma once

// rallon-cli's exit status: how its command ended (batch/Status.h), or the
// signal that ended it.

#include "Status.h"

namespace rallon::cli {

using Exit = batch::Status;
using batch::Done;
using batch::Usage;
using batch::Refused;
using batch::NoAnswer;
using batch::PortFailed;
using batch::Differs;

// Ended by a signal: the shell's convention.
constexpr int signalExit(int signal) { return 128 + signal; }

}  // namespace rallon::cli
