#include "Retrieve.h"

namespace rallon {

namespace {

QString entryOrPlaceholder(SettingList list, int code)
{
    return listEntry(list, code).value_or(placeholder::Value);
}

}  // namespace

QString keyOctetText(quint8 octet)
{
    return QString::number(octet, 16).toUpper();
}

CurrentData currentDataOf(const ConfigRecord &record)
{
    CurrentData data;
    data.ip = addressText(record.ip);
    data.mask = addressText(record.mask);
    data.gateway = addressText(record.gateway);
    data.primaryPort = QString::number(record.primaryPort);
    for (int i = 0; i < SerialSettingCount; ++i) {
        const auto setting = SerialSetting(i);
        data.serial[i] = entryOrPlaceholder(serialSettingList(setting), record.serial[i]);
    }
    data.serialNumber = QLatin1Char(' ') + QString::number(record.serialNumber);

    if (record.wired()) {
        data.deviceKind = 1;
        data.ssid = data.encryption = data.password = placeholder::NotApplicable;
        for (int i = 0; i < frame::SecretLength; ++i)
            data.keyBoxes.append(placeholder::KeyOctet);
        return data;
    }
    data.ssid = record.ssid;
    data.encryption = entryOrPlaceholder(SettingList::Encryption, record.encryption);
    data.sharedKey = record.sharedKey();
    data.password = record.password();
    for (char octet : record.secret)
        data.keyBoxes.append(keyOctetText(quint8(octet)));
    return data;
}

}  // namespace rallon
