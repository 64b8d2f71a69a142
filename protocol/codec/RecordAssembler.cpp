#include "RecordAssembler.h"

#include "ConfigRecord.h"

namespace rallon {

QList<QByteArray> RecordAssembler::append(const QByteArray &octets)
{
    m_buffer.append(octets);
    QList<QByteArray> records;
    const QByteArray marker = frame::recordMarker();
    for (;;) {
        const qsizetype start = m_buffer.indexOf(marker);
        if (start < 0) {
            m_buffer = m_buffer.right(marker.size() - 1);
            break;
        }
        m_buffer.remove(0, start);
        if (m_buffer.size() < frame::RecordLength)
            break;
        records.append(m_buffer.left(frame::RecordLength));
        m_buffer.remove(0, frame::RecordLength);
    }
    return records;
}

}  // namespace rallon
