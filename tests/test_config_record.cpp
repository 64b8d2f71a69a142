// The record codec: octet positions of every field, the fill rules and the
// round trip through the device's record.

#include "ConfigRecord.h"
#include "GoldenRecords.h"

#include <QtTest>

using namespace rallon;

namespace {

// 1-based position, as the record's layout counts.
quint8 at(const QByteArray &bytes, int position) { return quint8(bytes.at(position - 1)); }

QByteArray octets(const QByteArray &bytes, int first, int last)
{
    return bytes.mid(first - 1, last - first + 1);
}

// The sample records, as GoldenRecords.h writes them out octet by octet.
ConfigRecord passwordModel() { return *decodeRecord(golden::PasswordGateway255); }
ConfigRecord keyModel() { return *decodeRecord(golden::KeyWithEndOctets); }
ConfigRecord wiredModel() { return *decodeRecord(golden::WiredPort80); }

}  // namespace

class TestConfigRecord : public QObject {
    Q_OBJECT

private slots:
    void listsAreInProtocolOrder()
    {
        QCOMPARE(listItems(SettingList::Encryption),
                 QStringList({"None", "WEP", "WAP (TKIP)", "WAP (AES)"}));
        QCOMPARE(listItems(SettingList::Baud),
                 QStringList({"2400", "4800", "9600", "14400", "19200", "28800", "38400",
                              "56000", "57600", "115200"}));
        QCOMPARE(listItems(SettingList::DataBits), QStringList({"7", "8"}));
        QCOMPARE(listItems(SettingList::StopBits), QStringList({"1", "2"}));
        QCOMPARE(listItems(SettingList::Parity), QStringList({"NONE", "EVEN", "ODD"}));
        QCOMPARE(listEntry(SettingList::Parity, 2), std::optional<QString>("ODD"));
        QCOMPARE(listEntry(SettingList::Parity, 3), std::nullopt);
        QCOMPARE(listEntry(SettingList::Baud, -1), std::nullopt);
        QCOMPARE(listEntry(SettingList::Encryption, 255), std::nullopt);
        // Stop bits come before parity in the record.
        QCOMPARE(serialSettingList(Com1StopBits), SettingList::StopBits);
        QCOMPARE(serialSettingList(Com2Parity), SettingList::Parity);
        QCOMPARE(serialSettingList(Com2Baud), SettingList::Baud);
    }

    void requestFrame_isCommandAndFiller()
    {
        const QByteArray frame = requestFrame();
        QCOMPARE(frame.size(), 113);
        QCOMPARE(frame.left(4), QByteArray("CFG?"));
        QCOMPARE(frame.mid(4), QByteArray(109, char(238)));
    }

    void upload_positionsOfEveryField()
    {
        const QByteArray up = encodeUpload(passwordModel());
        QCOMPARE(up.size(), 113);
        QCOMPARE(octets(up, 1, 4), QByteArray("CFG="));
        QCOMPARE(octets(up, 5, 8), QByteArray("\xc0\xa8\x01\x14", 4));
        QCOMPARE(octets(up, 9, 12), QByteArray("\xff\xff\xff\x00", 4));
        QCOMPARE(octets(up, 13, 16), QByteArray("\xc0\xa8\x01\xff", 4));
        QCOMPARE(octets(up, 17, 20), QByteArray("HOME"));
        QCOMPARE(at(up, 21), quint8(0));
        QCOMPARE(octets(up, 22, 37), QByteArray(16, char(255)));
        QCOMPARE(at(up, 38), quint8(4000 / 256));
        QCOMPARE(at(up, 39), quint8(4000 % 256));
        QCOMPARE(at(up, 40), quint8(2));
        QCOMPARE(at(up, 41), quint8(0));
        // A three-character password: 42-44, then 0, then 60 octets 255.
        QCOMPARE(octets(up, 42, 44), QByteArray("abc"));
        QCOMPARE(at(up, 45), quint8(0));
        QCOMPARE(octets(up, 46, 105), QByteArray(60, char(255)));
        QCOMPARE(octets(up, 106, 113), QByteArray("\x02\x01\x00\x00\x09\x00\x01\x02", 8));
    }

