#pragma once

// How an exchange, a change or a bench run ended; rallon-cli takes it for
// its exit status.

namespace rallon::batch {

enum Status {
    Done = 0,
    Usage = 1,       // rallon-cli: a wrong command line or output; here: the ledger cannot be written
    Refused = 2,     // input refused, nothing sent
    NoAnswer = 3,    // no record within the time-out
    PortFailed = 4,  // the port cannot be opened, or was lost
    Differs = 5,     // the answer differs from what was sent, or another device answered
};

}  // namespace rallon::batch
