#include "SimDevice.h"

#include <QRandomGenerator>

namespace rallon {

namespace {

constexpr int IdleMs = 500;                           // a partial frame is given up after this
constexpr qint64 OctetNs = 1000000000LL * 10 / 4800;  // 10 bits per octet at 4800 baud
constexpr int SendTickMs = 2;
constexpr int PartialLength = 40;
constexpr char CarriageReturn = '\r';
constexpr char NoiseExcluded = 'C';  // noise must not start a marker

// The record as the device holds it: wired fields filled in as it sends them.
ConfigRecord asStored(const ConfigRecord &record)
{
    return *decodeRecord(encodeRecord(record));
}

// Length of the longest end of `bytes` that could begin a marker.
int markerStartLength(const QByteArray &bytes)
{
    const QByteArray start = frame::recordMarker().left(3);  // "CFG", shared by both markers
    for (int length = 3; length > 0; --length) {
        if (bytes.endsWith(start.left(length)))
            return length;
    }
    return 0;
}

int markerIndex(const QByteArray &bytes)
{
    const int request = int(bytes.indexOf(frame::requestCommand()));
    const int upload = int(bytes.indexOf(frame::recordMarker()));
    if (request < 0 || upload < 0)
        return qMax(request, upload);
    return qMin(request, upload);
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

}  // namespace

namespace {

// A name and what it stands for: one table serves both directions.
template <typename Value>
struct Named {
    const char *name;
    Value value;
};

template <typename Value>
QStringList namesOf(const QList<Named<Value>> &table)
{
    QStringList names;
    for (const Named<Value> &entry : table)
        names.append(QLatin1String(entry.name));
    return names;
}

template <typename Value>
std::optional<Value> valueNamed(const QList<Named<Value>> &table, const QString &name)
{
    for (const Named<Value> &entry : table) {
        if (name == QLatin1String(entry.name))
            return entry.value;
    }
    return std::nullopt;
}

ConfigRecord network(Address ip, Address mask, Address gateway, quint16 primaryPort,
                     std::array<quint8, SerialSettingCount> serial, quint16 serialNumber)
{
    ConfigRecord record;
    record.ip = ip;
    record.mask = mask;
    record.gateway = gateway;
    record.primaryPort = primaryPort;
    record.serial = serial;
    record.serialNumber = serialNumber;
    return record;
}

ConfigRecord wireless(ConfigRecord record, const QString &ssid, quint8 encryption)
{
    record.ssid = ssid;
    record.encryption = encryption;
    return record;
}

ConfigRecord withPassword(ConfigRecord record, const QString &password)
{
    record.setPassword(password);
    return record;
}

// 64 octets with a line feed and a zero among them.
QByteArray modelKey()
{
    QByteArray key(frame::SecretLength, 0);
    for (int i = 0; i < key.size(); ++i)
        key[i] = char((31 + 7 * i) % 256);
    key[1] = 10;
    key[2] = 0;
    return key;
}

ConfigRecord withSharedKey(ConfigRecord record, const QByteArray &key)
{
    record.setSharedKey(key);
    return record;
}

ConfigRecord wired(ConfigRecord record)
{
    record.deviceKind = 1;
    return record;
}

const QList<Named<ConfigRecord>> &models()
{
    static const QList<Named<ConfigRecord>> table = {
        {"wireless-password",
         asStored(withPassword(wireless(network({192, 168, 1, 20}, {255, 255, 255, 0}, {192, 168, 1, 1}, 4000,
                                                {2, 1, 0, 0, 9, 0, 1, 2}, 4660),
                                        QStringLiteral("HOME"), 2),
                               QStringLiteral("abc")))},
        {"wireless-key",
         asStored(withSharedKey(wireless(network({10, 0, 0, 5}, {255, 0, 0, 0}, {10, 0, 0, 1}, 32499,
                                                 {1, 1, 0, 1, 4, 1, 1, 0}, 7),
                                         QStringLiteral("RALLON-NET"), 3),
                                modelKey()))},
        {"wired", asStored(wired(network({172, 16, 5, 9}, {255, 255, 0, 0}, {172, 16, 0, 1}, 8080,
                                         {2, 1, 0, 0, 2, 1, 0, 0}, 1234)))},
    };
    return table;
}

const QList<Named<SimFault>> Faults = {
    {"none", SimFault::None},       {"silent", SimFault::Silent}, {"partial", SimFault::Partial},
    {"noise", SimFault::Noise},     {"pieces", SimFault::Pieces}, {"twice", SimFault::Twice},
    {"alter", SimFault::Alter},     {"swap", SimFault::Swap},
};

}  // namespace

QStringList simModelNames()
{
    return namesOf(models());
}

std::optional<ConfigRecord> simModel(const QString &name)
{
    return valueNamed(models(), name);
}

QStringList simFaultNames()
{
    return namesOf(Faults);
}

std::optional<SimFault> simFault(const QString &name)
{
    return valueNamed(Faults, name);
}

QList<FrameReader::Frame> FrameReader::feed(const QByteArray &bytes)
{
    m_buffer.append(bytes);
    QList<Frame> frames;
    for (;;) {
        const int at = markerIndex(m_buffer);
        if (at < 0) {
            const int unknown = int(m_buffer.size()) - markerStartLength(m_buffer);
            if (unknown > 0)
                frames.append({Unknown, m_buffer.left(unknown)});
            m_buffer.remove(0, unknown);
            return frames;
        }
        if (at > 0) {
            frames.append({Unknown, m_buffer.left(at)});
            m_buffer.remove(0, at);
        }
        const bool request = m_buffer.startsWith(frame::requestCommand());
        const int available = qMin(int(m_buffer.size()), frame::RequestLength);
        if (request) {
            // A request has fixed filler: the first wrong octet ends it as unknown.
            int wrong = 4;
            while (wrong < available && m_buffer.at(wrong) == frame::Filler)
                ++wrong;
            if (wrong < available) {
                frames.append({Unknown, m_buffer.left(wrong)});
                m_buffer.remove(0, wrong);
                continue;
            }
        }
        if (available < frame::RequestLength)  // both frames are 113 octets
            return frames;
        frames.append({request ? Request : Upload, m_buffer.left(frame::RequestLength)});
        m_buffer.remove(0, frame::RequestLength);
    }
}

QByteArray FrameReader::takePending()
{
    QByteArray pending;
    pending.swap(m_buffer);
    return pending;
}

SimDevice::SimDevice(const ConfigRecord &config, QObject *parent)
    : QObject(parent), m_config(config)
{
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(IdleMs);
    connect(&m_idleTimer, &QTimer::timeout, this,
            [this] { handle({FrameReader::Unknown, m_reader.takePending()}); });
    m_receiveTimer.setSingleShot(true);
    m_receiveTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_receiveTimer, &QTimer::timeout, this, &SimDevice::takeDue);
    m_sendTimer.setTimerType(Qt::PreciseTimer);
    m_sendTimer.setInterval(SendTickMs);
    connect(&m_sendTimer, &QTimer::timeout, this, &SimDevice::sendDue);
}

void SimDevice::receive(const QByteArray &bytes)
{
    if (!m_receivePaced) {
        take(bytes);
        return;
    }
    if (!m_lineClock.isValid())
        m_lineClock.start();
    const qint64 start = qMax(m_lineClock.nsecsElapsed(), m_lineFreeNs);
    m_arriving.append({bytes, start});
    m_lineFreeNs = start + bytes.size() * OctetNs;
    takeDue();
}

// Hands the reader what the line has delivered by now; wakes again when the
// next frame's last octet is due, or else the last octet of all.
void SimDevice::takeDue()
{
    const qint64 now = m_lineClock.nsecsElapsed();
    while (!m_arriving.isEmpty()) {
        Arriving &piece = m_arriving.first();
        const qint64 due = (now - piece.startNs) / OctetNs;
        if (due <= 0)
            break;
        const QByteArray bytes = piece.bytes.left(due);
        if (due >= piece.bytes.size()) {
            m_arriving.removeFirst();
        } else {
            piece.bytes.remove(0, due);
            piece.startNs += due * OctetNs;
        }
        take(bytes);
    }
    if (m_arriving.isEmpty())
        return;

    m_receiveTimer.start(int((wakeNs() - now + 999999) / 1000000));  // never early
}

qint64 SimDevice::wakeNs() const
{
    FrameReader reader = m_reader;
    for (const Arriving &piece : m_arriving) {
        for (int i = 0; i < piece.bytes.size(); ++i) {
            for (const FrameReader::Frame &frame : reader.feed(piece.bytes.mid(i, 1))) {
                if (frame.kind != FrameReader::Unknown)
                    return piece.startNs + (i + 1) * OctetNs;
            }
        }
    }
    return m_lineFreeNs;
}

void SimDevice::take(const QByteArray &bytes)
{
    const QList<FrameReader::Frame> frames = m_reader.feed(bytes);
    for (const FrameReader::Frame &frame : frames)
        handle(frame);
    if (m_reader.pendingSize() > 0)
        m_idleTimer.start();
    else
        m_idleTimer.stop();
}

void SimDevice::handle(const FrameReader::Frame &frame)
{
    switch (frame.kind) {
    case FrameReader::Request:
        emit logLine(QStringLiteral("received request"));
        emit requestReceived();
        answer();
        break;
    case FrameReader::Upload: {
        emit logLine(QStringLiteral("received upload ") + hex(frame.bytes));
        emit uploadReceived(frame.bytes);
        std::optional<ConfigRecord> upload = decodeUpload(frame.bytes);
        if (upload) {
            upload->serialNumber = quint16(m_config.serialNumber + (m_fault == SimFault::Swap ? 1 : 0));
            upload->deviceKind = m_config.deviceKind;
            if (m_fault == SimFault::Alter)
                upload->primaryPort = quint16((upload->primaryPort + 1) % (frame::MaxPort + 1));
            m_config = asStored(*upload);
        }
        answer();
        break;
    }
    case FrameReader::Unknown:
        if (frame.bytes.isEmpty())
            return;
        emit logLine(QStringLiteral("received unknown ") + hex(frame.bytes));
        emit unknownReceived(frame.bytes);
        break;
    }
}

void SimDevice::answer()
{
    if (m_fault == SimFault::Silent)
        return;
    QRandomGenerator *random = QRandomGenerator::global();
    QByteArray bytes = encodeRecord(m_config) + CarriageReturn;
    if (m_fault == SimFault::Partial)
        bytes.truncate(PartialLength);
    if (m_fault == SimFault::Noise) {
        QByteArray noise;
        for (int count = random->bounded(3, 9); noise.size() < count;) {
            const char octet = char(random->bounded(256));
            if (octet != NoiseExcluded)
                noise.append(octet);
        }
        bytes.prepend(noise);
    }
    if (m_fault == SimFault::Twice)
        bytes += bytes;
    emit logLine(QStringLiteral("sent record ") + hex(bytes));
    emit answerSent(bytes);

    if (m_queue.isEmpty()) {
        m_pieceStarted = false;
        m_clock.start();
    }
    if (m_fault == SimFault::Pieces) {
        for (int at = 0; at < bytes.size();) {
            const int length = random->bounded(5, 10);
            m_queue.append({bytes.mid(at, length), at == 0 ? 0 : random->bounded(20, 41)});
            at += length;
        }
    } else {
        m_queue.append({bytes, 0});
    }
    sendDue();
}

// Writes what is due by now; the timer calls again while anything is left.
void SimDevice::sendDue()
{
    while (!m_queue.isEmpty()) {
        if (!m_pieceStarted) {
            if (m_clock.elapsed() < m_queue.first().pauseMs)
                break;
            m_pieceStarted = true;
            m_sentOfPiece = 0;
            m_clock.start();
        }
        const QByteArray piece = m_queue.first().bytes;
        const int due = m_paced ? int(qMin<qint64>(piece.size(), m_clock.nsecsElapsed() / OctetNs))
                                : int(piece.size());
        if (due > m_sentOfPiece) {
            emit output(piece.mid(m_sentOfPiece, due - m_sentOfPiece));
            m_sentOfPiece = due;
        }
        if (m_sentOfPiece < piece.size())
            break;
        m_queue.removeFirst();
        m_pieceStarted = false;
        m_clock.start();
    }
    if (m_queue.isEmpty())
        m_sendTimer.stop();
    else if (!m_sendTimer.isActive())
        m_sendTimer.start();
}

}  // namespace rallon
