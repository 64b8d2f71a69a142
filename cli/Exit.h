#pragma once

// rallon-cli's exit status.

namespace rallon::cli {

enum Exit { Done = 0, Usage = 1, Refused = 2, NoAnswer = 3, PortFailed = 4, Differs = 5 };

// Ended by a signal: the shell's convention.
constexpr int signalExit(int signal) { return 128 + signal; }

}  // namespace rallon::cli
