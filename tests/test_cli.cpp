// rallon-cli as a program, against rallon-sim over a real pseudo-terminal,
// and its document mapping on its own.

#include "Built.h"
#include "ChangeTexts.h"
#include "ConfigRecord.h"
#include "Document.h"
#include "OpenFailure.h"
#include "Plan.h"
#include "PtyPeer.h"
#include "SettingNames.h"
#include "Retrieve.h"
#include "SimDevice.h"
#include "SimProgram.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>

#include <sys/stat.h>

using namespace rallon;

namespace {

struct Run {
    int code = -1;
    QString out, err;
    qint64 ms = 0;
};

// How `program` ended, waiting up to `waitMs` for it; code -1 when it did
// not end or crashed.
Run endOf(QProcess &program, const QElapsedTimer &clock, int waitMs)
{
    Run run;
    if (program.state() != QProcess::NotRunning && !program.waitForFinished(waitMs))
        return run;
    run.ms = clock.elapsed();
    run.code = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.out = QString::fromLocal8Bit(program.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(program.readAllStandardError());
    return run;
}

Run runCli(const QStringList &arguments)
{
    QProcess program;
    QElapsedTimer clock;
    clock.start();
    program.start(built(RALLON_CLI_PATH), arguments);
    return endOf(program, clock, 30000);
}

QString hexOf(const QByteArray &octets)
{
    return QString::fromLatin1(octets.toHex().toUpper());
}

// Each setting as the window's Current Data column shows it: its label in
// the listing, its field in the document, its text.
struct Shown {
    QString label, field, text;
};

// The document's names of the serial settings, in record order.
const char *const SerialFields[] = {"com1.baud", "com1.dataBits", "com1.stopBits", "com1.parity",
                                    "com2.baud", "com2.dataBits", "com2.stopBits", "com2.parity"};

QList<Shown> shownSettings(const ConfigRecord &record)
{
    const RecordDisplay shown = displayOf(record);
    QList<Shown> settings{
        {"IP ADDRESS", "ip", shown.current[Setting::Ip]},
        {"SUBNET MASK", "mask", shown.current[Setting::Mask]},
        {"DEFAULT GATEWAY", "gateway", shown.current[Setting::Gateway]},
        {"PRIMARY PORT", "primaryPort", shown.current[Setting::PrimaryPort]},
        {"SSID", "ssid", shown.current[Setting::Ssid]},
        {"ENCRYPTION", "encryption", shown.current[Setting::Encryption]},
        shown.sharedKey ? Shown{"SHARED KEY", "sharedKey", hexOf(record.secret)}
                        : Shown{"PASSWORD", "password", shown.current[Setting::Password]},
        {"SERIAL NO.", "serialNumber", shown.serialNumber.trimmed()},
        {"MODEL", "model", record.wired() ? "wired" : "wireless"},
    };
    const char *labels[] = {"BAUD", "DATA BITS", "STOP BITS", "PARITY"};
    for (int i = 0; i < SerialSettingCount; ++i) {
        settings.append({QStringLiteral("COMM %1 %2").arg(i / 4 + 1).arg(QLatin1String(labels[i % 4])),
                         SerialFields[i], shown.current[SerialSetting(i)]});
    }
    return settings;
}

// A document file in `dir` holding `json`.
QString writtenFile(const QTemporaryDir &dir, const QByteArray &json)
{
    const QString path = dir.filePath(QStringLiteral("document.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// The window's text as a terminal shows it.
QString terminalText(const QString &text)
{
    return withLineFeeds(text);
}


// A port that does not exist, as a device path.
#ifdef Q_OS_WIN
const char *const NoSuchPort = "COM199";
#else
const char *const NoSuchPort = "/dev/rallon-no-such-port";
#endif

// The device's side of a pseudo-terminal, played by the test. Each frame
// the program sends (113 octets: a request or an upload) is answered with
// the next of `answers`; with none left the device stays silent, or, with
// `noiseMs`, sends one octet of noise that often.
class ScriptedDevice {
public:
    explicit ScriptedDevice(QList<QByteArray> answers = {}) : m_answers(std::move(answers)) {}

    QString path() const { return m_peer.path(); }

    // Starts the program; "PORT" among the arguments stands for the device.
    void start(QStringList arguments)
    {
        arguments.replaceInStrings(QRegularExpression("^PORT$"), m_peer.path());
        if (!stale.isEmpty()) {
            m_peer.write(stale);
            if (!m_peer.waitUntilWaiting(int(stale.size())))
                qWarning("the stale octets did not reach the line");
        }
        m_clock.start();
        m_program.start(built(RALLON_CLI_PATH), arguments);
        m_program.write(input);
        m_program.closeWriteChannel();
    }
    void setStandardOutputFile(const QString &path) { m_program.setStandardOutputFile(path); }

    // Serves the line until `done` holds or the program ends.
    void serveUntil(const std::function<bool()> &done = {})
    {
        QElapsedTimer noise;
        noise.start();
        while (m_program.state() != QProcess::NotRunning && !(done && done())
               && m_clock.elapsed() < 30000) {
            m_program.waitForFinished(2);
            takeFrames();
            if (noiseMs > 0 && noise.elapsed() >= noiseMs) {
                m_peer.write(QByteArray(1, char(0x55)));
                noise.restart();
            }
        }
        takeFrames();
    }

    Run finish()
    {
        serveUntil();
        return endOf(m_program, m_clock, 1000);
    }

    Run run(const QStringList &arguments)
    {
        start(arguments);
        return finish();
    }

    QProcess &program() { return m_program; }
    QList<QByteArray> frames;  // what the device received, frame by frame
    int noiseMs = 0;
    QByteArray input;          // the program's standard input
    QByteArray stale;          // on the line before the program starts

private:
    void takeFrames()
    {
        const QByteArray &received = m_peer.received();
        while (received.size() - m_taken >= frame::UploadLength) {
            frames << received.mid(m_taken, frame::UploadLength);
            m_taken += frame::UploadLength;
            if (!m_answers.isEmpty())
                m_peer.write(m_answers.takeFirst());
        }
    }

    PtyPeer m_peer;
    QList<QByteArray> m_answers;
    QProcess m_program;
    QElapsedTimer m_clock;
    qsizetype m_taken = 0;
};

// The device's answer to a request or an upload: its record and a CR.
QByteArray answerOf(const ConfigRecord &record)
{
    return encodeRecord(record) + '\r';
}

ConfigRecord model(const char *name)
{
    return *simModel(QLatin1String(name));
}

bool isUpload(const QByteArray &frame)
{
    return frame.startsWith("CFG=");
}

}  // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void readShowsCurrentData_data();
    void readShowsCurrentData();
    void writeSendsAndVerifies();
    void roundTripLeavesDeviceIdentical_data();
    void roundTripLeavesDeviceIdentical();
    void refusalShowsWindowMessage();
    void dryRunSendsNothing();
    void silentDevice();
    void alteredAnswer_data();
    void alteredAnswer();
    void missingPort();
    void staleRecordIsNotTheAnswer();
    void lostPortReopensAtTheNextRequest();
    void badDocumentSendsNothing();
    void documentErrorsNameField_data();
    void documentErrorsNameField();
    void verifyComparesValues_data();
    void verifyComparesValues();
    void eachSettingOption_data();
    void eachSettingOption();
    void refusalsSendNothing_data();
    void refusalsSendNothing();
    void restoreOntoSameDevice_data();
    void restoreOntoSameDevice();
    void exchangeTimeOuts_data();
    void exchangeTimeOuts();
    void outputTargets_data();
    void outputTargets();
    void endSignalsAndLocks_data();
    void endSignalsAndLocks();
    void controlCharactersAreEscaped();
    void traceShowsEveryOctet();
    void documentationAgrees();
};

void TestCli::readShowsCurrentData_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("json");
    for (const QString &model : simModelNames()) {
        QTest::addRow("%s text", qPrintable(model)) << model << false;
        QTest::addRow("%s json", qPrintable(model)) << model << true;
    }
}

void TestCli::readShowsCurrentData()
{
    QFETCH(QString, model);
    QFETCH(bool, json);
    SimProgram sim;
    QVERIFY(sim.start({"--model", model}));
    QStringList arguments{QStringLiteral("read"), sim.path};
    if (json)
        arguments << QStringLiteral("--json");
    const Run run = runCli(arguments);
    QCOMPARE(run.code, 0);
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));

