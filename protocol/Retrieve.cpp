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

std::optional<quint8> hexOctet(QStringView text)
{
    if (text.isEmpty() || text.size() > 2)
        return std::nullopt;
    int value = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        int digit;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else
            return std::nullopt;
        value = value * 16 + digit;
    }
    return quint8(value);
}

QStringList keyBoxTexts(const QByteArray &key)
{
    QStringList texts;
    for (char octet : key)
        texts.append(keyOctetText(quint8(octet)));
    return texts;
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
    shown.keyBoxes = keyBoxTexts(record.secret);
    return shown;
}

}  // namespace rallon
