// The virtual device over real pseudo-terminals: in-process and as a program.

#include "Built.h"
#include "ConfigRecord.h"
#include "LineSettings.h"
#include "Pty.h"
#include "SimDevice.h"
#include "SimLine.h"
#include "SimProgram.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

#include <unistd.h>

using namespace rallon;

Q_DECLARE_METATYPE(rallon::SimFault)

namespace {

constexpr int RecordAndCr = frame::RecordLength + 1;

// Runs the event loop until `port` holds at least `count` octets.
bool waitForBytes(QSerialPort &port, int count, int timeoutMs = 3000)
{
    QSignalSpy readyRead(&port, &QSerialPort::readyRead);
    QDeadlineTimer deadline(timeoutMs);
    while (port.bytesAvailable() < count && !deadline.hasExpired())
        readyRead.wait(int(qMax<qint64>(1, deadline.remainingTime())));
    return port.bytesAvailable() >= count;
}

bool openUtilityPort(QSerialPort &port, const QString &path)
{
    port.setPortName(path);
    applyDeviceLineSettings(port);
    return port.open(QIODevice::ReadWrite);
}

// Waits in the event loop: on Windows, Qt's waitForBytesWritten can take
// a completion the event loop has already handled, and crash.
void send(QSerialPort &port, const QByteArray &bytes)
{
    QSignalSpy written(&port, &QSerialPort::bytesWritten);
    port.write(bytes);
    qint64 total = 0;
    QDeadlineTimer deadline(1000);
    while (total < bytes.size() && (!written.isEmpty() || written.wait(int(qMax<qint64>(1, deadline.remainingTime())))))
        total += written.takeFirst().at(0).toLongLong();
}

QByteArray answerOf(const QString &model)
{
    return encodeRecord(*simModel(model)) + '\r';
}

// The device in-process on a new pseudo-terminal, and the utility's port on it.
struct Bench {
    explicit Bench(const QString &model = QStringLiteral("wireless-password"))
        : device(*simModel(model)), line(&device),
          requests(&device, &SimDevice::requestReceived),
          uploads(&device, &SimDevice::uploadReceived),
          unknowns(&device, &SimDevice::unknownReceived),
          answers(&device, &SimDevice::answerSent)
    {
    }

    // Closing a port cancels its pending waits; under Wine a cancelled wait
    // ends on a thread of its own a moment later and writes into the port's
    // memory. Both ports are closed, and that moment let pass, before they go.
    ~Bench()
    {
        port.close();
        if (QSerialPort *served = line.findChild<QSerialPort *>())
            served->close();
        if (Pty::isPortPair())
            QTest::qWait(50);
    }

    bool open()
    {
        QString error;
        if (!line.openPty(&error)) {
            qWarning() << error;
            return false;
        }
        return openUtilityPort(port, line.path());
    }

    QByteArray unknownBytes() const
    {
        QByteArray all;
        for (const QList<QVariant> &arguments : unknowns)
            all += arguments.at(0).toByteArray();
        return all;
    }

    SimDevice device;
    SimLine line;
    QSerialPort port;
    QSignalSpy requests;
    QSignalSpy uploads;
    QSignalSpy unknowns;
    QSignalSpy answers;
};

}  // namespace

class TestSim : public QObject
{
    Q_OBJECT

private slots:
    void frameReaderFindsSplitMarkers();
    void frameReaderBoundsGarbage();
    void modelsAnswerRequest_data();
    void modelsAnswerRequest();
    void uploadChangesRecord_data();
    void uploadChangesRecord();
    void framing_data();
    void framing();
    void idlePartialFrameIsDropped();
    void faultSilent();
    void faultPartial();
    void faultNoise();
    void faultPieces();
    void faultTwice();
    void pace_data();
    void pace();
    void servesSerialDevice();
    void programAnswersAndEndsOnSigterm();
    void programPacesBothWays();
    void programServesBatch();
    void programRejectsBadArguments_data();
    void programRejectsBadArguments();
};

