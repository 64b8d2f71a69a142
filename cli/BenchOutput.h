#pragma once

// rallon-cli provision's run: the bench loop (batch/BenchLoop.h), each of
// its events printed as a line, its device lines and summary on standard
// output, the rest on standard error.

#include "BenchLoop.h"

namespace rallon::cli {

// The run until its end (see runBenchLoop()); the exit status.
int runBench(const batch::BenchLoopOptions &options);

}  // namespace rallon::cli