    const QList<Shown> expected = shownSettings(*simModel(model));
    if (json) {
        const QJsonObject document = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(document.value("format").toString(), QStringLiteral("rallon-config/1"));
        for (const Shown &setting : expected) {
            const QStringList path = setting.field.split('.');
            QJsonValue value = document.value(path.first());
            if (path.size() > 1)
                value = value.toObject().value(path.at(1));
            if (setting.text == placeholder::NotApplicable)
                QVERIFY2(value.isUndefined(), qPrintable(setting.field));  // the model has no such setting
            else
                QCOMPARE(value.toVariant().toString(), setting.text);
        }
        QCOMPARE(document.size(), model == "wired" ? 9 : 12);  // nothing else
        // The fields as written, in the order of the README's example (a key in the password's place).
        QFile readme(built(RALLON_SOURCE_DIR "/README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QRegularExpression key("\"(\\w+)\":");
        QStringList order;
        for (const QRegularExpressionMatch &match :
             key.globalMatch(QString::fromUtf8(readme.readAll()).section("### The JSON document", 1).section("```", 1, 1)))
            order << match.captured(1);
        qsizetype at = 0;  // past the last field found in `order`; -1: a field out of its order
        for (const QRegularExpressionMatch &match : key.globalMatch(QString(run.out).replace("\"sharedKey\"", "\"password\""))) {
            if (at >= 0 && (at = order.indexOf(match.captured(1), at)) >= 0)
                ++at;
        }
        QVERIFY2(at > 0, qPrintable(run.out));
    } else {
        QMap<QString, QString> listed;
        for (const QString &line : run.out.split('\n', Qt::SkipEmptyParts))
            listed.insert(line.left(18).trimmed(), line.mid(18));
        for (const Shown &setting : expected)
            QCOMPARE(listed.value(setting.label, "(missing)"), setting.text);
        QCOMPARE(listed.size(), expected.size());
    }
}

void TestCli::writeSendsAndVerifies()
{
    SimProgram sim;
    QVERIFY(sim.start({"--model", QStringLiteral("wireless-password")}));
    QTemporaryDir dir;
    const QString file = writtenFile(dir, R"({"format": "rallon-config/1", "ip": "192.168.1.77",
                                              "serialNumber": 1, "com2": {"parity": "EVEN"}})");

    const Run run = runCli({"write", sim.path, file});
    QCOMPARE(run.code, 0);
    QVERIFY2(run.out.contains("verified"), qPrintable(run.out));

    ConfigRecord wanted = *simModel(QStringLiteral("wireless-password"));
    wanted.ip = {192, 168, 1, 77};
    wanted.serial[Com2Parity] = 1;
    const QList<QByteArray> uploads = sim.end().frames("received upload ");
    QCOMPARE(uploads.size(), 1);
    QCOMPARE(hexOf(uploads.first()), hexOf(encodeUpload(wanted)));
}

void TestCli::roundTripLeavesDeviceIdentical_data()
{
    QTest::addColumn<QString>("model");
    for (const QString &model : simModelNames())
        QTest::newRow(qPrintable(model)) << model;
}

