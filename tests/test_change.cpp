// Building an upload from the window's texts: the order of the checks, their
// messages, and the octets of every path.

#include "Change.h"
#include "ConfigRecord.h"
#include "GoldenRecords.h"
#include "Retrieve.h"

#include <QtTest>

#include <functional>
#include <vector>

using namespace rallon;

Q_DECLARE_METATYPE(rallon::Message)

namespace {

// The messages, written out here independently of the code's text table.
Message message(int number)
{
    switch (number) {
    case 1: return {"No Configuration Data",
                    "Currently the program does not know what kind of Power Rallon\r\n"
                    "is being configured.  Please retrieve the data from the Rallon\r\n"
                    "and try loading again."};
    case 2: return {"ip Data", "There is no data for an IP address, please correct."};
    case 3: return {"IP Data", "There is not enough data for\r\nan IP address, please correct."};
    case 4: return {"Mask Data", "There is no data for an IP Mask, please correct."};
    case 5: return {"Mask Data", "There is not enough data for\r\nan IP mask, please correct."};
    case 6: return {"Gateway Data", "There is no data for a Gateway, please correct."};
    case 7: return {"Gateway Data", "There is not enough data for\r\nan IP Gateway, please correct."};
    case 8: return {"SSID Data", "There is not enough data for\r\na SSID, please correct."};
    case 9: return {"Primary Port Data", "The Primary Port is empty, please correct."};
    case 10: return {"Primary Port Data",
                     "The number for the Primary Port is over 32500, please reduce it."};
    case 11: return {"Type Encryption", "The Encryption method is empty, please correct."};
    case 12: return {"Password/key Data",
                     "There is no data for a password or passkey,\r\nplease include to make the change."};
    case 13: return {"Comm 1 Baud Data", "The Baud for Comm 1 is not valid, please correct."};
    case 14: return {"Comm 1 Data Bits Data",
                     "The number of data bits for Comm 1 is not valid, please correct."};
    case 15: return {"Comm 1 Stop Bits Data",
                     "The number of stop bits for Comm 1 is not valid, please correct."};
    case 16: return {"Comm 1 Parity Data", "The type of parity for Comm 1 is not valid, please correct."};
    case 17: return {"Comm 2 Baud Data", "The Baud for Comm 2 is not valid, please correct."};
    case 18: return {"Comm 2 Data Bits Data",
                     "The number of data bits for Comm 2 is not valid, please correct."};
    case 19: return {"Comm 2 Stop Bits Data",
                     "The number of stop bits for Comm 2 is not valid, please correct."};
    case 20: return {"Comm 2 Parity Data", "The type of parity for Comm 2 is not valid, please correct."};
    }
    qFatal("no message %d", number);
}

// Which address a refusal belongs to: 0 IP, 1 mask, 2 gateway.
Message notFourNumbers(int field)
{
    const char *name[] = {"IP address", "IP mask", "IP Gateway"};
    const char *title[] = {"IP Data", "Mask Data", "Gateway Data"};
    return {title[field], QString("The %1 must be four numbers from 0 to 255,\r\n"
                                  "separated by periods, please correct.").arg(name[field])};
}
const Message PortNotNumber{"Primary Port Data", "The Primary Port must be a number, please correct."};
const Message SsidCharacter{"SSID Data", "The SSID has a character that cannot be sent, please correct."};
const Message PasswordCharacter{"Password/key Data",
                                "The password has a character that cannot be sent, please correct."};
Message keyOctetInvalid(int number)
{
    return {"Password/key Data", QString("Shared key octet %1 is not valid, please correct.").arg(number)};
}

const QString NotApplicable = "N / A";
const QString Dashes = "----";

// The octet at a 1-based record position.
quint8 at(const QByteArray &record, int position) { return quint8(record.at(position - 1)); }
QByteArray positions(const QByteArray &record, int first, int last)
{
    return record.mid(first - 1, last - first + 1);
}
QByteArray octets(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}
QByteArray filled(int count, int value) { return QByteArray(count, char(value)); }

// 192.168.1.20, gateway .1, "HOME", port 4000, WAP (TKIP), password "abc",
// serial number 4660.
ConfigRecord homeRecord() { return *decodeRecord(golden::WirelessPassword); }

// The window right after retrieving `record`, nothing entered.
ChangeSnapshot snapshotOf(const ConfigRecord &record)
{
    return ChangeSnapshot::untouched(displayOf(*decodeRecord(encodeRecord(record))));
}

ChangeSnapshot homeSnapshot() { return snapshotOf(homeRecord()); }

QByteArray key64()
{
    QByteArray key;
    for (int i = 0; i < 64; ++i)
        key.append(char(i * 37 % 256));  // holds 0, 5, 10, 255 among others
    return key;
}

}  // namespace

