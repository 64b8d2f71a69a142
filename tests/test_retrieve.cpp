// The texts a decoded record shows: addresses, lists, "N / A", key boxes.

#include "ConfigRecord.h"
#include "GoldenRecords.h"
#include "Retrieve.h"

#include <QtTest>

using namespace rallon;

namespace {

QByteArray homeRecord() { return golden::PasswordWithControls; }

RecordDisplay shown(const QByteArray &record)
{
    const auto decoded = decodeRecord(record);
    Q_ASSERT(decoded);
    return displayOf(*decoded);
}

}  // namespace

class TestRetrieve : public QObject {
    Q_OBJECT

private slots:
    void wirelessPasswordRecord()
    {
        const RecordDisplay d = shown(homeRecord());
        QCOMPARE(d.current[Setting::Ip], QString("192.168.1.20"));
        QCOMPARE(d.current[Setting::Mask], QString("255.255.255.0"));
        QCOMPARE(d.current[Setting::Gateway], QString("192.168.1.0"));
        QCOMPARE(d.current[Setting::Ssid], QString("HOME"));
        QCOMPARE(d.current[Setting::PrimaryPort], QString("4000"));
        QCOMPARE(d.current[Setting::Encryption], QString("WAP (TKIP)"));
        QCOMPARE(d.current[Setting::Password], QString("a\x1f\n"));
        QCOMPARE(d.deviceKind, DeviceKind::Wireless);
        QVERIFY(!d.sharedKey);
        QCOMPARE(std::vector<QString>(d.current.texts.begin() + int(Setting::Com1Baud), d.current.texts.end()),
                 (std::vector<QString>{"9600", "8", "1", "NONE", "115200", "7", "2", "ODD"}));
        QCOMPARE(d.serialNumber, QString(" 4660"));
        // Key boxes hold the secret field: the password, its end octet, then FF.
        QCOMPARE(d.keyBoxes.size(), 64);
        QCOMPARE(d.keyBoxes.mid(0, 4), QStringList({"61", "1F", "A", "0"}));
        QCOMPARE(d.keyBoxes.mid(4), QStringList(60, "FF"));
    }

    void sharedKeyRecordEmptiesThePassword()
    {
        QByteArray rec = homeRecord();
        rec[40] = char(1);
        const RecordDisplay d = shown(rec);
        QVERIFY(d.sharedKey);
        QCOMPARE(d.current[Setting::Password], QString());
        QCOMPARE(d.keyBoxes.first(), QString("61"));
    }

    void wiredRecord_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("1") << 1;
        QTest::newRow("255") << 255;
    }
    void wiredRecord()
    {
        QFETCH(int, kind);
        QByteArray rec = homeRecord();
        rec[115] = char(kind);
        rec[40] = char(1);  // a shared key octet is not read for a wired model
        const RecordDisplay d = shown(rec);
        QCOMPARE(d.deviceKind, DeviceKind::Wired);
        QCOMPARE(d.current[Setting::Ssid], QString("N / A"));
        QCOMPARE(d.current[Setting::Encryption], QString("N / A"));
        QCOMPARE(d.current[Setting::Password], QString("N / A"));
        QVERIFY(!d.sharedKey);
        QCOMPARE(d.keyBoxes, QStringList(64, "FF"));
        QCOMPARE(d.current[Setting::Ip], QString("192.168.1.20"));
        QCOMPARE(d.current[Com1Baud], QString("9600"));
    }

    void numbersAndCodesOutOfRange()
    {
        QByteArray rec = homeRecord();
        rec[37] = char(31);
        rec[38] = char(144);
        rec[113] = char(0);
        rec[114] = char(7);
        RecordDisplay d = shown(rec);
        QCOMPARE(d.current[Setting::PrimaryPort], QString("8080"));
        QCOMPARE(d.serialNumber, QString(" 7"));

        rec[37] = char(200);
        rec[113] = char(255);
        rec[114] = char(255);
        rec[39] = char(4);        // encryption code with no entry
        rec[108] = char(3);       // parity code with no entry
        rec[112] = char(255);
        d = shown(rec);
        QCOMPARE(d.current[Setting::PrimaryPort], QString::number(200 * 256 + 144));
        QCOMPARE(d.serialNumber, QString(" 65535"));
        QCOMPARE(d.current[Setting::Encryption], QString("----"));
        QCOMPARE(d.current[Com1Parity], QString("----"));
        QCOMPARE(d.current[Com2Parity], QString("----"));
        QCOMPARE(d.current[Com2StopBits], QString("2"));
    }

    void textFieldsStopAtTheirEnd()
    {
        QByteArray rec = homeRecord();
        rec[15] = char(255);      // gateway's last number does not touch the SSID
        QCOMPARE(shown(rec).current[Setting::Ssid], QString("HOME"));
        rec[16] = char(0);
        QCOMPARE(shown(rec).current[Setting::Ssid], QString());
        rec[41] = char(255);
        QCOMPARE(shown(rec).current[Setting::Password], QString());
    }
};

QTEST_GUILESS_MAIN(TestRetrieve)
#include "test_retrieve.moc"
