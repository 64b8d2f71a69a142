#include "Retrieve.h"

namespace rallon {

namespace {

QString entryOrPlaceholder(SettingList list, int code)
{
    return listEntry(list, code).value_or(placeholder::Value);
}

}  // namespace

std::optional<SettingList> settingList(Setting setting)
{
    if (setting == Setting::Encryption)
        return SettingList::Encryption;
    if (setting >= Setting::Com1Baud)
        return serialSettingList(SerialSetting(int(setting) - int(Setting::Com1Baud)));
    return std::nullopt;
}

CurrentData CurrentData::dashes()
{
    CurrentData data;
    for (int i = 0; i < SettingCount; ++i)
        data.texts[i] = placeholder::of(Setting(i));
    return data;
}

QString keyOctetText(quint8 octet)
{
    return QString::number(octet, 16).toUpper();
}

RecordDisplay displayOf(const ConfigRecord &record)
{
    RecordDisplay shown;
    CurrentData &data = shown.current;
    data[Setting::Ip] = addressText(record.ip);
    data[Setting::Mask] = addressText(record.mask);
    data[Setting::Gateway] = addressText(record.gateway);
    data[Setting::PrimaryPort] = QString::number(record.primaryPort);
    for (int i = 0; i < SerialSettingCount; ++i) {
        const auto setting = SerialSetting(i);
        data[setting] = entryOrPlaceholder(serialSettingList(setting), record.serial[i]);
    }
    shown.serialNumber = QLatin1Char(' ') + QString::number(record.serialNumber);
    shown.deviceKind = deviceKindOf(record.deviceKind);

    if (shown.deviceKind == DeviceKind::Wired) {
        for (Setting s : {Setting::Ssid, Setting::Encryption, Setting::Password})
            data[s] = placeholder::NotApplicable;
        shown.keyBoxes = QStringList(frame::SecretLength, placeholder::KeyOctet);
        return shown;
    }
    data[Setting::Ssid] = record.ssid;
    data[Setting::Encryption] = entryOrPlaceholder(SettingList::Encryption, record.encryption);
    data[Setting::Password] = record.password();
    shown.sharedKey = record.sharedKey();
    for (char octet : record.secret)
        shown.keyBoxes.append(keyOctetText(quint8(octet)));
    return shown;
}

}  // namespace rallon
