// The main window with its real serial port on a pseudo-terminal: the
// request on the line, decoded records in the window, time-outs, why a port
// could not be opened, and the serial trace.

#include "SerialLog.h"
#include "WindowTestBench.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtTest>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <grp.h>
#include <linux/capability.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

using namespace rallon;
using namespace rallon::kit;

namespace {

constexpr int ShortTimeoutMs = 500;

#ifndef Q_OS_WIN
// Takes capabilities out of this thread's effective set while it lives.
class WithoutCapabilities {
public:
    explicit WithoutCapabilities(std::initializer_list<int> capabilities)
    {
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        for (int capability : capabilities)
            reduced[capability / 32].effective &= ~(1u << (capability % 32));
        m_dropped = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~WithoutCapabilities()
    {
        if (m_dropped)
            syscall(SYS_capset, &m_header, m_saved);
    }
    WithoutCapabilities(const WithoutCapabilities &) = delete;
    WithoutCapabilities &operator=(const WithoutCapabilities &) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
};

// QSerialPort's lock file for a pseudo-terminal: /dev/pts/3 is LCK..pts_3.
QString lockFileOf(const QString &device)
{
    return "/var/lock/LCK.." + QString(device).mid(5).replace('/', '_');
}
#endif

// The serial trace's lines, while traceHandler is installed.
QStringList traceLines;
QtMessageHandler testHandler = nullptr;
void traceHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (qstrcmp(context.category, lcSerial().categoryName()) == 0)
        traceLines.append(text);
    else
        testHandler(type, context, text);
}

const QString NoCommunicationText = QStringLiteral(
    "The Tarvex Power Rallon is not responding.  Please check the communication cable and "
    "connections,\rand that the Rallon is powered on and in the Configuration Mode (Green LED "
    "blinking about 2 times per second).");

}  // namespace

class TestRetrieveWindow : public WindowTestBench {
    Q_OBJECT

private:
    void openOnPeerWithShortTimeOut()
    {
        openOnPeer();
        form->setReplyTimeoutMs(ShortTimeoutMs);
    }

    void retrieve()
    {
        QTest::mouseClick(control<QPushButton>("GetCurrentDataCommand"), Qt::LeftButton);
        QTRY_COMPARE(peer->received().size(), frame::RequestLength);
    }

private slots:
    void init() { catchMessagesAndEnd(); }
    void cleanup() { closeEverything(); }

    void loadShowsDashesAndWaitsForNothing()
    {
        openOnPeerWithShortTimeOut();
        QCOMPARE(form->deviceKind(), DeviceKind::Unknown);
        QCOMPARE(currentColumn(*form), dashes());
        QVERIFY(form->session().isOpen());
        QVERIFY(!form->session().awaitingReply());
    }

    void requestFrameOnTheLine()
    {
        openOnPeerWithShortTimeOut();
        QSignalSpy writes(&form->session(), &SerialSession::written);
        QTest::mouseClick(control<QPushButton>("GetCurrentDataCommand"), Qt::LeftButton);
        QCOMPARE(writes.size(), 110);
        QCOMPARE(writes.first().first().toByteArray(), QByteArray("CFG?"));
        QCOMPARE(writes.last().first().toByteArray(), QByteArray(1, char(238)));
        QTRY_COMPARE(peer->received().size(), 113);
        QCOMPARE(peer->received(), QByteArray("CFG?") + QByteArray(109, char(238)));
        QVERIFY(form->session().awaitingReply());
        QCOMPARE(currentColumn(*form), dashes());  // a request changes nothing shown
    }

