// The main window with its real serial port on a pseudo-terminal: the
// request on the line, decoded records in the window, time-outs, port errors.

#include "ConfigRecord.h"
#include "PortMapping.h"
#include "Program.h"
#include "PtyPeer.h"
#include "SimDevice.h"
#include "SimLine.h"
#include "UtilityForm.h"

#include <QSignalSpy>
#include <QtTest>

using namespace rallon;

namespace {

constexpr int ShortTimeoutMs = 300;

const QString NoCommunicationText = QStringLiteral(
    "The Tarvex Power Rallon is not responding.  Please check the communication cable and "
    "connections,\rand that the Rallon is powered on and in the Configuration Mode (Green LED "
    "blinking about 2 times per second).");

QStringList currentColumn(UtilityForm &form)
{
    QStringList texts{form.CurrentIPAddressTextBox->text(), form.CurrentSubnetMaskTextBox->text(),
                      form.CurrentDefaultGatewayTextBox->text(),
                      form.CurrentPrimaryPortTextBox->text(), form.txtCurrentSSID->text(),
                      form.txCurrentEncryptionType->text(), form.CurrentPasswordTextBox->text()};
    for (QLineEdit *box : form.currentSerialBoxes())
        texts.append(box->text());
    return texts;
}

const QStringList Dashes{"---.---.---.---", "---.---.---.---", "---.---.---.---", "----", "----",
                         "----", "----", "----", "----", "----", "----", "----", "----", "----",
                         "----"};

}  // namespace

class TestRetrieveWindow : public QObject {
    Q_OBJECT

private:
    QList<Message> messages;
    int ends = 0;
    std::unique_ptr<PtyPeer> peer;
    std::unique_ptr<UtilityForm> form;

    // A window loaded on a fresh pseudo-terminal whose far end the test holds.
    void openOnPeer()
    {
        peer = std::make_unique<PtyPeer>();
        QVERIFY(peer->isOpen());
        const QString path = peer->path();
        setPortMapping([path](int) { return path; });
        form = std::make_unique<UtilityForm>();
        QVERIFY(form->Load(1));
        form->session().Timer1.setInterval(ShortTimeoutMs);
        form->show();
    }

    void retrieve()
    {
        QTest::mouseClick(form->GetCurrentDataCommand, Qt::LeftButton);
        QTRY_COMPARE(peer->received().size(), frame::RequestLength);
    }

private slots:
    void init()
    {
        messages.clear();
        ends = 0;
        setMessageHook([this](const Message &m) { messages.append(m); });
        setEndProgramHook([this] { ++ends; });
    }
    void cleanup()
    {
        form.reset();
        peer.reset();
        setPortMapping({});
        setMessageHook({});
        setEndProgramHook({});
    }

    void loadShowsDashesAndWaitsForNothing()
    {
        openOnPeer();
        QCOMPARE(form->DeviceKind, 3);
        QCOMPARE(currentColumn(*form), Dashes);
        QCOMPARE(form->txtSN->text(), QString("????"));
        QVERIFY(form->session().isOpen());
        QVERIFY(!form->session().awaitingReply());
    }

    void requestFrameOnTheLine()
    {
        openOnPeer();
        QSignalSpy writes(&form->session(), &SerialSession::written);
        QTest::mouseClick(form->GetCurrentDataCommand, Qt::LeftButton);
        QCOMPARE(writes.size(), 110);
        QCOMPARE(writes.first().first().toByteArray(), QByteArray("CFG?"));
        QCOMPARE(writes.last().first().toByteArray(), QByteArray(1, char(238)));
        QTRY_COMPARE(peer->received().size(), 113);
        QCOMPARE(peer->received(), QByteArray("CFG?") + QByteArray(109, char(238)));
        QVERIFY(form->session().awaitingReply());
        QCOMPARE(currentColumn(*form), Dashes);  // a request changes nothing shown
    }

