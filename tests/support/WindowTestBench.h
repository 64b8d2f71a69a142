#pragma once

// What the window tests share: the real main window on a real
// pseudo-terminal (the bench of tools/window), whose far end is either the
// test (peer) or the virtual device, with every message and the end of the
// program caught.

#include "ConfigRecord.h"
#include "Controls.h"
#include "HookGuard.h"
#include "MainWindowRows.h"
#include "OffscreenScreens.h"
#include "PortMapping.h"
#include "Program.h"
#include "PtyPeer.h"
#include "Retrieve.h"
#include "WindowBench.h"

#include <QtTest>

#include <memory>
#include <optional>

class WindowTestBench : public QObject, protected rallon::WindowBench {
public:
    // The windows as on a screen that holds them.
    static void initMain() { rallon::useOffscreenScreens(rallon::BigScreen); }

protected:
    QList<rallon::Message> messages;
    int ends = 0;
    std::optional<HookGuard> hooks;
    std::unique_ptr<PtyPeer> peer;

    // The Current Data boxes of the serial settings, in record order.
    static constexpr const char *CurrentSerialBoxes[rallon::SerialSettingCount] = {
        "CurrentCom1BaudTextBox", "CurrentCom1DataBitsTextBox",
        "CurrentCom1StopBitTextBox", "CurrentCom1ParityTextBox",
        "CurrentCom2BaudTextBox", "CurrentCom2DataBitsTextBox",
        "CurrentCom2StopBitTextBox", "CurrentCom2ParityTextBox"};

    // The messages shown, each as "title: text", for one comparison.
    QStringList said() const
    {
        QStringList shown;
        for (const rallon::Message &message : messages)
            shown << message.title + QStringLiteral(": ") + message.text;
        return shown;
    }

    // For each test's init() and cleanup().
    void catchMessagesAndEnd()
    {
        hooks.emplace(messages, &ends);
    }
    void closeEverything()
    {
        closeAll();
        peer.reset();
        hooks.reset();
    }

    // The control of the window named `name`.
    template <class T>
    T *control(const char *name) const
    {
        return rallon::control<T>(*form, name);
    }
    // Box Key(i) of the key entry window, created if need be.
    QLineEdit *keyBox(int i) const
    {
        return rallon::control<QLineEdit>(*form->frmPASSKEY(), QStringLiteral("Key(%1)").arg(i));
    }

    // The window loaded on `path` and shown.
    void openForm(const QString &path)
    {
        QVERIFY(loadWindow(path));
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }

    // The window on a pseudo-terminal whose far end the test holds.
    void openOnPeer()
    {
        peer = std::make_unique<PtyPeer>();
        QVERIFY(peer->isOpen());
        openForm(peer->path());
    }

    // The window on the virtual device, nothing retrieved yet.
    void openOnDevice(const QString &model, rallon::SimFault fault = rallon::SimFault::None)
    {
        openOnDevice(*rallon::simModel(model), fault);
    }
    void openOnDevice(const rallon::ConfigRecord &config,
                      rallon::SimFault fault = rallon::SimFault::None)
    {
        QString error;
        QVERIFY2(openDevice(config, fault, &error), qPrintable(error));
        openForm(line->path());
    }

    // The device takes `config` as an upload from the line and answers it;
    // true once the window has shown that answer.
    bool changeDevice(const rallon::ConfigRecord &config)
    {
        QSignalSpy shown(form.get(), &UtilityForm::recordShown);
        device->receive(rallon::encodeUpload(config));
        return shown.wait(5000);
    }

    // The FILE menu's file dialog answers `path` from now on (empty:
    // cancelled); each question is noted in `asked` as "save SUGGESTED" or
    // "open SUGGESTED".
    void chooseFile(const QString &path, QStringList *asked = nullptr)
    {
        form->setFileChooser([path, asked](QWidget *, bool save, const QString &suggested) {
            if (asked)
                asked->append(QLatin1String(save ? "save " : "open ") + suggested);
            return path;
        });
    }

    // A menu item of the window by its name, enabled or not.
    QAction *menuItem(const char *name) const
    {
        QAction *found = form->findChild<QAction *>(QLatin1String(name));
        if (!found)
            qFatal("no menu item %s", name);
        return found;
    }

    // The New Data column top to bottom, as the row table has it: a list
    // without a choice is empty.
    QStringList newColumn() const
    {
        QStringList texts;
        for (const rallon::rows::SettingRow &row : rallon::rows::settingRows()) {
            auto *entry = rallon::control<QWidget>(*form, QLatin1String(row.entryName));
            if (auto *list = qobject_cast<QComboBox *>(entry))
                texts.append(list->currentIndex() < 0 ? QString() : list->currentText());
            else if (auto *box = qobject_cast<MultiLineTextBox *>(entry))
                texts.append(box->text());
            else
                texts.append(qobject_cast<QLineEdit *>(entry)->text());
        }
        return texts;
    }

    // The Current Data column top to bottom (serial settings in record
    // order), then the serial number box.
    static QStringList currentColumn(const UtilityForm &window)
    {
        using rallon::control;
        QStringList texts{control<QLineEdit>(window, "CurrentIPAddressTextBox")->text(),
                          control<QLineEdit>(window, "CurrentSubnetMaskTextBox")->text(),
                          control<QLineEdit>(window, "CurrentDefaultGatewayTextBox")->text(),
                          control<QLineEdit>(window, "CurrentPrimaryPortTextBox")->text(),
                          control<QLineEdit>(window, "txtCurrentSSID")->text(),
                          control<QLineEdit>(window, "txCurrentEncryptionType")->text(),
                          control<MultiLineTextBox>(window, "CurrentPasswordTextBox")->text()};
        for (const char *box : CurrentSerialBoxes)
            texts.append(control<QLineEdit>(window, box)->text());
        texts.append(control<QLineEdit>(window, "txtSN")->text());
        return texts;
    }

    // The same texts as a device with `config` should make the window show.
    static QStringList columnOf(const rallon::ConfigRecord &config)
    {
        const rallon::RecordDisplay shown = rallon::displayOf(config);
        QStringList texts(shown.current.texts.begin(), shown.current.texts.end());
        texts.append(shown.serialNumber);
        return texts;
    }

    // What the window shows while nothing is known.
    static QStringList dashes()
    {
        return QStringList(3, QStringLiteral("---.---.---.---")) + QStringList(12, QStringLiteral("----"))
               + QStringList{QStringLiteral("????")};
    }
};
