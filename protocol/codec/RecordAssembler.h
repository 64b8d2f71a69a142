#pragma once

#include <QByteArray>
#include <QList>

namespace rallon {

// Gathers received octets into device records. A record starts at the
// marker "CFG=" and is complete at 116 octets; octets before a marker are
// dropped. While no marker is held only the last three octets are kept, as
// a marker may arrive split across reads, so the buffer stays bounded.
class RecordAssembler {
public:
    // Appends `octets` and returns the records they completed, in order,
    // each exactly 116 octets starting with "CFG=".
    QList<QByteArray> append(const QByteArray &octets);

    const QByteArray &buffered() const { return m_buffer; }
    void clear() { m_buffer.clear(); }

private:
    QByteArray m_buffer;
};

}  // namespace rallon
