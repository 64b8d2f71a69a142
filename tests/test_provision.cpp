// rallon-cli provision as a program, against rallon-sim playing a batch of
// devices over real pseudo-terminals: the test unplugs each device when its
// line is printed, as a technician at the bench would.

#include "Built.h"
#include "AddressPolicy.h"
#include "ConfigRecord.h"
#include "OpenFailure.h"
#include "SimDevice.h"
#include "ProvisionProgram.h"
#include "SimProgram.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <functional>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>
#endif

using namespace rallon;
using namespace rallon::document;
using namespace rallon::provision;

namespace {

// What each device last said it holds, by serial number.
QMap<quint16, ConfigRecord> holdings(const SimProgram &sim)
{
    QMap<quint16, ConfigRecord> held;
    for (const QByteArray &answer : sim.frames(QStringLiteral("sent record "))) {
        if (const std::optional<ConfigRecord> record = decodeRecord(answer.left(frame::RecordLength)))
            held.insert(record->serialNumber, *record);
    }
    return held;
}

// The model's record as a device of the batch holds it after the template
// and `ip` (and `port`) were written.
ConfigRecord provisioned(quint16 serial, const char *ip, quint16 port = 4001)
{
    ConfigRecord record = *simModel(QStringLiteral("wireless-password"));
    record.serialNumber = serial;
    const std::optional<quint32> address = addressNumber(QLatin1String(ip));
    record.ip = {quint8(*address >> 24), quint8(*address >> 16), quint8(*address >> 8), quint8(*address)};
    record.mask = {255, 255, 255, 0};
    record.gateway = {10, 1, 0, 1};
    record.primaryPort = port;
    record.ssid = QStringLiteral("PLANT-7");
    return *decodeRecord(encodeRecord(record));
}

const QString Header = QStringLiteral("time,serialNumber,model,ip,primaryPort,outcome,detail");

}  // namespace

class TestProvision : public QObject
{
    Q_OBJECT

private slots:
    void batchWithRange();
    void inventorySkipsUnlisted();
    void restartGoesOn();
    void twoBenchesShareLedger();
    void waitsForLedgerLock();
    void endSignalAfterUpload();
    void alteredAnswerDiffers();
    void staleRecordOnTheLine();
    void sendingLineHoldsItsAddress();
    void dryRunWritesNothing();
    void ledgerWriteFails_data();
    void ledgerWriteFails();
    void addressKeptForItsDevice();
    void lostPortIsWaitedFor();
    void refusedBeforeAnyDevice_data();
    void refusedBeforeAnyDevice();
};

void TestProvision::batchWithRange()
{
    QTemporaryDir dir;
    Sim sim({"--batch", "3"});
    const QString ledger = dir.filePath("ledger.csv");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
#ifndef Q_OS_WIN  // the calls are logged through LD_PRELOAD
    environment.insert("LD_PRELOAD", FAILING_FSYNC_PATH);
    environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    environment.insert("FAILING_FSYNC_AFTER", "1000");
    environment.insert("FAILING_FSYNC_LOG", QFileInfo(dir.path()).canonicalFilePath() + "/calls");
#endif
    Provision provision(sim, {"--template", written(dir, "t.json", Template), "--ip-range", Range,
                              "--ledger", ledger, "--count", "3"}, environment);
    QStringList unrecorded;  // device lines printed before their ledger line was written
    provision.onLine = [&](int device, const QString &line) {
        if (ledgerLines(ledger).filter(QRegularExpression("^" + line.section(' ', 0, 0) + ",.*,done,$")).isEmpty())
            unrecorded << line;
        if (device == 0) {  // saved by an editor: a new file under the same name
            QFile::copy(ledger, ledger + ".new");
            ::rename(QFile::encodeName(ledger + ".new").constData(), QFile::encodeName(ledger).constData());
        }
    };
    const Run run = provision.finish();
    QCOMPARE(run.code, 0);
    QCOMPARE(unrecorded, QStringList());
    QCOMPARE(results(run),
             QStringList({"4660  10.1.0.20  done", "4661  10.1.0.21  done", "4662  10.1.0.22  done",
                          "done 3, failed 0, skipped 0"}));
    QCOMPARE(ledgerLines(ledger), QStringList({Header, "4660,wireless,10.1.0.20,4001,sending,",
                                               "4660,wireless,10.1.0.20,4001,done,",
                                               "4661,wireless,10.1.0.21,4001,sending,",
                                               "4661,wireless,10.1.0.21,4001,done,",
                                               "4662,wireless,10.1.0.22,4001,sending,",
                                               "4662,wireless,10.1.0.22,4001,done,", ""}));
#ifndef Q_OS_WIN
    // Each ledger line written, then on the disk, before the lock goes (first: the read at the start).
    QFile calls(dir.filePath("calls"));
    QVERIFY(calls.open(QIODevice::ReadOnly));
    QCOMPARE(calls.readAll(), "u" + QByteArray("wswsu").repeated(3));
#endif
    const QMap<quint16, ConfigRecord> held = holdings(sim);
    QCOMPARE(held.value(4660), provisioned(4660, "10.1.0.20"));
    QCOMPARE(held.value(4661), provisioned(4661, "10.1.0.21"));
    QCOMPARE(held.value(4662), provisioned(4662, "10.1.0.22"));
}