void TestCli::roundTripLeavesDeviceIdentical()
{
    QFETCH(QString, model);
    SimProgram sim;
    QVERIFY(sim.start({"--model", model}));
    QTemporaryDir dir;
    const QString file = dir.filePath("backup.json");
    const Run read = runCli({"read", sim.path, "--json", "-o", file});
    QCOMPARE(read.code, 0);
    QVERIFY(read.out.isEmpty());
    QCOMPARE(runCli({"set", sim.path, "--primary-port", "4321"}).code, 0);
    const Run write = runCli({"write", sim.path, file});
    QCOMPARE(write.code, 0);

    const QList<QByteArray> records = sim.end().frames("sent record ");
    const QList<QByteArray> uploads = sim.end().frames("received upload ");
    QCOMPARE(records.size(), 5);  // read; set's retrieve and answer; write's retrieve and answer
    QCOMPARE(uploads.size(), 2);
    QCOMPARE(hexOf(uploads.last()), hexOf(records.first().left(frame::UploadLength)));
    QCOMPARE(hexOf(records.last()), hexOf(records.first()));
}

void TestCli::refusalShowsWindowMessage()
{
    SimProgram sim;
    QVERIFY(sim.start({"--model", QStringLiteral("wireless-password")}));
    const Run run = runCli({"set", sim.path, "--ip", "10.0.0"});
    QCOMPARE(run.code, 2);
    const Message &message = changetext::Ip.notEnoughData;
    QVERIFY2(run.err.contains(message.title + '\n' + terminalText(message.text) + '\n'),
             qPrintable(run.err));
    QVERIFY(!run.err.contains('\r'));
    QVERIFY(sim.end().frames("received upload ").isEmpty());
}

void TestCli::dryRunSendsNothing()
{
    SimProgram sim;
    QVERIFY(sim.start({"--model", QStringLiteral("wireless-key")}));
    const Run run = runCli({"set", sim.path, "--ip", "10.1.2.3", "--dry-run"});
    QCOMPARE(run.code, 0);
    ConfigRecord wanted = *simModel(QStringLiteral("wireless-key"));
    wanted.ip = {10, 1, 2, 3};
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), "ip: " + addressText(simModel(QStringLiteral("wireless-key"))->ip) + " -> 10.1.2.3");
    const QByteArray printed = QByteArray::fromHex(lines.last().toLatin1());
    QCOMPARE(printed.size(), frame::UploadLength);
    QCOMPARE(hexOf(printed), hexOf(encodeUpload(wanted)));
    QVERIFY(sim.end().frames("received upload ").isEmpty());
}

void TestCli::silentDevice()
{
    SimProgram sim;
    QVERIFY(sim.start({"--model", QStringLiteral("wired"), "--fault", QStringLiteral("silent")}));
    const Run run = runCli({"read", sim.path, "--timeout-ms", "300"});
    QCOMPARE(run.code, 3);
    // The time-out given, not the default 8000 ms; a coarse timer may fire 5 % early.
    QVERIFY2(run.ms >= 285 && run.ms < 4000, qPrintable(QString::number(run.ms)));
    QVERIFY2(run.err.contains("no answer within 300 ms"), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

void TestCli::alteredAnswer_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("said");
    QTest::newRow("altered") << "alter" << "in: primaryPort\n  primaryPort: sent 4000, the device holds 4001";
    QTest::newRow("another device answered")
        << "swap" << "the device that was read (serial number 4660) is not the one that answered the change "
                     "(serial number 4661)";
}

void TestCli::alteredAnswer()
{
    QFETCH(QString, fault);
    QFETCH(QString, said);
    SimProgram sim;
    QVERIFY(sim.start({"--model", QStringLiteral("wireless-password"), "--fault", fault}));
    const Run run = runCli({"set", sim.path, "--ssid", "WORK"});
    QCOMPARE(run.code, 5);
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

void TestCli::missingPort()
{
    const Run run = runCli({"read", NoSuchPort});
    QCOMPARE(run.code, 4);
    QVERIFY2(run.err.contains("no such device"), qPrintable(run.err));
}

// A record already on the line (a reply nobody read) is not the answer.
void TestCli::staleRecordIsNotTheAnswer()
{
    ScriptedDevice line({answerOf(model("wired"))});
    line.stale = answerOf(model("wireless-password"));
    const Run run = line.run({"read", "PORT", "--json"});
    QCOMPARE(run.code, 0);
    QCOMPARE(QJsonDocument::fromJson(run.out.toUtf8()).object().value("model").toString(), QString("wired"));
}

// A line that hung up while provision waits for a device: the next request
// opens the port again, the adapter back under the same name.
void TestCli::lostPortReopensAtTheNextRequest()
{
#ifdef Q_OS_WIN
    QSKIP("Windows: the far end of a null-modem pair cannot hang the line up, nor a link stand for a port");
#else
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyRALLON"));
    auto peer = std::make_unique<PtyPeer>();
    QVERIFY(QFile::link(peer->path(), link));
    const QString mask = writtenFile(dir, R"({"format": "rallon-config/1", "mask": "255.255.255.0"})");
    QProcess program;
    program.start(built(RALLON_CLI_PATH), {"provision", link, "--timeout-ms", "300", "--template", mask, "--ip-range",
                                           "10.1.0.20-10.1.0.99", "--ledger", dir.filePath("ledger.csv")});
    QTRY_COMPARE_WITH_TIMEOUT(peer->received(), requestFrame(), 5000);
    peer = std::make_unique<PtyPeer>();
    QVERIFY(QFile::remove(link) && QFile::link(peer->path(), link));
    QTRY_COMPARE_WITH_TIMEOUT(peer->received(), requestFrame(), 5000);
    program.terminate();
    QVERIFY(program.waitForFinished(5000));
    QVERIFY2(!program.readAllStandardError().contains("lost"), "the loss was not quiet");
#endif
}

void TestCli::badDocumentSendsNothing()
{
    SimProgram sim;
    QVERIFY(sim.start({"--model", QStringLiteral("wireless-password")}));
    QTemporaryDir dir;
    const QString file = writtenFile(dir, R"({"format": "rallon-config/1", "com1": {"baud": "9601"}})");
    const Run run = runCli({"write", sim.path, file});
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.contains("\"com1.baud\""), qPrintable(run.err));
    QVERIFY(sim.end().frames("received request").isEmpty());
}

void TestCli::documentErrorsNameField_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("field");
    const QByteArray format = R"("format": "rallon-config/1")";
    QTest::newRow("not JSON") << QByteArray("{\"format\": ") << "";
    QTest::newRow("not an object") << QByteArray("[1, 2]") << "";
    QTest::newRow("no format") << QByteArray(R"({"ip": "10.0.0.1"})") << "format";
    QTest::newRow("wrong format") << QByteArray(R"({"format": "rallon-config/2"})") << "format";
    QTest::newRow("unknown field") << "{" + format + R"(, "colour": "red"})" << "colour";
    QTest::newRow("unknown port field") << "{" + format + R"(, "com2": {"speed": "9600"}})" << "com2.speed";
    QTest::newRow("text expected") << "{" + format + R"(, "ip": 10})" << "ip";
    QTest::newRow("encryption not in list") << "{" + format + R"(, "encryption": "AES"})" << "encryption";
    QTest::newRow("parity not in list") << "{" + format + R"(, "com1": {"parity": "even"}})" << "com1.parity";
    QTest::newRow("short shared key") << "{" + format + R"(, "sharedKey": "00FF"})" << "sharedKey";
    QTest::newRow("password and key")
        << "{" + format + R"(, "password": "abc", "sharedKey": ")" + QByteArray(128, '0') + "\"}"
        << "sharedKey";
    QTest::newRow("key twice") << "{" + format + R"(, "ip": "10.0.0.1", "ip": "10.0.0.2"})" << "ip";
    QTest::newRow("port key twice") << "{" + format + R"(, "com1": {"baud": "9600", "baud": "9600"}})"
                                    << "com1.baud";
    QTest::newRow("format twice") << QByteArray(R"({"format": "x", "format": "rallon-config/1"})") << "format";
    QTest::newRow("raw control octet") << "{" + format + ", \"ssid\": \"a\x01\"}" << "";
    QTest::newRow("invalid escape") << "{" + format + R"(, "ssid": "\x41"})" << "";
    QTest::newRow("point without digits") << "{" + format + R"(, "primaryPort": 1.})" << "";
    QTest::newRow("fractional port") << "{" + format + R"(, "primaryPort": 4000.5})" << "primaryPort";
}

