#include "ConfigRecord.h"

namespace rallon {

namespace {

// 0-based offsets of the record's fields, each after the one before.
constexpr int AddressLength = int(std::tuple_size<Address>::value);
constexpr int IpAt = 4;  // after "CFG="
constexpr int MaskAt = IpAt + AddressLength;
constexpr int GatewayAt = MaskAt + AddressLength;
constexpr int SsidAt = GatewayAt + AddressLength;
constexpr int PortAt = SsidAt + frame::SsidLength;
constexpr int EncryptionAt = PortAt + 2;
constexpr int SecretKindAt = EncryptionAt + 1;
constexpr int SecretAt = SecretKindAt + 1;
constexpr int SerialAt = SecretAt + frame::SecretLength;
constexpr int SerialNumberAt = SerialAt + SerialSettingCount;
constexpr int DeviceKindAt = SerialNumberAt + 2;
static_assert(SerialNumberAt == frame::UploadLength && DeviceKindAt + 1 == frame::RecordLength);

constexpr quint8 NotApplicable = 255;

quint8 octet(const QByteArray &bytes, int at) { return quint8(bytes.at(at)); }

quint16 twoOctets(const QByteArray &bytes, int at)
{
    return quint16(octet(bytes, at) * 256 + octet(bytes, at + 1));
}

void appendTwoOctets(QByteArray &bytes, quint16 value)
{
    bytes.append(char(value / 256));
    bytes.append(char(value % 256));
}

Address readAddress(const QByteArray &bytes, int at)
{
    return {octet(bytes, at), octet(bytes, at + 1), octet(bytes, at + 2), octet(bytes, at + 3)};
}

void appendAddress(QByteArray &bytes, const Address &address)
{
    for (quint8 number : address)
        bytes.append(char(number));
}

// The wired model has no SSID, encryption or secret.
void clearWireless(ConfigRecord &record)
{
    record.ssid.clear();
    record.encryption = NotApplicable;
    record.secretKind = NotApplicable;
    record.secret = QByteArray(frame::SecretLength, char(NotApplicable));
}

// Positions 1 to 113, shared by the device's record and the upload.
std::optional<ConfigRecord> decodeCommon(const QByteArray &bytes)
{
    if (bytes.size() < frame::UploadLength || !bytes.startsWith(frame::recordMarker()))
        return std::nullopt;
    ConfigRecord record;
    record.ip = readAddress(bytes, IpAt);
    record.mask = readAddress(bytes, MaskAt);
    record.gateway = readAddress(bytes, GatewayAt);
    record.ssid = readTextField(bytes.mid(SsidAt, frame::SsidLength));
    record.primaryPort = twoOctets(bytes, PortAt);
    record.encryption = octet(bytes, EncryptionAt);
    record.secretKind = octet(bytes, SecretKindAt);
    record.secret = bytes.mid(SecretAt, frame::SecretLength);
    for (int i = 0; i < SerialSettingCount; ++i)
        record.serial[i] = octet(bytes, SerialAt + i);
    return record;
}

}  // namespace

const QStringList &listItems(SettingList list)
{
    static const QStringList encryption{"None", "WEP", "WAP (TKIP)", "WAP (AES)"};
    static const QStringList baud{"2400",  "4800",  "9600",  "14400", "19200",
                                  "28800", "38400", "56000", "57600", "115200"};
    static const QStringList dataBits{"7", "8"};
    static const QStringList stopBits{"1", "2"};
    static const QStringList parity{"NONE", "EVEN", "ODD"};
    switch (list) {
    case SettingList::Encryption: return encryption;
    case SettingList::Baud: return baud;
    case SettingList::DataBits: return dataBits;
    case SettingList::StopBits: return stopBits;
    case SettingList::Parity: return parity;
    }
    return parity;  // not reached
}

std::optional<QString> listEntry(SettingList list, int code)
{
    const QStringList &items = listItems(list);
    if (code < 0 || code >= items.size())
        return std::nullopt;
    return items.at(code);
}

SettingList serialSettingList(SerialSetting setting)
{
    switch (setting % 4) {
    case 0: return SettingList::Baud;
    case 1: return SettingList::DataBits;
    case 2: return SettingList::StopBits;
    default: return SettingList::Parity;
    }
}

QByteArray requestFrame()
{
    return frame::requestCommand() + QByteArray(frame::FillerCount, frame::Filler);
}

QString addressText(const Address &address)
{
    return QStringLiteral("%1.%2.%3.%4").arg(address[0]).arg(address[1]).arg(address[2]).arg(address[3]);
}

QString readTextField(const QByteArray &field)
{
    int end = 0;
    while (end < field.size() && octet(field, end) != 0 && octet(field, end) != 255)
        ++end;
    return QString::fromLatin1(field.left(end));
}

QByteArray textField(const QString &text, int length)
{
    QByteArray field = text.left(length).toLatin1();
    if (field.size() < length)
        field.append(char(0));
    field.append(QByteArray(length - field.size(), char(255)));
    return field;
}

QString ConfigRecord::password() const
{
    return sharedKey() ? QString() : readTextField(secret);
}

void ConfigRecord::setPassword(const QString &text)
{
    secretKind = 0;
    secret = textField(text, frame::SecretLength);
}

void ConfigRecord::setSharedKey(const QByteArray &key)
{
    secretKind = 1;
    secret = key.left(frame::SecretLength);
    secret.append(QByteArray(frame::SecretLength - secret.size(), char(0)));
}

bool ConfigRecord::operator==(const ConfigRecord &other) const
{
    return ip == other.ip && mask == other.mask && gateway == other.gateway && ssid == other.ssid
        && primaryPort == other.primaryPort && encryption == other.encryption
        && secretKind == other.secretKind && secret == other.secret && serial == other.serial
        && serialNumber == other.serialNumber && deviceKind == other.deviceKind
        && zeroSsid == other.zeroSsid;
}

std::optional<ConfigRecord> decodeRecord(const QByteArray &bytes)
{
    if (bytes.size() < frame::RecordLength)
        return std::nullopt;
    std::optional<ConfigRecord> record = decodeCommon(bytes);
    if (!record)
        return std::nullopt;
    record->serialNumber = twoOctets(bytes, SerialNumberAt);
    record->deviceKind = octet(bytes, DeviceKindAt);
    if (record->wired())
        clearWireless(*record);
    return record;
}

std::optional<ConfigRecord> decodeUpload(const QByteArray &bytes)
{
    if (bytes.size() != frame::UploadLength)
        return std::nullopt;
    return decodeCommon(bytes);
}

QByteArray encodeUpload(const ConfigRecord &record)
{
    QByteArray bytes = frame::recordMarker();
    bytes.reserve(frame::RecordLength);
    appendAddress(bytes, record.ip);
    appendAddress(bytes, record.mask);
    appendAddress(bytes, record.gateway);
    if (record.wired()) {
        bytes.append(QByteArray(frame::SsidLength, char(NotApplicable)));
        appendTwoOctets(bytes, record.primaryPort);
        bytes.append(QByteArray(2 + frame::SecretLength, char(NotApplicable)));
    } else {
        bytes.append(record.zeroSsid ? QByteArray(frame::SsidLength, char(0))
                                     : textField(record.ssid, frame::SsidLength));
        appendTwoOctets(bytes, record.primaryPort);
        bytes.append(char(record.encryption));
        if (record.encryption == 0) {
            bytes.append(QByteArray(1 + frame::SecretLength, char(NotApplicable)));
        } else {
            bytes.append(char(record.sharedKey() ? 1 : 0));
            bytes.append(record.secret.leftJustified(frame::SecretLength, char(0), true));
        }
    }
    for (quint8 code : record.serial)
        bytes.append(char(code));
    return bytes;
}

QByteArray encodeRecord(const ConfigRecord &record)
{
    QByteArray bytes = encodeUpload(record);
    appendTwoOctets(bytes, record.serialNumber);
    bytes.append(char(record.deviceKind));
    return bytes;
}

}  // namespace rallon
