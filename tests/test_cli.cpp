// rallon-cli as a program, against rallon-sim over a real pseudo-terminal,
// and its document mapping on its own.

#include "ChangeTexts.h"
#include "ConfigRecord.h"
#include "Document.h"
#include "Retrieve.h"
#include "SimDevice.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace rallon;

namespace {

struct Run {
    int code = -1;
    QString out, err;
    qint64 ms = 0;
};

Run runCli(const QStringList &arguments)
{
    QProcess program;
    QElapsedTimer clock;
    clock.start();
    program.start(QStringLiteral(RALLON_CLI_PATH), arguments);
    Run run;
    if (!program.waitForFinished(30000))
        return run;
    run.ms = clock.elapsed();
    run.code = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.out = QString::fromLocal8Bit(program.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(program.readAllStandardError());
    return run;
}

// rallon-sim on a pseudo-terminal, and what it logged.
class Sim {
public:
    bool start(const QString &model, const QString &fault = QStringLiteral("none"))
    {
        m_process.start(QStringLiteral(RALLON_SIM_PATH),
                        {QStringLiteral("--model"), model, QStringLiteral("--fault"), fault});
        if (!m_process.waitForStarted(5000))
            return false;
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(5000))
                return false;
        }
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        return !m_path.isEmpty();
    }
    ~Sim()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    QString path() const { return m_path; }

    // Ends the device; the frames of each log line starting with `what`.
    QList<QByteArray> logged(const QString &what)
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
            m_log += QString::fromLocal8Bit(m_process.readAllStandardOutput());
        }
        QList<QByteArray> frames;
        for (const QString &line : m_log.split(QLatin1Char('\n'))) {
            if (line.startsWith(what))
                frames << QByteArray::fromHex(line.mid(what.size()).toLatin1());
        }
        return frames;
    }

private:
    QProcess m_process;
    QString m_path;
    QString m_log;
};

QString hexOf(const QByteArray &octets)
{
    return QString::fromLatin1(octets.toHex().toUpper());
}

// Each setting as the window's Current Data column shows it: its label in
// the listing, its field in the document, its text.
struct Shown {
    QString label, field, text;
};

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
                         cli::fieldName(SerialSetting(i)), shown.current[SerialSetting(i)]});
    }
    return settings;
}

// A document file in `dir` holding `json`.
QString writtenFile(const QTemporaryDir &dir, const char *json)
{
    const QString path = dir.filePath(QStringLiteral("document.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) < 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// The window's text as a terminal shows it.
QString terminalText(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
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
    void alteredAnswer();
    void missingPort();
    void badDocumentSendsNothing();
    void documentErrorsNameField_data();
    void documentErrorsNameField();
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
    Sim sim;
    QVERIFY(sim.start(model));
    QStringList arguments{QStringLiteral("read"), sim.path()};
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
    Sim sim;
    QVERIFY(sim.start(QStringLiteral("wireless-password")));
    QTemporaryDir dir;
    const QString file = writtenFile(dir, R"({"format": "rallon-config/1", "ip": "192.168.1.77",
                                              "serialNumber": 1, "com2": {"parity": "EVEN"}})");

    const Run run = runCli({"write", sim.path(), file});
    QCOMPARE(run.code, 0);
    QVERIFY2(run.out.contains("verified"), qPrintable(run.out));

    ConfigRecord wanted = *simModel(QStringLiteral("wireless-password"));
    wanted.ip = {192, 168, 1, 77};
    wanted.serial[Com2Parity] = 1;
    const QList<QByteArray> uploads = sim.logged("received upload ");
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
    Sim sim;
    QVERIFY(sim.start(model));
    QTemporaryDir dir;
    const QString file = dir.filePath("backup.json");
    const Run read = runCli({"read", sim.path(), "--json", "-o", file});
    QCOMPARE(read.code, 0);
    QVERIFY(read.out.isEmpty());
    const Run write = runCli({"write", sim.path(), file});
    QCOMPARE(write.code, 0);

    const QList<QByteArray> records = sim.logged("sent record ");
    const QList<QByteArray> uploads = sim.logged("received upload ");
    QCOMPARE(records.size(), 3);  // read; write's retrieve; the answer to the upload
    QCOMPARE(uploads.size(), 1);
    QCOMPARE(hexOf(uploads.first()), hexOf(records.first().left(frame::UploadLength)));
    QCOMPARE(hexOf(records.last()), hexOf(records.first()));
}

void TestCli::refusalShowsWindowMessage()
{
    Sim sim;
    QVERIFY(sim.start(QStringLiteral("wireless-password")));
    const Run run = runCli({"set", sim.path(), "--ip", "10.0.0"});
    QCOMPARE(run.code, 2);
    const Message &message = changetext::Ip.notEnoughData;
    QVERIFY2(run.err.contains(message.title + '\n' + terminalText(message.text) + '\n'),
             qPrintable(run.err));
    QVERIFY(!run.err.contains('\r'));
    QVERIFY(sim.logged("received upload ").isEmpty());
}

void TestCli::dryRunSendsNothing()
{
    Sim sim;
    QVERIFY(sim.start(QStringLiteral("wireless-key")));
    const Run run = runCli({"set", sim.path(), "--ip", "10.1.2.3", "--dry-run"});
    QCOMPARE(run.code, 0);
    ConfigRecord wanted = *simModel(QStringLiteral("wireless-key"));
    wanted.ip = {10, 1, 2, 3};
    const QByteArray printed = QByteArray::fromHex(run.out.toLatin1());
    QCOMPARE(printed.size(), frame::UploadLength);
    QCOMPARE(hexOf(printed), hexOf(encodeUpload(wanted)));
    QVERIFY(sim.logged("received upload ").isEmpty());
}

void TestCli::silentDevice()
{
    Sim sim;
    QVERIFY(sim.start(QStringLiteral("wired"), QStringLiteral("silent")));
    const Run run = runCli({"read", sim.path(), "--timeout-ms", "300"});
    QCOMPARE(run.code, 3);
    // The time-out given, not the default 8000 ms; a coarse timer may fire 5 % early.
    QVERIFY2(run.ms >= 285 && run.ms < 4000, qPrintable(QString::number(run.ms)));
    QVERIFY2(run.err.contains("no answer within 300 ms"), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

void TestCli::alteredAnswer()
{
    Sim sim;
    QVERIFY(sim.start(QStringLiteral("wireless-password"), QStringLiteral("alter")));
    const Run run = runCli({"set", sim.path(), "--ssid", "WORK"});
    QCOMPARE(run.code, 5);
    QVERIFY2(run.err.contains("in: primaryPort\n  primaryPort: sent 4000, the device holds 4001"),
             qPrintable(run.err));
}

void TestCli::missingPort()
{
    const Run run = runCli({"read", "/dev/rallon-no-such-port"});
    QCOMPARE(run.code, 4);
    QVERIFY2(run.err.contains("no such device"), qPrintable(run.err));
}

void TestCli::badDocumentSendsNothing()
{
    Sim sim;
    QVERIFY(sim.start(QStringLiteral("wireless-password")));
    QTemporaryDir dir;
    const QString file = writtenFile(dir, R"({"format": "rallon-config/1", "com1": {"baud": "9601"}})");
    const Run run = runCli({"write", sim.path(), file});
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.contains("\"com1.baud\""), qPrintable(run.err));
    QVERIFY(sim.logged("received request").isEmpty());
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
    cli::InputError error;
    QVERIFY(!cli::wantedFromDocument(json, &error));
    QCOMPARE(error.field, field);
    QVERIFY(!error.reason.isEmpty());
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