void TestSim::frameReaderFindsSplitMarkers()
{
    const QByteArray request = requestFrame();
    for (int split = 1; split < request.size(); ++split) {
        FrameReader reader;
        QVERIFY2(reader.feed(request.left(split)).isEmpty(), qPrintable(QString::number(split)));
        const QList<FrameReader::Frame> frames = reader.feed(request.mid(split));
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.at(0).kind, FrameReader::Request);
        QCOMPARE(reader.pendingSize(), 0);
    }

    // An upload's contents are not searched for markers.
    FrameReader reader;
    QByteArray upload = encodeUpload(*simModel(QStringLiteral("wireless-password")));
    upload.replace(41, 4, "CFG?");
    const QList<FrameReader::Frame> frames = reader.feed("ab" + upload + "CF");
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames.at(0).kind, FrameReader::Unknown);
    QCOMPARE(frames.at(0).bytes, QByteArray("ab"));
    QCOMPARE(frames.at(1).kind, FrameReader::Upload);
    QCOMPARE(frames.at(1).bytes, upload);
    QCOMPARE(reader.takePending(), QByteArray("CF"));
}

void TestSim::frameReaderBoundsGarbage()
{
    // Near-markers only: "CFG" followed by anything but '?' or '='.
    const QByteArray chunk = QByteArray("CFGxCFCFG!C").repeated(100);
    FrameReader reader;
    qsizetype reported = 0;
    for (int i = 0; i < 100; ++i) {
        for (const FrameReader::Frame &frame : reader.feed(chunk)) {
            QCOMPARE(frame.kind, FrameReader::Unknown);
            reported += frame.bytes.size();
        }
        QVERIFY(reader.pendingSize() <= 3);
    }
    QCOMPARE(reported + reader.pendingSize(), 100 * chunk.size());
}

void TestSim::modelsAnswerRequest_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("gateway");
    QTest::addColumn<QString>("ssid");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("encryption");
    QTest::addColumn<QByteArray>("secret");
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<int>("serialNumber");
    QTest::addColumn<bool>("wired");

    QTest::newRow("wireless-password")
        << "wireless-password" << "192.168.1.20" << "255.255.255.0" << "192.168.1.1" << "HOME" << 4000 << 2
        << QByteArray("abc") + '\0' + QByteArray(60, char(255)) << QByteArray::fromHex("0201000009000102")
        << 4660 << false;
    QByteArray key(64, 0);
    for (int i = 0; i < 64; ++i)
        key[i] = char((31 + 7 * i) % 256);
    key[1] = 10;
    key[2] = 0;
    QTest::newRow("wireless-key")
        << "wireless-key" << "10.0.0.5" << "255.0.0.0" << "10.0.0.1" << "RALLON-NET" << 32499 << 3 << key
        << QByteArray::fromHex("0101000104010100") << 7 << false;
    QTest::newRow("wired")
        << "wired" << "172.16.5.9" << "255.255.0.0" << "172.16.0.1" << "" << 8080 << 255
        << QByteArray(64, char(255)) << QByteArray::fromHex("0201000002010000") << 1234 << true;
}

void TestSim::modelsAnswerRequest()
{
    QFETCH(QString, model);
    Bench bench(model);
    QVERIFY(bench.open());
    send(bench.port, requestFrame());
    QVERIFY(waitForBytes(bench.port, RecordAndCr));
    const QByteArray answer = bench.port.readAll();
    QCOMPARE(answer.size(), RecordAndCr);
    QCOMPARE(answer.at(frame::RecordLength), '\r');

    const std::optional<ConfigRecord> record = decodeRecord(answer);
    QVERIFY(record);
    QTEST(addressText(record->ip), "ip");
    QTEST(addressText(record->mask), "mask");
    QTEST(addressText(record->gateway), "gateway");
    QTEST(record->ssid, "ssid");
    QTEST(int(record->primaryPort), "port");
    QTEST(int(record->encryption), "encryption");
    QTEST(record->secret, "secret");
    QTEST(QByteArray(reinterpret_cast<const char *>(record->serial.data()), 8), "serial");
    QTEST(int(record->serialNumber), "serialNumber");
    QTEST(record->wired(), "wired");
    if (model == QLatin1String("wireless-password"))
        QCOMPARE(record->password(), QStringLiteral("abc"));
    if (model == QLatin1String("wireless-key"))
        QVERIFY(record->sharedKey());
    QCOMPARE(bench.requests.count(), 1);
    QCOMPARE(bench.answers.count(), 1);
    QCOMPARE(bench.answers.at(0).at(0).toByteArray(), answer);
}

