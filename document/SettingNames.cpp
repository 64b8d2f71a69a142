#include "SettingNames.h"

namespace rallon::document {

const SettingName &nameOf(Setting setting)
{
    static constexpr SettingName names[SettingCount] = {
        {"ip", "IP ADDRESS"},
        {"mask", "SUBNET MASK"},
        {"gateway", "DEFAULT GATEWAY"},
        {"primaryPort", "PRIMARY PORT"},
        {"ssid", "SSID"},
        {"encryption", "ENCRYPTION"},
        {"password", "PASSWORD"},
        {"com1.baud", "COMM 1 BAUD"},
        {"com1.dataBits", "COMM 1 DATA BITS"},
        {"com1.stopBits", "COMM 1 STOP BITS"},
        {"com1.parity", "COMM 1 PARITY"},
        {"com2.baud", "COMM 2 BAUD"},
        {"com2.dataBits", "COMM 2 DATA BITS"},
        {"com2.stopBits", "COMM 2 STOP BITS"},
        {"com2.parity", "COMM 2 PARITY"},
    };
    return names[size_t(setting)];
}

QString optionOf(const SettingName &name)
{
    QString option;
    for (const char *c = name.field; *c; ++c) {
        const QChar letter = QLatin1Char(*c);
        if (letter == u'.' || letter.isUpper())
            option += u'-';
        if (letter != u'.')
            option += letter.toLower();
    }
    return option;
}

}  // namespace rallon::document