// Each comparison returns from the calling test function on failure.
#define VERIFY_REFUSED(result, expected)                               \
    do {                                                               \
        QVERIFY2((result).refusal.has_value(), "the build was accepted"); \
        QCOMPARE((result).refusal->title, (expected).title);           \
        QCOMPARE((result).refusal->text, (expected).text);             \
        QVERIFY((result).record.isEmpty());                            \
    } while (false)

#define VERIFY_ACCEPTED(result)                                                           \
    do {                                                                                  \
        if ((result).refusal)                                                             \
            QFAIL(qPrintable("refused: " + (result).refusal->title + " / "               \
                             + (result).refusal->text));                                  \
        QVERIFY((result).accepted());                                                     \
        QCOMPARE((result).record.size(), 113);                                            \
    } while (false)

// A refusal with an empty title stands for "accepted"; then the octets
// from `first` on must be `bytes`.
#define VERIFY_OUTCOME(result, first, bytes, refusal)                       \
    do {                                                                    \
        if (!(refusal).title.isEmpty()) {                                   \
            VERIFY_REFUSED(result, refusal);                                \
        } else {                                                            \
            VERIFY_ACCEPTED(result);                                        \
            QCOMPARE(positions((result).record, first, first + int((bytes).size()) - 1), bytes); \
        }                                                                   \
    } while (false)

namespace {

struct Fault {
    const char *name;
    std::function<void(ChangeSnapshot &)> apply;
    Message expected;
};

// Faults grouped by check, in the order the checks run.
std::vector<std::vector<Fault>> faultGroups()
{
    std::vector<std::vector<Fault>> groups = {
        {{"device unknown", [](ChangeSnapshot &s) { s.deviceKind = DeviceKind::Unknown; }, message(1)},
         {"device kind 2", [](ChangeSnapshot &s) { s.deviceKind = DeviceKind(2); }, message(1)}},
        {{"ip dashes", [](ChangeSnapshot &s) { s.current[Setting::Ip] = "---.---.---.---"; }, message(2)},
         {"ip two periods", [](ChangeSnapshot &s) { s.entered[Setting::Ip] = "10.0.0"; }, message(3)},
         {"ip 256", [](ChangeSnapshot &s) { s.entered[Setting::Ip] = "10.0.0.256"; }, notFourNumbers(0)}},
        {{"mask dashes", [](ChangeSnapshot &s) { s.current[Setting::Mask] = "---.---.---.---"; }, message(4)},
         {"mask two periods", [](ChangeSnapshot &s) { s.entered[Setting::Mask] = "255.255.0"; }, message(5)},
         {"mask letters", [](ChangeSnapshot &s) { s.entered[Setting::Mask] = "255.x.0.0"; }, notFourNumbers(1)}},
        {{"gateway dashes", [](ChangeSnapshot &s) { s.current[Setting::Gateway] = "---.---.---.---"; }, message(6)},
         {"gateway period at end", [](ChangeSnapshot &s) { s.entered[Setting::Gateway] = "10.0.0."; }, message(7)},
         {"gateway five numbers", [](ChangeSnapshot &s) { s.entered[Setting::Gateway] = "1.2.3.4.5"; }, notFourNumbers(2)}},
        {{"ssid dashes", [](ChangeSnapshot &s) { s.current[Setting::Ssid] = Dashes; }, message(8)},
         {"ssid empty", [](ChangeSnapshot &s) { s.current[Setting::Ssid].clear(); }, message(8)},
         {"ssid character", [](ChangeSnapshot &s) { s.entered[Setting::Ssid] = QString::fromUtf8("caf\u20ac"); }, SsidCharacter}},
        {{"port dashes", [](ChangeSnapshot &s) { s.current[Setting::PrimaryPort] = Dashes; }, message(9)},
         {"port empty", [](ChangeSnapshot &s) { s.current[Setting::PrimaryPort].clear(); }, message(9)},
         {"port letters", [](ChangeSnapshot &s) { s.entered[Setting::PrimaryPort] = "80a"; }, PortNotNumber},
         {"port 32500", [](ChangeSnapshot &s) { s.entered[Setting::PrimaryPort] = "32500"; }, message(10)}},
        {{"encryption dashes", [](ChangeSnapshot &s) { s.current[Setting::Encryption] = Dashes; }, message(11)}},
        {{"password none", [](ChangeSnapshot &s) { s.current[Setting::Password] = Dashes; }, message(12)},
         {"password character", [](ChangeSnapshot &s) { s.entered[Setting::Password] = QString::fromUtf8("p\u0100ss"); },
          PasswordCharacter},
         {"key octet",
          [](ChangeSnapshot &s) {
              s.sharedKeyLayout = true;
              s.keyTexts[9] = "G";
          },
          keyOctetInvalid(10)}},
    };
    for (int i = 0; i < SerialSettingCount; ++i) {
        groups.push_back({{"serial dashes",
                           [i](ChangeSnapshot &s) { s.current[SerialSetting(i)] = Dashes; }, message(13 + i)}});
    }
    return groups;
}

}  // namespace

