// Arbitrary octets as a rallon-config/1 document, as a device's record
// whose document is written and read back, and as provision's inventory
// and ledger.
//
// The document reader must accept nothing that an independent reading
// (below: the JSON grammar over octets, well-formed UTF-8, no key twice in
// an object) refuses, and must take each field's value as that reading
// decodes it. A record's document must be valid JSON that cannot drive a
// terminal, and reading it back must give the record's settings.

#include "ConfigRecord.h"
#include "Document.h"
#include "Inventory.h"
#include "Ledger.h"
#include "Retrieve.h"
#include "SettingNames.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace rallon;

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_document: %s\n", what);
        std::abort();
    }
}

// A value as the independent reading keeps it: a text decoded to UTF-8, an
// integer as written, or anything else.
struct Leaf {
    enum Kind { Text, Integer, Other, Object } kind;
    std::string text;
};

// JSON text (RFC 8259) over octets, by recursive descent. The optional
// byte order mark at the start is skipped, as RFC 8259 lets a reader do.
// Beyond MaxDepth it gives up and calls the text invalid: the document
// reader refuses nesting far shallower than that.
class JsonReading
{
public:
    using Path = std::vector<std::string>;  // {"ip"}, {"com1", "baud"}

    JsonReading(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size)
    {
        if (size >= 3 && data[0] == 0xef && data[1] == 0xbb && data[2] == 0xbf)
            m_at = 3;
        Leaf root;
        space();
        valid = value(&root, {}, true, 0);
        space();
        valid = valid && m_at == m_size;
        object = root.kind == Leaf::Object;
    }

    bool valid = false;
    bool object = false;     // the text is one object
    bool duplicate = false;  // some object holds a key twice
    std::map<Path, Leaf> members;  // of the root object and of objects in it

private:
    static constexpr int MaxDepth = 64;

