#pragma once

// A run's stop: asked from outside (rallon-cli's end signals, a window's
// button), looked at between steps, and ending a wait at once.

#include <QObject>

namespace rallon::batch {

class Stop : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    // Asks for the stop; `status` (not 0) is what the run then returns (the
    // last request's, when asked again).
    void request(int status);
    // 0 while no stop was asked for.
    int status() const { return m_status; }

signals:
    void requested();

private:
    int m_status = 0;
};

// Waits `ms` with the event loop running (none when 0 or less): Done, or
// the stop's status once it is asked for.
int pauseFor(const Stop &stop, qint64 ms);

}  // namespace rallon::batch