void TestCli::documentErrorsNameField()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, field);
    document::InputError error;
    QVERIFY(!document::wantedFromDocument(json, &error));
    QCOMPARE(error.field, field);
    QVERIFY(!error.reason.isEmpty());
}

void TestCli::verifyComparesValues_data()
{
    QTest::addColumn<QByteArray>("device");     // the device's record
    QTest::addColumn<QByteArray>("answer");     // its answer to the upload
    QTest::addColumn<QString>("differing");     // empty: verified

    // Each row changes the primary port to 4100.
    const ConfigRecord password = model("wireless-password");
    ConfigRecord sent = password;
    sent.primaryPort = 4100;
    const auto altered = [&](const char *field, const std::function<void(ConfigRecord &)> &alter) {
        ConfigRecord answer = sent;
        alter(answer);
        QTest::newRow(field) << encodeRecord(password) << answerOf(answer) << QString(field);
    };
    altered("ip", [](ConfigRecord &r) { r.ip[3] ^= 1; });
    altered("mask", [](ConfigRecord &r) { r.mask[2] ^= 1; });
    altered("gateway", [](ConfigRecord &r) { r.gateway[0] ^= 1; });
    altered("primaryPort", [](ConfigRecord &r) { r.primaryPort = 4000; });
    altered("ssid", [](ConfigRecord &r) { r.ssid = "HOMF"; });
    altered("encryption", [](ConfigRecord &r) { r.encryption = 3; });
    altered("password", [](ConfigRecord &r) { r.setPassword("abd"); });
    altered("model", [](ConfigRecord &r) { r.deviceKind = 1; });
    for (int i = 0; i < SerialSettingCount; ++i) {
        ConfigRecord answer = sent;
        answer.serial[i] = answer.serial[i] == 0 ? 1 : 0;
        const QString field = SerialFields[i];
        QTest::newRow(qPrintable(field)) << encodeRecord(password) << answerOf(answer) << field;
    }
    ConfigRecord key = model("wireless-key");
    ConfigRecord keyAnswer = key;
    keyAnswer.primaryPort = 4100;
    keyAnswer.secret[5] = char(keyAnswer.secret.at(5) ^ 1);
    QTest::newRow("sharedKey") << encodeRecord(key) << answerOf(keyAnswer) << "sharedKey";

    // The same values in other octets.
    const QByteArray same = encodeRecord(sent);
    QByteArray filled = same;
    filled.replace(21, 16, QByteArray(16, 0));  // after the SSID's end octet
    QTest::newRow("SSID filled with 00") << encodeRecord(password) << filled + '\r' << QString();
    filled = same;
    filled.replace(45, 60, QByteArray(60, 0));  // after the password's end octet
    QTest::newRow("password filled with 00") << encodeRecord(password) << filled + '\r' << QString();
    filled = same;
    filled[40] = 2;  // a password too
    QTest::newRow("secret kind 2") << encodeRecord(password) << filled + '\r' << QString();
    ConfigRecord none = password;
    none.encryption = 0;
    none.secretKind = 255;
    none.secret = QByteArray(64, char(255));
    ConfigRecord noneSent = none;
    noneSent.primaryPort = 4100;
    filled = encodeRecord(noneSent);
    filled.replace(40, 65, QByteArray(65, 0));
    QTest::newRow("encryption None, kind 0 and zeros") << encodeRecord(none) << filled + '\r' << QString();

    // Two records in one answer: the first is the answer.
    QTest::newRow("new, then stale") << encodeRecord(password) << answerOf(sent) + answerOf(password) << QString();
    QTest::newRow("stale, then new") << encodeRecord(password) << answerOf(password) + answerOf(sent)
                                     << "primaryPort";
}

