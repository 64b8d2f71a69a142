#include "Link.h"

#include "CliTexts.h"
#include "Console.h"
#include "EndSignals.h"
#include "Exit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace rallon::cli {

namespace {

int s_endSignal = 0;

// Sent to the application when an end signal arrives.
QEvent::Type endEvent()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// While it lives, an end signal runs `stop`: the application's end event
// passes through it on its way.
class StopOnEndSignal : public QObject {
public:
    explicit StopOnEndSignal(std::function<void()> stop) : m_stop(std::move(stop))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == endEvent() && watched == QCoreApplication::instance())
            m_stop();
        return false;
    }

private:
    std::function<void()> m_stop;
};

}  // namespace

bool watchEndSignals(QObject *context)
{
    return system::onEndSignals(context, [](int signal) {
        s_endSignal = signal;
        QEvent ended(endEvent());
        QCoreApplication::sendEvent(QCoreApplication::instance(), &ended);
    });
}

int endSignal()
{
    return s_endSignal;
}

Link::Link(const QString &port, int timeoutMs) : m_port(port), m_timeoutMs(timeoutMs) {}

Link::~Link()
{
    m_session.close();
}

int Link::open()
{
    const std::optional<qint64> number = wholeNumber(m_port);
    const bool opened = number ? m_session.open(int(*number)) : m_session.open(m_port);
    if (!opened) {
        complain(m_session.errorString());
        return PortFailed;
    }
    return Done;
}

int Link::retrieve(ConfigRecord *record)
{
    return exchange(After::Request, QByteArray(), record, m_timeoutMs, false);
}

int Link::upload(const QByteArray &octets, ConfigRecord *answer)
{
    return exchange(After::Upload, octets, answer, m_timeoutMs, false);
}

int Link::probe(ConfigRecord *record, int waitMs)
{
    return exchange(After::Request, QByteArray(), record, waitMs, true);
}

int pauseFor(qint64 ms)
{
    if (s_endSignal)
        return signalExit(s_endSignal);
    if (ms <= 0)
        return Done;
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    const StopOnEndSignal stop([&loop] { loop.quit(); });
    loop.exec();
    return s_endSignal ? signalExit(s_endSignal) : Done;
}

int Link::exchange(After after, const QByteArray &upload, ConfigRecord *record, int timeoutMs, bool quiet)
{
    if (s_endSignal)
        return signalExit(s_endSignal);
    QEventLoop loop;
    int outcome = NoAnswer;
    m_arrived = 0;
    std::optional<QByteArray> first;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&m_session, &SerialSession::received, &loop,
                     [this](const QByteArray &octets) { m_arrived += octets.size(); });
    QObject::connect(&m_session, &SerialSession::recordReceived, &loop, [&](const QByteArray &octets) {
        if (first)
            return;  // a later record of the same answer
        first = octets;
        outcome = Done;
        loop.quit();
    });
    QObject::connect(&m_session, &SerialSession::portLost, &loop, [&] {
        if (quiet) {  // nothing there to answer; the next request opens the port again
            outcome = NoAnswer;
        } else {
            complain(QString::fromLatin1(clitext::message::PortLost).arg(m_session.errorString()));
            outcome = PortFailed;
        }
        loop.quit();
    });
    const StopOnEndSignal stop([&] {
        if (after == After::Upload && m_finishUploads)
            return;
        m_session.close();
        outcome = signalExit(s_endSignal);
        loop.quit();
    });

    deadline.start(timeoutMs);
    m_session.beginRequest();
    if (after == After::Request)
        m_session.sendRequest();
    else
        m_session.write(upload);
    loop.exec();

    if (outcome == Done) {
        *record = *decodeRecord(*first);  // the session hands on complete records only
        return Done;
    }
    if (outcome != NoAnswer || quiet)
        return outcome;
    namespace text = clitext::message;
    if (after == After::Upload)
        complain(QString::fromLatin1(text::NotConfirmed).arg(timeoutMs).arg(m_port));
    else if (m_arrived > 0)
        complain(QString::fromLatin1(text::NoRecord).arg(m_arrived).arg(timeoutMs).arg(m_port));
    else
        complain(QString::fromLatin1(text::NoAnswer).arg(timeoutMs));
    return NoAnswer;
}

}  // namespace rallon::cli
