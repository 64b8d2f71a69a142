#include "DeviceExchange.h"

namespace rallon {

DeviceExchange::DeviceExchange(QObject *parent) : QObject(parent)
{
    connect(&m_session, &SerialSession::recordReceived, this, &DeviceExchange::takeRecord);
    connect(&m_session, &SerialSession::replyTimedOut, this, &DeviceExchange::timedOut);
}

bool DeviceExchange::open(int portNumber)
{
    if (!m_session.open(portNumber))
        return false;
    m_deviceKind = DeviceKind::Unknown;
    return true;
}

void DeviceExchange::retrieve()
{
    m_session.beginRequest();
    m_session.sendRequest();
    m_session.armReplyTimeout();
}

void DeviceExchange::change(const ChangeSnapshot &snapshot)
{
    const ChangeResult result = buildUpload(snapshot);
    emit changeChecked(result);
    if (!result.accepted())
        return;
    m_session.beginRequest();
    m_session.write(result.record);
    m_session.armReplyTimeout();
}

void DeviceExchange::takeRecord(const QByteArray &record)
{
    const std::optional<ConfigRecord> decoded = decodeRecord(record);
    if (!decoded)
        return;
    const RecordDisplay shown = displayOf(*decoded);
    m_deviceKind = shown.deviceKind;
    m_lastRecord = *decoded;
    emit recordDecoded(shown);
}

}  // namespace rallon
