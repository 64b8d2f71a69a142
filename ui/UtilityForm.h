#pragma once

// The main window: caption column, Current Data column and New Data column,
// the password row with its two layouts, the buttons, logo, and the FILE
// and HELP menus.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>

#include <optional>

#include "Change.h"
#include "ConfigRecord.h"
#include "DeviceKind.h"
#include "EntryRules.h"
#include "FileActions.h"
#include "MainWindowRows.h"
#include "MultiLineTextBox.h"
#include "PassKeyForm.h"
#include "SerialSession.h"

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
    void ParseConfigurationRecord(const QByteArray &record);

    const rallon::SerialSession &session() const { return m_session; }
    // The reply time-out of the window's session (tests and tools shorten it).
    void setReplyTimeoutMs(int ms) { m_session.setReplyTimeoutMs(ms); }

    // The password row: password layout (false) or shared key layout (true).
    void applyPasswordLayout(bool sharedKey);
    // Dashes in every Current Data box.
    void resetCurrentData();

    // The key entry window, created hidden at the first call.
    PassKeyForm *frmPASSKEY();
    bool hasPassKeyForm() const { return !m_passKeyForm.isNull(); }

    // Unknown until a record is decoded, then the record's kind.
    rallon::DeviceKind deviceKind() const { return m_deviceKind; }
    // The password row's layout: true for the shared key layout.
    bool sharedKeyMode() const { return m_sharedKeyMode; }
    // The serial number of the last record decoded; 0 before.
    quint16 serialNumber() const { return m_serialNumber; }
    // The last record decoded; none before.
    const std::optional<rallon::ConfigRecord> &lastRecord() const { return m_lastRecord; }

    // The FILE menu's file dialog (see FileActions).
    using FileChooser = FileActions::Chooser;
    void setFileChooser(FileChooser chooser) { m_fileActions.setChooser(std::move(chooser)); }

signals:
    // A decoded record is shown in the window.
    void recordShown();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The row table names the controls of each row.
    friend const std::array<rallon::rows::SettingRow, rallon::SettingCount> &
    rallon::rows::settingRows();

    // What CHANGE CONFIGURATION reads, as the controls stand.
    rallon::ChangeSnapshot changeSnapshot();
    void requestConfiguration();
    void changeConfiguration();
    void checkOctets(QLineEdit *box, rallon::AddressBox which);
    void showKeyEntryWindow();
    void replyTimedOut();
    void setKeyBoxes(const QStringList &texts);
    void setDeviceKind(rallon::DeviceKind kind);

    void buildHeadings();
    void buildRows();
    void buildPasswordRow();
    void buildBottom();
    void buildMenu();
    void setTabOrderChain();
    void nameForAccessibility();
    void placeWindow();

    // The FILE menu: enabled once a record is shown; m_fileActions does its work.
    QMenu *FILE_MENU = nullptr;
    QAction *SAVE_CONFIG = nullptr;
    QAction *OPEN_CONFIG = nullptr;

    // The HELP menu; attachHelp() connects its items by their names.
    QMenu *HELP_MENU = nullptr;
    QAction *ABOUT = nullptr;
    QMenu *INSTRUCTIONS = nullptr;
    QAction *Connect = nullptr;
    QAction *Start = nullptr;
    QAction *Enter = nullptr;
    QAction *PassKey = nullptr;
    QAction *LEDs = nullptr;

    // Headings.
    QLabel *TarvexRallonLabel = nullptr;
    QLabel *CurrentDataLabel = nullptr;
    QLabel *ChangeDataLabel = nullptr;

    // Caption column.
    QLabel *IPAddressLabel = nullptr;
    QLabel *SubnetMaskLabel = nullptr;
    QLabel *DefaultGatewayLabel = nullptr;
    QLabel *PrimaryPortLabel = nullptr;
    QLabel *lblSSID = nullptr;
    QLabel *lbEncryption = nullptr;
    QPushButton *btnPASS_SHARED = nullptr;
    QLabel *Com1BaudLabel = nullptr;
    QLabel *Com1DataBitsLabel = nullptr;
    QLabel *Com1ParityTextBox = nullptr;
    QLabel *Com1StopBitsLabel = nullptr;
    QLabel *Com2BaudLabel = nullptr;
    QLabel *Com2DataBitsLabel = nullptr;
    QLabel *Com2ParityTextBox = nullptr;
    QLabel *Com2StopBitsLabel = nullptr;

    // Current Data column (display only, disabled).
    QLineEdit *CurrentIPAddressTextBox = nullptr;
    QLineEdit *CurrentSubnetMaskTextBox = nullptr;
    QLineEdit *CurrentDefaultGatewayTextBox = nullptr;
    QLineEdit *CurrentPrimaryPortTextBox = nullptr;
    QLineEdit *txtCurrentSSID = nullptr;
    QLineEdit *txCurrentEncryptionType = nullptr;
    MultiLineTextBox *CurrentPasswordTextBox = nullptr;
    QLineEdit *CurrentCom1BaudTextBox = nullptr;
    QLineEdit *CurrentCom1DataBitsTextBox = nullptr;
    QLineEdit *CurrentCom1ParityTextBox = nullptr;
    QLineEdit *CurrentCom1StopBitTextBox = nullptr;
    QLineEdit *CurrentCom2BaudTextBox = nullptr;
    QLineEdit *CurrentCom2DataBitsTextBox = nullptr;
    QLineEdit *CurrentCom2ParityTextBox = nullptr;
    QLineEdit *CurrentCom2StopBitTextBox = nullptr;

    // New Data column.
    QLineEdit *NewIPAddressTextBox = nullptr;
    QLineEdit *NewSubnetMaskTextBox = nullptr;
    QLineEdit *NewDefaultGatewayTextBox = nullptr;
    QLineEdit *NewPrimaryPortTextBox = nullptr;
    QLineEdit *txtNewSSID = nullptr;
    QComboBox *NewEncryptionType = nullptr;
    MultiLineTextBox *NewPasswordTextBox = nullptr;
    QComboBox *NewCom1BaudDropDownBox = nullptr;
    QComboBox *NewCom1DataBitsTextBoxCombo = nullptr;
    QComboBox *NewCom1ParityDropDownBox = nullptr;
    QComboBox *NewCom1StopBitCombo = nullptr;
    QComboBox *NewCom2BaudDropDownBox = nullptr;
    QComboBox *NewCom2DataBitsTextBoxCombo = nullptr;
    QComboBox *NewCom2ParityDropDownBox = nullptr;
    QComboBox *NewCom2StopBitCombo = nullptr;

    // Password row, shared key layout.
    QLineEdit *txtCURRENT_HEX_KEY = nullptr;
    QLineEdit *txtNEW_HEX_KEY = nullptr;
    QPushButton *btnHEX_SELECT = nullptr;

    // Bottom of the window.
    QLabel *Image1 = nullptr;
    QPushButton *GetCurrentDataCommand = nullptr;
    QLineEdit *txtSN = nullptr;
    QLabel *lblSN = nullptr;
    QPushButton *ChangeConfigCommand = nullptr;

    rallon::SerialSession m_session;
    QPointer<PassKeyForm> m_passKeyForm;
    rallon::DeviceKind m_deviceKind = rallon::DeviceKind::Unknown;  // setDeviceKind() only
    bool m_sharedKeyMode = false;  // applyPasswordLayout() only
    quint16 m_serialNumber = 0;    // ParseConfigurationRecord() only
    std::optional<rallon::ConfigRecord> m_lastRecord;  // ParseConfigurationRecord() only
    FileActions m_fileActions{*this};
    bool m_unloading = false;  // no octet check once the window goes
};
