#pragma once

// How the command line names each setting: its field in the JSON document
// ("com1.baud": the "baud" field of the "com1" object), its option, which
// the field gives ("--com1-baud"), and its label in the `read` listing. One
// table, keyed by Setting; the shared key, which the window keeps in its key
// boxes rather than in a column, has a name of its own.

#include "Captions.h"
#include "Columns.h"
#include "ConfigRecord.h"

#include <QString>

namespace rallon::document {

struct SettingName {
    const char *field;  // in the document and in messages
    const char *label;  // in the listing: the window's caption
};

const SettingName &nameOf(Setting setting);

inline constexpr SettingName SharedKeyName{"sharedKey", caption::SharedKey};
// What the device's record says beside its settings, which no change sends.
inline constexpr SettingName SerialNumberName{"serialNumber", caption::SerialNo};
inline constexpr SettingName ModelName{"model", "MODEL"};

// The model's value in the document, the listing and the ledger.
inline const char *modelOf(const ConfigRecord &record) { return record.wired() ? "wired" : "wireless"; }

// The option, without the leading "--": the field with "-" for each "." and
// before each capital, which becomes small ("com1.dataBits": "com1-data-bits").
QString optionOf(const SettingName &name);

// The settings in the window's order, which is also the document's.
inline constexpr Setting AllSettings[] = {
    Setting::Ip, Setting::Mask, Setting::Gateway, Setting::PrimaryPort, Setting::Ssid,
    Setting::Encryption, Setting::Password,
    Setting::Com1Baud, Setting::Com1DataBits, Setting::Com1StopBits, Setting::Com1Parity,
    Setting::Com2Baud, Setting::Com2DataBits, Setting::Com2StopBits, Setting::Com2Parity,
};

// The settings only the wireless model has.
constexpr bool wirelessOnly(Setting setting)
{
    return setting == Setting::Ssid || setting == Setting::Encryption || setting == Setting::Password;
}

inline QString fieldOf(Setting setting) { return QLatin1String(nameOf(setting).field); }

}  // namespace rallon::document
