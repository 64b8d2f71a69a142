#include "Document.h"

#include "Retrieve.h"
#include "SettingNames.h"
#include "Terminal.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace rallon::document {

namespace {


// Objects and lists may nest this deep: the document needs two levels (the
// document and com1, com2); a third lets a wrong value there be named.
constexpr std::size_t MaxDepth = 3;

// A member of the document or of an object directly in it, in document order.
struct Member {
    enum Kind { Null, Boolean, Integer, Fraction, Text, Object, List };
    bool top;        // a member of the document, not of an object in it
    QString parent;  // for a member of an object in the document: its key
    QString key;     // "ip", "com1", "baud"
    QString field;   // "ip", "com1", "com1.baud"
    Kind kind;
    QString text;    // a text, or an integer's decimal text as written
};

// Takes the parser's events: keeps the members down to the second level,
// sees every key of every object (a document tree would keep only one of a
// key given twice), and counts the nesting beyond MaxDepth without keeping it.
class Reader : public nlohmann::json_sax<nlohmann::json>
{
public:
    bool null() override { return value(Member::Null); }
    bool boolean(bool) override { return value(Member::Boolean); }
    bool number_integer(number_integer_t n) override { return value(Member::Integer, QString::number(n)); }
    bool number_unsigned(number_unsigned_t n) override { return value(Member::Integer, QString::number(n)); }
    // An integer too large for 64 bits comes here too, with its text.
    bool number_float(number_float_t, const string_t &written) override
    {
        const bool whole = !written.empty()
            && std::all_of(written.begin() + (written[0] == '-'), written.end(),
                           [](char c) { return c >= '0' && c <= '9'; });
        return whole ? value(Member::Integer, QString::fromStdString(written)) : value(Member::Fraction);
    }
    bool string(string_t &text) override { return value(Member::Text, QString::fromStdString(text)); }
    bool binary(binary_t &) override { return false; }
    bool start_object(std::size_t) override { return open(true); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }

    bool key(string_t &key) override
    {
        if (m_skipped)
            return true;
        Level &level = m_levels.back();
        level.key = key;
        if (!level.keys.insert(key).second)
            note(QStringLiteral("appears twice"));
        return true;
    }

    bool parse_error(std::size_t position, const std::string &, const nlohmann::detail::exception &e) override
    {
        syntaxError = SyntaxError{position > 0 ? position - 1 : 0, shortReason(e.what())};
        return false;
    }

    struct SyntaxError {
        std::size_t octet;  // where the text stops being JSON
        QString reason;
    };
    std::optional<SyntaxError> syntaxError;
    bool rootIsObject = false;
    std::optional<InputError> problem;  // the first key given twice, or nesting too deep
    std::vector<Member> members;

private:
    struct Level {
        bool object;
        std::string key;  // the current member's
        std::set<std::string> keys;
    };

    // "[json.exception.parse_error.101] parse error at line 1, column 9:
    // syntax error while parsing value - invalid number; expected digit after
    // '.'; last read: '1.}'" -> "invalid number; expected digit after '.'".
    // The last read token is left out: it may be long, and it is input.
    static QString shortReason(const std::string &what)
    {
        std::string reason = what;
        if (const std::size_t prefix = reason.find("] "); prefix != std::string::npos)
            reason.erase(0, prefix + 2);
        if (const std::size_t dash = reason.find(" - "); dash != std::string::npos)
            reason.erase(0, dash + 3);
        if (const std::size_t read = reason.find("; last read: "); read != std::string::npos) {
            const std::size_t expected = reason.rfind("; expected ");
            const bool after = expected != std::string::npos && expected > read;
            reason = reason.substr(0, read) + (after ? reason.substr(expected) : std::string());
        }
        return escaped(QString::fromStdString(reason));
    }

    // The keys leading to the current value: "com1.baud".
    QString path() const
    {
        QStringList keys;
        for (const Level &level : m_levels) {
            if (level.object)
                keys << QString::fromStdString(level.key);
        }
        return keys.join(QLatin1Char('.'));
    }

    void note(const QString &reason)
    {
        if (!problem)
            problem = InputError{path(), reason};
    }

    bool value(Member::Kind kind, const QString &text = {})
    {
        if (m_skipped)
            return true;
        if (m_levels.empty()) {
            rootIsObject = kind == Member::Object;
            return true;
        }
        const bool kept = m_levels.size() <= 2
            && std::all_of(m_levels.begin(), m_levels.end(), [](const Level &l) { return l.object; });
        if (kept) {
            const bool top = m_levels.size() == 1;
            members.push_back({top, top ? QString() : QString::fromStdString(m_levels.front().key),
                               QString::fromStdString(m_levels.back().key), path(), kind, text});
        }
        return true;
    }

    bool open(bool object)
    {
        if (!m_skipped && m_levels.size() == MaxDepth) {
            note(QStringLiteral("nested too deeply"));
            ++m_skipped;
            return true;
        }
        if (m_skipped) {
            ++m_skipped;
            return true;
        }
        value(object ? Member::Object : Member::List);
        m_levels.push_back({object, {}, {}});
        return true;
    }