void TestProvision::inventorySkipsUnlisted()
{
    QTemporaryDir dir;
    Sim sim({"--batch", "3"});
    const QString ledger = dir.filePath("ledger.csv");
    const QString inventory = written(dir, "inventory.csv", "serialNumber,ip,primaryPort\n"
                                                            "4662,10.1.0.47,\n4660,10.1.0.45,5000\n");
    Provision provision(sim, {"--template", written(dir, "t.json", Template), "--inventory", inventory,
                              "--ledger", ledger, "--count", "2"});
    const Run run = provision.finish();
    QCOMPARE(run.code, 0);
    QCOMPARE(results(run),
             QStringList({"4660  10.1.0.45  done", "4661  -  not in the inventory: skipped",
                          "4662  10.1.0.47  done", "done 2, failed 0, skipped 1"}));
    QCOMPARE(sim.frames("received upload ").size(), 2);
    QCOMPARE(holdings(sim).value(4660), provisioned(4660, "10.1.0.45", 5000));
    QCOMPARE(holdings(sim).value(4662), provisioned(4662, "10.1.0.47"));
}

// A second run on the same ledger skips what is done, gives no address
// twice, and refuses an inventory address the ledger holds for another device.
void TestProvision::restartGoesOn()
{
    QTemporaryDir dir;
    const QString ledger = dir.filePath("ledger.csv");
    const QString common = written(dir, "t.json", Template);
    {
        Sim sim({"--batch", "1"});
        QCOMPARE(Provision(sim, {"--template", common, "--ip-range", Range, "--ledger", ledger, "--count", "1"})
                     .finish()
                     .code,
                 0);
    }
    Sim sim({"--batch", "3"});
    const QString inventory = written(dir, "inventory.csv", "serialNumber,ip\n4661,10.1.0.20\n");
    Provision provision(sim, {"--template", common, "--inventory", inventory, "--ip-range", Range,
                              "--ledger", ledger, "--count", "1"});
    const Run run = provision.finish();
    QCOMPARE(run.code, 0);
    QCOMPARE(results(run),
             QStringList({"4660  10.1.0.20  already configured: connect the next device",
                          "4661  -  refused: ip 10.1.0.20 is in the ledger for serial number 4660",
                          "4662  10.1.0.21  done", "done 1, failed 1, skipped 1"}));
    QCOMPARE(ledgerLines(ledger).mid(1), QStringList({"4660,wireless,10.1.0.20,4001,sending,",
                                                      "4660,wireless,10.1.0.20,4001,done,",
                                                      "4661,wireless,,4000,refused,ip 10.1.0.20 is in the "
                                                      "ledger for serial number 4660",
                                                      "4662,wireless,10.1.0.21,4001,sending,",
                                                      "4662,wireless,10.1.0.21,4001,done,", ""}));
    QCOMPARE(sim.frames("received upload ").size(), 1);
    // 4661 finds its range used up: the run ends instead of waiting for the next device.
    Sim third({"--batch", "3"});
    const Run usedUp = Provision(third, {"--template", common, "--ip-range", "10.1.0.20-10.1.0.21", "--ledger", ledger})
                           .finish();
    QCOMPARE(usedUp.code, 2);
    QVERIFY2(usedUp.err.contains("no address left in 10.1.0.20-10.1.0.21"), qPrintable(usedUp.err));
}