void TestSim::uploadChangesRecord_data()
{
    QTest::addColumn<QString>("model");
    QTest::newRow("wireless") << "wireless-password";
    QTest::newRow("wired") << "wired";
}

void TestSim::uploadChangesRecord()
{
    QFETCH(QString, model);
    Bench bench(model);
    QVERIFY(bench.open());
    const ConfigRecord before = *simModel(model);

    ConfigRecord wanted;
    wanted.ip = {10, 1, 2, 3};
    wanted.mask = {255, 255, 0, 0};
    wanted.gateway = {10, 1, 0, 1};
    wanted.ssid = QStringLiteral("OFFICE");
    wanted.primaryPort = 5001;
    wanted.encryption = 1;
    wanted.setSharedKey(QByteArray::fromHex("0102030405"));
    wanted.serial = {9, 0, 1, 2, 0, 1, 0, 1};
    const QByteArray upload = encodeUpload(wanted);
    send(bench.port, upload);
    QVERIFY(waitForBytes(bench.port, RecordAndCr));
    const QByteArray afterUpload = bench.port.readAll();
    QCOMPARE(bench.uploads.count(), 1);
    QCOMPARE(bench.uploads.at(0).at(0).toByteArray(), upload);

    // Serial number and kind are the device's own; a wired device stays wired.
    ConfigRecord expected = wanted;
    expected.serialNumber = before.serialNumber;
    expected.deviceKind = before.deviceKind;
    const std::optional<ConfigRecord> record = decodeRecord(afterUpload);
    QVERIFY(record);
    QCOMPARE(*record, *decodeRecord(encodeRecord(expected)));
    QCOMPARE(record->wired(), before.wired());
    QCOMPARE(record->ssid, before.wired() ? QString() : QStringLiteral("OFFICE"));
    QCOMPARE(afterUpload.at(frame::RecordLength), '\r');
    QCOMPARE(bench.device.config(), *record);

    send(bench.port, requestFrame());
    QVERIFY(waitForBytes(bench.port, RecordAndCr));
    QCOMPARE(bench.port.readAll(), afterUpload);
}

void TestSim::framing_data()
{
    const QByteArray request = requestFrame();
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QByteArray>("unknown");
    QTest::addColumn<int>("requests");

    QTest::newRow("request in pieces, marker split")
        << QList<QByteArray>{request.left(1), request.mid(1, 2), request.mid(3, 50), request.mid(53)}
        << QByteArray() << 1;
    QTest::newRow("garbage before request")
        << QList<QByteArray>{"xyzC" + request} << QByteArray("xyzC") << 1;
    QTest::newRow("garbage in pieces, then request")
        << QList<QByteArray>{"CF", "GxCFG", "!C", request} << QByteArray("CFGxCFG!C") << 1;
    QTest::newRow("truncated request right before a full one")
        << QList<QByteArray>{request.left(50) + request} << request.left(50) << 1;
    QTest::newRow("two requests in one write")
        << QList<QByteArray>{request + request} << QByteArray() << 2;
}

void TestSim::framing()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(int, requests);
    Bench bench;
    QVERIFY(bench.open());
    for (const QByteArray &piece : pieces) {
        send(bench.port, piece);
        QTest::qWait(30);  // let each piece arrive on its own
    }
    // A further request marks the end: everything before it has been handled.
    send(bench.port, requestFrame());
    QVERIFY(waitForBytes(bench.port, (requests + 1) * RecordAndCr));
    QTRY_COMPARE(bench.requests.count(), requests + 1);
    QCOMPARE(bench.answers.count(), requests + 1);
    QCOMPARE(bench.port.readAll(), answerOf(QStringLiteral("wireless-password")).repeated(requests + 1));
    QTEST(bench.unknownBytes(), "unknown");
}

