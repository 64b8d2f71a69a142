#pragma once

// How the fuzz targets read their input, shared with the seed generator so
// the seeds it writes mean what it intends.

#include "Change.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace rallon::fuzz {

// Reads octets front to back; past the end it yields 0 and empty texts.
class ByteReader {
public:
    ByteReader(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    int octet() { return m_at < m_size ? m_data[m_at++] : 0; }

    // A length octet, then that many octets as Latin-1 (fewer at the end).
    QString text()
    {
        const std::size_t length = std::min<std::size_t>(std::size_t(octet()), m_size - m_at);
        const QString result = QString::fromLatin1(reinterpret_cast<const char *>(m_data + m_at),
                                                    qsizetype(length));
        m_at += length;
        return result;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

constexpr int MaxKeyTexts = 64;

// Device kind (any signed octet, so kinds beyond the known three occur) and
// layout; then, setting by setting, a list's chosen position as a signed
// octet (so -1, "nothing chosen", and out-of-range positions occur) or a text
// box's text; then every Current Data text; then a key text count (modulo
// 65) and the key texts.
inline ChangeSnapshot snapshotFromBytes(const std::uint8_t *data, std::size_t size)
{
    ByteReader in(data, size);
    ChangeSnapshot s;
    s.deviceKind = DeviceKind(std::int8_t(in.octet()));
    s.sharedKeyLayout = (in.octet() & 1) != 0;
    for (int i = 0; i < SettingCount; ++i) {
        if (settingList(Setting(i)))
            s.entered.chosen[i] = std::int8_t(in.octet());
        else
            s.entered.texts[i] = in.text();
    }
    for (QString &text : s.current.texts)
        text = in.text();
    const int keys = in.octet() % (MaxKeyTexts + 1);
    for (int i = 0; i < keys; ++i)
        s.keyTexts.append(in.text());
    return s;
}

// The inverse, for seeds: texts longer than 255 characters or outside
// Latin-1 do not survive.
inline QByteArray snapshotBytes(const ChangeSnapshot &s)
{
    QByteArray out;
    const auto text = [&out](const QString &t) {
        const QByteArray latin1 = t.toLatin1().left(255);
        out.append(char(latin1.size()));
        out.append(latin1);
    };
    out.append(char(s.deviceKind));
    out.append(char(s.sharedKeyLayout ? 1 : 0));
    for (int i = 0; i < SettingCount; ++i) {
        if (settingList(Setting(i)))
            out.append(char(s.entered.chosen[i]));
        else
            text(s.entered.texts[i]);
    }
    for (const QString &t : s.current.texts)
        text(t);
    const int keys = int(std::min<qsizetype>(s.keyTexts.size(), MaxKeyTexts));
    out.append(char(keys));
    for (int i = 0; i < keys; ++i)
        text(s.keyTexts.at(i));
    return out;
}

// Receive input: a count octet k (modulo 8), k piece sizes, then the stream.
// With k = 0 the stream arrives in one piece; otherwise the sizes repeat,
// and a size of 0 is an empty read followed by a one-octet piece.
inline QByteArray receiveInput(const QByteArray &stream, const QByteArray &pieceSizes = {})
{
    return char(pieceSizes.size()) + pieceSizes + stream;
}

}  // namespace rallon::fuzz