void TestCli::verifyComparesValues()
{
    QFETCH(QByteArray, device);
    QFETCH(QByteArray, answer);
    QFETCH(QString, differing);
    ScriptedDevice line({device + '\r', answer});
    const Run run = line.run({"set", "PORT", "--primary-port", "4100"});
    QCOMPARE(line.frames.size(), 2);
    QVERIFY(isUpload(line.frames.at(1)));
    if (differing.isEmpty()) {
        QVERIFY2(run.code == 0 && run.out.startsWith("written and verified"), qPrintable(run.err));
    } else {
        QCOMPARE(run.code, 5);
        QVERIFY2(run.err.contains("\n  " + differing + ": sent "), qPrintable(run.err));
        if (differing != "model")  // the model takes the wireless settings with it
            QVERIFY2(run.err.contains("in: " + differing + "\n"), qPrintable(run.err));
    }
}

void TestCli::eachSettingOption_data()
{
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("file");      // what FILE holds
    QTest::addColumn<QString>("field");        // the one setting that changes
    QTest::addColumn<QByteArray>("upload");

    const auto row = [](const char *name, const ConfigRecord &device, const QStringList &options,
                        const std::function<void(ConfigRecord &)> &change, const QByteArray &file = {}) {
        ConfigRecord changed = device;
        change(changed);
        const QString field = document::differences(device, changed).value(0).field;
        QTest::newRow(name) << encodeRecord(device) << options << file << field << encodeUpload(changed);
    };
    const ConfigRecord password = model("wireless-password");
    const ConfigRecord key = model("wireless-key");
    QByteArray octets;
    for (int i = 0; i < 64; ++i)
        octets.append(char(i * 4));
    const QString hex = QString::fromLatin1(octets.toHex());

    row("--ip", password, {"--ip", "10.1.2.3"}, [](ConfigRecord &r) { r.ip = {10, 1, 2, 3}; });
    row("--mask", password, {"--mask", "255.255.0.0"}, [](ConfigRecord &r) { r.mask = {255, 255, 0, 0}; });
    row("--gateway", password, {"--gateway", "10.1.2.254"}, [](ConfigRecord &r) { r.gateway = {10, 1, 2, 254}; });
    row("--gateway with leading zeros", password, {"--gateway", "010.001.000.001"},
        [](ConfigRecord &r) { r.gateway = {10, 1, 0, 1}; });
    row("--primary-port", password, {"--primary-port", "4321"}, [](ConfigRecord &r) { r.primaryPort = 4321; });
    row("--ssid", password, {"--ssid", "WORK"}, [](ConfigRecord &r) { r.ssid = "WORK"; });
    row("--encryption", password, {"--encryption", "WAP (AES)"}, [](ConfigRecord &r) { r.encryption = 3; });
    row("--password", password, {"--password", "s3cret"}, [](ConfigRecord &r) { r.setPassword("s3cret"); });
#ifdef Q_OS_WIN
    const QString fromFile = "s3 cret";  // CR LF is one line end there
#else
    const QString fromFile = "s3 cret\r";
#endif
    row("--password-file", password, {"--password-file", "FILE"},
        [&](ConfigRecord &r) { r.setPassword(fromFile); }, "s3 cret\r\n");
    row("--password-file -", password, {"--password-file", "-"},
        [&](ConfigRecord &r) { r.setPassword(fromFile); }, "s3 cret\r\n");
    row("--shared-key", key, {"--shared-key", hex}, [&](ConfigRecord &r) { r.setSharedKey(octets); });
    row("--shared-key-file", key, {"--shared-key-file", "FILE"},
        [&](ConfigRecord &r) { r.setSharedKey(octets); }, hex.toLatin1() + '\n');
    const char *serialOptions[] = {"--com1-baud", "--com1-data-bits", "--com1-stop-bits", "--com1-parity",
                                   "--com2-baud", "--com2-data-bits", "--com2-stop-bits", "--com2-parity"};
    for (int i = 0; i < SerialSettingCount; ++i) {
        const auto setting = SerialSetting(i);
        const QStringList &items = listItems(serialSettingList(setting));
        const int code = (password.serial[i] + 1) % int(items.size());
        row(serialOptions[i], password, {serialOptions[i], items.at(code)},
            [=](ConfigRecord &r) { r.serial[setting] = quint8(code); });
    }
}

// Dry runs, so only the request reaches the device.
void TestCli::eachSettingOption()
{
    QFETCH(QByteArray, device);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, file);
    QFETCH(QString, field);
    QFETCH(QByteArray, upload);
    QTemporaryDir dir;
    options.replaceInStrings(QRegularExpression("^FILE$"), writtenFile(dir, file));

    ScriptedDevice line({device + '\r'});
    line.input = file;  // for "-"
    const Run run = line.run(QStringList{"set", "PORT", "--dry-run"} + options);
    QCOMPARE(run.code, 0);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);  // what changes, and the record
    QVERIFY2(lines.first().startsWith(field + ": "), qPrintable(lines.first()));
    QCOMPARE(hexOf(QByteArray::fromHex(lines.last().toLatin1())), hexOf(upload));
    QCOMPARE(line.frames.size(), 1);
    QVERIFY(!isUpload(line.frames.first()));
}

