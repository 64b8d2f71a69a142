#pragma once

// The main window: caption column, Current Data column and New Data column,
// the password row with its two layouts, the buttons, logo and HELP menu.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>

#include "Change.h"
#include "ConfigRecord.h"
#include "DeviceKind.h"
#include "EntryRules.h"
#include "MultiLineTextBox.h"
#include "PassKeyForm.h"
#include "SerialSession.h"

#include <array>

namespace rallon::rows {
struct SettingRow;
}

class UtilityForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit UtilityForm(QWidget *parent = nullptr);
    ~UtilityForm() override;

    // Opens PC serial port `commPortNumber` and sets DeviceKind to 3. When
    // the port cannot be opened, says so and ends the program; false then.
    bool Load(int commPortNumber);

    // Shows a device's record (116 octets from "CFG=") in the window.
    void ParseConfigurationRecord(const QByteArray &record);

    rallon::SerialSession &session() { return m_session; }

    // What CHANGE CONFIGURATION reads, as the controls stand.
    rallon::ChangeSnapshot changeSnapshot();

    // The eight serial settings' controls in record order.
    std::array<QLineEdit *, rallon::SerialSettingCount> currentSerialBoxes() const;
    std::array<QComboBox *, rallon::SerialSettingCount> newSerialLists() const;

    // The password row: password layout (false) or shared key layout (true).
    void applyPasswordLayout(bool sharedKey);
    // Dashes in every Current Data box.
    void resetCurrentData();

    // The key entry window, created hidden at the first call.
    PassKeyForm *frmPASSKEY();
    bool hasPassKeyForm() const { return !m_passKeyForm.isNull(); }

    // State held for the other parts of the program. DeviceKind is the
    // number of a rallon::DeviceKind: 3 until a record is decoded, then 0
    // (wireless) or 1 (wired); setDeviceKind() is its only writer.
    int DeviceKind = 3;
    bool SharedKeyMode = false;
    quint16 SerialNumber = 0;

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

    // HELP menu.
    QMenu *HELP_MENU = nullptr;
    QAction *ABOUT = nullptr;
    QMenu *INSTRUCTIONS = nullptr;
    QAction *Connect = nullptr;
    QAction *Start = nullptr;
    QAction *Enter = nullptr;
    QAction *PassKey = nullptr;
    QAction *LEDs = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void requestConfiguration();
    void changeConfiguration();
    void checkOctets(QLineEdit *box, rallon::AddressBox which);
    void showKeyEntryWindow();
    void replyTimedOut();
    void setKeyBoxes(const QStringList &texts);
    void setDeviceKind(rallon::DeviceKind kind);
    static const rallon::rows::SettingRow &serialRow(rallon::SerialSetting setting);

    void buildHeadings();
    void buildRows();
    void buildPasswordRow();
    void buildBottom();
    void buildMenu();
    void setTabOrderChain();
    void nameForAccessibility();
    void placeWindow();

    rallon::SerialSession m_session;
    QPointer<PassKeyForm> m_passKeyForm;
    bool m_unloading = false;  // no octet check once the window goes
};
