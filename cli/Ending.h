#pragma once

// rallon-cli's end signals: SIGINT, SIGTERM and SIGHUP ask the command's
// stop (batch::Stop) from the event loop, with 128+N for its status: the
// exchange under way stops at once with the port closed (its lock file
// removed), and the command returns signalExit(endSignal()).

#include "Stop.h"

class QObject;

namespace rallon::cli {

bool watchEndSignals(QObject *context);
// The signal that asked for the end, 0 while none did.
int endSignal();
// What the end signals stop.
const batch::Stop &ending();

}  // namespace rallon::cli