    bool close()
    {
        if (m_skipped)
            --m_skipped;
        else
            m_levels.pop_back();
        return true;
    }

    std::vector<Level> m_levels;
    std::size_t m_skipped = 0;  // open objects and lists beyond MaxDepth
};

// A member's value as a text; a whole number is taken as its decimal text
// when `numbers` allows it ("baud": 9600 as well as "9600").
bool textValue(const Member &member, bool numbers, QString *text, InputError *error)
{
    if (member.kind == Member::Text || (numbers && member.kind == Member::Integer)) {
        *text = member.text;
        return true;
    }
    if (numbers && member.kind == Member::Fraction)
        return refuse(error, member.field, QStringLiteral("must be a whole number"));
    return refuse(error, member.field, numbers ? QStringLiteral("must be a number or a text")
                                               : QStringLiteral("must be a text in double quotes"));
}

// The setting a member names: at the document's level the settings that
// are not a port's, within com1 and com2 the port's.
std::optional<Setting> settingNamed(const Member &member, bool inPort)
{
    for (Setting setting : AllSettings) {
        const bool portSetting = setting >= Setting::Com1Baud;
        if (portSetting == inPort && fieldOf(setting) == member.field)
            return setting;
    }
    return std::nullopt;
}

// "com1" and "com2": the objects that hold a port's settings.
bool isPortObject(const QString &key)
{
    return std::any_of(std::begin(AllSettings), std::end(AllSettings), [&key](Setting setting) {
        return fieldOf(setting).startsWith(key + QLatin1Char('.'));
    });
}

bool setText(Setting setting, const QString &text, const QString &field, Wanted &wanted, InputError *error)
{
    if (const std::optional<SettingList> list = settingList(setting)) {
        wanted[setting] = listText(*list, text, field, error);
        return bool(wanted[setting]);
    }
    wanted[setting] = text;
    return true;
}

bool takeSetting(Setting setting, const Member &member, Wanted &wanted, InputError *error)
{
    QString text;
    const bool numbers = setting == Setting::PrimaryPort || setting >= Setting::Com1Baud;
    return textValue(member, numbers, &text, error) && setText(setting, text, member.field, wanted, error);
}

// The JSON writer leaves DEL and the C1 controls (U+0080 to U+009F) as they
// are; as escapes they read the same and cannot drive a terminal.
QByteArray withControlsEscaped(const std::string &json)
{
    QByteArray out;
    out.reserve(qsizetype(json.size()));
    for (std::size_t i = 0; i < json.size(); ++i) {
        const auto octet = quint8(json[i]);
        const auto next = i + 1 < json.size() ? quint8(json[i + 1]) : 0;
        if (octet == 0x7f) {
            out += "\\u007f";
        } else if (octet == 0xc2 && next >= 0x80 && next <= 0x9f) {
            out += "\\u00" + QByteArray::number(next, 16);
            ++i;
        } else {
            out += char(octet);
        }
    }
    return out;
}

}  // namespace

bool Wanted::isEmpty() const
{
    return !sharedKey && std::none_of(texts.begin(), texts.end(), [](const auto &t) { return bool(t); });
}

QString InputError::message() const
{
    return field.isEmpty() ? reason : quoted(field) + QStringLiteral(": ") + reason;
}

bool refuse(InputError *error, const QString &field, const QString &reason)
{
    if (error)
        *error = {field, reason};
    return false;
}

bool oneSecret(const Wanted &wanted, InputError *error)
{
    if (wanted[Setting::Password] && wanted.sharedKey)
        return refuse(error, QLatin1String(SharedKeyName.field), QStringLiteral("give either password or sharedKey, not both"));
    return true;
}

