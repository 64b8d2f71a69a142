#include "Document.h"

#include "Retrieve.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

#include <algorithm>
#include <cmath>

namespace rallon::cli {

namespace {

constexpr int LabelWidth = 18;
const char *const PortKeys[] = {"com1", "com2"};
const char *const SerialKeys[] = {"baud", "dataBits", "stopBits", "parity"};  // record order
const char *const SerialLabels[] = {"BAUD", "DATA BITS", "STOP BITS", "PARITY"};

QString hexOf(const QByteArray &octets)
{
    return QString::fromLatin1(octets.toHex().toUpper());
}

bool refuse(InputError *error, const QString &field, const QString &reason)
{
    if (error)
        *error = {field, reason};
    return false;
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// A text value; a whole number is taken as its decimal text when `numbers`
// allows it ("baud": 9600 as well as "9600").
bool textValue(const QJsonValue &value, const QString &field, bool numbers, QString *text,
               InputError *error)
{
    if (value.isString()) {
        *text = value.toString();
        return true;
    }
    if (numbers && value.isDouble()) {
        const double number = value.toDouble();
        if (number >= 0 && number <= 1e15 && std::floor(number) == number) {
            *text = QString::number(qint64(number));
            return true;
        }
        return refuse(error, field, QStringLiteral("must be a whole number"));
    }
    return refuse(error, field, numbers ? QStringLiteral("must be a number or a text")
                                        : QStringLiteral("must be a text in double quotes"));
}

bool portSettings(const QJsonValue &value, int port, Wanted &wanted, InputError *error)
{
    const QString group = QLatin1String(PortKeys[port]);
    if (!value.isObject())
        return refuse(error, group, QStringLiteral("must be an object with baud, dataBits, stopBits, parity"));
    const QJsonObject settings = value.toObject();
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        const QString field = group + QLatin1Char('.') + it.key();
        int index = 0;
        while (index < 4 && it.key() != QLatin1String(SerialKeys[index]))
            ++index;
        if (index == 4)
            return refuse(error, field, QStringLiteral("unknown field"));
        const auto setting = SerialSetting(port * 4 + index);
        QString text;
        if (!textValue(it.value(), field, true, &text, error))
            return false;
        const std::optional<QString> item = listText(serialSettingList(setting), text, field, error);
        if (!item)
            return false;
        wanted.serial[setting] = item;
    }
    return true;
}

}  // namespace

QString InputError::message() const
{
    return field.isEmpty() ? reason : quoted(field) + QStringLiteral(": ") + reason;
}

QString fieldName(SerialSetting setting)
{
    return QLatin1String(PortKeys[setting / 4]) + QLatin1Char('.')
        + QLatin1String(SerialKeys[setting % 4]);
}

QJsonObject documentOf(const ConfigRecord &record)
{
    const RecordDisplay shown = displayOf(record);
    QJsonObject document{
        {QStringLiteral("format"), DocumentFormat},
        {QStringLiteral("model"), record.wired() ? QStringLiteral("wired") : QStringLiteral("wireless")},
        {QStringLiteral("serialNumber"), int(record.serialNumber)},
        {QStringLiteral("ip"), shown.current[Setting::Ip]},
        {QStringLiteral("mask"), shown.current[Setting::Mask]},
        {QStringLiteral("gateway"), shown.current[Setting::Gateway]},
        {QStringLiteral("primaryPort"), int(record.primaryPort)},
    };
    if (!record.wired()) {
        document.insert(QStringLiteral("ssid"), shown.current[Setting::Ssid]);
        if (shown.current[Setting::Encryption] != placeholder::Value)
            document.insert(QStringLiteral("encryption"), shown.current[Setting::Encryption]);
        if (record.encryption != 0) {
            if (record.sharedKey())
                document.insert(QStringLiteral("sharedKey"), hexOf(record.secret));
            else
                document.insert(QStringLiteral("password"), shown.current[Setting::Password]);
        }
    }
    for (int port = 0; port < 2; ++port) {
        QJsonObject settings;
        for (int i = 0; i < 4; ++i) {
            const QString &text = shown.current[SerialSetting(port * 4 + i)];
            if (text != placeholder::Value)
                settings.insert(QLatin1String(SerialKeys[i]), text);
        }
        document.insert(QLatin1String(PortKeys[port]), settings);
    }
    return document;
}

QString listingOf(const ConfigRecord &record)
{
    const RecordDisplay shown = displayOf(record);
    QString listing;
    const auto line = [&listing](const QString &label, const QString &value) {
        listing += label.leftJustified(LabelWidth) + value + QLatin1Char('\n');
    };
    line(QStringLiteral("IP ADDRESS"), shown.current[Setting::Ip]);
    line(QStringLiteral("SUBNET MASK"), shown.current[Setting::Mask]);
    line(QStringLiteral("DEFAULT GATEWAY"), shown.current[Setting::Gateway]);
    line(QStringLiteral("PRIMARY PORT"), shown.current[Setting::PrimaryPort]);
    line(QStringLiteral("SSID"), shown.current[Setting::Ssid]);
    line(QStringLiteral("ENCRYPTION"), shown.current[Setting::Encryption]);
    if (shown.sharedKey)
        line(QStringLiteral("SHARED KEY"), hexOf(record.secret));
    else
        line(QStringLiteral("PASSWORD"), shown.current[Setting::Password]);
    // The window shows parity above stop bits.
    for (int port = 0; port < 2; ++port) {
        for (int i : {0, 1, 3, 2}) {
            line(QStringLiteral("COMM %1 %2").arg(port + 1).arg(QLatin1String(SerialLabels[i])),
                 shown.current[SerialSetting(port * 4 + i)]);
        }
    }
    line(QStringLiteral("SERIAL NO."), shown.serialNumber.trimmed());
    line(QStringLiteral("MODEL"), record.wired() ? QStringLiteral("wired") : QStringLiteral("wireless"));
    return listing;
}

std::optional<QString> listText(SettingList list, const QString &text, const QString &name,
                                InputError *error)
{
    const QStringList &items = listItems(list);
    if (items.contains(text))
        return text;
    QStringList choices;
    for (const QString &item : items)
        choices << quoted(item);
    refuse(error, name, QStringLiteral("%1 is not in its list; choose one of %2")
                            .arg(quoted(text), choices.join(QStringLiteral(", "))));
    return std::nullopt;
}

std::optional<QByteArray> sharedKeyOctets(const QString &hex, const QString &name, InputError *error)
{
    const auto isHex = [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    };
    if (hex.size() != 2 * frame::SecretLength || !std::all_of(hex.begin(), hex.end(), isHex)) {
        refuse(error, name, QStringLiteral("must be %1 hexadecimal digits (the 64 key octets), not %2")
                                .arg(2 * frame::SecretLength)
                                .arg(quoted(hex)));
        return std::nullopt;
    }
    return QByteArray::fromHex(hex.toLatin1());
}

std::optional<Wanted> wantedFromDocument(const QByteArray &json, InputError *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        refuse(error, QString(), QStringLiteral("not a JSON document (%1 at octet %2)")
                                     .arg(parseError.errorString())
                                     .arg(parseError.offset));
        return std::nullopt;
    }
    if (!document.isObject()) {
        refuse(error, QString(), QStringLiteral("the document must be a JSON object { ... }"));
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    const QString format = QStringLiteral("format");
    if (object.value(format) != QJsonValue(DocumentFormat)) {
        refuse(error, format, object.contains(format)
                                  ? QStringLiteral("must be %1").arg(quoted(DocumentFormat))
                                  : QStringLiteral("missing; it must be %1").arg(quoted(DocumentFormat)));
        return std::nullopt;
    }

    Wanted wanted;
    const std::pair<const char *, std::optional<QString> *> texts[] = {
        {"ip", &wanted.ip}, {"mask", &wanted.mask}, {"gateway", &wanted.gateway},
        {"ssid", &wanted.ssid}, {"password", &wanted.password}};
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString &key = it.key();
        QString text;
        bool known = key == format || key == QLatin1String("model") || key == QLatin1String("serialNumber");
        for (const auto &[name, field] : texts) {
            if (key == QLatin1String(name)) {
                if (!textValue(it.value(), key, false, &text, error))
                    return std::nullopt;
                *field = text;
                known = true;
            }
        }
        if (known)
            continue;
        if (key == QLatin1String("primaryPort")) {
            if (!textValue(it.value(), key, true, &text, error))
                return std::nullopt;
            wanted.primaryPort = text;
        } else if (key == QLatin1String("encryption")) {
            if (!textValue(it.value(), key, false, &text, error))
                return std::nullopt;
            wanted.encryption = listText(SettingList::Encryption, text, key, error);
            if (!wanted.encryption)
                return std::nullopt;
        } else if (key == QLatin1String("sharedKey")) {
            if (!textValue(it.value(), key, false, &text, error))
                return std::nullopt;
            wanted.sharedKey = sharedKeyOctets(text, key, error);
            if (!wanted.sharedKey)
                return std::nullopt;
        } else if (key == QLatin1String(PortKeys[0]) || key == QLatin1String(PortKeys[1])) {
            if (!portSettings(it.value(), key == QLatin1String(PortKeys[0]) ? 0 : 1, wanted, error))
                return std::nullopt;
        } else {
            refuse(error, key, QStringLiteral("unknown field"));
            return std::nullopt;
        }
    }
    if (wanted.password && wanted.sharedKey) {
        refuse(error, QStringLiteral("sharedKey"), QStringLiteral("give either password or sharedKey, not both"));
        return std::nullopt;
    }
    return wanted;
}

QStringList differingFields(const ConfigRecord &sent, const ConfigRecord &answer)
{
    QStringList fields;
    const auto check = [&fields](bool same, const char *name) {
        if (!same)
            fields << QLatin1String(name);
    };
    check(sent.ip == answer.ip, "ip");
    check(sent.mask == answer.mask, "mask");
    check(sent.gateway == answer.gateway, "gateway");
    check(sent.ssid == answer.ssid, "ssid");
    check(sent.primaryPort == answer.primaryPort, "primaryPort");
    check(sent.encryption == answer.encryption, "encryption");
    check(sent.secretKind == answer.secretKind && sent.secret == answer.secret,
          sent.sharedKey() ? "sharedKey" : "password");
    for (int i = 0; i < SerialSettingCount; ++i) {
        if (sent.serial[i] != answer.serial[i])
            fields << fieldName(SerialSetting(i));
    }
    return fields;
}

}  // namespace rallon::cli
