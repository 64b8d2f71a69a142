#include "MainWindowRows.h"

namespace rallon::rows {

namespace {

constexpr CaptionColumn Addresses{600, 2415}, Middle{720, 2415}, Comm{0, 3975};
constexpr qreal ValuePoints = 14.25, SsidPoints = 12, PasswordPoints = 11.25;

using S = Setting;

}  // namespace

const std::array<SettingRow, SettingCount> &settingRows()
{
    static const std::array<SettingRow, SettingCount> table{{
        {1320, S::Ip, "IP address",
         "IPAddressLabel", Addresses,
         "CurrentIPAddressTextBox",
         "NewIPAddressTextBox", AddressBoxLength, EntryRule::Address, ValuePoints},
        {1800, S::Mask, "subnet mask",
         "SubnetMaskLabel", Addresses,
         "CurrentSubnetMaskTextBox",
         "NewSubnetMaskTextBox", AddressBoxLength, EntryRule::Address, ValuePoints},
        {2280, S::Gateway, "default gateway",
         "DefaultGatewayLabel", Addresses,
         "CurrentDefaultGatewayTextBox",
         "NewDefaultGatewayTextBox", AddressBoxLength, EntryRule::Address,
         ValuePoints},
        {2760, S::PrimaryPort, "primary port",
         "PrimaryPortLabel", Middle,
         "CurrentPrimaryPortTextBox",
         "NewPrimaryPortTextBox", PortBoxLength, EntryRule::Port, ValuePoints},
        {3240, S::Ssid, "SSID",
         "lblSSID", Middle,
         "txtCurrentSSID",
         "txtNewSSID", SsidBoxLength, std::nullopt, SsidPoints},
        {3720, S::Encryption, "encryption",
         "lbEncryption", Middle,
         "txCurrentEncryptionType",
         "NewEncryptionType", 0, std::nullopt, ValuePoints},
        {4200, S::Password, "password",
         nullptr, Middle,
         "CurrentPasswordTextBox",
         "NewPasswordTextBox", PasswordBoxLength, EntryRule::Password, PasswordPoints},
        {5160, S::Com1Baud, "Comm 1 baud",
         "Com1BaudLabel", Comm,
         "CurrentCom1BaudTextBox",
         "NewCom1BaudDropDownBox", 0, std::nullopt, ValuePoints},
        {5640, S::Com1DataBits, "Comm 1 data bits",
         "Com1DataBitsLabel", Comm,
         "CurrentCom1DataBitsTextBox",
         "NewCom1DataBitsTextBoxCombo", 0, std::nullopt,
         ValuePoints},
        {6120, S::Com1Parity, "Comm 1 parity",
         "Com1ParityTextBox", Comm,
         "CurrentCom1ParityTextBox",
         "NewCom1ParityDropDownBox", 0, std::nullopt, ValuePoints},
        {6600, S::Com1StopBits, "Comm 1 stop bits",
         "Com1StopBitsLabel", Comm,
         "CurrentCom1StopBitTextBox",
         "NewCom1StopBitCombo", 0, std::nullopt, ValuePoints},
        {7080, S::Com2Baud, "Comm 2 baud",
         "Com2BaudLabel", Comm,
         "CurrentCom2BaudTextBox",
         "NewCom2BaudDropDownBox", 0, std::nullopt, ValuePoints},
        {7560, S::Com2DataBits, "Comm 2 data bits",
         "Com2DataBitsLabel", Comm,
         "CurrentCom2DataBitsTextBox",
         "NewCom2DataBitsTextBoxCombo", 0, std::nullopt,
         ValuePoints},
        {8040, S::Com2Parity, "Comm 2 parity",
         "Com2ParityTextBox", Comm,
         "CurrentCom2ParityTextBox",
         "NewCom2ParityDropDownBox", 0, std::nullopt, ValuePoints},
        {8520, S::Com2StopBits, "Comm 2 stop bits",
         "Com2StopBitsLabel", Comm,
         "CurrentCom2StopBitTextBox",
         "NewCom2StopBitCombo", 0, std::nullopt, ValuePoints},
    }};
    return table;
}

}  // namespace rallon::rows
