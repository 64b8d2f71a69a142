#include "Snapshot.h"

#include "Retrieve.h"

namespace rallon::cli {

ChangeSnapshot changeSnapshotFor(const ConfigRecord &device, const Wanted &wanted)
{
    const CurrentData shown = currentDataOf(device);
    ChangeSnapshot snap;
    snap.deviceKind = shown.deviceKind;
    snap.currentIp = shown.ip;
    snap.currentMask = shown.mask;
    snap.currentGateway = shown.gateway;
    snap.currentSsid = shown.ssid;
    snap.currentPort = shown.primaryPort;
    snap.currentEncryption = shown.encryption;
    snap.currentPassword = shown.password;
    snap.newIp = wanted.ip.value_or(QString());
    snap.newMask = wanted.mask.value_or(QString());
    snap.newGateway = wanted.gateway.value_or(QString());
    snap.newSsid = wanted.ssid.value_or(QString());
    snap.newPort = wanted.primaryPort.value_or(QString());
    snap.newPassword = wanted.password.value_or(QString());
    if (wanted.encryption)
        snap.newEncryption = int(listItems(SettingList::Encryption).indexOf(*wanted.encryption));

    snap.sharedKeyLayout = wanted.sharedKey ? true : wanted.password ? false : shown.sharedKey;
    if (wanted.sharedKey) {
        for (char octet : *wanted.sharedKey)
            snap.keyTexts << keyOctetText(quint8(octet));
    } else {
        snap.keyTexts = shown.keyBoxes;
    }

    for (int i = 0; i < SerialSettingCount; ++i) {
        snap.currentSerial[i] = shown.serial[i];
        if (wanted.serial[i])
            snap.newSerial[i] = int(listItems(serialSettingList(SerialSetting(i))).indexOf(*wanted.serial[i]));
    }
    return snap;
}

}  // namespace rallon::cli
