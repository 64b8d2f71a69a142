#pragma once

// The main window: caption column, Current Data column and New Data column,
// the password row with its two layouts, the buttons, logo, and the FILE
// and HELP menus. It shows what it is given (a decoded record, the texts
// CHANGE's checks set, the time-out); DeviceExchange runs the exchanges.

#include <QMainWindow>
#include <QPointer>

#include <optional>

#include "BenchWindow.h"
#include "DeviceExchange.h"
#include "FileActions.h"
#include "MainWindowControls.h"
#include "NewDataColumn.h"
#include "PassKeyForm.h"

class UtilityForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit UtilityForm(QWidget *parent = nullptr);
    ~UtilityForm() override;

    // Opens PC serial port `commPortNumber`; the device kind is then
    // Unknown. When the port cannot be opened, says so and ends the
    // program; false then.
    bool Load(int commPortNumber);

    // Shows a device's record (116 octets from "CFG=") in the window.
    void ParseConfigurationRecord(const QByteArray &record) { m_exchange.takeRecord(record); }

    const rallon::SerialSession &session() const { return m_exchange.session(); }
    // The reply time-out of the window's session (tests and tools shorten it).
    void setReplyTimeoutMs(int ms) { m_exchange.setReplyTimeoutMs(ms); }

    // The password row: password layout (false) or shared key layout (true).
    void applyPasswordLayout(bool sharedKey);
    // Dashes in every Current Data box.
    void resetCurrentData();

    // The key entry window, created hidden at the first call.
    PassKeyForm *frmPASSKEY();
    bool hasPassKeyForm() const { return !m_passKeyForm.isNull(); }

    // Unknown until a record is decoded, then the record's kind.
    rallon::DeviceKind deviceKind() const { return m_exchange.deviceKind(); }
    // The password row's layout: true for the shared key layout.
    bool sharedKeyMode() const { return m_sharedKeyMode; }
    // The serial number of the last record decoded; 0 before.
    quint16 serialNumber() const { return lastRecord() ? lastRecord()->serialNumber : 0; }
    // The last record decoded; none before.
    const std::optional<rallon::ConfigRecord> &lastRecord() const { return m_exchange.lastRecord(); }

    // The FILE menu's file dialog (see FileActions).
    using FileChooser = FileActions::Chooser;
    void setFileChooser(FileChooser chooser) { m_fileActions.setChooser(std::move(chooser)); }

    // FILE > PROVISION DEVICES...: the bench window on the window's port,
    // created at the first call. While it runs, the port is its own.
    rallon::BenchWindow *benchWindow();

signals:
    // A decoded record is shown in the window.
    void recordShown();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // What CHANGE CONFIGURATION reads, as the controls stand.
    rallon::ChangeSnapshot changeSnapshot();
    void showChangeChecked(const rallon::ChangeResult &result);
    void showRecord(const rallon::RecordDisplay &shown);
    void replyTimedOut();
    void checkOctets(QLineEdit *box, rallon::AddressBox which);
    void showKeyEntryWindow();
    void placeWindow();
    // False, and why said, while the bench window holds the port.
    bool portIsFree();
    void showBenchWindow();

    rallon::DeviceExchange m_exchange;
    rallon::MainWindowControls ui;
    rallon::NewDataColumn m_newData;
    FileActions m_fileActions;
    QPointer<PassKeyForm> m_passKeyForm;
    QPointer<rallon::BenchWindow> m_benchWindow;
    int m_portNumber = 0;
    bool m_sharedKeyMode = false;  // applyPasswordLayout() only
    bool m_unloading = false;  // no octet check once the window goes
};
