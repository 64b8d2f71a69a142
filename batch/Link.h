#pragma once

// The serial exchange of a command or a bench run: the window's serial
// session, waited on one exchange at a time with the event loop running,
// each bounded as a whole by the time-out (from the first octet sent to the
// decoded answer). The first record of an answer is the answer. A failure
// is returned as a Status, and failure() tells what it was.

#include "ConfigRecord.h"
#include "SerialSession.h"

#include <QString>

#include <optional>

namespace rallon::batch {

class Stop;

// Why the last open or exchange failed.
struct LinkFailure {
    enum Kind {
        None,
        CannotOpen,    // `reason`: the session's
        Lost,          // the port went during the exchange; `reason`: the session's
        NoAnswer,      // nothing within `timeoutMs`
        NoRecord,      // `arrived` octets within `timeoutMs`, but no record
        NotConfirmed,  // an upload not answered within `timeoutMs`
        Stopped,       // the stop was asked for
    };
    Kind kind = None;
    QString reason;
    qint64 arrived = 0;
    int timeoutMs = 0;
};

class Link {
public:
    // `port`: a number 1..25 (all digits), through the window's mapping, or
    // a device path. `stop` ends an exchange at once with the port closed
    // (its lock file removed).
    Link(const QString &port, int timeoutMs, const Stop &stop);
    ~Link();
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    int open();
    int retrieve(ConfigRecord *record);
    int upload(const QByteArray &octets, ConfigRecord *answer);
    // A request answered within `waitMs`, or NoAnswer (a port lost during
    // it too: the next request opens it again). PortFailed at once when the
    // port was lost before and cannot be opened again.
    int probe(ConfigRecord *record, int waitMs);
    // A stop during an upload's exchange lets it finish: what the device
    // did with the change is then known (the caller ends afterwards).
    void finishUploads(bool finish) { m_finishUploads = finish; }
    // The octets that arrived during the last exchange.
    qint64 arrivedOctets() const { return m_arrived; }
    const LinkFailure &failure() const { return m_failure; }
    const QString &port() const { return m_port; }
    const Stop &stop() const { return m_stop; }

private:
    enum class After { Request, Upload };
    int exchange(After after, const QByteArray &upload, ConfigRecord *record, int timeoutMs, bool quiet);

    QString m_port;
    int m_timeoutMs;
    const Stop &m_stop;
    bool m_finishUploads = false;
    qint64 m_arrived = 0;
    LinkFailure m_failure;
    SerialSession m_session;
};

// A number on the command line or in a port's name: digits only, no sign
// or blanks; one too large for 64 bits reads as the largest (outside any
// range). std::nullopt for anything else.
std::optional<qint64> wholeNumber(const QString &text);

}  // namespace rallon::batch