void TestSim::idlePartialFrameIsDropped()
{
    Bench bench;
    QVERIFY(bench.open());
    const QByteArray truncated = requestFrame().left(60);
    QElapsedTimer clock;
    clock.start();
    send(bench.port, truncated);
    QVERIFY(bench.unknowns.wait(3000));
    QVERIFY(clock.elapsed() >= 400);
    QCOMPARE(bench.unknownBytes(), truncated);
    QCOMPARE(bench.answers.count(), 0);

    send(bench.port, requestFrame());
    QVERIFY(waitForBytes(bench.port, RecordAndCr));
    QCOMPARE(bench.port.readAll(), answerOf(QStringLiteral("wireless-password")));
    QCOMPARE(bench.unknowns.count(), 1);
}

void TestSim::faultSilent()
{
    Bench bench;
    bench.device.setFault(SimFault::Silent);
    QVERIFY(bench.open());
    send(bench.port, requestFrame());
    QTRY_COMPARE(bench.requests.count(), 1);
    QSignalSpy readyRead(&bench.port, &QSerialPort::readyRead);
    QVERIFY(!readyRead.wait(1000));
    QCOMPARE(bench.port.bytesAvailable(), 0);
    QCOMPARE(bench.answers.count(), 0);
}

void TestSim::faultPartial()
{
    Bench bench;
    bench.device.setFault(SimFault::Partial);
    QVERIFY(bench.open());
    send(bench.port, requestFrame());
    QVERIFY(waitForBytes(bench.port, 40));
    QSignalSpy readyRead(&bench.port, &QSerialPort::readyRead);
    QVERIFY(!readyRead.wait(300));
    const QByteArray received = bench.port.readAll();
    QCOMPARE(received, answerOf(QStringLiteral("wireless-password")).left(40));
    QCOMPARE(bench.answers.at(0).at(0).toByteArray(), received);
}

void TestSim::faultNoise()
{
    Bench bench;
    bench.device.setFault(SimFault::Noise);
    QVERIFY(bench.open());
    const QByteArray answer = answerOf(QStringLiteral("wireless-password"));
    // Enough rounds that a 'C' (1 in 256 per octet) would almost surely show.
    for (int round = 0; round < 300; ++round) {
        send(bench.port, requestFrame());
        QVERIFY(bench.answers.count() > round || bench.answers.wait(3000));
        const QByteArray sent = bench.answers.at(round).at(0).toByteArray();
        QVERIFY(waitForBytes(bench.port, int(sent.size())));
        const QByteArray received = bench.port.read(sent.size());
        QCOMPARE(received, sent);
        const qsizetype noise = received.size() - answer.size();
        QVERIFY2(noise >= 3 && noise <= 8, qPrintable(QString::number(noise)));
        QVERIFY(!received.left(noise).contains('C'));
        QCOMPARE(received.mid(noise), answer);
    }
}

void TestSim::faultPieces()
{
    Bench bench;
    bench.device.setFault(SimFault::Pieces);
    QVERIFY(bench.open());
    QSignalSpy readyRead(&bench.port, &QSerialPort::readyRead);
    QElapsedTimer clock;
    clock.start();
    send(bench.port, requestFrame());
    QVERIFY(waitForBytes(bench.port, RecordAndCr));
    // At most 9 octets a piece, so at least 13 pieces and 12 pauses of 20 ms or more.
    QVERIFY2(readyRead.count() >= 3, qPrintable(QString::number(readyRead.count())));
    QVERIFY2(clock.elapsed() >= 200, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(bench.port.readAll(), answerOf(QStringLiteral("wireless-password")));
}

void TestSim::faultTwice()
{
    Bench bench;
    const std::optional<SimFault> twice = simFault(QStringLiteral("twice"));
    QVERIFY(twice);
    bench.device.setFault(*twice);
    QVERIFY(bench.open());
    send(bench.port, requestFrame());
    const QByteArray answer = answerOf(QStringLiteral("wireless-password"));
    QVERIFY(waitForBytes(bench.port, int(2 * answer.size())));
    QSignalSpy readyRead(&bench.port, &QSerialPort::readyRead);
    QVERIFY(!readyRead.wait(300));
    QCOMPARE(bench.port.readAll(), answer + answer);
    QCOMPARE(bench.requests.count(), 1);
}

void TestSim::pace_data()
{
    QTest::addColumn<SimFault>("fault");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("atLeastMs");
    QTest::newRow("whole answer") << SimFault::None << RecordAndCr << 200;  // 117 * 2.083 ms
    QTest::newRow("partial") << SimFault::Partial << 40 << 70;              // 40 * 2.083 ms
}

void TestSim::pace()
{
    QFETCH(SimFault, fault);
    QFETCH(int, length);
    QFETCH(int, atLeastMs);
    Bench bench;
    bench.device.setFault(fault);
    bench.device.setPaced(true);
    QVERIFY(bench.open());
    QElapsedTimer clock;
    clock.start();
    send(bench.port, requestFrame());
    QVERIFY(waitForBytes(bench.port, length));
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= atLeastMs, qPrintable(QString::number(elapsed)));
    QCOMPARE(bench.port.readAll(), answerOf(QStringLiteral("wireless-password")).left(length));
}

