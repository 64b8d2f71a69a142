#include "Stop.h"

#include "Status.h"

#include <QEventLoop>
#include <QTimer>

namespace rallon::batch {

void Stop::request(int status)
{
    if (!status)
        return;
    m_status = status;
    emit requested();
}

int pauseFor(const Stop &stop, qint64 ms)
{
    if (stop.status())
        return stop.status();
    if (ms <= 0)
        return Done;
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    QObject::connect(&stop, &Stop::requested, &loop, &QEventLoop::quit);
    loop.exec();
    return stop.status() ? stop.status() : Done;
}

}  // namespace rallon::batch