void TestProvision::twoBenchesShareLedger()
{
    QTemporaryDir dir;
    const QString ledger = dir.filePath("ledger.csv");
    const QString common = written(dir, "t.json", Template);
    Sim first({"--batch", "3", "--pace"});
    Sim second({"--batch", "3", "--pace", "--model", "wireless-key"});
    const QStringList arguments{"--template", common, "--ip-range", Range, "--ledger", ledger, "--count", "3"};
    Provision one(first, arguments);
    Provision two(second, arguments);
    QElapsedTimer clock;
    clock.start();
    for (bool oneEnded = false, twoEnded = false; !(oneEnded && twoEnded) && clock.elapsed() < 40000;) {
        oneEnded = oneEnded || one.serve(20);
        twoEnded = twoEnded || two.serve(20);
    }
    QCOMPARE(one.finish(0).code, 0);
    QCOMPARE(two.finish(0).code, 0);

    QFile file(ledger);
    QVERIFY(file.open(QIODevice::ReadOnly));
    InputError error;
    const std::optional<QList<LedgerEntry>> entries = ledgerEntries(file.readAll(), ledger, &error);
    QVERIFY2(entries, qPrintable(error.message()));
    QSet<QString> addresses;
    for (const LedgerEntry &entry : *entries) {
        if (entry.outcome == QStringLiteral("sending"))
            continue;
        QCOMPARE(entry.outcome, QStringLiteral("done"));
        addresses << entry.ip;
    }
    QCOMPARE(entries->size(), 12);
    QCOMPARE(addresses, QSet<QString>({"10.1.0.20", "10.1.0.21", "10.1.0.22", "10.1.0.23", "10.1.0.24", "10.1.0.25"}));
}

// Another program holds the ledger's lock when the second device is in
// hand: the run says it waits, and changes nothing until the lock is let go.
void TestProvision::waitsForLedgerLock()
{
#ifdef Q_OS_WIN
    QSKIP("the test takes the ledger's lock with flock");
#else
    QTemporaryDir dir;
    const QString ledger = dir.filePath("ledger.csv");
    Sim sim({"--batch", "2"});
    Provision provision(sim, {"--template", written(dir, "t.json", Template), "--ip-range", Range,
                              "--ledger", ledger, "--count", "2"});
    QFile held(ledger);
    provision.onLine = [&](int device, const QString &) {
        if (device == 0 && held.open(QIODevice::ReadOnly))
            QCOMPARE(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);
    };
    const QString waiting = "waiting for the ledger " + ledger + ", which another run holds";
    for (int turn = 0; turn < 100 && !provision.lines().contains(waiting); ++turn)
        provision.serve(50);
    QVERIFY2(provision.lines().contains(waiting), qPrintable(provision.lines().join('\n')));
    provision.serve(500);
    QCOMPARE(sim.frames("received upload ").size(), 1);
    QCOMPARE(::flock(held.handle(), LOCK_UN), 0);
    const Run run = provision.finish();
    QCOMPARE(run.code, 0);
    QCOMPARE(results(run), QStringList({"4660  10.1.0.20  done", "4661  10.1.0.21  done",
                                        "done 2, failed 0, skipped 0"}));
#endif
}

// An end signal while the device answers an upload: the answer is taken and
// recorded, then the run ends with its summary and the port's lock gone.
void TestProvision::endSignalAfterUpload()
{
    QTemporaryDir dir;
    const QString ledger = dir.filePath("ledger.csv");
    Sim sim({"--batch", "3", "--pace"});
    Provision provision(sim, {"--template", written(dir, "t.json", Template), "--ip-range", Range,
                              "--ledger", ledger});
#ifdef Q_OS_WIN
    QSKIP("Windows: no signals to send to a console program from here");
#else
    bool signalled = false;
    provision.onPump = [&] {
        if (!signalled && sim.frames("received upload ").size() == 2)
            signalled = ::kill(pid_t(provision.pid()), SIGTERM) == 0;
    };
    const Run run = provision.finish();
    QVERIFY(signalled);
    QCOMPARE(run.code, 128 + SIGTERM);
    QCOMPARE(results(run),
             QStringList({"4660  10.1.0.20  done", "4661  10.1.0.21  done", "done 2, failed 0, skipped 0"}));
    QCOMPARE(ledgerLines(ledger).mid(1), QStringList({"4660,wireless,10.1.0.20,4001,sending,",
                                                      "4660,wireless,10.1.0.20,4001,done,",
                                                      "4661,wireless,10.1.0.21,4001,sending,",
                                                      "4661,wireless,10.1.0.21,4001,done,", ""}));
    QCOMPARE(existingLockFile(sim.path), QString());
#endif
}