    void wirelessPasswordModel()
    {
        openOnPeer();
        retrieve();
        peer->write(encodeRecord(*simModel("wireless-password")) + '\r');
        QTRY_COMPARE(form->DeviceKind, 0);
        QCOMPARE(currentColumn(*form),
                 QStringList({"192.168.1.20", "255.255.255.0", "192.168.1.1", "4000", "HOME",
                              "WAP (TKIP)", "abc", "9600", "8", "1", "NONE", "115200", "7", "2",
                              "ODD"}));
        QCOMPARE(form->txtSN->text(), QString(" 4660"));
        QCOMPARE(form->SerialNumber, quint16(4660));
        QVERIFY(!form->SharedKeyMode);
        QCOMPARE(form->btnPASS_SHARED->text(), QString("PASSWORD"));
        QVERIFY(form->btnHEX_SELECT->isHidden());
        for (QWidget *w : std::initializer_list<QWidget *>{form->txtNewSSID, form->NewEncryptionType,
                                                          form->NewPasswordTextBox,
                                                          form->btnPASS_SHARED})
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
        SimDevice device(*simModel("wireless-key"));
        SimLine line(&device);
        QString error;
        QVERIFY2(line.openPty(&error), qPrintable(error));
        const QString path = line.path();
        setPortMapping([path](int) { return path; });
        form = std::make_unique<UtilityForm>();
        QVERIFY(form->Load(7));
        form->show();

        // A password shown from an earlier record must not survive a key record.
        form->CurrentPasswordTextBox->setText("from another device");
        QSignalSpy requests(&device, &SimDevice::requestReceived);
        QTest::mouseClick(form->GetCurrentDataCommand, Qt::LeftButton);
        QTRY_COMPARE(form->DeviceKind, 0);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(currentColumn(*form),
                 QStringList({"10.0.0.5", "255.0.0.0", "10.0.0.1", "32499", "RALLON-NET",
                              "WAP (AES)", "", "4800", "8", "1", "EVEN", "19200", "8", "2",
                              "NONE"}));
        QCOMPARE(form->txtSN->text(), QString(" 7"));
        QVERIFY(form->SharedKeyMode);
        QCOMPARE(form->btnPASS_SHARED->text(), QString("SHARED KEY"));
        QVERIFY(!form->btnHEX_SELECT->isHidden());
        QCOMPARE(form->txtNEW_HEX_KEY->x(), 8640 / 15);
        QVERIFY(form->NewPasswordTextBox->x() >= form->centralWidget()->width());
        const QStringList keys = form->frmPASSKEY()->keyTexts();
        QCOMPARE(keys.mid(0, 3), QStringList({"1F", "A", "0"}));
        QCOMPARE(keys.at(3), QString::number((31 + 21) % 256, 16).toUpper());
    }

    void wiredModel()
    {
        openOnPeer();
        retrieve();
        peer->write(encodeRecord(*simModel("wired")) + '\r');
        QTRY_COMPARE(form->DeviceKind, 1);
        const QStringList shown = currentColumn(*form);
        QCOMPARE(shown.mid(0, 7), QStringList({"172.16.5.9", "255.255.0.0", "172.16.0.1", "8080",
                                               "N / A", "N / A", "N / A"}));
        QCOMPARE(form->txtSN->text(), QString(" 1234"));
        for (QWidget *w : std::initializer_list<QWidget *>{form->txtNewSSID, form->NewEncryptionType,
                                                          form->NewPasswordTextBox,
                                                          form->btnPASS_SHARED})
            QVERIFY(!w->isEnabled());
        QCOMPARE(form->btnPASS_SHARED->text(), QString("PASSWORD"));
        QVERIFY(form->btnHEX_SELECT->isHidden());
        QCOMPARE(form->frmPASSKEY()->keyTexts(), QStringList(64, "FF"));
    }

    void recordInPiecesIsDecodedOnce()
    {
        openOnPeer();
        QSignalSpy records(&form->session(), &SerialSession::recordReceived);
        retrieve();
        const QByteArray answer = encodeRecord(*simModel("wireless-password")) + '\r';
        for (int i = 0; i < answer.size(); i += 9) {
            peer->write(answer.mid(i, 9));
            QTest::qWait(5);
        }
        QTRY_COMPARE(form->DeviceKind, 0);
        QTest::qWait(50);
        QCOMPARE(records.size(), 1);
        QCOMPARE(form->CurrentIPAddressTextBox->text(), QString("192.168.1.20"));
    }

    void noiseBeforeTheRecordDoesNotShiftIt()
    {
        openOnPeer();
        retrieve();
        peer->write(QByteArray("\x00\xff\x13" "CF" "x", 6) + encodeRecord(*simModel("wired")));
        QTRY_COMPARE(form->DeviceKind, 1);
        QCOMPARE(form->CurrentIPAddressTextBox->text(), QString("172.16.5.9"));
        QCOMPARE(form->CurrentPrimaryPortTextBox->text(), QString("8080"));
        QCOMPARE(form->txtSN->text(), QString(" 1234"));
    }