    void wirelessPasswordModel()
    {
        openOnPeerWithShortTimeOut();
        retrieve();
        peer->write(encodeRecord(*simModel("wireless-password")) + '\r');
        QTRY_COMPARE(form->deviceKind(), DeviceKind::Wireless);
        QCOMPARE(currentColumn(*form),
                 QStringList({"192.168.1.20", "255.255.255.0", "192.168.1.1", "4000", "HOME",
                              "WAP (TKIP)", "abc", "9600", "8", "1", "NONE", "115200", "7", "2",
                              "ODD", " 4660"}));
        QCOMPARE(form->serialNumber(), quint16(4660));
        QVERIFY(!form->sharedKeyMode());
        QCOMPARE(control<QPushButton>("btnPASS_SHARED")->text(), QString("PASSWORD"));
        QVERIFY(control<QPushButton>("btnHEX_SELECT")->isHidden());
        for (QWidget *w : std::initializer_list<QWidget *>{control<QLineEdit>("txtNewSSID"),
                                                          control<QComboBox>("NewEncryptionType"),
                                                          control<MultiLineTextBox>("NewPasswordTextBox"),
                                                          control<QPushButton>("btnPASS_SHARED")})
            QVERIFY(w->isEnabled());
        const QStringList keys = form->frmPASSKEY()->keyTexts();
        QCOMPARE(keys.mid(0, 5), QStringList({"61", "62", "63", "0", "FF"}));
        QCOMPARE(keys.mid(4), QStringList(60, "FF"));
        QVERIFY(!form->frmPASSKEY()->isVisible());  // filled, not shown
        QVERIFY(!form->session().awaitingReply());
        QVERIFY(messages.isEmpty());
    }

    void wirelessKeyModelFromTheVirtualDevice()
    {
        openOnDevice("wireless-key");

        // A password shown from an earlier record must not survive a key record.
        control<MultiLineTextBox>("CurrentPasswordTextBox")->setText("from another device");
        QSignalSpy requests(device.get(), &SimDevice::requestReceived);
        QTest::mouseClick(control<QPushButton>("GetCurrentDataCommand"), Qt::LeftButton);
        QTRY_COMPARE(form->deviceKind(), DeviceKind::Wireless);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(currentColumn(*form),
                 QStringList({"10.0.0.5", "255.0.0.0", "10.0.0.1", "32499", "RALLON-NET",
                              "WAP (AES)", "", "4800", "8", "1", "EVEN", "19200", "8", "2",
                              "NONE", " 7"}));
        QVERIFY(form->sharedKeyMode());
        QCOMPARE(control<QPushButton>("btnPASS_SHARED")->text(), QString("SHARED KEY"));
        QVERIFY(!control<QPushButton>("btnHEX_SELECT")->isHidden());
        QCOMPARE(control<QLineEdit>("txtNEW_HEX_KEY")->x(), 8640 / 15);
        QVERIFY(control<MultiLineTextBox>("NewPasswordTextBox")->x() >= form->centralWidget()->width());
        const QStringList keys = form->frmPASSKEY()->keyTexts();
        QCOMPARE(keys.mid(0, 3), QStringList({"1F", "A", "0"}));
        QCOMPARE(keys.at(3), QString::number((31 + 21) % 256, 16).toUpper());
    }

    void wiredModel()
    {
        openOnPeerWithShortTimeOut();
        retrieve();
        peer->write(encodeRecord(*simModel("wired")) + '\r');
        QTRY_COMPARE(form->deviceKind(), DeviceKind::Wired);
        const QStringList shown = currentColumn(*form);
        QCOMPARE(shown.mid(0, 7), QStringList({"172.16.5.9", "255.255.0.0", "172.16.0.1", "8080",
                                               "N / A", "N / A", "N / A"}));
        QCOMPARE(control<QLineEdit>("txtSN")->text(), QString(" 1234"));
        for (QWidget *w : std::initializer_list<QWidget *>{control<QLineEdit>("txtNewSSID"),
                                                          control<QComboBox>("NewEncryptionType"),
                                                          control<MultiLineTextBox>("NewPasswordTextBox"),
                                                          control<QPushButton>("btnPASS_SHARED")})
            QVERIFY(!w->isEnabled());
        QCOMPARE(control<QPushButton>("btnPASS_SHARED")->text(), QString("PASSWORD"));
        QVERIFY(control<QPushButton>("btnHEX_SELECT")->isHidden());
        QCOMPARE(form->frmPASSKEY()->keyTexts(), QStringList(64, "FF"));
    }

    void recordInPiecesIsDecodedOnce()
    {
        openOnPeerWithShortTimeOut();
        QSignalSpy records(&form->session(), &SerialSession::recordReceived);
        retrieve();
        const QByteArray answer = encodeRecord(*simModel("wireless-password")) + '\r';
        for (int i = 0; i < answer.size(); i += 9) {
            peer->write(answer.mid(i, 9));
            QTest::qWait(5);
        }
        QTRY_COMPARE(form->deviceKind(), DeviceKind::Wireless);
        QTest::qWait(50);
        QCOMPARE(records.size(), 1);
        QCOMPARE(control<QLineEdit>("CurrentIPAddressTextBox")->text(), QString("192.168.1.20"));
    }