// An answer that differs from the upload, and one from a device swapped in
// after the read (4662 read, 4663 took the change): neither is done, and the
// swapped-in device is configured in turn with an address of its own.
void TestProvision::alteredAnswerDiffers()
{
    QTemporaryDir dir;
    const QString ledger = dir.filePath("ledger.csv");
    Sim sim({"--batch", "4"});
    Provision provision(sim, {"--template", written(dir, "t.json", Template), "--ip-range", Range,
                              "--ledger", ledger, "--count", "2"});
    provision.onLine = [&sim](int device, const QString &) {
        sim.control(device == 0 ? "fault alter" : device == 1 ? "fault swap" : "fault none");
    };
    const Run run = provision.finish();
    QCOMPARE(run.code, 0);
    QCOMPARE(results(run),
             QStringList({"4660  10.1.0.20  done", "4661  10.1.0.21  differs: primaryPort",
                          "4662  10.1.0.22  swapped: serial number 4663 answered", "4663  10.1.0.23  done",
                          "done 2, failed 2, skipped 0"}));
    QVERIFY2(run.err.contains("primaryPort: sent 4001, the device holds 4002"), qPrintable(run.err));
    QVERIFY2(run.err.contains("read (serial number 4662) is not the one that answered the change (serial number 4663)"),
             qPrintable(run.err));
    QCOMPARE(ledgerLines(ledger).mid(4, 4),
             QStringList({"4661,wireless,10.1.0.21,4002,differs,primaryPort", "4662,wireless,10.1.0.22,4001,sending,",
                          "4662,wireless,10.1.0.22,4001,swapped,4663", "4663,wireless,10.1.0.23,4001,sending,"}));
}