// The device on a serial device: here the slave of a pseudo-terminal made by the test.
void TestSim::servesSerialDevice()
{
    Pty pty;
    QString error;
    QVERIFY2(pty.open(&error), qPrintable(error));

    SimDevice device(*simModel(QStringLiteral("wired")));
    SimLine line(&device);
    QVERIFY2(line.openSerial(pty.path(), &error), qPrintable(error));
    QCOMPARE(line.path(), pty.path());

    const QByteArray request = requestFrame();
    QCOMPARE(pty.write(request.constData(), request.size()), request.size());
    QByteArray received;
    QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                 char buffer[256];
                                 const qint64 count = pty.read(buffer, sizeof buffer);
                                 if (count > 0)
                                     received.append(buffer, int(count));
                                 return received.size() >= RecordAndCr;
                             }()),
                             3000);
    QCOMPARE(received, answerOf(QStringLiteral("wired")));
}

void TestSim::programAnswersAndEndsOnSigterm()
{
    SimProgram sim;
    QVERIFY(sim.start({QStringLiteral("--model"), QStringLiteral("wireless-key")}));
    {
        QSerialPort port;
        QVERIFY2(openUtilityPort(port, sim.path), qPrintable(port.errorString()));
        send(port, requestFrame());
        QVERIFY(waitForBytes(port, RecordAndCr));
        const QByteArray answer = port.readAll();
        QCOMPARE(answer, answerOf(QStringLiteral("wireless-key")));
        const QString sent = QStringLiteral("sent record ") + QString::fromLatin1(answer.toHex(' '));
        QVERIFY(sim.waitFor(sent) >= 0);
        QCOMPARE(sim.lines, QStringList({QStringLiteral("received request"), sent}));
    }

#ifdef Q_OS_WIN
    QSKIP("Windows has no SIGTERM for a console program; its console events are not sent from here");
#endif
    sim.process.terminate();  // SIGTERM
    QVERIFY(sim.process.waitForFinished(5000));
    QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process.exitCode(), 0);
}

// A frame is acted on when a 4800-baud line would have delivered its last
// octet: 113 octets take 235.4 ms, from when they arrive or the line is free.
void TestSim::programPacesBothWays()
{
    SimProgram sim;
    QVERIFY(sim.start({QStringLiteral("--pace")}));
    QSerialPort port;
    QVERIFY2(openUtilityPort(port, sim.path), qPrintable(port.errorString()));

    const qint64 sentAt = sim.clock.elapsed();
    send(port, requestFrame());
    QTest::qWait(100);
    send(port, requestFrame());  // while the first is still on the line
    QVERIFY(waitForBytes(port, 1));
    const qint64 answeredMs = sim.clock.elapsed() - sentAt;
    // Each upper bound a frame's time beyond its lower one: a loaded machine
    // is late by tens of milliseconds, a frame paced twice by a whole frame.
    constexpr qint64 FrameMs = 235;
    QVERIFY2(answeredMs >= FrameMs && answeredMs < 2 * FrameMs, qPrintable(QString::number(answeredMs)));
    const qint64 secondMs = sim.waitFor(QStringLiteral("received request"), 2) - sentAt;
    QVERIFY2(secondMs >= 2 * FrameMs && secondMs < 3 * FrameMs, qPrintable(QString::number(secondMs)));
    QVERIFY(waitForBytes(port, 2 * RecordAndCr));
    QCOMPARE(port.readAll(), answerOf(QStringLiteral("wireless-password")).repeated(2));
}

