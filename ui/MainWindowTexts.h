#pragma once

// Every text of the main window but its rows' captions, which rallon-cli's
// listing shows too (protocol/Captions.h). Kept letter for letter as the user has
// always seen them, misspellings included ("thann", "octects", "Gaeway").

#include "Captions.h"
#include "EntryRules.h"
#include "Message.h"

#include <QString>
#include <QStringList>

namespace rallon::mainwindow_text {

inline const QString Caption = QStringLiteral("Tarvex Power Rallon Configuration Utility");
inline const QString Title = QStringLiteral("TARVEX POWER RALLON CONFIGURATION");
inline const QString CurrentData = QStringLiteral("CURRENT DATA");
inline const QString NewData = QStringLiteral("NEW DATA");

inline const QString Password = QLatin1String(caption::Password);
inline const QString SharedKey = QLatin1String(caption::SharedKey);
inline const QString HexKey = QStringLiteral("HEX KEY");
inline const QString Hex = QStringLiteral("HEX");
inline const QString Retrieve = QStringLiteral("RETRIEVE CONFIGURATION");
inline const QString Change = QStringLiteral("CHANGE CONFIGURATION");
inline const QString SerialNo = QLatin1String(caption::SerialNo);

namespace menu {
// "&": Alt+F, then S, O or P.
inline const QString File = QStringLiteral("&FILE");
inline const QString SaveConfig = QStringLiteral("&SAVE CONFIGURATION...");
inline const QString OpenConfig = QStringLiteral("&OPEN CONFIGURATION...");
inline const QString Provision = QStringLiteral("&PROVISION DEVICES...");
inline const QString Help = QStringLiteral("HELP");
inline const QString About = QStringLiteral("ABOUT");
inline const QString Instructions = QStringLiteral("INSTRUCTIONS");
inline const QString Connect = QStringLiteral("How to Connect");
inline const QString Start = QStringLiteral("How to Start");
inline const QString Enter = QStringLiteral("Entering Data");
inline const QString PassKey = QStringLiteral("PassWord - Shared Key Entry");
inline const QString LEDs = QStringLiteral("LED Indicators");
}  // namespace menu

// Names a screen reader speaks beyond the rows' own.
inline const QString SharedKeyRow = QStringLiteral("shared key");
inline const QString SerialNumberName = QStringLiteral("Serial number");
inline const QString HexButtonName = QStringLiteral("Enter the shared key");
inline const QString LogoName = QStringLiteral("Tarvex Power Rallon logo");

// Line breaks in these two are a lone CR.
inline const Message NoCommunication{
    QStringLiteral("No Communication"),
    QStringLiteral("The Tarvex Power Rallon is not responding.  Please check the communication "
                   "cable and connections,"
                   "\r"
                   "and that the Rallon is powered on and in the Configuration Mode (Green LED "
                   "blinking about 2 times per second).")};

inline const Message PortError{
    QStringLiteral("Communication Error"),
    QStringLiteral("This comm port seems to be in use by other programs or is not"
                   "\r"
                   "a valid serial port for this computer.  Please, ensure the port is valid and "
                   "open"
                   "\r"
                   "before starting the program again.")};

// The FILE menu: its file dialogs and messages.
namespace file {
inline const QString SaveTitle = QStringLiteral("Save Configuration");
inline const QString OpenTitle = QStringLiteral("Open Configuration");
inline const QStringList Filters{QStringLiteral("Configuration files (*.json)"),
                                 QStringLiteral("All files (*)")};
// The suggested name of a backup.
inline QString suggestedName(quint16 serialNumber)
{
    return QStringLiteral("rallon-%1.json").arg(serialNumber);
}

inline const QString MessageTitle = QStringLiteral("Configuration File");
inline const QString TooLarge = QStringLiteral("The file is larger than 1 MiB.");
inline const QString NotAFile = QStringLiteral("It is not a regular file.");
inline QString tooLong(const QString &what, int length, int room)
{
    return QStringLiteral("The %1 is %2 characters long; the window takes at most %3.")
        .arg(what)
        .arg(length)
        .arg(room);
}

inline Message unusable(const QString &reason)
{
    return {MessageTitle, QStringLiteral("The configuration file cannot be used:\r\n") + reason};
}
inline Message unreadable(const QString &path, const QString &reason)
{
    return {MessageTitle,
            QStringLiteral("The configuration file cannot be read:\r\n%1\r\n%2").arg(path, reason)};
}
inline Message unwritable(const QString &path, const QString &reason)
{
    return {MessageTitle,
            QStringLiteral("The configuration file cannot be written:\r\n%1\r\n%2").arg(path, reason)};
}
}  // namespace file

// The octet check of an address box that loses the focus.
inline Message octetMessage(AddressBox box, OctetFault fault)
{
    const bool last = fault == OctetFault::Last;
    switch (box) {
    case AddressBox::Ip:
        return {QStringLiteral("New IP Data"),
                last ? QStringLiteral("2 The IP octects cannot be greater thann 255, please correct.")
                     : QStringLiteral("1 The IP octets cannot be greater thann 255, please correct.")};
    case AddressBox::Mask:
        return {QStringLiteral("New Mask Data"),
                last ? QStringLiteral("The Mask octects cannot be greater thann 255, please correct.")
                     : QStringLiteral("The Mask octets cannot be greater thann 255, please correct.")};
    case AddressBox::Gateway:
        break;
    }
    return {QStringLiteral("New Gateway Data"),
            last ? QStringLiteral("The Gateway octects cannot be greater thann 255, please correct.")
                 : QStringLiteral("The Gaeway octets cannot be greater thann 255, please correct.")};
}

}  // namespace rallon::mainwindow_text