// A record left in the line's buffer by a device that is gone (another
// program asked 4660, then it was unplugged) is not taken for 4661's answer.
void TestProvision::staleRecordOnTheLine()
{
#ifdef Q_OS_WIN
    QSKIP("Windows opens a COM port for one program at a time: no other program holds the line open meanwhile");
#else
    QTemporaryDir dir;
    Sim sim({"--batch", "2"});
    const int line = ::open(QFile::encodeName(sim.path).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(line >= 0);
    const auto closeLine = qScopeGuard([line] { ::close(line); });
    termios raw{};
    QCOMPARE(::tcgetattr(line, &raw), 0);
    ::cfmakeraw(&raw);
    QCOMPARE(::tcsetattr(line, TCSANOW, &raw), 0);
    const QByteArray request = requestFrame();
    QCOMPARE(::write(line, request.constData(), size_t(request.size())), ssize_t(request.size()));
    QTRY_COMPARE(sim.frames("sent record ").size(), 1);
    sim.control("unplug");
    const QString ledger = dir.filePath("ledger.csv");
    Provision provision(sim, {"--template", written(dir, "t.json", Template), "--ip-range", Range,
                              "--ledger", ledger, "--count", "1"});
    const Run run = provision.finish();
    QCOMPARE(run.code, 0);
    QCOMPARE(results(run), QStringList({"4661  10.1.0.20  done", "done 1, failed 0, skipped 0"}));
    QCOMPARE(ledgerLines(ledger).filter(QRegularExpression("^4660,")), QStringList());
#endif
}

// A run that ended between the upload and its final line held the address
// for that device: the next run gives it to no other device (4663's holds
// against 4662, two devices on). A device done before but since swapped in
// for another (4659) is configured again.
void TestProvision::sendingLineHoldsItsAddress()
{
    QTemporaryDir dir;
    const QString ledger = written(dir, "ledger.csv",
                                   (Header + "\n2026-12-09T10:00:00.000Z,4660,wireless,10.1.0.30,4001,done,"
                                             "\n2026-12-09T10:01:00.000Z,4659,wireless,10.1.0.31,4001,swapped,4660"
                                             "\n2026-12-09T10:02:00.000Z,4661,wireless,10.1.0.20,4001,sending,"
                                             "\n2026-12-09T10:03:00.000Z,4663,wireless,10.1.0.21,4001,sending,\n")
                                       .toUtf8());
    Sim sim({"--batch", "4"});
    Provision provision(sim, {"--template", written(dir, "t.json", Template), "--ip-range", Range,
                              "--ledger", ledger, "--count", "4"});
    const Run run = provision.finish();
    QCOMPARE(run.code, 0);
    QCOMPARE(results(run),
             QStringList({"4660  10.1.0.30  done", "4661  10.1.0.20  done", "4662  10.1.0.22  done",
                          "4663  10.1.0.21  done", "done 4, failed 0, skipped 0"}));
}

void TestProvision::dryRunWritesNothing()
{
    QTemporaryDir dir;
    const QString ledger = dir.filePath("ledger.csv");
    Sim sim({"--batch", "2"});
    Provision provision(sim, {"--template", written(dir, "t.json", Template), "--ip-range", Range,
                              "--ledger", ledger, "--count", "2", "--dry-run"});
    const Run run = provision.finish();
    QCOMPARE(run.code, 0);
    QVERIFY2(run.lines.contains("  ip: 192.168.1.20 -> 10.1.0.21"), qPrintable(run.lines.join('\n')));
    QCOMPARE(results(run),
             QStringList({"4660  10.1.0.20  would be written", "4661  10.1.0.21  would be written",
                          "done 2, failed 0, skipped 0 (dry run: nothing written)"}));
    QVERIFY(!QFile::exists(ledger));
    QCOMPARE(sim.frames("received upload ").size(), 0);
}

void TestProvision::ledgerWriteFails_data()
{
    QTest::addColumn<QString>("shell");    // runs rallon-cli
    QTest::addColumn<QString>("preload");  // LD_PRELOAD
    QTest::addColumn<bool>("sent");        // the line that fails is the one after the upload
#ifdef Q_OS_WIN
    QTest::newRow("file size limit, fsync fails") << QString() << QString() << false;
#else
    QTest::newRow("file size limit") << "trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\"" << QString() << false;
    QTest::newRow("fsync fails") << "exec \"$0\" \"$@\"" << FAILING_FSYNC_PATH << false;
    QTest::newRow("fsync after the upload fails") << "FAILING_FSYNC_AFTER=1 exec \"$0\" \"$@\"" << FAILING_FSYNC_PATH
                                                  << true;
#endif
}

// A ledger that cannot grow (the file size limit) or whose line does not
// reach the disk: the run stops, says what the device holds, and the ledger
// keeps only whole lines, without the one it asks to be added by hand.
void TestProvision::ledgerWriteFails()
{
    QFETCH(QString, shell);
    QFETCH(QString, preload);
    QFETCH(bool, sent);
#ifdef Q_OS_WIN
    QSKIP("Windows has no file size limit, bash or LD_PRELOAD to make the ledger fail");
#endif
    QTemporaryDir dir;
    // 1000 octets: under the size limit the next line only fits in part.
    QByteArray full = (Header + "\n2026-12-09T10:00:00.000Z,1,wired,10.1.1.1,4001,refused,").toUtf8();
    full += QByteArray(999 - full.size(), 'x') + '\n';
    const QString ledger = written(dir, "ledger.csv", full);
    Sim sim({});
    QProcess limited;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!preload.isEmpty()) {  // AddressSanitizer's runtime is then not the first library
        environment.insert("LD_PRELOAD", preload);
        environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    }
    limited.setProcessEnvironment(environment);
    limited.start("bash", {"-c", shell, built(RALLON_CLI_PATH), "provision",
                           sim.path, "--template", written(dir, "t.json", Template), "--ip-range", Range,
                           "--ledger", ledger});
    QVERIFY(limited.waitForFinished(15000));
    QCOMPARE(limited.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(limited.readAllStandardError());
    // The line written ahead of the upload fails: nothing reaches the device. Or the line after it.
    QVERIFY2(sent ? err.contains("The device in hand was changed; its line is:\n")
                        && err.contains(",4660,wireless,10.1.0.20,4001,done,")
                  : err.contains("Nothing was sent to the device in hand; its line would be:\n")
                        && err.contains(",4660,wireless,10.1.0.20,4001,sending,"),
             qPrintable(err));
    QTest::qWait(300);  // then every line the device logged, an upload that went out too
    QCOMPARE(sim.end().frames("received upload ").size(), int(sent));
    QVERIFY(!limited.readAllStandardOutput().contains("4660  "));  // no device line without its ledger line
    QFile file(ledger);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().left(full.size()), full);
    QCOMPARE(ledgerLines(ledger).mid(2),
             sent ? QStringList({"4660,wireless,10.1.0.20,4001,sending,", ""}) : QStringList({""}));
}