void TestCli::refusalsSendNothing_data()
{
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("file");      // what FILE holds
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("frames");           // 1: the request alone, 0: not even that

    const QByteArray password = encodeRecord(model("wireless-password"));
    const QByteArray wired = encodeRecord(model("wired"));
    const auto set = [](const QStringList &options) { return QStringList{"set", "PORT"} + options; };
    const QStringList write{"write", "PORT", "FILE"};
    const QString key(128, '0');
    QTest::newRow("SSID too long") << password << set({"--ssid", QString(22, 's')}) << QByteArray()
                                   << "\"ssid\": is 22 characters long" << 1;
    QTest::newRow("password too long") << password << set({"--password", QString(65, 'p')}) << QByteArray()
                                       << "\"password\": is 65 characters long" << 1;
    QTest::newRow("SSID on the wired model") << wired << set({"--ssid", "X"}) << QByteArray()
                                             << "\"ssid\": the device is the wired model" << 1;
    QTest::newRow("password on the wired model") << wired << set({"--password", "secret"}) << QByteArray()
                                                 << "\"password\": the device is the wired model" << 1;
    QTest::newRow("shared key on the wired model") << wired << set({"--shared-key", key}) << QByteArray()
                                                   << "\"sharedKey\": the device is the wired model" << 1;
    QTest::newRow("password with encryption None")
        << password << set({"--encryption", "None", "--password", "secret"}) << QByteArray()
        << "\"password\": the encryption is None" << 1;
    QTest::newRow("empty IP") << password << set({"--ip", ""}) << QByteArray() << "\"ip\": is empty" << 1;
    QTest::newRow("empty SSID") << password << set({"--ssid", ""}) << QByteArray() << "\"ssid\": is empty" << 1;
    QTest::newRow("empty password") << password << set({"--password", ""}) << QByteArray()
                                    << "\"password\": is empty" << 1;
    for (const char *placeholder : {"N / A", "----", "xN / Ay"}) {
        QTest::addRow("password %s", placeholder) << password << set({"--password", placeholder}) << QByteArray()
                                                  << "Password/key Data" << 1;
    }
    QTest::newRow("SSID N / A") << password << set({"--ssid", "N / A"}) << QByteArray() << "SSID Data" << 1;
    QTest::newRow("port -1 in a document") << password << write
                                           << QByteArray(R"({"format": "rallon-config/1", "primaryPort": -1})")
                                           << "The Primary Port must be a number" << 1;
    QTest::newRow("port 1000000000000001 in a document")
        << password << write << QByteArray(R"({"format": "rallon-config/1", "primaryPort": 1000000000000001})")
        << "over 32500" << 1;
    QTest::newRow("10 MB SSID in a document")
        << password << write
        << R"({"format": "rallon-config/1", "ssid": ")" + QByteArray(10 << 20, 's') + "\"}"
        << "larger than 1048576 octets" << 0;
    QTest::newRow("endless document") << password << QStringList{"write", "PORT", "/dev/zero"} << QByteArray()
                                      << "larger than 1048576 octets" << 0;
    QTest::newRow("FIFO without a writer") << password << QStringList{"write", "PORT", "FIFO", "--timeout-ms", "300"}
                                           << QByteArray() << "nothing arrived within 300 ms" << 0;
}

void TestCli::refusalsSendNothing()
{
    QFETCH(QByteArray, device);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, file);
    QFETCH(QString, said);
    QFETCH(int, frames);
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
#ifdef Q_OS_WIN
    if (arguments.contains("FIFO") || arguments.contains("/dev/zero"))
        QSKIP("Windows has no FIFOs and no /dev/zero");
#else
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
#endif
    arguments.replaceInStrings(QRegularExpression("^FILE$"), writtenFile(dir, file));
    arguments.replaceInStrings(QRegularExpression("^FIFO$"), fifo);

    ScriptedDevice line({device + '\r'});
    const Run run = line.run(arguments);
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
    QVERIFY2(run.err.contains("nothing sent") || run.err.contains("no change sent"), qPrintable(run.err));
    QCOMPARE(line.frames.size(), frames);
    for (const QByteArray &frame : line.frames)
        QVERIFY(!isUpload(frame));
}

void TestCli::restoreOntoSameDevice_data()
{
    QTest::addColumn<QByteArray>("device");
    for (const QString &name : simModelNames())
        QTest::newRow(qPrintable(name)) << encodeRecord(*simModel(name));
    QByteArray noSsid = encodeRecord(model("wireless-password"));
    noSsid.replace(16, 21, QByteArray(21, char(255)));
    QTest::newRow("no SSID") << noSsid;
    ConfigRecord oddBaud = model("wireless-password");
    oddBaud.serial[Com1Baud] = 12;
    QTest::newRow("Comm 1 baud code outside its list") << encodeRecord(oddBaud);
}

// A backup written back to its own device holds nothing new: nothing is sent.
void TestCli::restoreOntoSameDevice()
{
    QFETCH(QByteArray, device);
    QTemporaryDir dir;
    const QString backup = dir.filePath("backup.json");
    ScriptedDevice reading({device + '\r'});
    QCOMPARE(reading.run({"read", "PORT", "--json", "-o", backup}).code, 0);
    ScriptedDevice writing({device + '\r'});
    const Run run = writing.run({"write", "PORT", backup});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QVERIFY2(run.out.startsWith("the device already holds these settings; nothing sent"), qPrintable(run.out));
    QCOMPARE(writing.frames.size(), 1);
    ScriptedDevice dry({device + '\r'});
    QCOMPARE(dry.run({"write", "PORT", backup, "--dry-run"}).out, QStringLiteral("nothing would change\n"));
}

void TestCli::exchangeTimeOuts_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("noiseMs");
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("atLeastMs");

    QTest::newRow("steady noise") << QStringList{"read", "PORT", "--timeout-ms", "1000"} << 100
                                  << "octets arrived within 1000 ms, but no configuration record" << 950;
    QTest::newRow("no answer to the upload")
        << QStringList{"set", "PORT", "--primary-port", "4100", "--timeout-ms", "500"} << 0
        << "the change was sent but the device did not confirm it within 500 ms" << 475;
}

