// The texts a decoded record shows: addresses, lists, "N / A", key boxes.

#include "ConfigRecord.h"
#include "Retrieve.h"

#include <QtTest>

using namespace rallon;

namespace {

QByteArray homeRecord()
{
    ConfigRecord r;
    r.ip = {192, 168, 1, 20};
    r.mask = {255, 255, 255, 0};
    r.gateway = {192, 168, 1, 0};
    r.ssid = "HOME";
    r.primaryPort = 4000;
    r.encryption = 2;
    r.setPassword("a\x1f\n");
    r.serial = {2, 1, 0, 0, 9, 0, 1, 2};
    r.serialNumber = 4660;
    return encodeRecord(r);
}

CurrentData shown(const QByteArray &record)
{
    const auto decoded = decodeRecord(record);
    Q_ASSERT(decoded);
    return currentDataOf(*decoded);
}

}  // namespace

class TestRetrieve : public QObject {
    Q_OBJECT

private slots:
    void wirelessPasswordRecord()
    {
        const CurrentData d = shown(homeRecord());
        QCOMPARE(d.ip, QString("192.168.1.20"));
        QCOMPARE(d.mask, QString("255.255.255.0"));
        QCOMPARE(d.gateway, QString("192.168.1.0"));
        QCOMPARE(d.ssid, QString("HOME"));
        QCOMPARE(d.primaryPort, QString("4000"));
        QCOMPARE(d.encryption, QString("WAP (TKIP)"));
        QCOMPARE(d.password, QString("a\x1f\n"));
        QCOMPARE(d.deviceKind, 0);
        QVERIFY(!d.sharedKey);
        QCOMPARE(d.serial, (std::array<QString, 8>{"9600", "8", "1", "NONE", "115200", "7", "2", "ODD"}));
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
        const CurrentData d = shown(rec);
        QVERIFY(d.sharedKey);
        QCOMPARE(d.password, QString());
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
        const CurrentData d = shown(rec);
        QCOMPARE(d.deviceKind, 1);
        QCOMPARE(d.ssid, QString("N / A"));
        QCOMPARE(d.encryption, QString("N / A"));
        QCOMPARE(d.password, QString("N / A"));
        QVERIFY(!d.sharedKey);
        QCOMPARE(d.keyBoxes, QStringList(64, "FF"));
        QCOMPARE(d.ip, QString("192.168.1.20"));
        QCOMPARE(d.serial[Com1Baud], QString("9600"));
    }

    void numbersAndCodesOutOfRange()
    {
        QByteArray rec = homeRecord();
        rec[37] = char(31);
        rec[38] = char(144);
        rec[113] = char(0);
        rec[114] = char(7);
        CurrentData d = shown(rec);
        QCOMPARE(d.primaryPort, QString("8080"));
        QCOMPARE(d.serialNumber, QString(" 7"));

        rec[37] = char(200);
        rec[113] = char(255);
        rec[114] = char(255);
        rec[39] = char(4);        // encryption code with no entry
        rec[108] = char(3);       // parity code with no entry
        rec[112] = char(255);
        d = shown(rec);
        QCOMPARE(d.primaryPort, QString::number(200 * 256 + 144));
        QCOMPARE(d.serialNumber, QString(" 65535"));
        QCOMPARE(d.encryption, QString("----"));
        QCOMPARE(d.serial[Com1Parity], QString("----"));
        QCOMPARE(d.serial[Com2Parity], QString("----"));
        QCOMPARE(d.serial[Com2StopBits], QString("2"));
    }

    void textFieldsStopAtTheirEnd()
    {
        QByteArray rec = homeRecord();
        rec[15] = char(255);      // gateway's last number does not touch the SSID
        QCOMPARE(shown(rec).ssid, QString("HOME"));
        rec[16] = char(0);
        QCOMPARE(shown(rec).ssid, QString());
        rec[41] = char(255);
        QCOMPARE(shown(rec).password, QString());
    }
};

QTEST_GUILESS_MAIN(TestRetrieve)
#include "test_retrieve.moc"