// A device the ledger holds gets its address back, unless the inventory
// keeps that address for another device.
void TestProvision::addressKeptForItsDevice()
{
    InputError error;
    const QList<LedgerEntry> ledger{{"", 4660, "wireless", "10.1.0.20", "4001", "no answer", ""}};
    const std::optional<IpRange> range = ipRange(Range, "255.255.255.0", std::nullopt, &error);
    QVERIFY(range);
    QString why;
    QCOMPARE(addressFor(4660, Inventory(), range, ledger, &why), addressNumber("10.1.0.20"));
    const std::optional<Inventory> inventory = inventoryFromCsv("serialNumber,ip\n4661,10.1.0.20\n", "", &error);
    QVERIFY(inventory);
    QCOMPARE(addressFor(4660, *inventory, range, ledger, &why), addressNumber("10.1.0.21"));
    // A range's last address is given too, and one the inventory keeps for another device is not.
    const std::optional<IpRange> two = ipRange("10.1.0.20-10.1.0.21", "255.255.255.0", std::nullopt, &error);
    QVERIFY(two);
    QCOMPARE(addressFor(4662, *inventory, two, {}, &why), addressNumber("10.1.0.21"));
    // Refused, differing or unanswered, a device is not done: the next run configures it.
    for (const char *outcome : {"refused", "differs", "no answer"})
        QVERIFY2(!doneEntry({{"", 4660, "wireless", "10.1.0.20", "4001", outcome, ""}}, 4660), outcome);
    // Only a later swapped line undoes a device's done line.
    const LedgerEntry done{"", 4660, "wireless", "10.1.0.20", "4001", "done", ""};
    const LedgerEntry swapped{"", 4659, "wireless", "10.1.0.21", "4001", "swapped", "4660"};
    QVERIFY(doneEntry({swapped, done}, 4660));
    QVERIFY(!doneEntry({done, swapped}, 4660));
    // A row that gives its own gateway and mask is checked against its own network.
    const std::optional<Wanted> common = wantedFromDocument(Template, &error);
    const std::optional<Inventory> ownNetwork =
        inventoryFromCsv("serialNumber,ip,gateway,mask\n4660,10.2.0.5,10.2.0.1,255.255.255.0\n", "", &error);
    QVERIFY(common && ownNetwork);
    QVERIFY2(batchTakeable(*common, *ownNetwork, std::nullopt, "t.json", "inventory.csv", &error),
             qPrintable(error.message()));
    // An inventory's secret takes the template's place, whichever kind each is.
    Wanted password, key;
    password[Setting::Password] = QStringLiteral("template");
    key.sharedKey = QByteArray(64, 'k');
    const Wanted keyOverPassword = wantedFor(password, key, 1), passwordOverKey = wantedFor(key, password, 1);
    QVERIFY(!keyOverPassword[Setting::Password] && keyOverPassword.sharedKey == key.sharedKey);
    QVERIFY(!passwordOverKey.sharedKey && passwordOverKey[Setting::Password] == password[Setting::Password]);
}

