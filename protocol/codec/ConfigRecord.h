#pragma once

// The frames exchanged with the device: the request, the device's
// configuration record and the upload. Pure data code: no widgets, no port.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace rallon {

// The five fixed lists. An entry's 0-based position is the code the record
// carries, so the order of every list is part of the protocol.
enum class SettingList { Encryption, Baud, DataBits, StopBits, Parity };

const QStringList &listItems(SettingList list);

// The entry at `code`, or std::nullopt when the list has no such entry.
std::optional<QString> listEntry(SettingList list, int code);

// The eight serial settings in record order (positions 106 to 113). Within
// each port stop bits come before parity.
enum SerialSetting {
    Com1Baud, Com1DataBits, Com1StopBits, Com1Parity,
    Com2Baud, Com2DataBits, Com2StopBits, Com2Parity,
    SerialSettingCount
};

SettingList serialSettingList(SerialSetting setting);

namespace frame {
constexpr int RecordLength = 116;                // the device's record
constexpr int UploadLength = RecordLength - 3;   // the record without serial number and kind
constexpr int RequestLength = UploadLength;      // the device reads frames of one length
constexpr int FillerCount = RequestLength - 4;   // after "CFG?"
constexpr char Filler = char(238);
constexpr int SsidLength = 21;                   // the record's text fields
constexpr int SecretLength = 64;                 // a password, or the shared key's octets
constexpr int MaxPort = 32499;                   // the largest port an upload may carry

inline QByteArray requestCommand() { return QByteArrayLiteral("CFG?"); }
inline QByteArray recordMarker() { return QByteArrayLiteral("CFG="); }
}

// "CFG?" followed by 109 filler octets of 238.
QByteArray requestFrame();

using Address = std::array<quint8, 4>;

// "192.168.1.20": decimal, no leading zeros.
QString addressText(const Address &address);

// Text fields travel as Latin-1, one octet per character. Reading stops
// before the first octet 0 or 255, or at the field's end.
QString readTextField(const QByteArray &field);

// A text written into a field of `length` octets: at most `length`
// characters, then (if shorter) one octet 0 and octets 255 up to the end.
QByteArray textField(const QString &text, int length);

// One configuration record as a plain value. For a wired model the SSID,
// encryption and secret do not apply: decoding leaves them at their
// wired values (empty SSID, codes 255, 64 octets 255) and encoding writes
// the wired filling whatever they hold.
struct ConfigRecord {
    Address ip{};
    Address mask{};
    Address gateway{};
    QString ssid;
    quint16 primaryPort = 0;
    quint8 encryption = 0;     // code in the encryption list
    quint8 secretKind = 0;     // 1: the secret is a shared key; else a password
    QByteArray secret = QByteArray(frame::SecretLength, char(255));
    std::array<quint8, SerialSettingCount> serial{};
    quint16 serialNumber = 0;  // device's record only
    quint8 deviceKind = 0;     // device's record only: 0 wireless, else wired
    // The SSID field is written all octets 0 instead of the SSID's text
    // (wireless only). The upload of a wireless device whose SSID shows as
    // "N / A" carries it so. No record read says so: decoding leaves it false.
    bool zeroSsid = false;

    bool wired() const { return deviceKind != 0; }
    bool sharedKey() const { return secretKind == 1; }

    // The password held in the secret field (empty for a shared key).
    QString password() const;
    // Secret kind 0 and the password written into the secret field.
    void setPassword(const QString &password);
    // Secret kind 1 and the 64 key octets (shorter keys are padded with 0).
    void setSharedKey(const QByteArray &key);

    bool operator==(const ConfigRecord &other) const;
};

// Decodes the device's record: at least 116 octets starting with "CFG=";
// octets after position 116 are ignored. std::nullopt otherwise.
std::optional<ConfigRecord> decodeRecord(const QByteArray &record);

// Decodes an upload: 113 octets starting with "CFG=". Serial number and
// device kind are not carried and stay 0 (wireless).
std::optional<ConfigRecord> decodeUpload(const QByteArray &upload);

// The 113-octet upload, with the wired and encryption "None" fillings and
// the zeroed SSID field of `zeroSsid`.
QByteArray encodeUpload(const ConfigRecord &record);

// The 116-octet record as the device sends it.
QByteArray encodeRecord(const ConfigRecord &record);

}  // namespace rallon
