// Changing the configuration in the real window: typing under the entry
// rules, the octet check, the password row's toggle, the key entry window,
// the upload as the device receives it, and the FILE menu's backup and
// restore.

#include "Built.h"
#include "SimProgram.h"
#include "WindowTestBench.h"

#include "Document.h"
#include "Plan.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace rallon;

namespace {

// What `rallon-cli read --json` prints for a rallon-sim device of `model`;
// empty when either program fails.
QByteArray cliDocument(const QString &model)
{
    SimProgram sim;
    if (!sim.start({QStringLiteral("--model"), model}))
        return {};
    QProcess cli;
    cli.start(built(RALLON_CLI_PATH), {QStringLiteral("read"), sim.path, QStringLiteral("--json")});
    const bool ended = cli.waitForFinished(30000);
    return ended && cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0
               ? cli.readAllStandardOutput()
               : QByteArray();
}

QByteArray fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestChangeWindow : public WindowTestBench {
    Q_OBJECT

private:
    // A window on the virtual device, with its configuration retrieved.
    void openOnDeviceRetrieved(const QString &model)
    {
        openOnDevice(model);
        QVERIFY(retrieve(*form));
    }

    // Decodes `record` as if the device had sent it.
    void showRecord(const ConfigRecord &record)
    {
        form->ParseConfigurationRecord(encodeRecord(record));
    }

    void leave(QWidget *box)
    {
        QTest::keyClick(box, Qt::Key_Tab);
    }

private slots:
    void init() { catchMessagesAndEnd(); }
    void cleanup() { closeEverything(); }

    void keyFiltersOfTheNewDataBoxes()
    {
        openOnPeer();
        QTest::keyClicks(control<QLineEdit>("NewIPAddressTextBox"), "a1.2-3 4x");
        QCOMPARE(control<QLineEdit>("NewIPAddressTextBox")->text(), QString("1.234"));
        QTest::keyClick(control<QLineEdit>("NewIPAddressTextBox"), Qt::Key_Backspace);
        QCOMPARE(control<QLineEdit>("NewIPAddressTextBox")->text(), QString("1.23"));
        // Control characters count as characters: the paste shortcut is discarded.
        QApplication::clipboard()->setText("99");
        QTest::keySequence(control<QLineEdit>("NewSubnetMaskTextBox"), QKeySequence::Paste);
        QCOMPARE(control<QLineEdit>("NewSubnetMaskTextBox")->text(), QString());

        QTest::keyClicks(control<QLineEdit>("NewPrimaryPortTextBox"), "8.0 8a0");
        QCOMPARE(control<QLineEdit>("NewPrimaryPortTextBox")->text(), QString("8080"));

        QTest::keyClicks(control<QLineEdit>("txtNewSSID"), "My Net #1");
        QCOMPARE(control<QLineEdit>("txtNewSSID")->text(), QString("My Net #1"));

        QTest::keyClicks(control<MultiLineTextBox>("NewPasswordTextBox"), "pa ss");
        QTest::keyClick(control<MultiLineTextBox>("NewPasswordTextBox"), Qt::Key_Return);
        QTest::keyClick(control<MultiLineTextBox>("NewPasswordTextBox"), Qt::Key_Enter);
        QTest::keyClicks(control<MultiLineTextBox>("NewPasswordTextBox"), "!");
        QCOMPARE(control<MultiLineTextBox>("NewPasswordTextBox")->text(), QString("pa ss!"));
        QVERIFY(messages.isEmpty());
    }

    void octetCheck_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        const QString ip1 = "1 The IP octets cannot be greater thann 255, please correct.";
        const QString ip2 = "2 The IP octects cannot be greater thann 255, please correct.";
        QTest::newRow("ip first") << 0 << "256.1.1.1" << "New IP Data" << ip1;
        QTest::newRow("ip second") << 0 << "1.256.1.1" << "New IP Data" << ip1;
        QTest::newRow("ip third") << 0 << "1.1.256.1" << "New IP Data" << ip1;
        QTest::newRow("ip last") << 0 << "1.1.1.256" << "New IP Data" << ip2;
        QTest::newRow("ip alone") << 0 << "300" << "New IP Data" << ip2;
        QTest::newRow("five digits") << 0 << "1.99999" << "New IP Data" << ip2;
        QTest::newRow("mask first") << 1 << "255.999.0.0" << "New Mask Data"
                                    << "The Mask octets cannot be greater thann 255, please correct.";
        QTest::newRow("mask last") << 1 << "255.255.0.256" << "New Mask Data"
                                   << "The Mask octects cannot be greater thann 255, please correct.";
        QTest::newRow("gateway first") << 2 << "700.1.1.1" << "New Gateway Data"
                                       << "The Gaeway octets cannot be greater thann 255, please correct.";
        QTest::newRow("gateway last") << 2 << "1.1.1.700" << "New Gateway Data"
                                      << "The Gateway octects cannot be greater thann 255, please correct.";
    }
    void octetCheck()
    {
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, title);
        QFETCH(QString, text);
        openOnPeer();
        QLineEdit *boxes[] = {control<QLineEdit>("NewIPAddressTextBox"),
                              control<QLineEdit>("NewSubnetMaskTextBox"),
                              control<QLineEdit>("NewDefaultGatewayTextBox")};
        QLineEdit *edit = boxes[box];
        edit->setFocus();
        QTest::keyClicks(edit, typed);
        leave(edit);
        QCOMPARE(said(), QStringList(title + ": " + text));
        QVERIFY(messages.first().warning);
        QCOMPARE(edit->text(), QString());
        QCOMPARE(QApplication::focusWidget(), edit);
    }

    void octetCheckPassesShortAndEmptyAddresses()
    {
        openOnPeer();
        for (const QString typed : {"1.2.3", "0.0.0.0", "255.255.255.255", ""}) {
            control<QLineEdit>("NewIPAddressTextBox")->setFocus();
            control<QLineEdit>("NewIPAddressTextBox")->setText(typed);
            leave(control<QLineEdit>("NewIPAddressTextBox"));
            QCOMPARE(control<QLineEdit>("NewIPAddressTextBox")->text(), typed);
        }
        QVERIFY(messages.isEmpty());
        // Another window taking the focus is no loss of focus to a control.
        control<QLineEdit>("NewIPAddressTextBox")->setFocus();
        control<QLineEdit>("NewIPAddressTextBox")->setText("999");
        form->frmPASSKEY()->show();
        QVERIFY(QTest::qWaitForWindowActive(form->frmPASSKEY()));
        QVERIFY(messages.isEmpty());
    }

    void toggleSwitchesLayoutsAndKeepsValues()
    {
        openOnPeer();
        QTest::keyClicks(control<MultiLineTextBox>("NewPasswordTextBox"), "secret");
        keyBox(5)->setText("7E");
        QTest::mouseClick(control<QPushButton>("btnPASS_SHARED"), Qt::LeftButton);
        QVERIFY(form->sharedKeyMode());
        QCOMPARE(control<QPushButton>("btnPASS_SHARED")->text(), QString("SHARED KEY"));
        QVERIFY(!control<QPushButton>("btnHEX_SELECT")->isHidden());
        QTest::mouseClick(control<QPushButton>("btnPASS_SHARED"), Qt::LeftButton);
        QVERIFY(!form->sharedKeyMode());
        QCOMPARE(control<QPushButton>("btnPASS_SHARED")->text(), QString("PASSWORD"));
        QVERIFY(control<QPushButton>("btnHEX_SELECT")->isHidden());
        QCOMPARE(control<MultiLineTextBox>("NewPasswordTextBox")->text(), QString("secret"));
        QCOMPARE(keyBox(5)->text(), QString("7E"));
        QVERIFY(messages.isEmpty());
    }

    void keyEntryWindow()
    {
        openOnPeer();
        QTest::mouseClick(control<QPushButton>("btnPASS_SHARED"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>("btnHEX_SELECT"), Qt::LeftButton);
        PassKeyForm *keys = form->frmPASSKEY();
        QVERIFY(keys->isVisible());
        QVERIFY(form->isEnabled());  // not modal
        keys->activateWindow();  // takes effect with a queued event
        QTRY_VERIFY(keys->isActiveWindow());
        QVERIFY(QTest::qWaitForWindowActive(keys));

        QLineEdit *box = keyBox(0);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, "g -a");
        QCOMPARE(box->text(), QString("A"));
        QTest::keyClicks(box, "f9");  // the box takes two characters
        QCOMPARE(box->text(), QString("AF"));

        // Emptied and left: "00". One digit left: kept.
        keyBox(1)->setFocus();
        keyBox(1)->clear();
        leave(keyBox(1));
        QCOMPARE(keyBox(1)->text(), QString("00"));
        keyBox(2)->setText("5");
        keyBox(2)->setFocus();
        leave(keyBox(2));
        QCOMPARE(keyBox(2)->text(), QString("5"));

        // DONE and the close box hide the window and keep its values.
        QTest::mouseClick(rallon::control<QPushButton>(*keys, "btnPASSKEYDONE"), Qt::LeftButton);
        QVERIFY(!keys->isVisible());
        QTest::mouseClick(control<QPushButton>("btnHEX_SELECT"), Qt::LeftButton);
        QVERIFY(keys->isVisible());
        keys->close();
        QVERIFY(!keys->isVisible());
        QTest::mouseClick(control<QPushButton>("btnHEX_SELECT"), Qt::LeftButton);
        QCOMPARE(form->frmPASSKEY(), keys);
        QCOMPARE(keys->keyTexts().mid(0, 4), QStringList({"AF", "00", "5", "00"}));
        QVERIFY(messages.isEmpty());
    }

    void nothingIsSentBeforeARecordIsKnown()
    {
        openOnPeer();
        QSignalSpy writes(&form->session(), &SerialSession::written);
        control<QLineEdit>("NewIPAddressTextBox")->setText("10.0.0.1");
        QTest::mouseClick(control<QPushButton>("ChangeConfigCommand"), Qt::LeftButton);
        QCOMPARE(said(), QStringList("No Configuration Data: "
                                     "Currently the program does not know what kind of Power Rallon\r\n"
                                     "is being configured.  Please retrieve the data from the Rallon\r\n"
                                     "and try loading again."));
        QCOMPARE(writes.size(), 0);
        QVERIFY(!form->session().awaitingReply());
    }

    void uploadIsOneWriteOfTheRecord()
    {
        openOnPeer();
        ConfigRecord shown = *simModel("wireless-password");
        showRecord(shown);
        QSignalSpy writes(&form->session(), &SerialSession::written);

        QTest::keyClicks(control<QLineEdit>("NewIPAddressTextBox"), "10.1.2.3");
        QTest::keyClicks(control<QLineEdit>("NewPrimaryPortTextBox"), "32499");
        control<QComboBox>("NewCom2ParityDropDownBox")->setCurrentIndex(1);
        QTest::mouseClick(control<QPushButton>("ChangeConfigCommand"), Qt::LeftButton);

        ConfigRecord expected = shown;
        expected.ip = {10, 1, 2, 3};
        expected.primaryPort = 32499;
        expected.serial[Com2Parity] = 1;
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes.first().first().toByteArray(), encodeUpload(expected));
        QTRY_COMPARE(peer->received().size(), 113);
        QCOMPARE(peer->received(), encodeUpload(expected));
        QVERIFY(form->session().awaitingReply());
        QCOMPARE(control<QLineEdit>("CurrentIPAddressTextBox")->text(), QString("---.---.---.---"));
        QCOMPARE(control<QLineEdit>("CurrentCom2ParityTextBox")->text(), QString("----"));
        QCOMPARE(control<QLineEdit>("txtSN")->text(), QString(" 4660"));  // kept
        QCOMPARE(control<QLineEdit>("NewIPAddressTextBox")->text(), QString("10.1.2.3"));
        QVERIFY(messages.isEmpty());

        // A second upload meets the dashes: refused, nothing sent.
        QTest::mouseClick(control<QPushButton>("ChangeConfigCommand"), Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QString("Mask Data"));
        QCOMPARE(writes.size(), 1);
    }

    void refusalLeavesItsNotApplicableTexts()
    {
        openOnPeer();
        ConfigRecord shown = *simModel("wireless-password");
        shown.serial[Com2Parity] = 255;  // no entry: shown as dashes
        showRecord(shown);
        QSignalSpy writes(&form->session(), &SerialSession::written);
        control<QComboBox>("NewEncryptionType")->setCurrentIndex(0);
        QTest::mouseClick(control<QPushButton>("ChangeConfigCommand"), Qt::LeftButton);
        QCOMPARE(said(), QStringList("Comm 2 Parity Data: The type of parity for Comm 2 is not valid, please correct."));
        QCOMPARE(control<MultiLineTextBox>("CurrentPasswordTextBox")->text(), QString("N / A"));
        QCOMPARE(control<MultiLineTextBox>("NewPasswordTextBox")->text(), QString("N / A"));
        QCOMPARE(control<QLineEdit>("CurrentIPAddressTextBox")->text(), QString("192.168.1.20"));
        QCOMPARE(writes.size(), 0);
        QVERIFY(!form->session().awaitingReply());
    }

    void badOctetInTheFocusedBoxStopsTheClick()
    {
        openOnPeer();
        showRecord(*simModel("wireless-password"));
        QSignalSpy writes(&form->session(), &SerialSession::written);
        control<QLineEdit>("NewIPAddressTextBox")->setFocus();
        QTest::keyClicks(control<QLineEdit>("NewIPAddressTextBox"), "1.2.3.300");
        QTest::mouseClick(control<QPushButton>("ChangeConfigCommand"), Qt::LeftButton);
        QCOMPARE(said(), QStringList("IP Data: The IP address must be four numbers from 0 to 255,\r\n"
                                     "separated by periods, please correct."));
        QCOMPARE(writes.size(), 0);
        QCOMPARE(control<QLineEdit>("NewIPAddressTextBox")->text(), QString("1.2.3.300"));
        QCOMPARE(QApplication::focusWidget(), control<QLineEdit>("NewIPAddressTextBox"));
    }

    void endToEndWithTheVirtualDevice()
    {
        openOnDeviceRetrieved("wireless-password");
        QSignalSpy uploads(device.get(), &SimDevice::uploadReceived);
        const QStringList before = {control<QLineEdit>("CurrentSubnetMaskTextBox")->text(),
                                    control<QLineEdit>("CurrentDefaultGatewayTextBox")->text(),
                                    control<QLineEdit>("CurrentPrimaryPortTextBox")->text(),
                                    control<QLineEdit>("txCurrentEncryptionType")->text(),
                                    control<MultiLineTextBox>("CurrentPasswordTextBox")->text()};

        QTest::keyClicks(control<QLineEdit>("NewIPAddressTextBox"), "192.168.7.77");
        QTest::keyClicks(control<QLineEdit>("txtNewSSID"), "WORKSHOP");
        control<QComboBox>("NewCom2ParityDropDownBox")->setCurrentIndex(1);
        QTest::mouseClick(control<QPushButton>("ChangeConfigCommand"), Qt::LeftButton);
        QTRY_COMPARE(uploads.size(), 1);
        QTRY_COMPARE(control<QLineEdit>("CurrentIPAddressTextBox")->text(), QString("192.168.7.77"));

        QCOMPARE(control<QLineEdit>("txtCurrentSSID")->text(), QString("WORKSHOP"));
        QCOMPARE(control<QLineEdit>("CurrentCom2ParityTextBox")->text(), QString("EVEN"));
        const QStringList after = {control<QLineEdit>("CurrentSubnetMaskTextBox")->text(),
                                   control<QLineEdit>("CurrentDefaultGatewayTextBox")->text(),
                                   control<QLineEdit>("CurrentPrimaryPortTextBox")->text(),
                                   control<QLineEdit>("txCurrentEncryptionType")->text(),
                                   control<MultiLineTextBox>("CurrentPasswordTextBox")->text()};
        QCOMPARE(after, before);
        QStringList serial;
        for (const char *box : CurrentSerialBoxes)
            serial.append(control<QLineEdit>(box)->text());
        QCOMPARE(serial, QStringList({"9600", "8", "1", "NONE", "115200", "7", "2", "EVEN"}));
        QCOMPARE(control<QLineEdit>("txtSN")->text(), QString(" 4660"));
        QVERIFY(!form->session().awaitingReply());
        QVERIFY(messages.isEmpty());
    }

    // The secret field goes back octet for octet: a device's password that
    // the user leaves alone, and what the user types, pastes (and cuts or
    // copies and pastes back) or a screen reader puts in. The clipboard and
    // a screen reader get the boxes' own text.
    void passwordOctetsGoBackUnchanged_data()
    {
        QTest::addColumn<QByteArray>("held");    // the device's password octets
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("via");        // "cut", "copy": pasted back; or "screen reader"
        QTest::addColumn<QByteArray>("sent");    // the password octets uploaded

        const QByteArray mixed = QByteArray::fromHex("6162A0630D0A640D7A");
        QTest::newRow("no-break space, CR LF, lone CR") << mixed << "" << "" << "" << mixed;
        QTest::newRow("lone CR") << QByteArray("a\rb") << "" << "" << "" << QByteArray("a\rb");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << "" << "" << ""
                               << QByteArray("a\r\nb\r\n");
        QTest::newRow("LF") << QByteArray("\na\nb") << "" << "" << "" << QByteArray("\na\nb");
        QTest::newRow("TAB") << QByteArray("a\tb") << "" << "" << "" << QByteArray("a\tb");
        QByteArray every;
        for (int octet = 1; octet <= 254; ++octet)
            every.append(char(octet));
        for (int from = 0; from < every.size(); from += frame::SecretLength) {
            const QByteArray part = every.mid(from, frame::SecretLength);
            QTest::addRow("octets %d to %d", from + 1, from + int(part.size()))
                << part << "" << "" << "" << part;
        }
        QTest::newRow("typed no-break space")
            << QByteArray("old") << QStringLiteral("a\u00A0b") << "" << ""
            << QByteArray("a\xA0" "b");
        QTest::newRow("pasted CR LF, CR, LF")
            << QByteArray("old") << "" << QStringLiteral("x\r\ny\rz\n") << ""
            << QByteArray("x\r\ny\rz\n");
        QTest::newRow("no-break space cut and pasted back")
            << QByteArray("old") << "" << QStringLiteral("x\u00A0y") << "cut"
            << QByteArray("x\xA0" "y");
        QTest::newRow("CR LF copied and pasted back")
            << QByteArray("old") << "" << QStringLiteral("a\r\nb") << "copy"
            << QByteArray("a\r\nb");
        QTest::newRow("lone CR cut and pasted back")
            << QByteArray("old") << "" << QStringLiteral("a\rb") << "cut" << QByteArray("a\rb");
        QTest::newRow("inserted by a screen reader")
            << QByteArray("old") << "" << QStringLiteral("x\u00A0y\r\nz\r") << "screen reader"
            << QByteArray("x\xA0y\r\nz\r");
    }

    void passwordOctetsGoBackUnchanged()
    {
        QFETCH(QByteArray, held);
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, via);
        QFETCH(QByteArray, sent);
        ConfigRecord config = *simModel("wireless-password");
        config.secret = held;
        if (held.size() < frame::SecretLength)
            config.secret += char(0) + QByteArray(frame::SecretLength - held.size() - 1, char(255));
        openOnDevice(config);
        QVERIFY(retrieve(*form));
        QSignalSpy uploads(device.get(), &SimDevice::uploadReceived);

        auto *newBox = control<MultiLineTextBox>("NewPasswordTextBox");
        for (QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, newBox, Qt::Key_unknown, QString(c), Qt::NoModifier);
        if (via == "screen reader") {
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(newBox);
            QVERIFY(face && face->editableTextInterface());
            face->editableTextInterface()->insertText(0, pasted);
        } else if (!pasted.isEmpty()) {
            QApplication::clipboard()->setText(pasted);
            QTest::keySequence(newBox, QKeySequence::Paste);
        }
        if (via == "cut" || via == "copy") {
            QApplication::clipboard()->clear();
            newBox->selectAll();
            QTest::keySequence(newBox, via == "cut" ? QKeySequence::Cut : QKeySequence::Copy);
            QCOMPARE(QApplication::clipboard()->text(), QString::fromLatin1(sent));
            newBox->selectAll();
            QTest::keySequence(newBox, QKeySequence::Paste);
        }
        for (const char *name : {"CurrentPasswordTextBox", "NewPasswordTextBox"}) {
            auto *box = control<MultiLineTextBox>(name);
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(box);
            QVERIFY(face && face->textInterface());
            QCOMPARE(face->text(QAccessible::Value), box->text());
            QAccessibleTextInterface *text = face->textInterface();
            QCOMPARE(text->text(0, text->characterCount()), box->text());
        }
        QTest::keyClicks(control<QLineEdit>("NewIPAddressTextBox"), "10.0.0.9");
        QTest::mouseClick(control<QPushButton>("ChangeConfigCommand"), Qt::LeftButton);
        QTRY_COMPARE(uploads.size(), 1);

        QByteArray field = sent;
        if (field.size() < frame::SecretLength)
            field += char(0) + QByteArray(frame::SecretLength - sent.size() - 1, char(255));
        const QByteArray upload = uploads.first().first().toByteArray();
        QCOMPARE(upload.mid(41, frame::SecretLength).toHex(' '), field.toHex(' '));
        QCOMPARE(upload.mid(4, 4), QByteArray::fromHex("0A000009"));
        QVERIFY(messages.isEmpty());
    }

    void sharedKeyGoesBackUnchanged()
    {
        openOnDeviceRetrieved("wireless-key");
        QSignalSpy uploads(device.get(), &SimDevice::uploadReceived);
        const QByteArray key = simModel("wireless-key")->secret;
        QTest::mouseClick(control<QPushButton>("ChangeConfigCommand"), Qt::LeftButton);
        QTRY_COMPARE(uploads.size(), 1);
        const QByteArray upload = uploads.first().first().toByteArray();
        QCOMPARE(upload.size(), 113);
        QCOMPARE(quint8(upload.at(40)), quint8(1));
        QCOMPARE(upload.mid(41, 64), key);
        QTRY_COMPARE(control<QLineEdit>("txCurrentEncryptionType")->text(), QString("WAP (AES)"));

        // A key typed in the window goes out as typed; an empty box as 0.
        keyBox(0)->setText("a");
        keyBox(63)->clear();
        QTest::mouseClick(control<QPushButton>("ChangeConfigCommand"), Qt::LeftButton);
        QTRY_COMPARE(uploads.size(), 2);
        const QByteArray second = uploads.at(1).first().toByteArray();
        QCOMPARE(quint8(second.at(41)), quint8(10));
        QCOMPARE(quint8(second.at(104)), quint8(0));
        QVERIFY(messages.isEmpty());
    }

    // SAVE writes what rallon-cli writes, OPEN enters what differs from the
    // device, CHANGE sends the plan's upload and restores the device.
    void fileMenuBacksUpAndRestores_data()
    {
        QTest::addColumn<QString>("model");
        for (const QString &model : simModelNames())
            QTest::newRow(qPrintable(model)) << model;
    }
    void fileMenuBacksUpAndRestores()
    {
        QFETCH(QString, model);
        const ConfigRecord saved = *simModel(model);
        openOnDevice(saved);
        QVERIFY(!menuItem("SAVE_CONFIG")->isEnabled());
        QVERIFY(!menuItem("OPEN_CONFIG")->isEnabled());
        QVERIFY(retrieve(*form));
        QVERIFY(menuItem("SAVE_CONFIG")->isEnabled());
        QVERIFY(menuItem("OPEN_CONFIG")->isEnabled());

        QTemporaryDir dir;
        const QString backup = dir.filePath("backup.json");
        QStringList asked;
        chooseFile(backup, &asked);
        menuItem("SAVE_CONFIG")->trigger();
        QCOMPARE(asked, QStringList{"save " + QDir::home().filePath(
                                                  QStringLiteral("rallon-%1.json").arg(saved.serialNumber))});
        const QByteArray document = fileText(backup);
        QCOMPARE(document, cliDocument(model));
        QVERIFY(!document.isEmpty());
#ifndef Q_OS_WIN  // a file takes its folder's access list there
        struct stat status {};
        QVERIFY(::stat(QFile::encodeName(backup).constData(), &status) == 0);
        QCOMPARE(int(status.st_mode & 07777), 0600);
#endif

        // Onto the device it came from: nothing differs.
        control<QLineEdit>("NewIPAddressTextBox")->setText("1.2.3.4");
        menuItem("OPEN_CONFIG")->trigger();
        QCOMPARE(newColumn(), QStringList(SettingCount, QString()));

        ConfigRecord changed = saved;
        changed.ip = {10, 9, 8, 7};
        changed.primaryPort = 1234;
        changed.serial[Com2Parity] = quint8((saved.serial[Com2Parity] + 1) % 3);
        QList<Setting> differing{Setting::Ip, Setting::PrimaryPort, Setting::Com2Parity};
        if (!saved.wired()) {
            changed.ssid = QStringLiteral("ELSEWHERE");
            differing << Setting::Ssid;
            if (saved.sharedKey()) {
                changed.setSharedKey(QByteArray(64, char(0x5A)));
            } else {
                changed.setPassword(QStringLiteral("other"));
                differing << Setting::Password;
            }
        }
        QVERIFY(changeDevice(changed));
        QVERIFY(retrieve(*form));
        control<QLineEdit>("NewSubnetMaskTextBox")->setText("255.0.0.0");
        menuItem("OPEN_CONFIG")->trigger();
        QCOMPARE(asked.last(), "open " + QDir::homePath());

        QStringList expected(SettingCount, QString());
        const RecordDisplay shown = displayOf(saved);
        for (const rows::SettingRow &row : rows::settingRows()) {
            if (differing.contains(row.setting))
                expected[&row - rows::settingRows().data()] = shown.current[row.setting];
        }
        QCOMPARE(newColumn(), expected);
        QCOMPARE(form->sharedKeyMode(), saved.sharedKey());
        if (saved.sharedKey())
            QCOMPARE(form->frmPASSKEY()->keyTexts(), shown.keyBoxes);
        QVERIFY(messages.isEmpty());

        std::optional<document::Wanted> wanted = document::wantedFromDocument(document, nullptr);
        QVERIFY(wanted);
        const document::Plan plan = document::planChange(changed, *wanted);
        QCOMPARE(int(plan.outcome), int(document::Plan::Outcome::Upload));
        QSignalSpy uploads(device.get(), &SimDevice::uploadReceived);
        QSignalSpy shownAgain(form.get(), &UtilityForm::recordShown);
        QTest::mouseClick(control<QPushButton>("ChangeConfigCommand"), Qt::LeftButton);
        QTRY_COMPARE(uploads.size(), 1);
        QCOMPARE(uploads.first().first().toByteArray().toHex(' '), plan.upload.toHex(' '));
        QTRY_COMPARE(shownAgain.size(), 1);
        QCOMPARE(encodeRecord(device->config()).toHex(' '), encodeRecord(saved).toHex(' '));
        QCOMPARE(currentColumn(*form), columnOf(saved));
        QVERIFY(messages.isEmpty());
    }

    // A file that cannot be used or written: one message, the New Data
    // column and the focus as they were, nothing sent.
    void fileMenuRefusals_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("document");  // null: the file does not exist
        QTest::addColumn<QString>("said");

        QTest::newRow("malformed") << "OPEN_CONFIG" << "wireless-password"
                                   << QByteArray(R"({"format": "rallon-config/1", "ip": })")
                                   << "The configuration file cannot be used:\r\n";
        QTest::newRow("SSID for the wired model") << "OPEN_CONFIG" << "wired"
                                                  << QByteArray(R"({"format": "rallon-config/1", "ssid": "HOME"})")
                                                  << "The configuration file cannot be used:\r\n\"ssid\"";
        QTest::newRow("window's check") << "OPEN_CONFIG" << "wireless-password"
                                        << QByteArray(R"({"format": "rallon-config/1", "primaryPort": 40000})")
                                        << "The configuration file cannot be used:\r\nPrimary Port Data\r\n";
        QTest::newRow("password longer than its box")
            << "OPEN_CONFIG" << "wireless-password"
            << "{\"format\": \"rallon-config/1\", \"password\": \"" + QByteArray(31, 'p') + "\"}"
            << "The configuration file cannot be used:\r\nThe password is 31 characters long";
