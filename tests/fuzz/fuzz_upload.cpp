// Arbitrary window contents through the upload validation.

#include "Change.h"
#include "ConfigRecord.h"
#include "FuzzInput.h"

#include <cstdio>
#include <cstdlib>

using namespace rallon;

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_upload: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const ChangeSnapshot snapshot = fuzz::snapshotFromBytes(data, size);
    const ChangeResult result = buildUpload(snapshot);
    if (result.accepted()) {
        check(result.record.size() == frame::UploadLength, "accepted upload is not 113 octets");
        check(result.record.startsWith(frame::recordMarker()), "accepted upload does not start with CFG=");
        // The upload does not carry the device kind, nor whether its SSID field
        // was zeroed (a wireless device showing "N / A" for its SSID).
        std::optional<ConfigRecord> decoded = decodeUpload(result.record);
        check(decoded.has_value(), "accepted upload does not decode");
        decoded->deviceKind = snapshot.deviceKind == DeviceKind::Wired ? 1 : 0;
        decoded->zeroSsid = snapshot.deviceKind == DeviceKind::Wireless
            && snapshot.current[Setting::Ssid] == QLatin1String("N / A");
        check(encodeUpload(*decoded) == result.record, "accepted upload is not what its record encodes to");
        check(snapshot.deviceKind == DeviceKind::Wireless || snapshot.deviceKind == DeviceKind::Wired,
              "accepted with no device kind");
    } else {
        check(result.record.isEmpty(), "refused build carries a record");
        check(!result.refusal->title.isEmpty() && !result.refusal->text.isEmpty(),
              "refusal without a message");
    }
    return 0;
}
