#pragma once

// The main window's two columns as plain data: the Current Data texts, as a
// decoded record shows them, and what the user entered in the New Data
// column. CHANGE CONFIGURATION reads both.

#include "ConfigRecord.h"

#include <QString>

#include <array>
#include <optional>

namespace rallon {

// The settings of both columns. The serial settings stand in record order.
enum class Setting {
    Ip, Mask, Gateway, PrimaryPort, Ssid, Encryption, Password,
    Com1Baud, Com1DataBits, Com1StopBits, Com1Parity,
    Com2Baud, Com2DataBits, Com2StopBits, Com2Parity,
};
constexpr int SettingCount = int(Setting::Com2Parity) + 1;

constexpr Setting settingOf(SerialSetting serial)
{
    return Setting(int(Setting::Com1Baud) + int(serial));
}

// The list a setting's New Data control chooses from, if it is a list.
std::optional<SettingList> settingList(Setting setting);

// How many characters the window's New Data text boxes take. The password
// box takes fewer than the record's field holds (frame::SecretLength).
constexpr int AddressBoxLength = sizeof "255.255.255.255" - 1;
constexpr int PortBoxLength = 5;
constexpr int SsidBoxLength = frame::SsidLength;
constexpr int PasswordBoxLength = 30;

namespace placeholder {
inline const QString Address = QStringLiteral("---.---.---.---");
inline const QString Value = QStringLiteral("----");
inline const QString NotApplicable = QStringLiteral("N / A");
inline const QString SerialNumber = QStringLiteral("????");
inline const QString KeyOctet = QStringLiteral("FF");

// What the dash reset puts into a setting's Current Data box.
inline const QString &of(Setting setting)
{
    return setting <= Setting::Gateway ? Address : Value;
}
}  // namespace placeholder

// One text per setting.
struct CurrentData {
    std::array<QString, SettingCount> texts;

    QString &operator[](Setting s) { return texts[size_t(s)]; }
    const QString &operator[](Setting s) const { return texts[size_t(s)]; }
    QString &operator[](SerialSetting s) { return (*this)[settingOf(s)]; }
    const QString &operator[](SerialSetting s) const { return (*this)[settingOf(s)]; }

    // Every box showing its placeholder, as before anything is known.
    static CurrentData dashes();
};

// The text boxes' texts, and the lists' chosen positions (-1: nothing
// chosen). Any other position outside a list (text pasted into it) is
// refused like an unknown Current Data text.
struct NewData {
    std::array<QString, SettingCount> texts;
    std::array<int, SettingCount> chosen = filledWith(-1);

    QString &operator[](Setting s) { return texts[size_t(s)]; }
    const QString &operator[](Setting s) const { return texts[size_t(s)]; }
    int &chosenIn(Setting s) { return chosen[size_t(s)]; }
    int chosenIn(Setting s) const { return chosen[size_t(s)]; }
    int &chosenIn(SerialSetting s) { return chosenIn(settingOf(s)); }
    int chosenIn(SerialSetting s) const { return chosenIn(settingOf(s)); }

private:
    static constexpr std::array<int, SettingCount> filledWith(int value)
    {
        std::array<int, SettingCount> all{};
        for (int &v : all)
            v = value;
        return all;
    }
};

}  // namespace rallon
