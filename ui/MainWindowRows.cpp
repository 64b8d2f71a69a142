#include "MainWindowRows.h"

#include "UtilityForm.h"

namespace rallon::rows {

namespace {

constexpr CaptionColumn Addresses{600, 2415}, Middle{720, 2415}, Comm{0, 3975};
constexpr qreal ValuePoints = 14.25, SsidPoints = 12, PasswordPoints = 11.25;

using F = UtilityForm;
using S = Setting;

}  // namespace

const std::array<SettingRow, SettingCount> &settingRows()
{
    static const std::array<SettingRow, SettingCount> table{{
        {1320, S::Ip, "IP address",
         &F::IPAddressLabel, "IPAddressLabel", "IP ADDRESS", Addresses,
         &F::CurrentIPAddressTextBox, "CurrentIPAddressTextBox",
         &F::NewIPAddressTextBox, "NewIPAddressTextBox", AddressBoxLength, EntryRule::Address, ValuePoints},
        {1800, S::Mask, "subnet mask",
         &F::SubnetMaskLabel, "SubnetMaskLabel", "SUBNET MASK", Addresses,
         &F::CurrentSubnetMaskTextBox, "CurrentSubnetMaskTextBox",
         &F::NewSubnetMaskTextBox, "NewSubnetMaskTextBox", AddressBoxLength, EntryRule::Address, ValuePoints},
        {2280, S::Gateway, "default gateway",
         &F::DefaultGatewayLabel, "DefaultGatewayLabel", "DEFAULT GATEWAY", Addresses,
         &F::CurrentDefaultGatewayTextBox, "CurrentDefaultGatewayTextBox",
         &F::NewDefaultGatewayTextBox, "NewDefaultGatewayTextBox", AddressBoxLength, EntryRule::Address,
         ValuePoints},
        {2760, S::PrimaryPort, "primary port",
         &F::PrimaryPortLabel, "PrimaryPortLabel", "PRIMARY PORT", Middle,
         &F::CurrentPrimaryPortTextBox, "CurrentPrimaryPortTextBox",
         &F::NewPrimaryPortTextBox, "NewPrimaryPortTextBox", PortBoxLength, EntryRule::Port, ValuePoints},
        {3240, S::Ssid, "SSID",
         &F::lblSSID, "lblSSID", "SSID", Middle,
         &F::txtCurrentSSID, "txtCurrentSSID",
         &F::txtNewSSID, "txtNewSSID", SsidBoxLength, std::nullopt, SsidPoints},
        {3720, S::Encryption, "encryption",
         &F::lbEncryption, "lbEncryption", "ENCRYPTION", Middle,
         &F::txCurrentEncryptionType, "txCurrentEncryptionType",
         &F::NewEncryptionType, "NewEncryptionType", 0, std::nullopt, ValuePoints},
        {4200, S::Password, "password",
         nullptr, nullptr, nullptr, Middle,
         &F::CurrentPasswordTextBox, "CurrentPasswordTextBox",
         &F::NewPasswordTextBox, "NewPasswordTextBox", PasswordBoxLength, EntryRule::Password, PasswordPoints},
        {5160, S::Com1Baud, "Comm 1 baud",
         &F::Com1BaudLabel, "Com1BaudLabel", "COMM 1 BAUD", Comm,
         &F::CurrentCom1BaudTextBox, "CurrentCom1BaudTextBox",
         &F::NewCom1BaudDropDownBox, "NewCom1BaudDropDownBox", 0, std::nullopt, ValuePoints},
        {5640, S::Com1DataBits, "Comm 1 data bits",
         &F::Com1DataBitsLabel, "Com1DataBitsLabel", "COMM 1 DATA BITS", Comm,
         &F::CurrentCom1DataBitsTextBox, "CurrentCom1DataBitsTextBox",
         &F::NewCom1DataBitsTextBoxCombo, "NewCom1DataBitsTextBoxCombo", 0, std::nullopt,
         ValuePoints},
        {6120, S::Com1Parity, "Comm 1 parity",
         &F::Com1ParityTextBox, "Com1ParityTextBox", "COMM 1 PARITY", Comm,
         &F::CurrentCom1ParityTextBox, "CurrentCom1ParityTextBox",
         &F::NewCom1ParityDropDownBox, "NewCom1ParityDropDownBox", 0, std::nullopt, ValuePoints},
        {6600, S::Com1StopBits, "Comm 1 stop bits",
         &F::Com1StopBitsLabel, "Com1StopBitsLabel", "COMM 1 STOP BITS", Comm,
         &F::CurrentCom1StopBitTextBox, "CurrentCom1StopBitTextBox",
         &F::NewCom1StopBitCombo, "NewCom1StopBitCombo", 0, std::nullopt, ValuePoints},
        {7080, S::Com2Baud, "Comm 2 baud",
         &F::Com2BaudLabel, "Com2BaudLabel", "COMM 2 BAUD", Comm,
         &F::CurrentCom2BaudTextBox, "CurrentCom2BaudTextBox",
         &F::NewCom2BaudDropDownBox, "NewCom2BaudDropDownBox", 0, std::nullopt, ValuePoints},
        {7560, S::Com2DataBits, "Comm 2 data bits",
         &F::Com2DataBitsLabel, "Com2DataBitsLabel", "COMM 2 DATA BITS", Comm,
         &F::CurrentCom2DataBitsTextBox, "CurrentCom2DataBitsTextBox",
         &F::NewCom2DataBitsTextBoxCombo, "NewCom2DataBitsTextBoxCombo", 0, std::nullopt,
         ValuePoints},
        {8040, S::Com2Parity, "Comm 2 parity",
         &F::Com2ParityTextBox, "Com2ParityTextBox", "COMM 2 PARITY", Comm,
         &F::CurrentCom2ParityTextBox, "CurrentCom2ParityTextBox",
         &F::NewCom2ParityDropDownBox, "NewCom2ParityDropDownBox", 0, std::nullopt, ValuePoints},
        {8520, S::Com2StopBits, "Comm 2 stop bits",
         &F::Com2StopBitsLabel, "Com2StopBitsLabel", "COMM 2 STOP BITS", Comm,
         &F::CurrentCom2StopBitTextBox, "CurrentCom2StopBitTextBox",
         &F::NewCom2StopBitCombo, "NewCom2StopBitCombo", 0, std::nullopt, ValuePoints},
    }};
    return table;
}

}  // namespace rallon::rows
