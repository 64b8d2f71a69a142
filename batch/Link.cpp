#include "Link.h"

#include "Status.h"
#include "Stop.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>

#include <limits>

namespace rallon::batch {

std::optional<qint64> wholeNumber(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    bool fits = false;
    const qint64 number = text.toLongLong(&fits);
    return fits ? number : std::numeric_limits<qint64>::max();
}

Link::Link(const QString &port, int timeoutMs, const Stop &stop) : m_port(port), m_timeoutMs(timeoutMs), m_stop(stop) {}

Link::~Link()
{
    m_session.close();
}

int Link::open()
{
    const std::optional<qint64> number = wholeNumber(m_port);
    const bool opened = number ? m_session.open(int(*number)) : m_session.open(m_port);
    if (!opened) {
        m_failure = {LinkFailure::CannotOpen, m_session.errorString()};
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

int Link::exchange(After after, const QByteArray &upload, ConfigRecord *record, int timeoutMs, bool quiet)
{
    m_failure = {};
    if (m_stop.status()) {
        m_failure.kind = LinkFailure::Stopped;
        return m_stop.status();
    }
    m_arrived = 0;
    QEventLoop loop;
    int outcome = NoAnswer;
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
            m_failure = {LinkFailure::Lost, m_session.errorString()};
            outcome = PortFailed;
        }
        loop.quit();
    });
    QObject::connect(&m_stop, &Stop::requested, &loop, [&] {
        if (after == After::Upload && m_finishUploads)
            return;
        m_session.close();
        m_failure.kind = LinkFailure::Stopped;
        outcome = m_stop.status();
        loop.quit();
    });

    deadline.start(timeoutMs);
    // A port lost earlier is opened again here; a probe does not wait on
    // one that cannot be.
    if (!m_session.beginRequest() && quiet) {
        m_failure = {LinkFailure::CannotOpen, m_session.errorString()};
        return PortFailed;
    }
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
    const LinkFailure::Kind kind = after == After::Upload ? LinkFailure::NotConfirmed
                                   : m_arrived > 0        ? LinkFailure::NoRecord
                                                          : LinkFailure::NoAnswer;
    m_failure = {kind, QString(), m_arrived, timeoutMs};
    return NoAnswer;
}

}  // namespace rallon::batch