    void noiseBeforeTheRecordDoesNotShiftIt()
    {
        openOnPeerWithShortTimeOut();
        retrieve();
        peer->write(QByteArray("\x00\xff\x13" "CF" "x", 6) + encodeRecord(*simModel("wired")));
        QTRY_COMPARE(form->deviceKind(), DeviceKind::Wired);
        QCOMPARE(control<QLineEdit>("CurrentIPAddressTextBox")->text(), QString("172.16.5.9"));
        QCOMPARE(control<QLineEdit>("CurrentPrimaryPortTextBox")->text(), QString("8080"));
        QCOMPARE(control<QLineEdit>("txtSN")->text(), QString(" 1234"));
    }

    void exactRecordWithNothingAfterIsShown()
    {
        openOnPeerWithShortTimeOut();
        retrieve();
        peer->write(encodeRecord(*simModel("wireless-password")));
        QTRY_COMPARE(form->deviceKind(), DeviceKind::Wireless);
        QVERIFY(!form->session().awaitingReply());
    }

    void codesWithoutEntryShowDashes()
    {
        openOnPeerWithShortTimeOut();
        retrieve();
        QByteArray record = encodeRecord(*simModel("wireless-password"));
        record[39] = char(255);   // encryption
        record[108] = char(255);  // Comm 1 parity
        record[37] = char(200);   // port high octet: unsigned
        peer->write(record);
        QTRY_COMPARE(form->deviceKind(), DeviceKind::Wireless);
        QCOMPARE(control<QLineEdit>("txCurrentEncryptionType")->text(), QString("----"));
        QCOMPARE(control<QLineEdit>("CurrentCom1ParityTextBox")->text(), QString("----"));
        QCOMPARE(control<QLineEdit>("CurrentPrimaryPortTextBox")->text(),
                 QString::number(200 * 256 + 4000 % 256));
    }

    void silentDeviceTimesOutOnce()
    {
        openOnPeerWithShortTimeOut();
        retrieve();
        peer->write(encodeRecord(*simModel("wireless-password")) + '\r');
        QTRY_COMPARE(form->deviceKind(), DeviceKind::Wireless);

        bool timerStoppedBeforeMessage = false;
        setMessageHook([&](const Message &m) {
            timerStoppedBeforeMessage = !form->session().awaitingReply();
            messages.append(m);
        });
        peer->clearReceived();
        retrieve();
        QTRY_COMPARE(messages.size(), 1);
        QTest::qWait(3 * ShortTimeoutMs);
        QCOMPARE(said(), QStringList("No Communication: " + NoCommunicationText));
        QVERIFY(messages.first().warning);
        QVERIFY(timerStoppedBeforeMessage);
        QCOMPARE(currentColumn(*form), dashes());
        QCOMPARE(form->frmPASSKEY()->keyTexts(), QStringList(64, "FF"));
        QCOMPARE(form->deviceKind(), DeviceKind::Wireless);  // kept
    }

    void replyThatStopsShortTimesOutAfterItsLastOctet()
    {
        openOnPeerWithShortTimeOut();
        retrieve();
        QElapsedTimer clock;
        clock.start();
        // Octets keep arriving for longer than the time-out: no message yet.
        const QByteArray part = encodeRecord(*simModel("wireless-password")).left(100);
        for (int i = 0; i < 5; ++i) {
            peer->write(part.mid(i * 20, 20));
            QTest::qWait(ShortTimeoutMs / 2);
        }
        QVERIFY(messages.isEmpty());
        QTRY_COMPARE(messages.size(), 1);
        // The last piece left at 4 half time-outs; the time-out counts from it.
        QVERIFY(clock.elapsed() >= 4 * ShortTimeoutMs / 2 + ShortTimeoutMs - 50);
        QCOMPARE(messages.first().title, QString("No Communication"));
        QVERIFY(form->session().receiveBuffer().isEmpty());
        QTest::qWait(2 * ShortTimeoutMs);
        QCOMPARE(messages.size(), 1);

        // The next reply decodes cleanly from an empty buffer.
        peer->clearReceived();
        retrieve();
        peer->write(encodeRecord(*simModel("wired")));
        QTRY_COMPARE(form->deviceKind(), DeviceKind::Wired);
        QCOMPARE(control<QLineEdit>("CurrentIPAddressTextBox")->text(), QString("172.16.5.9"));
    }