    void upload_ssidFill_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("1") << 1;
        QTest::newRow("20") << 20;
        QTest::newRow("21") << 21;
        QTest::newRow("25 is cut to 21") << 25;
    }
    void upload_ssidFill()
    {
        QFETCH(int, length);
        ConfigRecord r = passwordModel();
        r.ssid = QString(length, QLatin1Char('s'));
        const QByteArray up = encodeUpload(r);
        QCOMPARE(up.size(), 113);
        const int kept = qMin(length, 21);
        QCOMPARE(octets(up, 17, 16 + kept), QByteArray(kept, 's'));
        if (kept < 21) {
            QCOMPARE(at(up, 17 + kept), quint8(0));
            QCOMPARE(octets(up, 18 + kept, 37), QByteArray(20 - kept, char(255)));
        }
        QCOMPARE(at(up, 38), quint8(4000 / 256));  // the port did not move
    }

    void upload_passwordFill_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("3") << 3;
        QTest::newRow("30") << 30;
        QTest::newRow("63") << 63;
        QTest::newRow("64") << 64;
    }
    void upload_passwordFill()
    {
        QFETCH(int, length);
        ConfigRecord r = passwordModel();
        r.setPassword(QString(length, QLatin1Char('p')));
        const QByteArray up = encodeUpload(r);
        QCOMPARE(up.size(), 113);
        QCOMPARE(at(up, 41), quint8(0));
        QCOMPARE(octets(up, 42, 41 + length), QByteArray(length, 'p'));
        if (length < 64) {
            QCOMPARE(at(up, 42 + length), quint8(0));
            QCOMPARE(octets(up, 43 + length, 105), QByteArray(63 - length, char(255)));
        }
        QCOMPARE(at(up, 106), quint8(2));  // Comm 1 baud right behind the secret
    }

    void upload_ports()
    {
        ConfigRecord r = passwordModel();
        r.primaryPort = 32499;
        QByteArray up = encodeUpload(r);
        QCOMPARE(at(up, 38), quint8(126));
        QCOMPARE(at(up, 39), quint8(243));
        r.primaryPort = 80;
        up = encodeUpload(r);
        QCOMPARE(at(up, 38), quint8(0));
        QCOMPARE(at(up, 39), quint8(80));
    }

    void upload_sharedKeyIsSentAsIs()
    {
        const ConfigRecord r = keyModel();
        const QByteArray up = encodeUpload(r);
        QCOMPARE(up.size(), 113);
        QCOMPARE(at(up, 40), quint8(3));
        QCOMPARE(at(up, 41), quint8(1));
        QCOMPARE(octets(up, 42, 105), r.secret);
        QCOMPARE(at(up, 45), quint8(0));   // key octets 0 and 255 are data here
        QCOMPARE(at(up, 46), quint8(255));
    }

    void upload_encryptionNoneFilling()
    {
        ConfigRecord r = passwordModel();
        r.encryption = 0;
        const QByteArray up = encodeUpload(r);
        QCOMPARE(up.size(), 113);
        QCOMPARE(at(up, 40), quint8(0));
        QCOMPARE(octets(up, 41, 105), QByteArray(65, char(255)));
        QCOMPARE(at(up, 106), quint8(2));
    }

    void upload_wiredFillingIgnoresWirelessFields()
    {
        ConfigRecord r = wiredModel();
        r.ssid = "typed";
        r.encryption = 1;
        r.setPassword("secret");
        const QByteArray up = encodeUpload(r);
        QCOMPARE(up.size(), 113);
        QCOMPARE(octets(up, 17, 37), QByteArray(21, char(255)));
        QCOMPARE(at(up, 38), quint8(0));
        QCOMPARE(at(up, 39), quint8(80));
        QCOMPARE(octets(up, 40, 105), QByteArray(66, char(255)));
        QCOMPARE(octets(up, 106, 113), QByteArray("\x09\x00\x01\x02\x00\x01\x00\x01", 8));
    }

    void record_addsSerialNumberAndKind()
    {
        ConfigRecord r = passwordModel();
        QByteArray rec = encodeRecord(r);
        QCOMPARE(rec.size(), 116);
        QCOMPARE(rec.left(113), encodeUpload(r));
        QCOMPARE(at(rec, 114), quint8(18));
        QCOMPARE(at(rec, 115), quint8(52));
        QCOMPARE(at(rec, 116), quint8(0));
    }

    void decode_readsPositions()
    {
        QByteArray rec = golden::PasswordGateway255;
        rec[113] = char(18);
        rec[114] = char(52);
        rec[37] = char(31);
        rec[38] = char(144);
        const auto r = decodeRecord(rec);
        QVERIFY(r);
        QCOMPARE(r->serialNumber, quint16(4660));
        QCOMPARE(r->primaryPort, quint16(8080));
        QCOMPARE(addressText(r->ip), QString("192.168.1.20"));
        QCOMPARE(addressText(r->mask), QString("255.255.255.0"));
        QCOMPARE(addressText(r->gateway), QString("192.168.1.255"));
        QCOMPARE(r->ssid, QString("HOME"));
        QCOMPARE(r->password(), QString("abc"));
        QCOMPARE(r->secret.size(), 64);
        QCOMPARE(quint8(r->secret.at(3)), quint8(0));

        // Two-octet values are unsigned.
        rec[37] = char(255);
        rec[38] = char(255);
        rec[113] = char(128);
        rec[114] = char(0);
        QCOMPARE(decodeRecord(rec)->primaryPort, quint16(65535));
        QCOMPARE(decodeRecord(rec)->serialNumber, quint16(32768));
    }

    void decode_textFields()
    {
        QByteArray rec = golden::PasswordGateway255;
        // A 21-character SSID has no end octet; the port behind it is not text.
        rec.replace(16, 21, QByteArray(21, 'x'));
        QCOMPARE(decodeRecord(rec)->ssid, QString(21, 'x'));
        rec[16] = char(0);
        QCOMPARE(decodeRecord(rec)->ssid, QString());
        rec[16] = char(255);
        QCOMPARE(decodeRecord(rec)->ssid, QString());
        // Octets outside ASCII read as Latin-1.
        rec.replace(16, 3, QByteArray("\xe9\xe8\x00", 3));
        QCOMPARE(decodeRecord(rec)->ssid, QString::fromUtf8("éè"));
        // A 64-character password fills the secret field.
        rec.replace(41, 64, QByteArray(64, 'p'));
        QCOMPARE(decodeRecord(rec)->password(), QString(64, 'p'));
        rec[41] = char(255);
        QCOMPARE(decodeRecord(rec)->password(), QString());
    }

    void decode_deviceKind()
    {
        QByteArray rec = golden::PasswordGateway255;
        QVERIFY(!decodeRecord(rec)->wired());
        for (quint8 kind : {quint8(1), quint8(255)}) {
            rec[115] = char(kind);
            const auto r = decodeRecord(rec);
            QVERIFY(r->wired());
            QCOMPARE(r->deviceKind, kind);
            // The SSID and secret of a wired model are not read.
            QCOMPARE(r->ssid, QString());
            QCOMPARE(r->secret, QByteArray(64, char(255)));
            QCOMPARE(r->password(), QString());
            QCOMPARE(addressText(r->ip), QString("192.168.1.20"));
            QCOMPARE(r->serial[Com2Parity], quint8(2));
        }
    }

    void decode_rejectsWhatIsNoRecord()
    {
        const QByteArray rec = golden::PasswordGateway255;
        QVERIFY(decodeRecord(rec));
        QVERIFY(decodeRecord(rec + "\r"));  // octets after the record are ignored
        QVERIFY(!decodeRecord(rec.left(115)));
        QVERIFY(!decodeRecord(QByteArray()));
        QByteArray lower = rec;
        lower[0] = 'c';
        QVERIFY(!decodeRecord(lower));
        QVERIFY(!decodeRecord(requestFrame() + "xyz"));
        QVERIFY(decodeUpload(encodeUpload(passwordModel())));
        QVERIFY(!decodeUpload(rec));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("octets");
        for (const golden::Named &g : golden::All)
            QTest::newRow(g.name) << g.record;
        QByteArray none = golden::PasswordGateway255;
        none[39] = char(0);
        none.replace(40, 65, QByteArray(65, char(255)));
        QTest::newRow("encryption None") << none;
        QByteArray longest = golden::PasswordGateway255;
        longest.replace(16, 21, QByteArray(21, 'S'));
        longest.replace(41, 64, QByteArray(64, 'P'));
        QTest::newRow("longest texts") << longest;
    }
    void roundTrip()
    {
        QFETCH(QByteArray, octets);
        const auto read = decodeRecord(octets);
        QVERIFY(read);
        const ConfigRecord &record = *read;
        QCOMPARE(encodeRecord(record), octets);
        const auto decoded = decodeRecord(encodeRecord(record));
        QVERIFY(decoded);
        QVERIFY(*decoded == record);
        QCOMPARE(decoded->password(), record.password());

        // An upload carries everything but serial number and kind.
        auto uploaded = decodeUpload(encodeUpload(record));
        QVERIFY(uploaded);
        uploaded->serialNumber = record.serialNumber;
        uploaded->deviceKind = record.deviceKind;
        QCOMPARE(encodeRecord(*uploaded), encodeRecord(record));
    }
};

QTEST_GUILESS_MAIN(TestConfigRecord)
#include "test_config_record.moc"
