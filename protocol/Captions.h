#pragma once

// The main window's captions, which rallon-cli's listing shows too.

#include "Columns.h"

namespace rallon::caption {

// The password row's caption is its button, which shows one or the other.
inline constexpr const char *Password = "PASSWORD";
inline constexpr const char *SharedKey = "SHARED KEY";
inline constexpr const char *SerialNo = "SERIAL NO.";

// A setting's caption, by Setting.
constexpr const char *of(Setting setting)
{
    constexpr const char *captions[SettingCount] = {
        "IP ADDRESS", "SUBNET MASK", "DEFAULT GATEWAY", "PRIMARY PORT", "SSID", "ENCRYPTION", Password,
        "COMM 1 BAUD", "COMM 1 DATA BITS", "COMM 1 STOP BITS", "COMM 1 PARITY",
        "COMM 2 BAUD", "COMM 2 DATA BITS", "COMM 2 STOP BITS", "COMM 2 PARITY",
    };
    return captions[size_t(setting)];
}

}  // namespace rallon::caption