// Devices one after another: unplugged by a line on standard input or by
// SIGUSR1, silent between them and after the last, a fault set for the
// devices to come.
void TestSim::programServesBatch()
{
    SimProgram sim;
    QVERIFY(sim.start({"--batch", "3", "--gap-ms", "300", "--pace"}));
    QSerialPort port;
    QVERIFY2(openUtilityPort(port, sim.path), qPrintable(port.errorString()));
    const ConfigRecord model = *simModel(QStringLiteral("wireless-password"));
    auto record = [&](int serialNumber, int primaryPort) {
        ConfigRecord expected = model;
        expected.serialNumber = quint16(serialNumber);
        expected.primaryPort = quint16(primaryPort);
        return encodeRecord(expected) + '\r';
    };
    auto exchange = [&](const QByteArray &frame) {
        send(port, frame);
        return waitForBytes(port, RecordAndCr) ? port.readAll() : QByteArray();
    };
    const QString ignored = QStringLiteral("ignored 113 octets: no device");

    QVERIFY(sim.waitFor(QStringLiteral("plugged in device 1 of 3, serial 4660")) >= 0);
    QCOMPARE(exchange(requestFrame()), record(4660, 4000));

    // Pulled out while answering: the rest of the answer never comes.
    send(port, requestFrame());
    QVERIFY(waitForBytes(port, 1));
    sim.process.write("unplug\n");
    const qint64 unpluggedAt = sim.waitFor(QStringLiteral("unplugged device 1 of 3"));
    QVERIFY(unpluggedAt >= 0);
    send(port, requestFrame());
    QVERIFY(sim.waitFor(ignored) >= 0);
    const qint64 pluggedAt = sim.waitFor(QStringLiteral("plugged in device 2 of 3, serial 4661"));
    QVERIFY2(pluggedAt - unpluggedAt >= 250, qPrintable(QString::number(pluggedAt - unpluggedAt)));
    QVERIFY2(port.bytesAvailable() < RecordAndCr, qPrintable(QString::number(port.bytesAvailable())));
    port.readAll();
    QCOMPARE(exchange(requestFrame()), record(4661, 4000));

    sim.process.write("bogus\nfault alter\n");
    QVERIFY(sim.waitFor(QStringLiteral("fault set to alter")) >= 0);
    ConfigRecord upload = model;
    upload.primaryPort = 5000;
    QCOMPARE(exchange(encodeUpload(upload)), record(4661, 5001));

#ifdef Q_OS_WIN
    const auto unplug = [&] { sim.process.write("unplug\n"); };  // Windows has no SIGUSR1
#else
    sim.process.closeWriteChannel();  // the program goes on
    const auto unplug = [&] { ::kill(pid_t(sim.process.processId()), SIGUSR1); };
#endif
    unplug();
    QVERIFY(sim.waitFor(QStringLiteral("unplugged device 2 of 3")) >= 0);
    QVERIFY(sim.waitFor(QStringLiteral("plugged in device 3 of 3, serial 4662")) >= 0);
    QCOMPARE(exchange(encodeUpload(upload)), record(4662, 5001));

    unplug();
    QVERIFY(sim.waitFor(QStringLiteral("batch done: no device on the line")) >= 0);
    send(port, requestFrame());
    QVERIFY(sim.waitFor(ignored, 2) >= 0);
    QVERIFY(!waitForBytes(port, 1, 600));
    QCOMPARE(sim.process.state(), QProcess::Running);
    QVERIFY(sim.process.readAllStandardError().contains("unknown control line \"bogus\""));
}

void TestSim::programRejectsBadArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("model") << QStringList{"--model", "wireless"};
    QTest::newRow("fault") << QStringList{"--fault", "loud"};
    QTest::newRow("batch") << QStringList{"--batch", "0"};
    QTest::newRow("gap") << QStringList{"--gap-ms", "-5"};
}

void TestSim::programRejectsBadArguments()
{
    QFETCH(QStringList, arguments);
    QProcess program;
    program.start(built(RALLON_SIM_PATH), arguments);
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitCode(), 2);
    QVERIFY(program.readAllStandardOutput().isEmpty());
    QVERIFY(program.readAllStandardError().contains(arguments.at(1).toLatin1()));
}

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