    // The one test at the shipped interval (8 s): the time-out comes within
    // a few milliseconds of 8000 ms after the last octet, as a precise timer does.
    void timeOutAtTheShippedIntervalIsPrecise()
    {
        openOnPeer();
        QCOMPARE(form->session().replyTimeoutMs(), SerialSession::ReplyTimeoutMs);
        QElapsedTimer clock;
        qint64 shownAfter = -1;
        setMessageHook([&](const Message &m) {
            shownAfter = clock.elapsed();
            messages.append(m);
        });
        form->frmPASSKEY();  // created beforehand: its first load is not the timer's lag
        QSignalSpy timedOut(&form->session(), &SerialSession::replyTimedOut);
        retrieve();
        peer->write(encodeRecord(*simModel("wired")).left(40));
        clock.start();  // the arrival, read after this, restarts the time-out
        // A precise 8 s timer beside it: a loaded machine delays both alike.
        qint64 referenceAfter = -1;
        QTimer::singleShot(8000, Qt::PreciseTimer, [&] { referenceAfter = clock.elapsed(); });
        // A real event loop meanwhile: a polling wait would add its own lag.
        QVERIFY(timedOut.wait(SerialSession::ReplyTimeoutMs + 1000));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(shownAfter >= 8000 && referenceAfter >= 8000 && shownAfter - referenceAfter <= 50,
                 qPrintable(QString("%1 ms, the precise timer %2 ms").arg(shownAfter).arg(referenceAfter)));
        QCOMPARE(messages.first().title, QString("No Communication"));
    }

    void aNewRequestDropsWhatIsLeftOfAnEarlierReply()
    {
        openOnPeerWithShortTimeOut();
        retrieve();
        peer->write(encodeRecord(*simModel("wireless-password")).left(60));
        QTRY_VERIFY(!form->session().receiveBuffer().isEmpty());
        // Asked again before the time-out: the new answer is shown unshifted.
        peer->clearReceived();
        retrieve();
        QVERIFY(form->session().receiveBuffer().isEmpty());
        peer->write(encodeRecord(*simModel("wired")) + '\r');
        QTRY_COMPARE(form->deviceKind(), DeviceKind::Wired);
        QCOMPARE(control<QLineEdit>("CurrentIPAddressTextBox")->text(), QString("172.16.5.9"));
        QCOMPARE(control<QLineEdit>("txtSN")->text(), QString(" 1234"));
        QVERIFY(messages.isEmpty());
    }

    // A record already waiting on the line when the port opens, or when
    // RETRIEVE is clicked, was asked by nobody: it is dropped unshown.
    void recordWaitingOnTheLineIsDropped_data()
    {
        QTest::addColumn<bool>("beforeOpen");  // else before the request
        QTest::newRow("before the port opened") << true;
        QTest::newRow("before RETRIEVE") << false;
    }
    void recordWaitingOnTheLineIsDropped()
    {
        QFETCH(bool, beforeOpen);
        const QByteArray stale = encodeRecord(*simModel("wireless-password")) + '\r';
        peer = std::make_unique<PtyPeer>();
        if (beforeOpen) {
            peer->write(stale);
            QVERIFY(peer->waitUntilWaiting(stale.size()));
        }
        openForm(peer->path());
        QSignalSpy shown(form.get(), &UtilityForm::recordShown);
        if (beforeOpen) {
            QTest::qWait(100);
            QCOMPARE(currentColumn(*form), dashes());
        } else {
            peer->write(stale);
            QVERIFY(peer->waitUntilWaiting(stale.size()));
        }
        retrieve();
        peer->write(encodeRecord(*simModel("wired")) + '\r');
        QVERIFY(shown.wait(5000));
        QTest::qWait(100);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(currentColumn(*form), columnOf(*simModel("wired")));
    }

    void octetsNobodyAskedForStartNoTimeOut()
    {
        openOnPeerWithShortTimeOut();
        peer->write("stray octets");
        QTest::qWait(2 * ShortTimeoutMs);
        QVERIFY(messages.isEmpty());
        QVERIFY(!form->session().awaitingReply());
    }