// The port's line goes away while a device is looked for (its adapter
// pulled): the run says so once, lets the port and its lock go, and goes on
// with the next device when the port is back.
void TestProvision::lostPortIsWaitedFor()
{
#ifdef Q_OS_WIN
    QSKIP("Windows: the far end of a null-modem pair cannot hang the line up, nor a link stand for a port");
#else
    QTemporaryDir dir;
    const QString port = dir.filePath(QStringLiteral("ttyBENCH"));
    Sim first({"--batch", "1"});
    QVERIFY(QFile::link(first.path, port));
    first.path = port;
    Provision provision(first, {"--template", written(dir, "t.json", Template), "--ip-range", Range,
                                "--ledger", dir.filePath("ledger.csv"), "--count", "2"});
    const auto serveUntil = [&provision](const std::function<bool()> &done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 10000 && !provision.serve(20)) {
        }
        return done();
    };
    QVERIFY(serveUntil([&] { return provision.lines().contains("4660  10.1.0.20  done"); }));
    QVERIFY(!existingLockFile(port).isEmpty());
    first.end();
    QVERIFY(QFile::remove(port));  // the adapter's device node goes with it
    const QString lost = "rallon-cli: the port " + port + " was lost (the adapter unplugged?): waiting for it to come back\n";
    QVERIFY2(serveUntil([&] { return provision.errors().contains(lost); }), qPrintable(provision.errors()));
    QVERIFY(!provision.serve(4500));  // two more requests' time
    QCOMPARE(provision.errors().count(lost), 1);
    QCOMPARE(existingLockFile(port), QString());

    Sim second({"--batch", "1", "--model", "wireless-key"});
    QVERIFY(QFile::link(second.path, port));
    const Run run = provision.finish();
    QCOMPARE(run.code, 0);
    QCOMPARE(results(run), QStringList({"4660  10.1.0.20  done", "7  10.1.0.21  done", "done 2, failed 0, skipped 0"}));
    QCOMPARE(run.err, lost + "rallon-cli: the port " + port + " is back\n");
#endif
}

