#pragma once

// The CHANGE CONFIGURATION action as a pure function: checks the window's
// texts in their fixed order and builds the 113-octet upload, or names the
// first fault. Showing the message, the dash reset, the write and arming the
// reply time-out are the caller's.

#include "ConfigRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace rallon {

// Everything the click reads, as it stands when the button is clicked.
struct ChangeSnapshot {
    int deviceKind = 3;            // 0 wireless, 1 wired, 3 nothing decoded yet
    bool sharedKeyLayout = false;  // the HEX button is shown
    QString newIp, currentIp, newMask, currentMask, newGateway, currentGateway;
    QString newSsid, currentSsid, newPort, currentPort;
    int newEncryption = -1;        // chosen list position, -1: nothing chosen
    QString currentEncryption;
    QString newPassword, currentPassword;
    // The key entry window's 64 box texts, Key(0) first. Missing texts count
    // as "00", the value of a newly created window's boxes.
    QStringList keyTexts;
    // Record order. -1: nothing chosen. Any other position outside the list
    // (text pasted into a list) is refused like an unknown Current Data text.
    std::array<int, SerialSettingCount> newSerial{-1, -1, -1, -1, -1, -1, -1, -1};
    std::array<QString, SerialSettingCount> currentSerial;
};
static_assert(SerialSettingCount == 8, "newSerial's initialiser lists every setting");

struct Refusal {
    QString title;
    QString text;
};

struct ChangeResult {
    QByteArray record;               // the 113-octet upload when accepted, else empty
    std::optional<Refusal> refusal;  // the first fault
    // "N / A" texts that the action sets once it reaches the encryption step,
    // whether or not a later check refuses: wired model, Current encryption
    // and Current password; encryption "None", Current and New password.
    // After an accepted build the dash reset overwrites the Current ones.
    std::optional<QString> currentEncryptionText, currentPasswordText, newPasswordText;

    bool accepted() const { return !refusal; }
};

ChangeResult buildUpload(const ChangeSnapshot &snapshot);

}  // namespace rallon