    // One row per reason on standard error; the message box is the same.
    void portThatCannotBeOpenedEndsTheProgram_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("no such device") << "missing";
        QTest::newRow("locked by another program") << "locked";
        // Lock files QSerialPort would take for stale, of a process that runs.
        QTest::newRow("lock of a live process, \"%10d\\n\"") << "live lock padded";
        QTest::newRow("lock of a live process, \"pid\\n\"") << "live lock bare";
        QTest::newRow("lock of a live process, binary") << "live lock binary";
        QTest::newRow("held exclusively by another program") << "exclusive";
        QTest::newRow("no access rights, group dialout") << "no access dialout";
        QTest::newRow("no access rights, another group") << "no access tty";
        QTest::newRow("not a serial port") << "not a port";
    }
    void portThatCannotBeOpenedEndsTheProgram()
    {
        QFETCH(QString, fault);
#ifdef Q_OS_WIN
        if (fault != "missing" && fault != "exclusive")
            QSKIP("Windows has no lock files, file modes or ioctls");
#endif
        peer = std::make_unique<PtyPeer>();
        QVERIFY(peer->isOpen());
        QString device = peer->path();
        QString reason;
        QSerialPort holder(device);  // another program with the port open
#ifdef Q_OS_WIN
        // The system's own words stand in brackets.
        if (fault == "missing") {
            device = "COM199";
            QSerialPort missing(device);
            QVERIFY(!missing.open(QIODevice::ReadWrite));
            reason = "no such device (" + missing.errorString() + ")";
        } else {  // Windows opens a COM port for one program at a time
            QVERIFY(holder.open(QIODevice::ReadWrite));
            QSerialPort second(device);
            if (second.open(QIODevice::ReadWrite))
                QSKIP("this system lets a second program open the port (Wine does): nothing to refuse");
            reason = "the port is in use by another program (" + second.errorString()
                     + "); close that program and start again";
        }
#else
        QProcess liveProcess;
        QByteArray lockContent;
        const auto cleanUp = qScopeGuard([&] {
            if (!lockContent.isEmpty())
                QFile::remove(lockFileOf(device));
            liveProcess.kill();
            liveProcess.waitForFinished();
        });
        int exclusiveFd = -1;
        // Root passes access checks and TIOCEXCL; without these capabilities
        // (while opening) it meets the checks an ordinary user meets.
        const std::initializer_list<int> rootPowers{CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH,
                                                    CAP_SYS_ADMIN};
        if (fault == "missing") {
            device = "/dev/no-such-rallon-port";
            reason = "no such device (No such file or directory)";
        } else if (fault == "locked") {
            QVERIFY(holder.open(QIODevice::ReadWrite));
            const QString lock = "/var/lock/LCK.." + device.mid(5).replace('/', '_');
            QVERIFY2(QFileInfo::exists(lock), qPrintable(lock));
            reason = "the port is locked by another program (lock file " + lock
                     + "); close that program, or remove the lock file if no program uses the "
                       "port, and start again";
        } else if (fault.startsWith("live lock")) {
            liveProcess.start("sleep", {"30"});
            QVERIFY(liveProcess.waitForStarted());
            const qint32 pid = qint32(liveProcess.processId());
            if (fault.endsWith("padded"))
                lockContent = QByteArray::number(pid).rightJustified(10, ' ') + '\n';
            else if (fault.endsWith("bare"))
                lockContent = QByteArray::number(pid) + '\n';
            else
                lockContent = QByteArray(reinterpret_cast<const char *>(&pid), sizeof pid);
            QFile lock(lockFileOf(device));
            QVERIFY(lock.open(QIODevice::WriteOnly));
            QCOMPARE(lock.write(lockContent), lockContent.size());
            reason = QString("the port is locked by another program (lock file %1, process %2); "
                             "close that program, or remove the lock file if no program uses "
                             "the port, and start again")
                         .arg(lock.fileName())
                         .arg(pid);
        } else if (fault == "exclusive") {
            exclusiveFd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY);
            QVERIFY(exclusiveFd >= 0);
            QCOMPARE(::ioctl(exclusiveFd, TIOCEXCL), 0);
            reason = "the port is in use by another program (Device or resource busy); close "
                     "that program and start again";
        } else if (fault.startsWith("no access")) {
            // Another user's device, as a serial adapter's or a terminal's.
            const bool dialout = fault.endsWith("dialout");
            const group *owners = ::getgrnam(dialout ? "dialout" : "tty");
            QVERIFY(owners);
            const QByteArray path = QFile::encodeName(device);
            QCOMPARE(::chown(path.constData(), 65534, owners->gr_gid), 0);
            QCOMPARE(::chmod(path.constData(), dialout ? 0660 : 0620), 0);
            reason = "permission denied (Permission denied); " + device
                     + " belongs to user nobody, "
                     + (dialout ? "group dialout, mode crw-rw----; the user may need to be in the "
                                  "dialout group: sudo usermod -aG dialout $USER, then log in again"
                                : "group tty, mode crw--w----; the user needs read and write "
                                  "access to it");
        } else {
            device = "/dev/null";
            reason = "Inappropriate ioctl for device";
        }