QByteArray documentText(const ConfigRecord &record)
{
    const RecordDisplay shown = displayOf(record);
    const auto text = [](const QString &t) { return t.toStdString(); };
    nlohmann::ordered_json document;
    document["format"] = text(DocumentFormat);
    document[ModelName.field] = modelOf(record);
    document[SerialNumberName.field] = record.serialNumber;
    for (Setting setting : AllSettings) {
        const QString field = fieldOf(setting);
        const qsizetype dot = field.indexOf(QLatin1Char('.'));
        nlohmann::ordered_json &place = dot < 0 ? document : document[text(field.left(dot))];
        if (dot >= 0 && place.is_null())
            place = nlohmann::ordered_json::object();  // a port's object, even when empty
        const std::string key = text(field.mid(dot + 1));
        if ((record.wired() && wirelessOnly(setting))
            || (settingList(setting) && shown.current[setting] == placeholder::Value))
            continue;  // a setting the model does not have, a code outside its list
        if (setting == Setting::PrimaryPort)
            place[key] = record.primaryPort;
        else if (setting != Setting::Password)
            place[key] = text(shown.current[setting]);
        else if (record.encryption != 0)
            place[record.sharedKey() ? SharedKeyName.field : key] =
                text(record.sharedKey() ? sharedKeyText(record.secret) : shown.current[setting]);
    }
    return withControlsEscaped(document.dump(4, ' ', false, nlohmann::ordered_json::error_handler_t::replace)) + '\n';
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

QString sharedKeyText(const QByteArray &octets)
{
    return QString::fromLatin1(octets.toHex().toUpper());
}

std::optional<QByteArray> sharedKeyOctets(const QString &hex, const QString &name, InputError *error)
{
    QByteArray key;
    if (hex.size() == 2 * frame::SecretLength) {
        for (qsizetype at = 0; at < hex.size(); at += 2) {
            const std::optional<quint8> octet = hexOctet(QStringView(hex).mid(at, 2));
            if (!octet)
                break;
            key.append(char(*octet));
        }
    }
    if (key.size() != frame::SecretLength) {
        refuse(error, name, QStringLiteral("must be %1 hexadecimal digits (the %2 key octets), not %3")
                                .arg(2 * frame::SecretLength)
                                .arg(frame::SecretLength)
                                .arg(quoted(hex)));
        return std::nullopt;
    }
    return key;
}

std::optional<Wanted> wantedFromDocument(const QByteArray &json, InputError *error)
{
    Reader reader;
    nlohmann::json::sax_parse(json.constData(), json.constData() + json.size(), &reader);
    // The parser takes an octet 0 outside a text for the end of the input:
    // a document may stop there, or the parser says the input ended early.
    std::optional<Reader::SyntaxError> &syntax = reader.syntaxError;
    if (const qsizetype zero = json.indexOf('\0'); zero >= 0) {
        const bool endedThere = syntax && qsizetype(syntax->octet) == zero
            && syntax->reason.startsWith(QLatin1String("unexpected end of input"));
        if (!syntax || endedThere)
            syntax = Reader::SyntaxError{std::size_t(zero), QStringLiteral("unexpected octet 0")};
    }
    if (syntax) {
        refuse(error, QString(), QStringLiteral("not a JSON document (%1 at octet %2)")
                                     .arg(syntax->reason)
                                     .arg(syntax->octet));
        return std::nullopt;
    }
    if (!reader.rootIsObject) {
        refuse(error, QString(), QStringLiteral("the document must be a JSON object { ... }"));
        return std::nullopt;
    }
    if (reader.problem) {
        refuse(error, reader.problem->field, reader.problem->reason);
        return std::nullopt;
    }

    const std::vector<Member> &members = reader.members;
    const QString format = QStringLiteral("format");
    const auto formatMember = std::find_if(members.begin(), members.end(),
                                           [&](const Member &m) { return m.top && m.key == format; });
    if (formatMember == members.end() || formatMember->kind != Member::Text
        || formatMember->text != DocumentFormat) {
        refuse(error, format, formatMember != members.end()
                                  ? QStringLiteral("must be %1").arg(quoted(DocumentFormat))
                                  : QStringLiteral("missing; it must be %1").arg(quoted(DocumentFormat)));
        return std::nullopt;
    }

    Wanted wanted;
    for (const Member &member : members) {
        if (!member.top || member.key == format || member.key == QLatin1String(ModelName.field)
            || member.key == QLatin1String(SerialNumberName.field))
            continue;
        if (member.key == QLatin1String(SharedKeyName.field)) {
            QString text;
            if (!textValue(member, false, &text, error))
                return std::nullopt;
            wanted.sharedKey = sharedKeyOctets(text, member.field, error);
            if (!wanted.sharedKey)
                return std::nullopt;
        } else if (isPortObject(member.key)) {
            if (member.kind != Member::Object) {
                refuse(error, member.field, QStringLiteral("must be an object with baud, dataBits, stopBits, parity"));
                return std::nullopt;
            }
            for (const Member &inner : members) {
                if (inner.top || inner.parent != member.key)
                    continue;
                const std::optional<Setting> setting = settingNamed(inner, true);
                if (!setting) {
                    refuse(error, inner.field, QStringLiteral("unknown field"));
                    return std::nullopt;
                }
                if (!takeSetting(*setting, inner, wanted, error))
                    return std::nullopt;
            }
        } else if (const std::optional<Setting> setting = settingNamed(member, false)) {
            if (!takeSetting(*setting, member, wanted, error))
                return std::nullopt;
        } else {
            refuse(error, member.field, QStringLiteral("unknown field"));
            return std::nullopt;
        }
    }
    if (!oneSecret(wanted, error))
        return std::nullopt;
    return wanted;
}

bool takeField(const QString &field, const QString &text, Wanted *wanted, InputError *error)
{
    if (field == QLatin1String(SharedKeyName.field)) {
        wanted->sharedKey = sharedKeyOctets(text, field, error);
        return bool(wanted->sharedKey);
    }
    for (Setting setting : AllSettings) {
        if (fieldOf(setting) == field)
            return setText(setting, text, field, *wanted, error);
    }
    return refuse(error, field, QStringLiteral("unknown field"));
}

}  // namespace rallon::document
