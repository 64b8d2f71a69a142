#include "Change.h"

#include "ChangeTexts.h"
#include "Retrieve.h"

#include <algorithm>
#include <iterator>

namespace rallon {

namespace {

using changetext::AddressMessages;

static_assert(std::size(changetext::SerialSettings) == SerialSettingCount);

QString effectiveText(const QString &newText, const QString &currentText)
{
    return newText.isEmpty() ? currentText : newText;
}

// A key box: one or two hexadecimal digits; an empty box counts as 0.
std::optional<quint8> keyOctet(QStringView text)
{
    return text.isEmpty() ? std::optional<quint8>(0) : hexOctet(text);
}

// Every character has a Latin-1 code that is not an end octet (0 or 255).
bool sendable(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() == 0 || c.unicode() >= 255)
            return false;
    }
    return true;
}

// A chosen position wins; with none chosen, the Current Data text must be
// one of the list's items exactly.
std::optional<int> listCode(SettingList list, int chosen, const QString &currentText)
{
    const QStringList &items = listItems(list);
    if (chosen != -1)
        return chosen >= 0 && chosen < items.size() ? std::optional<int>(chosen) : std::nullopt;
    const int position = items.indexOf(currentText);
    return position >= 0 ? std::optional<int>(position) : std::nullopt;
}

class UploadBuilder {
public:
    explicit UploadBuilder(const ChangeSnapshot &snapshot) : s(snapshot) {}

    ChangeResult build()
    {
        const bool built = deviceKnown()
            && address(effective(Setting::Ip), changetext::Ip, upload.ip)
            && address(effective(Setting::Mask), changetext::Mask, upload.mask)
            && address(effective(Setting::Gateway), changetext::Gateway, upload.gateway)
            && ssid() && primaryPort() && encryptionAndSecret() && serialSettings();
        if (built) {
            result.record = encodeUpload(upload);
            Q_ASSERT(result.record.size() == frame::UploadLength);
        }
        return result;
    }

private:
    bool refuse(const Message &message)
    {
        result.refusal = message;
        return false;
    }

    QString effective(Setting setting) const
    {
        return effectiveText(s.entered[setting], s.current[setting]);
    }

    bool wired() const { return s.deviceKind == DeviceKind::Wired; }

    bool deviceKnown()
    {
        if (s.deviceKind != DeviceKind::Wireless && s.deviceKind != DeviceKind::Wired)
            return refuse(changetext::NoConfiguration);
        upload.deviceKind = wired() ? 1 : 0;  // a wired upload carries the wired filling
        return true;
    }

    // Only the first three periods separate octets.
    bool address(const QString &text, const AddressMessages &messages, Address &into)
    {
        if (text.contains(u'-'))
            return refuse(messages.noData);
        std::array<QStringView, 4> octets;
        QStringView rest = text;
        for (int i = 0; i < 3; ++i) {
            const qsizetype period = rest.indexOf(u'.');
            if (period < 0)
                return refuse(messages.notEnoughData);
            octets[i] = rest.left(period);
            rest = rest.mid(period + 1);
        }
        octets[3] = rest;
        for (QStringView octet : octets) {
            if (octet.isEmpty())
                return refuse(messages.notEnoughData);
        }
        for (int i = 0; i < 4; ++i) {
            const std::optional<int> value = plainDecimal(octets[i], 256);
            if (!value || *value > 255)
                return refuse(messages.notFourNumbers);
            into[i] = quint8(*value);
        }
        return true;
    }

    bool ssid()
    {
        if (wired())
            return true;
        // A Current Data SSID of exactly "N / A": see ConfigRecord::zeroSsid.
        if (s.current[Setting::Ssid] == placeholder::NotApplicable) {
            upload.zeroSsid = true;
            return true;
        }
        const QString text = effective(Setting::Ssid);
        if (text.isEmpty() || text == placeholder::Value)
            return refuse(changetext::SsidEmpty);
        const QString sent = text.left(frame::SsidLength);
        if (!sendable(sent))
            return refuse(changetext::SsidCharacter);
        upload.ssid = sent;
        return true;
    }

    bool primaryPort()
    {
        const QString text = effective(Setting::PrimaryPort);
        if (text.isEmpty() || text == placeholder::Value)
            return refuse(changetext::PortEmpty);
        const std::optional<int> port = plainDecimal(text, frame::MaxPort + 1);
        if (!port)
            return refuse(changetext::PortNotNumber);
        if (*port > frame::MaxPort)
            return refuse(changetext::PortTooLarge);
        upload.primaryPort = quint16(*port);
        return true;
    }

    bool encryptionAndSecret()
    {
        if (wired()) {
            result.currentEncryptionText = placeholder::NotApplicable;
            result.currentPasswordText = placeholder::NotApplicable;
            return true;
        }
        const std::optional<int> code =
            listCode(SettingList::Encryption, s.entered.chosenIn(Setting::Encryption),
                     s.current[Setting::Encryption]);
        if (!code)
            return refuse(changetext::EncryptionEmpty);
        upload.encryption = quint8(*code);
        if (*code == 0) {
            result.currentPasswordText = placeholder::NotApplicable;
            result.newPasswordText = placeholder::NotApplicable;
            return true;
        }
        return s.sharedKeyLayout ? sharedKey() : password();
    }

    bool sharedKey()
    {
        QByteArray key;
        for (int i = 0; i < frame::SecretLength; ++i) {
            const QString text = i < s.keyTexts.size() ? s.keyTexts.at(i) : QStringLiteral("00");
            const std::optional<quint8> octet = keyOctet(text);
            if (!octet) {
                Message m = changetext::SharedKeyOctet;
                m.text = m.text.arg(i + 1);
                return refuse(m);
            }
            key.append(char(*octet));
        }
        upload.setSharedKey(key);
        return true;
    }

    bool password()
    {
        const QString &entered = s.entered[Setting::Password];
        const QString &current = s.current[Setting::Password];
        if (!holdsPassword(entered) && !holdsPassword(current))
            return refuse(changetext::PasswordEmpty);
        const QString &text = holdsPassword(entered) ? entered : current;
        const QString sent = text.left(frame::SecretLength);
        if (!sendable(sent))
            return refuse(changetext::PasswordCharacter);
        upload.setPassword(sent);
        return true;
    }

    bool serialSettings()
    {
        for (int i = 0; i < SerialSettingCount; ++i) {
            const auto setting = SerialSetting(i);
            const std::optional<int> code =
                listCode(serialSettingList(setting), s.entered.chosenIn(setting), s.current[setting]);
            if (!code)
                return refuse(changetext::SerialSettings[i]);
            upload.serial[i] = quint8(*code);
        }
        return true;
    }

    const ChangeSnapshot &s;
    ConfigRecord upload;  // encoded once every check has passed
    ChangeResult result;
};

}  // namespace

std::optional<int> plainDecimal(QStringView text, int ceiling)
{
    if (text.isEmpty())
        return std::nullopt;
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = std::min(ceiling, value * 10 + (c.unicode() - u'0'));
    }
    return value;
}

ChangeResult buildUpload(const ChangeSnapshot &snapshot)
{
    return UploadBuilder(snapshot).build();
}

bool holdsPassword(const QString &text)
{
    return !text.isEmpty() && !text.contains(placeholder::NotApplicable) && text != placeholder::Value;
}

}  // namespace rallon
