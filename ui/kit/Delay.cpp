#include "Delay.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <cmath>

namespace rallon::kit {

void Delay(float seconds)
{
    if (!(seconds > 0))
        return;
    QDeadlineTimer deadline(Qt::PreciseTimer);
    deadline.setPreciseRemainingTime(0, std::llround(double(seconds) * 1e9), Qt::PreciseTimer);

    while (!deadline.hasExpired()) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        // remainingTime() rounds up to whole milliseconds.
        timer.start(std::chrono::milliseconds(deadline.remainingTime()));
        // -1: the application is quitting and no local loop may run.
        if (loop.exec() == -1)
            return;
    }
}

}  // namespace rallon::kit