#endif
        setPortMapping([device](int) { return device; });
        form = std::make_unique<UtilityForm>();
        const QString expected = "cannot open " + device + ": " + reason;
        QTest::ignoreMessage(QtWarningMsg, qPrintable("rallon-config: " + expected));
#ifdef Q_OS_WIN
        QVERIFY(!form->Load(3));
#else
        {
            const WithoutCapabilities asAUser(rootPowers);
            QVERIFY(!form->Load(3));
        }
        if (exclusiveFd >= 0)
            ::close(exclusiveFd);
        if (!lockContent.isEmpty()) {
            // Refused without touching the lock or the line.
            QFile lock(lockFileOf(device));
            QVERIFY(lock.open(QIODevice::ReadOnly));
            QCOMPARE(lock.readAll(), lockContent);
            QVERIFY(peer->received().isEmpty());
        }
#endif
        QCOMPARE(form->session().errorString(), expected);
        QCOMPARE(said(), QStringList("Communication Error: "
                                     "This comm port seems to be in use by other programs or is not\r"
                                     "a valid serial port for this computer.  Please, ensure the port is "
                                     "valid and open\rbefore starting the program again."));
        QVERIFY(messages.first().warning);
        QCOMPARE(ends, 1);
        QVERIFY(!form->session().isOpen());
    }

    // Opened by its path over a lock QSerialPort takes over (its process is
    // gone), with the trace enabled: the open, each write and read (each read
    // also signalled) in hexadecimal, the close.
    void traceOfARequestAndItsAnswer()
    {
        device = std::make_unique<SimDevice>(*simModel("wired"));
        line = std::make_unique<SimLine>(device.get());
        QVERIFY(line->openPty(nullptr));
#ifndef Q_OS_WIN  // no lock files there
        QProcess gone;
        gone.start("true");
        QVERIFY(gone.waitForStarted());
        const qint64 pid = gone.processId();
        QVERIFY(gone.waitForFinished());
        QFile lock(lockFileOf(line->path()));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(pid).rightJustified(10, ' ') + '\n');
        lock.close();
        const auto removeLock = qScopeGuard([&] { lock.remove(); });
#endif
        QLoggingCategory::setFilterRules("rallon.serial.debug=true");
        testHandler = qInstallMessageHandler(traceHandler);
        const auto restore = qScopeGuard([&] {
            qInstallMessageHandler(testHandler);
            QLoggingCategory::setFilterRules(QString());
        });
        traceLines.clear();
        SerialSession session;
        QSignalSpy received(&session, &SerialSession::received);
        QSignalSpy records(&session, &SerialSession::recordReceived);
        QVERIFY2(session.open(line->path()), qPrintable(session.errorString()));
        session.sendRequest();
        QVERIFY(records.wait(5000));
        session.close();

        QStringList expected = QStringList{"open " + line->path(), "> 43 46 47 3F"}
                               + QStringList(frame::FillerCount, "> EE");
        QByteArray arrived;
        for (const QList<QVariant> &arrival : received) {
            arrived += arrival.first().toByteArray();
            expected.append("< " + arrival.first().toByteArray().toHex(' ').toUpper());
        }
        QCOMPARE(traceLines, expected + QStringList{"close"});
        QCOMPARE(arrived.left(frame::RecordLength), records.first().first().toByteArray());
    }

    void closingTheWindowClosesThePortAndEnds()
    {
        openOnPeerWithShortTimeOut();
        retrieve();
        form->close();
        QCOMPARE(ends, 1);
        QVERIFY(!form->session().isOpen());
        QVERIFY(!form->session().awaitingReply());
    }
};

QTEST_MAIN(TestRetrieveWindow)
#include "test_retrieve_window.moc"