#ifdef Q_OS_WIN  // the system's words
        const QString noFile = "File not found", noFolder = "Path not found";
#else
        const QString noFile = "No such file", noFolder = noFile;
#endif
        QTest::newRow("missing file") << "OPEN_CONFIG" << "wireless-key" << QByteArray()
                                      << "The configuration file cannot be read:\r\nPATH\r\n" + noFile;
        QTest::newRow("missing folder") << "SAVE_CONFIG" << "wireless-key" << QByteArray()
                                        << "The configuration file cannot be written:\r\nPATH\r\n" + noFolder;
    }
    void fileMenuRefusals()
    {
        QFETCH(QString, item);
        QFETCH(QString, model);
        QFETCH(QByteArray, document);
        QFETCH(QString, said);
        openOnDevice(model);
        QVERIFY(retrieve(*form));
        QTemporaryDir dir;
        const QString path = dir.filePath(item == "SAVE_CONFIG" ? "missing/backup.json" : "document.json");
        if (!document.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(document) == document.size());
        }
        auto *port = control<QLineEdit>("NewPrimaryPortTextBox");
        port->setText("4242");
        port->setFocus();
        QSignalSpy writes(&form->session(), &SerialSession::written);
        QSignalSpy uploads(device.get(), &SimDevice::uploadReceived);
        chooseFile(path);
        menuItem(qPrintable(item))->trigger();

        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QString("Configuration File"));
        QVERIFY(messages.first().warning);
        said.replace("PATH", QDir::toNativeSeparators(path));
        QVERIFY2(messages.first().text.startsWith(said), qPrintable(messages.first().text));
        QStringList expected(SettingCount, QString());
        expected[int(&rows::settingRows()[3] - rows::settingRows().data())] = "4242";
        QCOMPARE(newColumn(), expected);
        QCOMPARE(QApplication::focusWidget(), port);
        QTest::qWait(50);
        QCOMPARE(writes.size(), 0);
        QCOMPARE(uploads.size(), 0);
    }

    // The real dialog: Qt's own, in the home folder, the suggested name in
    // its file name box, which has the focus; Escape cancels.
    void fileMenuDialog_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("save") << true;
        QTest::newRow("open") << false;
    }
    void fileMenuDialog()
    {
        QFETCH(bool, save);
        openOnDevice("wired");
        QVERIFY(retrieve(*form));
        auto *port = control<QLineEdit>("NewPrimaryPortTextBox");
        port->setFocus();
        QVERIFY(port->hasFocus());
        struct Seen {
            bool found = false, native = true;
            QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
            QString folder, name;
            bool nameBoxFocused = false;
        } seen;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isActiveWindow() || seen.found)
                return;
            seen.found = true;
            seen.native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
            seen.mode = dialog->acceptMode();
            seen.folder = dialog->directory().absolutePath();
            auto *nameBox = dialog->findChild<QLineEdit *>("fileNameEdit");
            seen.name = nameBox ? nameBox->text() : QString();
            seen.nameBoxFocused = nameBox && QApplication::focusWidget() == nameBox;
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        poll.start(10);
        QTimer::singleShot(5000, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->hide();
        });
        menuItem(save ? "SAVE_CONFIG" : "OPEN_CONFIG")->trigger();
        poll.stop();

        QVERIFY(seen.found);
        QVERIFY(!seen.native);
        QCOMPARE(seen.mode, save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        QCOMPARE(seen.folder, QDir::homePath());
        QCOMPARE(seen.name, save ? QStringLiteral("rallon-1234.json") : QString());
        QVERIFY(seen.nameBoxFocused);
        QTRY_COMPARE(QApplication::focusWidget(), port);
        QVERIFY(messages.isEmpty());
        QCOMPARE(newColumn(), QStringList(SettingCount, QString()));
    }
};

QTEST_MAIN(TestChangeWindow)
#include "test_change_window.moc"
