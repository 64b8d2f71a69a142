#include "Snapshot.h"

#include "Retrieve.h"

namespace rallon::document {

ChangeSnapshot changeSnapshotFor(const ConfigRecord &device, const Wanted &wanted)
{
    const RecordDisplay shown = displayOf(device);
    ChangeSnapshot snap = ChangeSnapshot::untouched(shown);
    for (int i = 0; i < SettingCount; ++i) {
        const auto setting = Setting(i);
        const std::optional<QString> &text = wanted[setting];
        if (!text)
            continue;
        if (const std::optional<SettingList> list = settingList(setting))
            snap.entered.chosenIn(setting) = int(listItems(*list).indexOf(*text));
        else
            snap.entered[setting] = *text;
    }

    snap.sharedKeyLayout = wanted.sharedKey ? true : wanted[Setting::Password] ? false : shown.sharedKey;
    if (wanted.sharedKey)
        snap.keyTexts = keyBoxTexts(*wanted.sharedKey);
    return snap;
}

}  // namespace rallon::document
