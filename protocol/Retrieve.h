#pragma once

// What a decoded record shows in the main window, as plain data.

#include "ConfigRecord.h"

#include <QString>
#include <QStringList>

#include <array>

namespace rallon {

namespace placeholder {
inline const QString Address = QStringLiteral("---.---.---.---");
inline const QString Value = QStringLiteral("----");
inline const QString NotApplicable = QStringLiteral("N / A");
inline const QString SerialNumber = QStringLiteral("????");
inline const QString KeyOctet = QStringLiteral("FF");
}

struct CurrentData {
    QString ip, mask, gateway;
    QString primaryPort;
    QString ssid;
    QString encryption;
    QString password;
    std::array<QString, SerialSettingCount> serial;  // record order
    QString serialNumber;                            // " 4660"
    int deviceKind = 0;                              // 0 wireless, 1 wired
    bool sharedKey = false;
    QStringList keyBoxes;                            // 64 texts, "0" to "FF"
};

// An octet as the key entry window shows it: upper-case hex, no leading zero.
QString keyOctetText(quint8 octet);

// A code with no entry in its list shows as the "----" placeholder, so an
// upload refuses it unless the user chooses an item.
CurrentData currentDataOf(const ConfigRecord &record);

}  // namespace rallon
