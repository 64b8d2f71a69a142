// Gathering received octets into records: marker alignment, pieces, bounds.

#include "GoldenRecords.h"
#include "RecordAssembler.h"

#include <QtTest>

using namespace rallon;

namespace {

QByteArray sampleRecord(quint8 lastOctet = 0)
{
    QByteArray bytes = golden::WirelessPassword;
    bytes[115] = char(lastOctet);
    return bytes;
}

}  // namespace

class TestRecordAssembler : public QObject {
    Q_OBJECT

private slots:
    void recordIsCompleteAt116Octets()
    {
        RecordAssembler assembler;
        const QByteArray record = sampleRecord();
        QVERIFY(assembler.append(record.left(115)).isEmpty());
        const auto records = assembler.append(record.mid(115));
        QCOMPARE(records, QList<QByteArray>{record});
        QVERIFY(assembler.buffered().isEmpty());
    }

    void recordInPiecesIsDeliveredOnce()
    {
        RecordAssembler assembler;
        const QByteArray stream = sampleRecord() + "\r";
        QList<QByteArray> records;
        for (int i = 0; i < stream.size(); i += 7)
            records += assembler.append(stream.mid(i, 7));
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first(), sampleRecord());
        // The trailing octet stays until something shows it is no marker.
        QCOMPARE(assembler.buffered(), QByteArray("\r"));
    }

    void noiseBeforeTheMarkerIsDropped()
    {
        RecordAssembler assembler;
        const QByteArray noise("\x01\xff" "CF" "\x00" "C", 6);
        const auto records = assembler.append(noise + sampleRecord());
        QCOMPARE(records, QList<QByteArray>{sampleRecord()});
    }

    void markerSplitAcrossReads()
    {
        RecordAssembler assembler;
        const QByteArray record = sampleRecord();
        QVERIFY(assembler.append("junkC").isEmpty());
        QVERIFY(assembler.append("FG").isEmpty());
        QCOMPARE(assembler.buffered(), QByteArray("CFG"));
        QCOMPARE(assembler.append(record.mid(3)), QList<QByteArray>{record});
    }

    void twoRecordsInOneRead()
    {
        RecordAssembler assembler;
        const QByteArray first = sampleRecord(0), second = sampleRecord(1);
        const auto records = assembler.append(first + "\r" + second + "\r");
        QCOMPARE(records, (QList<QByteArray>{first, second}));
    }

    void garbageWithoutMarkerStaysBounded()
    {
        RecordAssembler assembler;
        QByteArray garbage(4096, 'x');
        for (int i = 0; i < 1000; ++i) {
            QVERIFY(assembler.append(garbage).isEmpty());
            QVERIFY(assembler.buffered().size() <= 3);
        }
        // A partial record is held, never more than one record's length.
        assembler.append(sampleRecord().left(100));
        QCOMPARE(assembler.buffered().size(), 100);
        assembler.clear();
        QVERIFY(assembler.buffered().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRecordAssembler)
#include "test_record_assembler.moc"