// The time-out bounds each exchange as a whole, and says what it saw.
void TestCli::exchangeTimeOuts()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, noiseMs);
    QFETCH(QString, said);
    QFETCH(int, atLeastMs);
    ScriptedDevice line(noiseMs ? QList<QByteArray>{} : QList<QByteArray>{answerOf(model("wireless-password"))});
    line.noiseMs = noiseMs;
    const Run run = line.run(arguments);
    QCOMPARE(run.code, 3);
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
    QVERIFY2(run.ms >= atLeastMs && run.ms < atLeastMs + 1500, qPrintable(QString::number(run.ms)));
}

void TestCli::outputTargets_data()
{
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("standardOutput");  // a file, or empty: a pipe
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said");            // on standard error, or standard output when 0
    QTest::addColumn<int>("mode");                // of the file NEW afterwards, or -1
    QTest::addColumn<int>("before");              // NEW's mode before the run; -1: none

    const QByteArray password = encodeRecord(model("wireless-password"));
    const QByteArray wired = encodeRecord(model("wired"));
    const QString full = QStringLiteral("No space left on device");
    QTest::newRow("-o /dev/null") << password << QStringList{"read", "PORT", "--json", "-o", "/dev/null"}
                                  << QString() << 0 << QString() << -1 << -1;
    QTest::newRow("-o /dev/full") << password << QStringList{"read", "PORT", "--json", "-o", "/dev/full"}
                                  << QString() << 1 << full << -1 << -1;
    QTest::newRow("listing to a full disk") << password << QStringList{"read", "PORT"} << "/dev/full" << 1 << full
                                            << -1 << -1;
    QTest::newRow("JSON to a full disk") << password << QStringList{"read", "PORT", "--json"} << "/dev/full" << 1
                                         << full << -1 << -1;
    QTest::newRow("dry run to a full disk") << password << QStringList{"set", "PORT", "--ip", "10.0.0.9", "--dry-run"}
                                            << "/dev/full" << 1 << full << -1 << -1;
    QTest::newRow("-o /dev/stdout into a pipe") << password << QStringList{"read", "PORT", "-o", "/dev/stdout"}
                                                << QString() << 0 << "IP ADDRESS" << -1 << -1;
    QTest::newRow("PORT 26") << password << QStringList{"read", "26"} << QString() << 1 << "from 1 to 25" << -1 << -1;
    QTest::newRow("--count 0") << password << QStringList{"provision", "PORT", "--count", "0"} << QString() << 1
                               << "--count needs a number of devices, 1 or more" << -1 << -1;
    QTest::newRow("--timeout-ms 2^31") << password << QStringList{"read", "PORT", "--timeout-ms", "2147483648"}
                                       << QString() << 1 << "--timeout-ms needs" << -1 << -1;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    QTest::newRow("new backup with a password") << password << QStringList{"read", "PORT", "--json", "-o", "NEW"}
                                                << QString() << 0 << QString() << 0600 << -1;
    QTest::newRow("new backup without a secret") << wired << QStringList{"read", "PORT", "--json", "-o", "NEW"}
                                                 << QString() << 0 << QString() << int(0666 & ~mask) << -1;
    QTest::newRow("existing backup keeps its mode") << password << QStringList{"read", "PORT", "--json", "-o", "NEW"}
                                                    << QString() << 0 << QString() << 0640 << 0640;
    QTest::newRow("existing backup without a secret keeps its mode")
        << wired << QStringList{"read", "PORT", "--json", "-o", "NEW"} << QString() << 0 << QString() << 0640 << 0640;
    QTest::newRow("silent device keeps the existing file")  // no device: nothing answers
        << QByteArray() << QStringList{"read", "PORT", "--json", "-o", "NEW", "--timeout-ms", "300"} << QString() << 3
        << "no answer within 300 ms" << 0640 << 0640;
}

void TestCli::outputTargets()
{
    QFETCH(QByteArray, device);
    QFETCH(QStringList, arguments);
    QFETCH(QString, standardOutput);
    QFETCH(int, code);
    QFETCH(QString, said);
    QFETCH(int, mode);
    QFETCH(int, before);
#ifdef Q_OS_WIN
    if (standardOutput.startsWith("/dev/") || arguments.filter(QRegularExpression("^/dev/")).size())
        QSKIP("Windows has no /dev/null, /dev/full or /dev/stdout");
#endif
    QTemporaryDir dir;
    const QString created = dir.filePath("new.json");
    if (before >= 0) {
        QFile old(created);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("{}") == 2);
        old.close();
#ifndef Q_OS_WIN
        QCOMPARE(::chmod(QFile::encodeName(created).constData(), mode_t(before)), 0);
#endif
    }
    arguments.replaceInStrings(QRegularExpression("^NEW$"), created);
    ScriptedDevice line(device.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{device + '\r'});
    if (!standardOutput.isEmpty())
        line.setStandardOutputFile(standardOutput);
    const Run run = line.run(arguments);
    QCOMPARE(run.code, code);
    QVERIFY2((code ? run.err : run.out).contains(said), qPrintable(run.err));
    if (code && before >= 0) {  // a failed run leaves the file as it was
        QFile kept(created);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("{}"));
    }
#ifdef Q_OS_WIN
    if (mode >= 0 && !code) {  // written whole; no modes there: a file takes its folder's access list
        QFile written(created);
        QVERIFY(written.open(QIODevice::ReadOnly) && written.readAll().contains("\"format\""));
    }
#else
    for (const char *node : {"/dev/null", "/dev/full"}) {
        struct stat status {};
        QVERIFY(::stat(node, &status) == 0 && S_ISCHR(status.st_mode));
    }
    if (mode >= 0) {
        struct stat status {};
        QVERIFY(::stat(QFile::encodeName(created).constData(), &status) == 0);
        QCOMPARE(int(status.st_mode & 07777), mode);
    }
#endif
}