    void exactRecordWithNothingAfterIsShown()
    {
        openOnPeer();
        retrieve();
        peer->write(encodeRecord(*simModel("wireless-password")));
        QTRY_COMPARE(form->DeviceKind, 0);
        QVERIFY(!form->session().awaitingReply());
    }

    void codesWithoutEntryShowDashes()
    {
        openOnPeer();
        retrieve();
        QByteArray record = encodeRecord(*simModel("wireless-password"));
        record[39] = char(255);   // encryption
        record[108] = char(255);  // Comm 1 parity
        record[37] = char(200);   // port high octet: unsigned
        peer->write(record);
        QTRY_COMPARE(form->DeviceKind, 0);
        QCOMPARE(form->txCurrentEncryptionType->text(), QString("----"));
        QCOMPARE(form->CurrentCom1ParityTextBox->text(), QString("----"));
        QCOMPARE(form->CurrentPrimaryPortTextBox->text(), QString::number(200 * 256 + 4000 % 256));
    }

    void silentDeviceTimesOutOnce()
    {
        openOnPeer();
        retrieve();
        peer->write(encodeRecord(*simModel("wireless-password")) + '\r');
        QTRY_COMPARE(form->DeviceKind, 0);

        bool timerStoppedBeforeMessage = false;
        setMessageHook([&](const Message &m) {
            timerStoppedBeforeMessage = !form->session().awaitingReply();
            messages.append(m);
        });
        peer->clearReceived();
        retrieve();
        QTRY_COMPARE(messages.size(), 1);
        QTest::qWait(3 * ShortTimeoutMs);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QString("No Communication"));
        QCOMPARE(messages.first().text, NoCommunicationText);
        QVERIFY(messages.first().warning);
        QVERIFY(timerStoppedBeforeMessage);
        QCOMPARE(currentColumn(*form), Dashes);
        QCOMPARE(form->txtSN->text(), QString("????"));
        QCOMPARE(form->frmPASSKEY()->keyTexts(), QStringList(64, "FF"));
        QCOMPARE(form->DeviceKind, 0);  // kept
    }

    void replyThatStopsShortTimesOutAfterItsLastOctet()
    {
        openOnPeer();
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
        QTRY_COMPARE(form->DeviceKind, 1);
        QCOMPARE(form->CurrentIPAddressTextBox->text(), QString("172.16.5.9"));
    }

    void aNewRequestDropsWhatIsLeftOfAnEarlierReply()
    {
        openOnPeer();
        retrieve();
        peer->write(encodeRecord(*simModel("wireless-password")).left(60));
        QTRY_VERIFY(!form->session().receiveBuffer().isEmpty());
        // Asked again before the time-out: the new answer is shown unshifted.
        peer->clearReceived();
        retrieve();
        QVERIFY(form->session().receiveBuffer().isEmpty());
        peer->write(encodeRecord(*simModel("wired")) + '\r');
        QTRY_COMPARE(form->DeviceKind, 1);
        QCOMPARE(form->CurrentIPAddressTextBox->text(), QString("172.16.5.9"));
        QCOMPARE(form->txtSN->text(), QString(" 1234"));
        QVERIFY(messages.isEmpty());
    }

    void octetsNobodyAskedForStartNoTimeOut()
    {
        openOnPeer();
        peer->write("stray octets");
        QTest::qWait(2 * ShortTimeoutMs);
        QVERIFY(messages.isEmpty());
        QVERIFY(!form->session().awaitingReply());
    }

    void portThatCannotBeOpenedEndsTheProgram()
    {
        setPortMapping([](int) { return QStringLiteral("/dev/no-such-rallon-port"); });
        form = std::make_unique<UtilityForm>();
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("cannot open /dev/no-such-rallon-port: no such device"));
        QVERIFY(!form->Load(3));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QString("Communication Error"));
        QCOMPARE(messages.first().text,
                 QString("This comm port seems to be in use by other programs or is not\r"
                         "a valid serial port for this computer.  Please, ensure the port is "
                         "valid and open\rbefore starting the program again."));
        QVERIFY(messages.first().warning);
        QCOMPARE(ends, 1);
        QVERIFY(!form->session().isOpen());
    }

    void closingTheWindowClosesThePortAndEnds()
    {
        openOnPeer();
        retrieve();
        form->close();
        QCOMPARE(ends, 1);
        QVERIFY(!form->session().isOpen());
        QVERIFY(!form->session().awaitingReply());
    }
};

QTEST_MAIN(TestRetrieveWindow)
#include "test_retrieve_window.moc"