void TestProvision::refusedBeforeAnyDevice_data()
{
    QTest::addColumn<QByteArray>("common");     // the template
    QTest::addColumn<QString>("range");         // empty: no --ip-range
    QTest::addColumn<QByteArray>("inventory");  // empty: no --inventory
    QTest::addColumn<QByteArray>("ledger");     // empty: no file yet
    QTest::addColumn<QString>("message");

    const QByteArray noMask = R"({"format": "rallon-config/1", "gateway": "10.1.0.1"})";
    const QByteArray withIp = R"({"format": "rallon-config/1", "mask": "255.255.255.0", "ip": "10.1.0.9"})";
    QTest::newRow("template with ip") << withIp << Range << QByteArray() << QByteArray()
                                      << "\"ip\": a template gives every device the same settings";
    QTest::newRow("range over broadcast") << Template << "10.1.0.250-10.1.1.5" << QByteArray() << QByteArray()
                                          << "reaches the broadcast address 10.1.0.255";
    QTest::newRow("range holds gateway") << Template << "10.1.0.1-10.1.0.30" << QByteArray() << QByteArray()
                                         << "holds the template's gateway 10.1.0.1";
    QTest::newRow("range ends on broadcast") << Template << "10.1.0.250-10.1.0.255" << QByteArray() << QByteArray()
                                             << "reaches the broadcast address 10.1.0.255";
    QTest::newRow("range ends on gateway") << QByteArray(Template).replace("10.1.0.1", "10.1.0.99") << Range
                                           << QByteArray() << QByteArray() << "holds the template's gateway 10.1.0.99";
    QTest::newRow("range without mask") << noMask << Range << QByteArray() << QByteArray()
                                        << "the template must give a mask";
    QTest::newRow("serial twice") << Template << QString() << QByteArray("serialNumber,ip\n4660,10.1.0.5\n4660,10.1.0.6\n")
                                  << QByteArray() << "line 3: serial number 4660 is on line 2 too";
    QTest::newRow("address twice") << Template << Range << QByteArray("serialNumber,ip\n4660,10.1.0.5\n4661,10.1.0.5\n")
                                   << QByteArray() << "line 3: ip 10.1.0.5 is on line 2 too";
    QTest::newRow("unknown column") << Template << QString() << QByteArray("serialNumber,hostname\n4660,a\n")
                                    << QByteArray() << "column \"hostname\" is not a field";
    QTest::newRow("column twice") << Template << QString() << QByteArray("serialNumber,ip,ip\n4660,10.1.0.5,10.1.0.6\n")
                                  << QByteArray() << "column \"ip\" appears twice";
    QTest::newRow("control character") << Template << QString() << QByteArray("serialNumber,ssid\n4660,\"A\x1b[2JB\"\n")
                                       << QByteArray() << "line 2: control character \\x1b";
    QTest::newRow("value not in list") << Template << QString() << QByteArray("serialNumber,com1.baud\n4660,1234\n")
                                       << QByteArray() << "\"1234\" is not in its list";
    const QByteArray bigPort = R"({"format": "rallon-config/1", "mask": "255.255.255.0", "primaryPort": 40000})";
    QTest::newRow("port over its range")
        << Template << QString() << QByteArray("serialNumber,ip,primaryPort\n4660,10.1.0.5,\n4661,10.1.0.6,40000\n")
        << QByteArray() << "line 3: Primary Port Data: The number for the Primary Port is over";
    QTest::newRow("template's port too large") << bigPort << Range << QByteArray() << QByteArray()
                                               << "t.json: with ip 10.1.0.20 from --ip-range: Primary Port Data";
    QTest::newRow("ssid too long")
        << Template << Range << QByteArray("serialNumber,ssid\n4660,ABCDEFGHIJKLMNOPQRSTUVWXYZ\n") << QByteArray()
        << "line 2: \"ssid\": is 26 characters long";
    QTest::newRow("formula as port")
        << Template << Range << QByteArray("serialNumber,primaryPort\n4660,+cmd|' /C calc'!A0\n") << QByteArray()
        << "line 2: Primary Port Data: The Primary Port must be a number";
    QTest::newRow("row without address")
        << Template << QString() << QByteArray("serialNumber,ip,ssid\n4660,10.1.0.5,\n4661,,X\n") << QByteArray()
        << "line 3: no ip";
    QTest::newRow("range outside gateway's network")
        << Template << "10.2.0.20-10.2.0.30" << QByteArray() << QByteArray()
        << "10.2.0.20-10.2.0.30 is outside the network 10.1.0.0 of the template's gateway 10.1.0.1 "
           "under the template's mask 255.255.255.0";
    QTest::newRow("address outside gateway's network")
        << Template << QString() << QByteArray("serialNumber,ip\n4660,10.1.0.5\n4661,10.2.0.5\n") << QByteArray()
        << "line 3: ip 10.2.0.5 is outside the network 10.1.0.0";
    QTest::newRow("address outside its own gateway's network")
        << Template << QString() << QByteArray("serialNumber,ip,gateway,mask\n4660,10.1.0.5,10.2.0.1,255.255.0.0\n")
        << QByteArray()
        << "line 2: ip 10.1.0.5 is outside the network 10.2.0.0 of gateway 10.2.0.1 under mask 255.255.0.0";
    QTest::newRow("ledger cut off") << Template << Range << QByteArray()
                                    << (Header + "\n2026-12-09T10:00:00.000Z,4660,wireless,10.1.0.20,40").toUtf8()
                                    << "line 2 is not whole";
    QTest::newRow("not a ledger") << Template << Range << QByteArray() << QByteArray("name,address\nx,y\n")
                                  << "not a ledger";
    QTest::newRow("ledger of a byte-order mark") << Template << Range << QByteArray() << QByteArray("\xef\xbb\xbf")
                                                 << "not a ledger";
}

void TestProvision::refusedBeforeAnyDevice()
{
    QFETCH(QByteArray, common);
    QFETCH(QString, range);
    QFETCH(QByteArray, inventory);
    QFETCH(QByteArray, ledger);
    QFETCH(QString, message);
    QTemporaryDir dir;
    Sim sim({});
    QStringList arguments{"--template", written(dir, "t.json", common), "--ledger", dir.filePath("ledger.csv")};
    if (!range.isEmpty())
        arguments << "--ip-range" << range;
    if (!inventory.isEmpty())
        arguments << "--inventory" << written(dir, "inventory.csv", inventory);
    if (!ledger.isEmpty())
        written(dir, "ledger.csv", ledger);
    const Run run = Provision(sim, arguments).finish();
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QTest::qWait(100);
    QVERIFY2(!sim.lines.join('\n').contains("received"), qPrintable(sim.lines.join('\n')));
}

QTEST_GUILESS_MAIN(TestProvision)
#include "test_provision.moc"
