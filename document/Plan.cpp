#include "Plan.h"

#include "Change.h"
#include "ChangeTexts.h"
#include "Retrieve.h"
#include "SettingNames.h"
#include "Snapshot.h"
#include "Terminal.h"

#include <QSet>

namespace rallon::document {

namespace {

constexpr int LabelWidth = 18;
const QString Model = QLatin1String(ModelName.field);
const QString SharedKey = QLatin1String(SharedKeyName.field);
const QString Password = fieldOf(Setting::Password);

// Every field compared, in the window's order; the shared key beside the
// password, the model last.
const QStringList &comparedFields()
{
    static const QStringList fields = [] {
        QStringList all;
        for (Setting setting : AllSettings) {
            all << fieldOf(setting);
            if (setting == Setting::Password)
                all << SharedKey;
        }
        return all << Model;
    }();
    return fields;
}

QString codeText(SettingList list, quint8 code)
{
    return listEntry(list, code).value_or(QStringLiteral("(code %1)").arg(code));
}

// A given text as valueOf() shows the value it stands for: "010.0.0.1" is
// 10.0.0.1, "04000" is 4000. Texts that are no such value stay as they are.
QString canonical(Setting setting, const QString &text)
{
    if (setting <= Setting::Gateway) {
        const std::optional<Address> address = addressValue(text);
        return address ? addressText(*address) : text;
    }
    if (setting == Setting::PrimaryPort) {
        const std::optional<int> port = plainDecimal(text, frame::MaxPort + 1);
        return port && *port <= frame::MaxPort ? QString::number(*port) : text;
    }
    return text;
}

}  // namespace

std::optional<Address> addressValue(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    Address address;
    for (int i = 0; i < 4; ++i) {
        const std::optional<int> number = plainDecimal(parts.at(i), 256);
        if (!number || *number > 255)
            return std::nullopt;
        address[i] = quint8(*number);
    }
    return address;
}

QString shownValue(const QString &field, const std::optional<QString> &value)
{
    if (!value)
        return QStringLiteral("(none)");
    if (field == fieldOf(Setting::Ssid) || field == Password)
        return quoted(*value);
    return escaped(*value);
}

QString Difference::line() const
{
    return QStringLiteral("%1: %2 -> %3").arg(field, shownValue(field, from), shownValue(field, to));
}

std::optional<QString> valueOf(const ConfigRecord &r, const QString &field)
{
    if (field == Model)
        return QLatin1String(modelOf(r));
    const bool hasSecret = !r.wired() && r.encryption != 0;
    if (field == SharedKey)
        return hasSecret && r.sharedKey() ? std::optional<QString>(sharedKeyText(r.secret)) : std::nullopt;
    if (field == Password)
        return hasSecret && !r.sharedKey() ? std::optional<QString>(r.password()) : std::nullopt;
    for (Setting setting : AllSettings) {
        if (field != fieldOf(setting))
            continue;
        if (r.wired() && wirelessOnly(setting))
            return std::nullopt;
        switch (setting) {
        case Setting::Ip: return addressText(r.ip);
        case Setting::Mask: return addressText(r.mask);
        case Setting::Gateway: return addressText(r.gateway);
        case Setting::PrimaryPort: return QString::number(r.primaryPort);
        case Setting::Ssid: return r.ssid;
        case Setting::Encryption: return codeText(SettingList::Encryption, r.encryption);
        default: {
            const auto serial = SerialSetting(int(setting) - int(Setting::Com1Baud));
            return codeText(serialSettingList(serial), r.serial[serial]);
        }
        }
    }
    return std::nullopt;
}

QList<Difference> differences(const ConfigRecord &from, const ConfigRecord &to)
{
    QList<Difference> found;
    for (const QString &field : comparedFields()) {
        const std::optional<QString> before = valueOf(from, field);
        const std::optional<QString> after = valueOf(to, field);
        if (before != after)
            found.append({field, before, after});
    }
    return found;
}

Plan planChange(const ConfigRecord &device, const Wanted &wanted)
{
    Plan plan;
    const auto refuse = [&plan](const QString &field, const QString &reason) {
        plan.refusal = InputError{field, reason};
        return plan;
    };
    const auto refuseAsWindow = [&plan](const Message &message) {
        plan.windowRefusal = message;
        return plan;
    };

    // Each setting given, as the device should hold it afterwards.
    QList<std::pair<QString, QString>> given;
    for (Setting setting : AllSettings) {
        if (wanted[setting])
            given.append({fieldOf(setting), canonical(setting, *wanted[setting])});
    }
    if (wanted.sharedKey)
        given.append({SharedKey, sharedKeyText(*wanted.sharedKey)});

    bool held = true;
    for (const auto &[field, value] : given)
        held = held && valueOf(device, field) == value;
    if (held) {
        plan.outcome = Plan::Outcome::AlreadyHeld;
        return plan;
    }

    // A setting that would change must be one the device can take as given.
    const QString encryption =
        wanted[Setting::Encryption].value_or(valueOf(device, fieldOf(Setting::Encryption)).value_or(QString()));
    for (const auto &[field, value] : given) {
        if (valueOf(device, field) == value)
            continue;
        const bool secret = field == Password || field == SharedKey;
        if (device.wired() && (secret || field == fieldOf(Setting::Ssid) || field == fieldOf(Setting::Encryption)))
            return refuse(field, QStringLiteral("the device is the wired model, which has no SSID, "
                                                "encryption, password or shared key"));
        if (value.isEmpty())
            return refuse(field, QStringLiteral("is empty; leave it out to keep the device's value"));
        const bool ssid = field == fieldOf(Setting::Ssid);
        if (ssid && (value == placeholder::NotApplicable || value == placeholder::Value))
            return refuseAsWindow(changetext::SsidEmpty);
        if (field == Password && !holdsPassword(value))
            return refuseAsWindow(changetext::PasswordEmpty);
        const int room = ssid ? frame::SsidLength : field == Password ? frame::SecretLength : 0;
        if (room > 0 && value.size() > room)
            return refuse(field, QStringLiteral("is %1 characters long; the device holds at most %2")
                                     .arg(value.size())
                                     .arg(room));
        if (secret && encryption == listItems(SettingList::Encryption).first())
            return refuse(field, QStringLiteral("the encryption is None, which takes no %1; choose an "
                                                "encryption as well")
                                     .arg(field == Password ? QStringLiteral("password")
                                                            : QStringLiteral("shared key")));
    }

    const ChangeResult built = buildUpload(changeSnapshotFor(device, wanted));
    if (built.refusal)
        return refuseAsWindow(*built.refusal);
    plan.upload = built.record;
    plan.sent = *decodeUpload(built.record);
    plan.sent.serialNumber = device.serialNumber;
    plan.sent.deviceKind = device.deviceKind;

    // What leaves is what was given, and nothing else changes.
    for (const auto &[field, value] : given) {
        const std::optional<QString> sent = valueOf(plan.sent, field);
        if (sent != value)
            return refuse(field, QStringLiteral("would be sent as %1").arg(shownValue(field, sent)));
    }
    QSet<QString> changing;
    for (const auto &[field, value] : given)
        changing << field;
    if (changing.contains(Password) || changing.contains(SharedKey)
        || changing.contains(fieldOf(Setting::Encryption)))
        changing << Password << SharedKey;
    plan.changes = differences(device, plan.sent);
    for (const Difference &difference : plan.changes) {
        if (!changing.contains(difference.field))
            return refuse(difference.field, QStringLiteral("was not given, but the device's %1 would be sent as %2")
                                                .arg(shownValue(difference.field, difference.from),
                                                     shownValue(difference.field, difference.to)));
    }
    plan.outcome = Plan::Outcome::Upload;
    return plan;
}

NewDataEntries newDataEntries(const Plan &plan)
{
    NewDataEntries entries;
    for (const Difference &difference : plan.changes) {
        if (!difference.to)
            continue;  // a password giving way to a key, or to encryption None
        if (difference.field == SharedKey) {
            entries.sharedKey = QByteArray::fromHex(difference.to->toLatin1());
            continue;
        }
        for (Setting setting : AllSettings) {
            if (difference.field == fieldOf(setting))
                entries.texts[size_t(setting)] = *difference.to;
        }
    }
    return entries;
}

QString listingOf(const ConfigRecord &record)
{
    const RecordDisplay shown = displayOf(record);
    QString listing;
    const auto line = [&listing](const char *label, const QString &value) {
        listing += QString::fromLatin1(label).leftJustified(LabelWidth) + escaped(value) + QLatin1Char('\n');
    };
    for (Setting setting : AllSettings) {
        if (setting == Setting::Password && shown.sharedKey)
            line(SharedKeyName.label, sharedKeyText(record.secret));
        else if (setting == Setting::Com1StopBits || setting == Setting::Com2StopBits)
            continue;  // the window shows parity above stop bits
        else
            line(nameOf(setting).label, shown.current[setting]);
        if (setting == Setting::Com1Parity || setting == Setting::Com2Parity) {
            const Setting stopBits = Setting(int(setting) - 1);
            line(nameOf(stopBits).label, shown.current[stopBits]);
        }
    }
    line(SerialNumberName.label, shown.serialNumber.trimmed());
    line(ModelName.label, QLatin1String(modelOf(record)));
    return listing;
}

}  // namespace rallon::document
