// Arbitrary octets, cut into arbitrary pieces, through the receive path:
// the assembler, then decoding and the shown texts of every record.

#include "ConfigRecord.h"
#include "FuzzInput.h"
#include "RecordAssembler.h"
#include "Retrieve.h"

#include <cstdio>
#include <cstdlib>

using namespace rallon;

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_receive: %s\n", what);
    std::abort();
}

void check(bool condition, const char *what)
{
    if (!condition)
        fail(what);
}

// At most a partial record starting with the marker, or three octets.
void checkBuffer(const RecordAssembler &assembler)
{
    const QByteArray &held = assembler.buffered();
    check(held.size() < frame::RecordLength, "buffer holds a whole record or more");
    check(held.size() <= 3 || held.startsWith(frame::recordMarker()),
          "buffer holds more than three octets without a marker");
}

void checkRecord(const QByteArray &record)
{
    check(record.size() == frame::RecordLength, "record is not 116 octets");
    check(record.startsWith(frame::recordMarker()), "record does not start with CFG=");
    const std::optional<ConfigRecord> decoded = decodeRecord(record);
    check(decoded.has_value(), "record does not decode");
    const RecordDisplay shown = displayOf(*decoded);
    check(shown.keyBoxes.size() == frame::SecretLength, "not 64 key boxes");
    for (int i = 0; i < SerialSettingCount; ++i)
        check(!shown.current[SerialSetting(i)].isEmpty(), "empty serial setting text");
    check(shown.deviceKind == (decoded->wired() ? DeviceKind::Wired : DeviceKind::Wireless),
          "device kind");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t pieceCount = std::min<std::size_t>(data[0] % 8, size - 1);
    const std::uint8_t *sizes = data + 1;
    const QByteArray stream(reinterpret_cast<const char *>(data + 1 + pieceCount),
                            qsizetype(size - 1 - pieceCount));

    RecordAssembler pieces;
    QList<QByteArray> records;
    const auto take = [&](const QByteArray &piece) {
        const QList<QByteArray> completed = pieces.append(piece);
        checkBuffer(pieces);
        for (const QByteArray &record : completed)
            checkRecord(record);
        records += completed;
    };
    qsizetype at = 0;
    for (std::size_t i = 0; at < stream.size(); ++i) {
        qsizetype length = pieceCount == 0 ? stream.size() : sizes[i % pieceCount];
        if (length == 0) {
            take(QByteArray());
            length = 1;
        }
        take(stream.mid(at, length));
        at += length;
    }

    // The pieces must not matter: the whole stream at once gives the same.
    RecordAssembler whole;
    check(whole.append(stream) == records, "records depend on how the stream was cut");
    check(whole.buffered() == pieces.buffered(), "held octets depend on how the stream was cut");
    check(qsizetype(records.size()) * frame::RecordLength + pieces.buffered().size() <= stream.size(),
          "more octets out than in");
    return 0;
}