void TestCli::endSignalsAndLocks_data()
{
    QTest::addColumn<int>("signal");  // 0: another program holds the port's lock
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
#ifndef Q_OS_WIN
    QTest::newRow("SIGHUP") << SIGHUP;
#endif
    QTest::newRow("another program's lock") << 0;
}

void TestCli::endSignalsAndLocks()
{
#ifdef Q_OS_WIN
    QSKIP("Windows: no signals to send to a console program from here, and no lock files");
#else
    QFETCH(int, signal);
    ScriptedDevice line;  // silent
    if (signal) {
        line.start({"read", "PORT", "--timeout-ms", "20000"});
        line.serveUntil([&] { return line.frames.size() == 1; });
        QVERIFY(!existingLockFile(line.path()).isEmpty());
        QCOMPARE(::kill(pid_t(line.program().processId()), signal), 0);
        const Run run = line.finish();
        QCOMPARE(run.code, 128 + signal);
        QVERIFY2(run.ms < 5000, qPrintable(QString::number(run.ms)));
        QCOMPARE(existingLockFile(line.path()), QString());
        return;
    }
    QProcess other;
    other.start("sleep", {"30"});
    QVERIFY(other.waitForStarted());
    const QString lock = "/var/lock/LCK.." + line.path().mid(5).replace('/', '_');
    const qint64 pid = other.processId();
    const QByteArray held = QString::asprintf("%10d\n", int(pid)).toLatin1();
    QFile file(lock);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(held) == held.size());
    file.close();
    const Run run = line.run({"read", "PORT"});
    other.kill();
    other.waitForFinished();
    QFile kept(lock);
    const QByteArray content = kept.open(QIODevice::ReadOnly) ? kept.readAll() : QByteArray();
    kept.remove();
    QCOMPARE(run.code, 4);
    QVERIFY2(run.err.contains(lock) && run.err.contains(QString::number(pid)), qPrintable(run.err));
    QCOMPARE(content, held);
    QCOMPARE(line.frames.size(), 0);
#endif
}

void TestCli::controlCharactersAreEscaped()
{
    ConfigRecord odd = model("wireless-password");
    odd.ssid = QString::fromLatin1("a\x1b[2J\r\n\tb");
    odd.setPassword(QString::fromLatin1("p\x9bq"));
    ScriptedDevice listing({answerOf(odd)});
    const Run text = listing.run({"read", "PORT"});
    QCOMPARE(text.code, 0);
    QVERIFY2(text.out.contains("SSID              a\\x1b[2J\\r\\n\\tb\nENCRYPTION"), qPrintable(text.out));
    QVERIFY2(text.out.contains("PASSWORD          p\\x9bq\n"), qPrintable(text.out));

    ScriptedDevice json({answerOf(odd)});
    const Run document = json.run({"read", "PORT", "--json"});
    QCOMPARE(document.code, 0);
    const QJsonObject object = QJsonDocument::fromJson(document.out.toUtf8()).object();
    QCOMPARE(object.value("ssid").toString(), odd.ssid);
    QCOMPARE(object.value("password").toString(), odd.password());

    QTemporaryDir dir;
    const QString file = writtenFile(dir, "{\"format\": \"rallon-config/1\", \"\\u001b[31mred\\u0000x\": 1}");
    const Run refused = runCli({"write", NoSuchPort, file});
    QCOMPARE(refused.code, 2);
    QVERIFY2(refused.err.contains("\"\\x1b[31mred\\x00x\": unknown field"), qPrintable(refused.err));
    for (const Run &run : {text, document, refused}) {
        for (QChar c : run.out + run.err)
            QVERIFY2(c >= ' ' || c == '\n', qPrintable(QString::number(c.unicode(), 16)));
    }
}

void TestCli::traceShowsEveryOctet()
{
    ScriptedDevice line({answerOf(model("wired"))});
    const Run run = line.run({"read", "PORT", "--trace"});
    QCOMPARE(run.code, 0);
    const QRegularExpression sent("^ *\\d+\\.\\d{3} > 43 46 47 3F$", QRegularExpression::MultilineOption);
    const QRegularExpression received("^ *\\d+\\.\\d{3} < 43 46 47 3D ", QRegularExpression::MultilineOption);
    QVERIFY2(run.err.contains(sent) && run.err.contains(received), qPrintable(run.err));
    QCOMPARE(run.err.count(" > EE"), frame::FillerCount);
}

// The options --help names are the options the program takes, and the
// manual page and the README's section name the same ones.
void TestCli::documentationAgrees()
{
    const QRegularExpression option("--[a-z][a-z0-9-]*");
    const auto optionsIn = [&option](const QString &text) {
        QStringList found;
        for (const QRegularExpressionMatch &match : option.globalMatch(text))
            found << match.captured();
        found.removeDuplicates();
        found.sort();
        return found;
    };
    QString help;
    for (const QStringList &arguments : QList<QStringList>{{"--help"}, {"ports", "--help"}, {"read", "--help"},
                                                           {"write", "--help"}, {"set", "--help"},
                                                           {"provision", "--help"}, {"ledger", "--help"}}) {
        const Run run = runCli(arguments);
        QCOMPARE(run.code, 0);
        help += run.out;
    }
    QFile manual(built(RALLON_SOURCE_DIR "/packaging/man/rallon-cli.1"));
    QFile readme(built(RALLON_SOURCE_DIR "/README.md"));
    QVERIFY(manual.open(QIODevice::ReadOnly) && readme.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(manual.readAll()).replace("\\-", "-");
    QString section = QString::fromUtf8(readme.readAll());
    section = section.mid(section.indexOf("## The command line"));
    section = section.left(section.indexOf("\n## ", 1));

    const QStringList options = optionsIn(help);
    QCOMPARE(optionsIn(page), options);
    QCOMPARE(optionsIn(section), options);
    for (const QString &name : options) {
        const Run run = runCli({name});
        QVERIFY2(!run.err.contains("Unknown option"), qPrintable(name));
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
