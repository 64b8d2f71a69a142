#pragma once

namespace rallon::kit {

// Waits the given number of seconds on a monotonic clock while the event
// loop keeps running: clicks, serial arrivals and timers are served
// meanwhile, other Delays included. Returns early only when the
// application is quitting.
void Delay(float seconds);

}  // namespace rallon::kit
