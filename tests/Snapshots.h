#pragma once

// The fields CHANGE CONFIGURATION reads, as the window stands right after
// retrieving `record` with nothing typed in the New Data column.

#include "Change.h"
#include "ConfigRecord.h"
#include "Retrieve.h"

inline rallon::ChangeSnapshot snapshotOf(const rallon::ConfigRecord &record)
{
    const std::optional<rallon::ConfigRecord> decoded =
        rallon::decodeRecord(rallon::encodeRecord(record));
    Q_ASSERT(decoded);
    const rallon::CurrentData d = rallon::currentDataOf(*decoded);
    rallon::ChangeSnapshot s;
    s.deviceKind = d.deviceKind;
    s.sharedKeyLayout = d.sharedKey;
    s.currentIp = d.ip;
    s.currentMask = d.mask;
    s.currentGateway = d.gateway;
    s.currentSsid = d.ssid;
    s.currentPort = d.primaryPort;
    s.currentEncryption = d.encryption;
    s.currentPassword = d.password;
    s.keyTexts = d.keyBoxes;
    s.currentSerial = d.serial;
    return s;
}