    int peek() const { return m_at < m_size ? m_data[m_at] : -1; }
    bool take(char c)
    {
        if (peek() != (unsigned char)c)
            return false;
        ++m_at;
        return true;
    }
    void space()
    {
        while (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')
            ++m_at;
    }

    // `keep`: the members of this value, if an object, go into `members`
    // under `path`.
    bool value(Leaf *leaf, const Path &path, bool keep, int depth)
    {
        if (depth > MaxDepth)
            return false;
        leaf->kind = Leaf::Other;
        switch (peek()) {
        case '{': leaf->kind = Leaf::Object; return objectValue(path, keep, depth);
        case '[': return arrayValue(depth);
        case '"': leaf->kind = Leaf::Text; return string(&leaf->text);
        case 't': return literal("true");
        case 'f': return literal("false");
        case 'n': return literal("null");
        default: return number(leaf);
        }
    }

    bool objectValue(const Path &path, bool keep, int depth)
    {
        take('{');
        space();
        if (take('}'))
            return true;
        std::set<std::string> keys;
        do {
            space();
            std::string key;
            if (!string(&key))
                return false;
            duplicate = !keys.insert(key).second || duplicate;
            space();
            if (!take(':'))
                return false;
            space();
            Path inner = path;
            inner.push_back(key);
            Leaf leaf;
            if (!value(&leaf, inner, keep && inner.size() < 2, depth + 1))
                return false;
            if (keep)
                members[inner] = leaf;
            space();
        } while (take(','));
        return take('}');
    }

    bool arrayValue(int depth)
    {
        take('[');
        space();
        if (take(']'))
            return true;
        do {
            space();
            Leaf leaf;
            if (!value(&leaf, {}, false, depth + 1))
                return false;
            space();
        } while (take(','));
        return take(']');
    }

    bool literal(const char *word)
    {
        for (; *word; ++word) {
            if (!take(*word))
                return false;
        }
        return true;
    }

    bool digits(std::string *text)
    {
        const std::size_t start = m_at;
        while (peek() >= '0' && peek() <= '9')
            text->push_back(char(m_data[m_at++]));
        return m_at > start;
    }

    bool number(Leaf *leaf)
    {
        std::string &text = leaf->text;
        if (take('-'))
            text = "-";
        if (take('0'))
            text += '0';
        else if (peek() < '1' || peek() > '9' || !digits(&text))
            return false;
        bool whole = true;
        if (take('.')) {
            whole = false;
            if (std::string fraction; !digits(&fraction))
                return false;
        }
        if (take('e') || take('E')) {
            whole = false;
            if (!take('+'))
                take('-');
            if (std::string exponent; !digits(&exponent))
                return false;
        }
        leaf->kind = whole ? Leaf::Integer : Leaf::Other;
        return true;
    }

    bool hex4(unsigned *code)
    {
        *code = 0;
        for (int i = 0; i < 4; ++i) {
            const int c = peek();
            const int digit = c >= '0' && c <= '9' ? c - '0'
                : c >= 'a' && c <= 'f'             ? c - 'a' + 10
                : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                                   : -1;
            if (digit < 0)
                return false;
            *code = *code * 16 + unsigned(digit);
            ++m_at;
        }
        return true;
    }

    static void appendUtf8(std::string *out, unsigned code)
    {
        if (code < 0x80) {
            out->push_back(char(code));
        } else if (code < 0x800) {
            out->push_back(char(0xc0 | code >> 6));
            out->push_back(char(0x80 | (code & 0x3f)));
        } else if (code < 0x10000) {
            out->push_back(char(0xe0 | code >> 12));
            out->push_back(char(0x80 | (code >> 6 & 0x3f)));
            out->push_back(char(0x80 | (code & 0x3f)));
        } else {
            out->push_back(char(0xf0 | code >> 18));
            out->push_back(char(0x80 | (code >> 12 & 0x3f)));
            out->push_back(char(0x80 | (code >> 6 & 0x3f)));
            out->push_back(char(0x80 | (code & 0x3f)));
        }
    }

    // The length of the well-formed UTF-8 sequence at m_at (RFC 3629), or 0.
    std::size_t utf8Length() const
    {
        const std::uint8_t lead = m_data[m_at];
        std::size_t length = 0;
        std::uint8_t low = 0x80, high = 0xbf;  // the second octet's range
        if (lead >= 0xc2 && lead <= 0xdf)
            length = 2;
        else if (lead >= 0xe0 && lead <= 0xef)
            length = 3, low = lead == 0xe0 ? 0xa0 : 0x80, high = lead == 0xed ? 0x9f : 0xbf;
        else if (lead >= 0xf0 && lead <= 0xf4)
            length = 4, low = lead == 0xf0 ? 0x90 : 0x80, high = lead == 0xf4 ? 0x8f : 0xbf;
        if (length == 0 || m_at + length > m_size)
            return 0;
        if (m_data[m_at + 1] < low || m_data[m_at + 1] > high)
            return 0;
        for (std::size_t i = 2; i < length; ++i) {
            if (m_data[m_at + i] < 0x80 || m_data[m_at + i] > 0xbf)
                return 0;
        }
        return length;
    }

    bool string(std::string *out)
    {
        if (!take('"'))
            return false;
        for (;;) {
            const int c = peek();
            if (c < 0x20)  // the end, or a control octet
                return false;
            ++m_at;
            if (c == '"')
                return true;
            if (c == '\\') {
                const int e = peek();
                ++m_at;
                switch (e) {
                case '"': case '\\': case '/': out->push_back(char(e)); break;
                case 'b': out->push_back('\b'); break;
                case 'f': out->push_back('\f'); break;
                case 'n': out->push_back('\n'); break;
                case 'r': out->push_back('\r'); break;
                case 't': out->push_back('\t'); break;
                case 'u': {
                    unsigned code;
                    if (!hex4(&code))
                        return false;
                    // The grammar allows a lone surrogate; it decodes to U+FFFD.
                    if (code >= 0xd800 && code <= 0xdbff && peek() == '\\' && m_at + 1 < m_size
                        && m_data[m_at + 1] == 'u') {
                        const std::size_t back = m_at;
                        m_at += 2;
                        unsigned low;
                        if (hex4(&low) && low >= 0xdc00 && low <= 0xdfff)
                            code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
                        else
                            m_at = back;
                    }
                    appendUtf8(out, code >= 0xd800 && code <= 0xdfff ? 0xfffd : code);
                    break;
                }
                default: return false;
                }
            } else if (c < 0x80) {
                out->push_back(char(c));
            } else {
                --m_at;
                const std::size_t length = utf8Length();
                if (length == 0)
                    return false;
                out->append(reinterpret_cast<const char *>(m_data + m_at), length);
                m_at += length;
            }
        }
    }

    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// No C0 control but the line break, no DEL, no C1 control (UTF-8 C2 80 to
// C2 9F).
bool terminalSafe(const QByteArray &octets)
{
    for (qsizetype i = 0; i < octets.size(); ++i) {
        const auto c = quint8(octets[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7f)
            return false;
        if (c == 0xc2 && i + 1 < octets.size() && quint8(octets[i + 1]) <= 0x9f)
            return false;
    }
    return true;
}

bool terminalSafe(const QString &text)
{
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f);
    });
}

JsonReading::Path pathOf(const char *field)
{
    const std::string name = field;
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos)
        return {name};
    return {name.substr(0, dot), name.substr(dot + 1)};
}

