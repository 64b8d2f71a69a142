#include "Snapshot.h"

#include "Retrieve.h"

namespace rallon::cli {

ChangeSnapshot changeSnapshotFor(const ConfigRecord &device, const Wanted &wanted)
{
    const RecordDisplay shown = displayOf(device);
    ChangeSnapshot snap = ChangeSnapshot::untouched(shown);
    const auto enter = [&snap](Setting setting, const std::optional<QString> &text) {
        snap.entered[setting] = text.value_or(QString());
    };
    enter(Setting::Ip, wanted.ip);
    enter(Setting::Mask, wanted.mask);
    enter(Setting::Gateway, wanted.gateway);
    enter(Setting::Ssid, wanted.ssid);
    enter(Setting::PrimaryPort, wanted.primaryPort);
    enter(Setting::Password, wanted.password);
    if (wanted.encryption) {
        snap.entered.chosenIn(Setting::Encryption) =
            int(listItems(SettingList::Encryption).indexOf(*wanted.encryption));
    }

    snap.sharedKeyLayout = wanted.sharedKey ? true : wanted.password ? false : shown.sharedKey;
    if (wanted.sharedKey) {
        snap.keyTexts.clear();
        for (char octet : *wanted.sharedKey)
            snap.keyTexts << keyOctetText(quint8(octet));
    }

    for (int i = 0; i < SerialSettingCount; ++i) {
        const auto setting = SerialSetting(i);
        if (wanted.serial[i])
            snap.entered.chosenIn(setting) = int(listItems(serialSettingList(setting)).indexOf(*wanted.serial[i]));
    }
    return snap;
}

}  // namespace rallon::cli
