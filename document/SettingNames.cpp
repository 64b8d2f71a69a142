#include "SettingNames.h"

#include <array>

namespace rallon::document {

const SettingName &nameOf(Setting setting)
{
    static constexpr const char *fields[SettingCount] = {
        "ip", "mask", "gateway", "primaryPort", "ssid", "encryption", "password",
        "com1.baud", "com1.dataBits", "com1.stopBits", "com1.parity",
        "com2.baud", "com2.dataBits", "com2.stopBits", "com2.parity",
    };
    static const auto names = [] {
        std::array<SettingName, SettingCount> all{};
        for (int i = 0; i < SettingCount; ++i)
            all[size_t(i)] = {fields[i], caption::of(Setting(i))};
        return all;
    }();
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