void checkDocument(const std::uint8_t *data, std::size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    document::InputError error;
    const std::optional<document::Wanted> wanted = document::wantedFromDocument(json, &error);
    if (!wanted) {
        check(!error.reason.isEmpty(), "refusal without a reason");
        check(terminalSafe(error.message()), "refusal message holds a control character");
        return;
    }
    const JsonReading reading(data, size);
    check(reading.valid, "accepted a text that is not JSON");
    check(reading.object, "accepted a text that is not an object");
    check(!reading.duplicate, "accepted an object with a key twice");

    std::set<JsonReading::Path> known{{"format"}, {"model"}, {"serialNumber"}, {"sharedKey"}, {"com1"}, {"com2"}};
    for (Setting setting : document::AllSettings) {
        const JsonReading::Path path = pathOf(document::nameOf(setting).field);
        known.insert(path);
        const auto member = reading.members.find(path);
        const std::optional<QString> &taken = (*wanted)[setting];
        check(taken.has_value() == (member != reading.members.end()), "a setting's presence differs from the text");
        if (!taken)
            continue;
        check(member->second.kind == Leaf::Text || member->second.kind == Leaf::Integer,
              "accepted a setting that is neither a text nor an integer");
        std::string expected = member->second.text;
        if (member->second.kind == Leaf::Integer && expected == "-0")
            expected = "0";
        check(taken->toUtf8().toStdString() == expected, "a setting's value differs from the text");
    }
    for (const auto &[path, leaf] : reading.members) {
        // Within model and serialNumber anything goes: they are ignored.
        if (path.size() == 1 || path[0] == "com1" || path[0] == "com2")
            check(known.count(path) > 0, "accepted an unknown field");
    }
    const auto format = reading.members.find({"format"});
    check(format != reading.members.end() && format->second.kind == Leaf::Text
              && format->second.text == "rallon-config/1",
          "accepted without the format");
    const auto key = reading.members.find({"sharedKey"});
    check(wanted->sharedKey.has_value() == (key != reading.members.end()), "shared key presence differs from the text");
    if (wanted->sharedKey) {
        check(QByteArray::fromStdString(key->second.text).toUpper() == wanted->sharedKey->toHex().toUpper(),
              "shared key differs from the text");
    }
}

// The input's first 112 octets (0 after the end) as a record after "CFG=".
void checkRecordDocument(const std::uint8_t *data, std::size_t size)
{
    QByteArray octets = frame::recordMarker();
    octets.append(reinterpret_cast<const char *>(data), qsizetype(std::min<std::size_t>(size, 112)));
    octets.append(frame::RecordLength - octets.size(), '\0');
    const std::optional<ConfigRecord> record = decodeRecord(octets);
    check(record.has_value(), "a record of 116 octets does not decode");

    const QByteArray text = document::documentText(*record);
    check(text.endsWith('\n'), "document does not end with a line break");
    check(terminalSafe(text), "document holds a control character");
    const JsonReading reading(reinterpret_cast<const std::uint8_t *>(text.constData()), std::size_t(text.size()));
    check(reading.valid && reading.object && !reading.duplicate, "document is not a JSON object");

    document::InputError error;
    const std::optional<document::Wanted> wanted = document::wantedFromDocument(text, &error);
    check(wanted.has_value(), "a record's document is refused");
    const RecordDisplay shown = displayOf(*record);
    for (Setting setting : document::AllSettings) {
        const std::optional<QString> &taken = (*wanted)[setting];
        const QString &current = shown.current[setting];
        if (taken)
            check(*taken == current, "a setting read back differs from the record");
        else
            check(current == placeholder::Value || current == placeholder::NotApplicable
                      || setting == Setting::Password,
                  "a known setting is left out of the document");
    }
    if (wanted->sharedKey)
        check(record->sharedKey() && *wanted->sharedKey == record->secret, "shared key read back differs");
}

// An accepted inventory lists each device and address once and holds no
// control character; an accepted ledger, written again, reads the same.
void checkBatchLists(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    document::InputError error;
    if (const std::optional<provision::Inventory> inventory = provision::inventoryFromCsv(text, QString(), &error)) {
        std::set<quint16> serials;
        std::set<quint32> addresses;
        for (const provision::Inventory::Entry &entry : inventory->entries) {
            check(serials.insert(entry.serial).second, "inventory accepted a serial number twice");
            check(!entry.ip || addresses.insert(*entry.ip).second, "inventory accepted an address twice");
            for (const std::optional<QString> &value : entry.values.texts)
                check(!value || terminalSafe(*value), "inventory accepted a control character");
        }
    } else {
        check(terminalSafe(error.message()), "inventory refusal holds a control character");
    }
    const std::optional<QList<provision::LedgerEntry>> ledger = provision::ledgerEntries(text, QString(), &error);
    if (!ledger) {
        check(terminalSafe(error.message()), "ledger refusal holds a control character");
        return;
    }
    QByteArray again = ledger->isEmpty() ? QByteArray() : QByteArray(provision::LedgerHeader);
    for (const provision::LedgerEntry &entry : *ledger)
        again += provision::ledgerLine(entry);
    const std::optional<QList<provision::LedgerEntry>> reread = provision::ledgerEntries(again, QString(), &error);
    check(reread && reread->size() == ledger->size(), "a ledger written again is refused");
    for (qsizetype i = 0; i < ledger->size(); ++i) {
        const provision::LedgerEntry &a = ledger->at(i), &b = reread->at(i);
        check(a.time == b.time && a.serial == b.serial && a.model == b.model && a.ip == b.ip
                  && a.primaryPort == b.primaryPort && a.outcome == b.outcome && a.detail == b.detail,
              "a ledger line written again reads otherwise");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    checkDocument(data, size);
    checkRecordDocument(data, size);
    checkBatchLists(data, size);
    return 0;
}
