#pragma once

// Every message of the CHANGE CONFIGURATION action, title and text, exactly
// as the user sees them. Line breaks within a text are CR LF. The texts are
// kept letter for letter, misspellings and odd cases included ("ip Data").

#include "Message.h"

namespace rallon::changetext {

struct AddressMessages {
    Message noData;
    Message notEnoughData;
    Message notFourNumbers;
};

inline const Message NoConfiguration{
    "No Configuration Data",
    "Currently the program does not know what kind of Power Rallon\r\n"
    "is being configured.  Please retrieve the data from the Rallon\r\n"
    "and try loading again."};

inline const AddressMessages Ip{
    {"ip Data", "There is no data for an IP address, please correct."},
    {"IP Data", "There is not enough data for\r\nan IP address, please correct."},
    {"IP Data", "The IP address must be four numbers from 0 to 255,\r\n"
                "separated by periods, please correct."}};

inline const AddressMessages Mask{
    {"Mask Data", "There is no data for an IP Mask, please correct."},
    {"Mask Data", "There is not enough data for\r\nan IP mask, please correct."},
    {"Mask Data", "The IP mask must be four numbers from 0 to 255,\r\n"
                  "separated by periods, please correct."}};

inline const AddressMessages Gateway{
    {"Gateway Data", "There is no data for a Gateway, please correct."},
    {"Gateway Data", "There is not enough data for\r\nan IP Gateway, please correct."},
    {"Gateway Data", "The IP Gateway must be four numbers from 0 to 255,\r\n"
                     "separated by periods, please correct."}};

inline const Message SsidEmpty{
    "SSID Data", "There is not enough data for\r\na SSID, please correct."};
inline const Message SsidCharacter{
    "SSID Data", "The SSID has a character that cannot be sent, please correct."};

inline const Message PortEmpty{
    "Primary Port Data", "The Primary Port is empty, please correct."};
inline const Message PortNotNumber{
    "Primary Port Data", "The Primary Port must be a number, please correct."};
inline const Message PortTooLarge{
    "Primary Port Data", "The number for the Primary Port is over 32500, please reduce it."};

inline const Message EncryptionEmpty{
    "Type Encryption", "The Encryption method is empty, please correct."};

inline const Message PasswordEmpty{
    "Password/key Data",
    "There is no data for a password or passkey,\r\nplease include to make the change."};
inline const Message PasswordCharacter{
    "Password/key Data", "The password has a character that cannot be sent, please correct."};
// %1: the octet's number, counting from 1.
inline const Message SharedKeyOctet{
    "Password/key Data", "Shared key octet %1 is not valid, please correct."};

// Indexed by SerialSetting (record order: baud, data bits, stop bits, parity).
inline const Message SerialSettings[] = {
    {"Comm 1 Baud Data", "The Baud for Comm 1 is not valid, please correct."},
    {"Comm 1 Data Bits Data", "The number of data bits for Comm 1 is not valid, please correct."},
    {"Comm 1 Stop Bits Data", "The number of stop bits for Comm 1 is not valid, please correct."},
    {"Comm 1 Parity Data", "The type of parity for Comm 1 is not valid, please correct."},
    {"Comm 2 Baud Data", "The Baud for Comm 2 is not valid, please correct."},
    {"Comm 2 Data Bits Data", "The number of data bits for Comm 2 is not valid, please correct."},
    {"Comm 2 Stop Bits Data", "The number of stop bits for Comm 2 is not valid, please correct."},
    {"Comm 2 Parity Data", "The type of parity for Comm 2 is not valid, please correct."},
};

}  // namespace rallon::changetext
