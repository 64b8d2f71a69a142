#pragma once

// The serial exchange of rallon-cli: the window's serial session, waited on
// one exchange at a time, each bounded as a whole by the time-out (from the
// first octet sent to the decoded answer). The first record of an answer is
// the answer. Failures are reported on standard error and returned as the
// exit status.

#include "ConfigRecord.h"
#include "SerialSession.h"

#include <QString>

#include <optional>

class QEventLoop;

namespace rallon::cli {

class Link {
public:
    // `port`: a number 1..25 (all digits, see wholeNumber()), through the
    // window's mapping, or a device path.
    Link(const QString &port, int timeoutMs);
    ~Link();
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    int open();
    int retrieve(ConfigRecord *record);
    int upload(const QByteArray &octets, ConfigRecord *answer);
    // A request answered within `waitMs`, or NoAnswer without a message (a
    // lost port too: the next request opens it again).
    int probe(ConfigRecord *record, int waitMs);
    // An end signal during an upload's exchange lets it finish: what the
    // device did with the change is then known (the caller ends afterwards).
    void finishUploads(bool finish) { m_finishUploads = finish; }
    // The octets that arrived during the last exchange.
    qint64 arrivedOctets() const { return m_arrived; }

private:
    enum class After { Request, Upload };
    int exchange(After after, const QByteArray &upload, ConfigRecord *record, int timeoutMs, bool quiet);

    QString m_port;
    int m_timeoutMs;
    bool m_finishUploads = false;
    qint64 m_arrived = 0;
    SerialSession m_session;
};

// SIGINT, SIGTERM and SIGHUP end the program from the event loop: the
// exchange under way stops at once with the port closed (its lock file
// removed), and the caller returns signalExit(endSignal()).
bool watchEndSignals(QObject *context);
// The signal that asked for the end, 0 while none did.
int endSignal();
// Waits `ms` (none when 0 or less): Done, or the end signal's exit status.
int pauseFor(qint64 ms);

}  // namespace rallon::cli