class TestChange : public QObject {
    Q_OBJECT

private slots:
    // Each fault is combined with a fault of every later check; the earlier
    // one must be reported.
    void firstFaultWins_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("fault");
        const auto groups = faultGroups();
        for (int g = 0; g < int(groups.size()); ++g) {
            for (int f = 0; f < int(groups[g].size()); ++f) {
                const QByteArray name = groups[g][f].name + QByteArray(" #") + QByteArray::number(g);
                QTest::newRow(name.constData()) << g << f;
            }
        }
    }
    void firstFaultWins()
    {
        QFETCH(int, group);
        QFETCH(int, fault);
        const auto groups = faultGroups();
        ChangeSnapshot s = homeSnapshot();
        QVERIFY(buildUpload(s).accepted());
        groups[group][fault].apply(s);
        for (int later = group + 1; later < int(groups.size()); ++later)
            groups[later].front().apply(s);
        VERIFY_REFUSED(buildUpload(s), groups[group][fault].expected);
    }

    void unchangedDeviceIsSentBack_data()
    {
        QTest::addColumn<bool>("sharedKey");
        QTest::newRow("password") << false;
        QTest::newRow("shared key") << true;
    }
    void unchangedDeviceIsSentBack()
    {
        QFETCH(bool, sharedKey);
        ConfigRecord r = homeRecord();
        if (sharedKey)
            r.setSharedKey(key64());
        const ChangeSnapshot s = snapshotOf(r);
        QCOMPARE(s.sharedKeyLayout, sharedKey);
        const ChangeResult result = buildUpload(s);
        VERIFY_ACCEPTED(result);
        QCOMPARE(result.record, encodeUpload(r));
        QVERIFY(!result.currentEncryptionText && !result.currentPasswordText && !result.newPasswordText);
    }

    void newDataIsEncoded()
    {
        ChangeSnapshot s = homeSnapshot();
        s.entered[Setting::Ip] = "10.1.2.3";
        s.entered[Setting::Mask] = "255.0.0.0";
        s.entered[Setting::Gateway] = "10.1.2.254";
        s.entered[Setting::Ssid] = "Office";
        s.entered[Setting::PrimaryPort] = "8080";
        s.entered.chosenIn(Setting::Encryption) = 3;
        s.entered[Setting::Password] = "open sesame";
        const int chosen[] = {9, 0, 1, 1, 0, 1, 0, 0};
        for (int i = 0; i < SerialSettingCount; ++i)
            s.entered.chosenIn(SerialSetting(i)) = chosen[i];
        ConfigRecord expected;
        expected.ip = {10, 1, 2, 3};
        expected.mask = {255, 0, 0, 0};
        expected.gateway = {10, 1, 2, 254};
        expected.ssid = "Office";
        expected.primaryPort = 8080;
        expected.encryption = 3;
        expected.setPassword("open sesame");
        expected.serial = {9, 0, 1, 1, 0, 1, 0, 0};
        const ChangeResult result = buildUpload(s);
        VERIFY_ACCEPTED(result);
        QCOMPARE(result.record, encodeUpload(expected));
        QCOMPARE(positions(result.record, 1, 4), QByteArray("CFG="));
        QCOMPARE(positions(result.record, 38, 39), octets({31, 144}));
    }

    void addresses_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("fault");  // 0 none, 1 no data, 2 not enough, 3 not four numbers

        struct Row { const char *name; QString text; QByteArray bytes; int fault; };
        const QList<Row> rows = {
            {"plain", "192.168.1.20", octets({192, 168, 1, 20}), 0},
            {"zeros", "0.0.0.0", octets({0, 0, 0, 0}), 0},
            {"255s", "255.255.255.255", octets({255, 255, 255, 255}), 0},
            {"leading zeros", "010.001.000.9", octets({10, 1, 0, 9}), 0},
            {"long leading zeros", "0000000000000000000001.2.3.4", octets({1, 2, 3, 4}), 0},
            {"dashes", "---.---.---.---", {}, 1},
            {"hyphen anywhere", "1.2.3.-4", {}, 1},
            {"hyphen before missing period", "1.2-3", {}, 1},
            {"empty", "", {}, 2},
            {"no period", "abc", {}, 2},
            {"two periods", "10.0.0", {}, 2},
            {"two periods in a row", "1..2.3", {}, 2},
            {"period at end", "1.2.3.", {}, 2},
            {"period at start", ".1.2.3", {}, 2},
            {"empty octet before letters", "x..2.3", {}, 2},
            {"five numbers", "1.2.3.4.5", {}, 3},
            {"period after octet 4", "1.2.3.4.", {}, 3},
            {"period starts octet 4", "1.2.3..4", {}, 3},
            {"256", "256.1.1.1", {}, 3},
            {"999 last", "1.2.3.999", {}, 3},
            {"20 digits", "99999999999999999999.1.1.1", {}, 3},
            {"letters", "a.b.c.d", {}, 3},
            {"blank", "1. 2.3.4", {}, 3},
            {"trailing blank", "1.2.3.4 ", {}, 3},
            {"plus sign", "+1.2.3.4", {}, 3},
            {"non-ASCII digit", QString::fromUtf8("\u0661.2.3.4"), {}, 3},
        };
        const char *fieldName[] = {"ip", "mask", "gateway"};
        for (int field = 0; field < 3; ++field) {
            for (const Row &row : rows) {
                QTest::addRow("%s %s", fieldName[field], row.name)
                    << field << row.text << row.bytes << row.fault;
            }
        }
    }
    void addresses()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(int, fault);
        ChangeSnapshot s = homeSnapshot();
        // Empty New Data falls back to Current Data: put the text in both.
        QString *newText[] = {&s.entered[Setting::Ip], &s.entered[Setting::Mask], &s.entered[Setting::Gateway]};
        QString *currentText[] = {&s.current[Setting::Ip], &s.current[Setting::Mask], &s.current[Setting::Gateway]};
        *newText[field] = text;
        *currentText[field] = text;
        Message expected;
        if (fault == 1)
            expected = message(2 + 2 * field);
        else if (fault == 2)
            expected = message(3 + 2 * field);
        else if (fault == 3)
            expected = notFourNumbers(field);
        VERIFY_OUTCOME(buildUpload(s), 5 + 4 * field, bytes, expected);
    }

    void effectiveAddressText()
    {
        ChangeSnapshot s = homeSnapshot();
        s.current[Setting::Ip] = "192.168.1.10";
        ChangeResult result = buildUpload(s);
        VERIFY_ACCEPTED(result);
        QCOMPARE(positions(result.record, 5, 8), octets({192, 168, 1, 10}));

        s.entered[Setting::Ip] = "10.0.0.7";
        result = buildUpload(s);
        VERIFY_ACCEPTED(result);
        QCOMPARE(positions(result.record, 5, 8), octets({10, 0, 0, 7}));

        // After an upload the Current Data column shows dashes; typed values still pass.
        s.current[Setting::Ip] = s.current[Setting::Mask] = s.current[Setting::Gateway] = "---.---.---.---";
        s.entered[Setting::Mask] = "255.255.0.0";
        s.entered[Setting::Gateway] = "10.0.0.1";
        result = buildUpload(s);
        VERIFY_ACCEPTED(result);
        QCOMPARE(positions(result.record, 5, 16), octets({10, 0, 0, 7, 255, 255, 0, 0, 10, 0, 0, 1}));
    }

    void ssid_data()
    {
        QTest::addColumn<QString>("newSsid");
        QTest::addColumn<QString>("currentSsid");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<Message>("refusal");
        const QString s20(20, 'S'), s21(21, 'T');
        QTest::newRow("3 characters") << "abc" << "HOME" << QByteArray("abc") + filled(1, 0) + filled(17, 255)
                                      << Message{};
        QTest::newRow("20 characters") << s20 << "" << s20.toLatin1() + filled(1, 0) << Message{};
        QTest::newRow("21 characters") << s21 << "" << s21.toLatin1() << Message{};
        QTest::newRow("current used") << "" << "HOME" << QByteArray("HOME") + filled(1, 0) + filled(16, 255)
                                      << Message{};
        QTest::newRow("latin-1") << QString::fromUtf8("Caf\u00e9") << "" << octets({'C', 'a', 'f', 0xE9, 0})
                                 << Message{};
        QTest::newRow("current N / A") << "typed" << NotApplicable << filled(21, 0) << Message{};
        QTest::newRow("current n / a") << "" << "n / a" << QByteArray("n / a") + filled(1, 0) << Message{};
        QTest::newRow("unsendable beyond 21") << s21 + QChar(0x100) << "" << s21.toLatin1() << Message{};
        QTest::newRow("both empty") << "" << "" << QByteArray() << message(8);
        QTest::newRow("current dashes") << "" << Dashes << QByteArray() << message(8);
        QTest::newRow("new dashes") << Dashes << "HOME" << QByteArray() << message(8);
        QTest::newRow("U+0100") << QString("a") + QChar(0x100) << "" << QByteArray() << SsidCharacter;
        QTest::newRow("U+00FF") << QString("a") + QChar(0xFF) << "" << QByteArray() << SsidCharacter;
        QTest::newRow("U+0000") << QString("a") + QChar(0) + "b" << "" << QByteArray() << SsidCharacter;
        QTest::newRow("emoji") << QString::fromUtf8("a\U0001F600") << "" << QByteArray() << SsidCharacter;
    }
    void ssid()
    {
        QFETCH(QString, newSsid);
        QFETCH(QString, currentSsid);
        QFETCH(QByteArray, field);
        QFETCH(Message, refusal);
        ChangeSnapshot s = homeSnapshot();
        s.entered[Setting::Ssid] = newSsid;
        s.current[Setting::Ssid] = currentSsid;
        VERIFY_OUTCOME(buildUpload(s), 17, field, refusal);
    }

    void port_data()
    {
        QTest::addColumn<QString>("newPort");
        QTest::addColumn<QString>("currentPort");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Message>("refusal");
        QTest::newRow("0") << "0" << "" << octets({0, 0}) << Message{};
        QTest::newRow("80") << "80" << "" << octets({0, 80}) << Message{};
        QTest::newRow("32499") << "32499" << "" << octets({126, 243}) << Message{};
        QTest::newRow("leading zeros") << "00080" << "" << octets({0, 80}) << Message{};
        QTest::newRow("32499 after 25 zeros") << QString(25, '0') + "32499" << "" << octets({126, 243})
                                              << Message{};
        QTest::newRow("current used") << "" << "4000" << octets({15, 160}) << Message{};
        QTest::newRow("32500") << "32500" << "" << QByteArray() << message(10);
        QTest::newRow("99999") << "99999" << "" << QByteArray() << message(10);
        QTest::newRow("65616") << "65616" << "" << QByteArray() << message(10);  // 80 modulo 65536
        QTest::newRow("30 digits") << QString(30, '9') << "" << QByteArray() << message(10);
        QTest::newRow("1 and 29 zeros") << "1" + QString(29, '0') << "" << QByteArray() << message(10);
        QTest::newRow("both empty") << "" << "" << QByteArray() << message(9);
        QTest::newRow("current dashes") << "" << Dashes << QByteArray() << message(9);
        QTest::newRow("new dashes") << Dashes << "4000" << QByteArray() << message(9);
        QTest::newRow("letter") << "8o" << "" << QByteArray() << PortNotNumber;
        QTest::newRow("plus") << "+80" << "" << QByteArray() << PortNotNumber;
        QTest::newRow("minus") << "-1" << "" << QByteArray() << PortNotNumber;
        QTest::newRow("two hyphens") << "--" << "" << QByteArray() << PortNotNumber;
        QTest::newRow("leading blank") << " 80" << "" << QByteArray() << PortNotNumber;
        QTest::newRow("trailing blank") << "80 " << "" << QByteArray() << PortNotNumber;
        QTest::newRow("hex") << "0x50" << "" << QByteArray() << PortNotNumber;
        QTest::newRow("letters before size") << "99999a" << "" << QByteArray() << PortNotNumber;
        QTest::newRow("fullwidth digits") << QString::fromUtf8("\uFF18\uFF10") << "" << QByteArray()
                                          << PortNotNumber;
    }
    void port()
    {
        QFETCH(QString, newPort);
        QFETCH(QString, currentPort);
        QFETCH(QByteArray, bytes);
        QFETCH(Message, refusal);
        ChangeSnapshot s = homeSnapshot();
        s.entered[Setting::PrimaryPort] = newPort;
        s.current[Setting::PrimaryPort] = currentPort;
        VERIFY_OUTCOME(buildUpload(s), 38, bytes, refusal);
    }

    void encryptionCode_data()
    {
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("code");  // -1: refused with message 11
        QTest::newRow("chosen WEP") << 1 << "WAP (AES)" << 1;
        QTest::newRow("chosen WAP (AES)") << 3 << Dashes << 3;
        QTest::newRow("current WEP") << -1 << "WEP" << 1;
        QTest::newRow("current WAP (TKIP)") << -1 << "WAP (TKIP)" << 2;
        QTest::newRow("current WAP (AES)") << -1 << "WAP (AES)" << 3;
        QTest::newRow("current wep") << -1 << "wep" << -1;
        QTest::newRow("current WAP(AES)") << -1 << "WAP(AES)" << -1;
        QTest::newRow("current dashes") << -1 << Dashes << -1;
        QTest::newRow("current empty") << -1 << "" << -1;
        QTest::newRow("current N / A") << -1 << NotApplicable << -1;
        QTest::newRow("chosen 4") << 4 << "WEP" << -1;
        QTest::newRow("chosen -2") << -2 << "WEP" << -1;
    }
    void encryptionCode()
    {
        QFETCH(int, chosen);
        QFETCH(QString, current);
        QFETCH(int, code);
        ChangeSnapshot s = homeSnapshot();
        s.entered.chosenIn(Setting::Encryption) = chosen;
        s.current[Setting::Encryption] = current;
        const ChangeResult result = buildUpload(s);
        if (code < 0) {
            VERIFY_REFUSED(result, message(11));
            return;
        }
        VERIFY_ACCEPTED(result);
        QCOMPARE(int(at(result.record, 40)), code);
        QCOMPARE(int(at(result.record, 41)), 0);
    }

    void encryptionNone_data()
    {
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("sharedKey");
        QTest::newRow("chosen, password layout") << 0 << "WEP" << false;
        QTest::newRow("current, password layout") << -1 << "None" << false;
        QTest::newRow("chosen, shared key layout") << 0 << "WEP" << true;
    }
    void encryptionNone()
    {
        QFETCH(int, chosen);
        QFETCH(QString, current);
        QFETCH(bool, sharedKey);
        ChangeSnapshot s = homeSnapshot();
        s.entered.chosenIn(Setting::Encryption) = chosen;
        s.current[Setting::Encryption] = current;
        s.sharedKeyLayout = sharedKey;
        s.entered[Setting::Password] = "unused";
        s.current[Setting::Password].clear();
        s.keyTexts[0] = "ZZ";  // neither password nor key is read
        const ChangeResult result = buildUpload(s);
        VERIFY_ACCEPTED(result);
        QCOMPARE(int(at(result.record, 40)), 0);
        QCOMPARE(positions(result.record, 41, 105), filled(65, 255));
        QCOMPARE(int(at(result.record, 106)), 2);
        QCOMPARE(result.currentPasswordText, std::optional<QString>(NotApplicable));
        QCOMPARE(result.newPasswordText, std::optional<QString>(NotApplicable));
        QVERIFY(!result.currentEncryptionText);
        ConfigRecord expected = homeRecord();
        expected.encryption = 0;
        QCOMPARE(result.record, encodeUpload(expected));
    }

    void password_data()
    {
        QTest::addColumn<QString>("newPassword");
        QTest::addColumn<QString>("currentPassword");
        QTest::addColumn<QByteArray>("field");  // positions 42-105
        QTest::addColumn<Message>("refusal");
        const QString p30(30, 'p'), p63(63, 'q'), p64(64, 'r');
        QTest::newRow("3 characters") << "abc" << "old" << QByteArray("abc") + filled(1, 0) + filled(60, 255)
                                      << Message{};
        QTest::newRow("30 characters") << p30 << "" << p30.toLatin1() + filled(1, 0) + filled(33, 255)
                                       << Message{};
        QTest::newRow("63 from current") << "" << p63 << p63.toLatin1() + filled(1, 0) << Message{};
        QTest::newRow("64 from current") << "" << p64 << p64.toLatin1() << Message{};
        QTest::newRow("70 cut at 64") << "" << p64 + "stuvwx" << p64.toLatin1() << Message{};
        QTest::newRow("unsendable beyond 64") << "" << p64 + QChar(0x100) << p64.toLatin1() << Message{};
        QTest::newRow("new wins") << "fresh" << "secret" << QByteArray("fresh") + filled(1, 0) + filled(58, 255)
                                  << Message{};
        QTest::newRow("new N / A") << NotApplicable << "secret"
                                   << QByteArray("secret") + filled(1, 0) + filled(57, 255) << Message{};
        QTest::newRow("new contains N / A") << "xN / Ay" << "secret"
                                            << QByteArray("secret") + filled(1, 0) + filled(57, 255) << Message{};
        QTest::newRow("new dashes") << Dashes << "secret"
                                    << QByteArray("secret") + filled(1, 0) + filled(57, 255) << Message{};
        QTest::newRow("latin-1") << QString::fromUtf8("p\u00e4ss") << ""
                                 << octets({'p', 0xE4, 's', 's', 0}) + filled(59, 255) << Message{};
        QTest::newRow("both N / A") << NotApplicable << NotApplicable << QByteArray() << message(12);
        QTest::newRow("both empty") << "" << "" << QByteArray() << message(12);
        QTest::newRow("new N / A, current empty") << NotApplicable << "" << QByteArray() << message(12);
        QTest::newRow("current dashes") << "" << Dashes << QByteArray() << message(12);
        QTest::newRow("new U+20AC") << QString::fromUtf8("p\u20acss") << "secret" << QByteArray()
                                    << PasswordCharacter;
        QTest::newRow("current U+0100") << "" << QString(QChar(0x100)) << QByteArray() << PasswordCharacter;
        QTest::newRow("new U+00FF") << QString("a") + QChar(0xFF) << "" << QByteArray() << PasswordCharacter;
        QTest::newRow("new U+0000") << QString("a") + QChar(0) << "" << QByteArray() << PasswordCharacter;
    }
    void password()
    {
        QFETCH(QString, newPassword);
        QFETCH(QString, currentPassword);
        QFETCH(QByteArray, field);
        QFETCH(Message, refusal);
        ChangeSnapshot s = homeSnapshot();
        s.entered[Setting::Password] = newPassword;
        s.current[Setting::Password] = currentPassword;
        s.keyTexts = QStringList(64, "ZZ");  // the password layout never reads the key
        if (!refusal.title.isEmpty())
            QCOMPARE(field.size(), 0);
        else
            QCOMPARE(field.size(), 64);
        VERIFY_OUTCOME(buildUpload(s), 41, filled(1, 0) + field, refusal);
    }

    void sharedKeyText_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("octet");  // -1: refused
        QTest::newRow("5") << 3 << "5" << 5;
        QTest::newRow("05") << 3 << "05" << 5;
        QTest::newRow("empty") << 3 << "" << 0;
        QTest::newRow("00") << 3 << "00" << 0;
        QTest::newRow("ff") << 3 << "ff" << 255;
        QTest::newRow("Ff") << 63 << "Ff" << 255;
        QTest::newRow("a") << 0 << "a" << 10;
        QTest::newRow("7F") << 0 << "7F" << 127;
        QTest::newRow("G first box") << 0 << "G" << -1;
        QTest::newRow(": after 9") << 9 << "1:" << -1;
        QTest::newRow("@ before A") << 9 << "@" << -1;
        QTest::newRow("g after f") << 9 << "g" << -1;
        QTest::newRow("three digits") << 9 << "123" << -1;
        QTest::newRow("leading blank") << 9 << " 5" << -1;
        QTest::newRow("trailing blank") << 9 << "5 " << -1;
        QTest::newRow("minus") << 9 << "-1" << -1;
        QTest::newRow("0x") << 9 << "0x" << -1;
        QTest::newRow("fullwidth digit") << 63 << QString::fromUtf8("\uFF15") << -1;
    }
    void sharedKeyText()
    {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(int, octet);
        ConfigRecord r = homeRecord();
        r.setSharedKey(key64());
        ChangeSnapshot s = snapshotOf(r);
        s.current[Setting::Password].clear();  // the shared key layout never reads the password
        s.keyTexts[index] = text;
        const ChangeResult result = buildUpload(s);
        if (octet < 0) {
            VERIFY_REFUSED(result, keyOctetInvalid(index + 1));
            return;
        }
        VERIFY_ACCEPTED(result);
        QCOMPARE(int(at(result.record, 41)), 1);
        QByteArray key = key64();
        key[index] = char(octet);
        QCOMPARE(positions(result.record, 42, 105), key);
    }

    void sharedKeyFirstBadBoxIsNamed()
    {
        ChangeSnapshot s = homeSnapshot();
        s.sharedKeyLayout = true;
        s.keyTexts = QStringList(64, "00");
        s.keyTexts[3] = "XY";
        s.keyTexts[7] = "Q";
        VERIFY_REFUSED(buildUpload(s), keyOctetInvalid(4));
    }

    // A key entry window that was never filled reads "00" in every box.
    void sharedKeyMissingBoxesAreZero()
    {
        ChangeSnapshot s = homeSnapshot();
        s.sharedKeyLayout = true;
        s.keyTexts = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "A"};
        ChangeResult result = buildUpload(s);
        VERIFY_ACCEPTED(result);
        QCOMPARE(positions(result.record, 41, 105),
                 octets({1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) + filled(54, 0));
        s.keyTexts.clear();
        result = buildUpload(s);
        VERIFY_ACCEPTED(result);
        QCOMPARE(positions(result.record, 41, 105), octets({1}) + filled(64, 0));
    }

    void wiredModel_data()
    {
        QTest::addColumn<bool>("afterUpload");
        QTest::newRow("decoded") << false;
        QTest::newRow("dashes after an upload") << true;
    }
    void wiredModel()
    {
        QFETCH(bool, afterUpload);
        ConfigRecord r = homeRecord();
        r.deviceKind = 1;
        ChangeSnapshot s = snapshotOf(r);
        QCOMPARE(s.deviceKind, DeviceKind::Wired);
        if (afterUpload) {
            s.current[Setting::Ssid] = s.current[Setting::Encryption] = s.current[Setting::Password] = Dashes;
            s.current[Setting::PrimaryPort] = Dashes;
            s.entered[Setting::PrimaryPort] = "4000";
        }
        s.entered[Setting::Ssid] = "typed";
        s.entered.chosenIn(Setting::Encryption) = 2;
        s.entered[Setting::Password] = "typed";
        s.sharedKeyLayout = true;
        s.keyTexts = QStringList(64, "ZZ");
        const ChangeResult result = buildUpload(s);
        VERIFY_ACCEPTED(result);
        QCOMPARE(positions(result.record, 17, 37), filled(21, 255));
        QCOMPARE(positions(result.record, 38, 39), octets({15, 160}));
        QCOMPARE(positions(result.record, 40, 105), filled(66, 255));
        QCOMPARE(result.record, encodeUpload(r));
        QCOMPARE(result.currentEncryptionText, std::optional<QString>(NotApplicable));
        QCOMPARE(result.currentPasswordText, std::optional<QString>(NotApplicable));
        QVERIFY(!result.newPasswordText);
    }

    void serialSetting_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("code");  // -1: refused with the setting's message
        const char *names[] = {"comm 1 baud", "comm 1 data bits", "comm 1 stop bits", "comm 1 parity",
                               "comm 2 baud", "comm 2 data bits", "comm 2 stop bits", "comm 2 parity"};
        for (int i = 0; i < SerialSettingCount; ++i) {
            const QStringList &items = listItems(serialSettingList(SerialSetting(i)));
            for (int code = 0; code < items.size(); ++code)
                QTest::addRow("%s current %s", names[i], qPrintable(items[code])) << i << -1 << items[code] << code;
            QTest::addRow("%s chosen over dashes", names[i]) << i << 1 << Dashes << 1;
            QTest::addRow("%s chosen over another item", names[i]) << i << 0 << items.last() << 0;
            QTest::addRow("%s current dashes", names[i]) << i << -1 << Dashes << -1;
            QTest::addRow("%s current empty", names[i]) << i << -1 << "" << -1;
            QTest::addRow("%s current lower case", names[i]) << i << -1 << items.last().toLower() + "x" << -1;
            QTest::addRow("%s current trailing blank", names[i]) << i << -1 << items.first() + " " << -1;
            QTest::addRow("%s chosen past the end", names[i]) << i << int(items.size()) << items.first() << -1;
            QTest::addRow("%s chosen -2", names[i]) << i << -2 << items.first() << -1;
        }
        QTest::newRow("parity odd") << int(Com1Parity) << -1 << "odd" << -1;
        QTest::newRow("parity ODD") << int(Com2Parity) << -1 << "ODD" << 2;
    }
    void serialSetting()
    {
        QFETCH(int, setting);
        QFETCH(int, chosen);
        QFETCH(QString, current);
        QFETCH(int, code);
        ChangeSnapshot s = homeSnapshot();
        s.entered.chosenIn(SerialSetting(setting)) = chosen;
        s.current[SerialSetting(setting)] = current;
        const ChangeResult result = buildUpload(s);
        if (code < 0) {
            VERIFY_REFUSED(result, message(13 + setting));
            return;
        }
        VERIFY_ACCEPTED(result);
        QByteArray expected = octets({2, 1, 0, 0, 9, 0, 1, 2});
        expected[setting] = char(code);
        QCOMPARE(positions(result.record, 106, 113), expected);
    }

    void notApplicableTextsOutliveLaterRefusal()
    {
        ChangeSnapshot none = homeSnapshot();
        none.entered.chosenIn(Setting::Encryption) = 0;
        none.current[Com2Parity] = Dashes;
        ChangeResult result = buildUpload(none);
        VERIFY_REFUSED(result, message(20));
        QCOMPARE(result.currentPasswordText, std::optional<QString>(NotApplicable));
        QCOMPARE(result.newPasswordText, std::optional<QString>(NotApplicable));
        QVERIFY(!result.currentEncryptionText);

        ConfigRecord r = homeRecord();
        r.deviceKind = 1;
        ChangeSnapshot wired = snapshotOf(r);
        wired.current[Com1Baud] = "1200";
        result = buildUpload(wired);
        VERIFY_REFUSED(result, message(13));
        QCOMPARE(result.currentEncryptionText, std::optional<QString>(NotApplicable));
        QCOMPARE(result.currentPasswordText, std::optional<QString>(NotApplicable));
        QVERIFY(!result.newPasswordText);

        // A refusal before the encryption step sets nothing.
        none.current[Com2Parity] = "ODD";
        none.entered[Setting::PrimaryPort] = "32500";
        result = buildUpload(none);
        VERIFY_REFUSED(result, message(10));
        QVERIFY(!result.currentEncryptionText && !result.currentPasswordText && !result.newPasswordText);
        wired.current[Setting::PrimaryPort] = Dashes;
        result = buildUpload(wired);
        VERIFY_REFUSED(result, message(9));
        QVERIFY(!result.currentEncryptionText && !result.currentPasswordText && !result.newPasswordText);
    }
};

QTEST_GUILESS_MAIN(TestChange)
#include "test_change.moc"
