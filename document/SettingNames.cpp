#include "SettingNames.h"

namespace rallon::document {

const SettingName &nameOf(Setting setting)
{
    static constexpr SettingName names[SettingCount] = {
        {"ip", "ip", "IP ADDRESS"},
        {"mask", "mask", "SUBNET MASK"},
        {"gateway", "gateway", "DEFAULT GATEWAY"},
        {"primaryPort", "primary-port", "PRIMARY PORT"},
        {"ssid", "ssid", "SSID"},
        {"encryption", "encryption", "ENCRYPTION"},
        {"password", "password", "PASSWORD"},
        {"com1.baud", "com1-baud", "COMM 1 BAUD"},
        {"com1.dataBits", "com1-data-bits", "COMM 1 DATA BITS"},
        {"com1.stopBits", "com1-stop-bits", "COMM 1 STOP BITS"},
        {"com1.parity", "com1-parity", "COMM 1 PARITY"},
        {"com2.baud", "com2-baud", "COMM 2 BAUD"},
        {"com2.dataBits", "com2-data-bits", "COMM 2 DATA BITS"},
        {"com2.stopBits", "com2-stop-bits", "COMM 2 STOP BITS"},
        {"com2.parity", "com2-parity", "COMM 2 PARITY"},
    };
    return names[size_t(setting)];
}

}  // namespace rallon::document
