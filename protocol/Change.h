#pragma once

// The CHANGE CONFIGURATION action as a pure function: checks the window's
// texts in their fixed order and fills a ConfigRecord, which encodeUpload
// turns into the 113-octet upload, or names the first fault. Showing the message, the dash reset, the write and arming the
// reply time-out are the caller's.

#include "Columns.h"
#include "DeviceKind.h"
#include "Message.h"
#include "Retrieve.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace rallon {

// Everything the click reads, as it stands when the button is clicked.
struct ChangeSnapshot {
    DeviceKind deviceKind = DeviceKind::Unknown;
    bool sharedKeyLayout = false;  // the HEX button is shown
    CurrentData current;
    NewData entered;
    // The key entry window's 64 box texts, Key(0) first. Missing texts count
    // as "00", the value of a newly created window's boxes.
    QStringList keyTexts;

    // The window right after showing `shown`, nothing entered yet.
    static ChangeSnapshot untouched(const RecordDisplay &shown)
    {
        return {shown.deviceKind, shown.sharedKey, shown.current, NewData{}, shown.keyBoxes};
    }
};

struct ChangeResult {
    QByteArray record;              // the 113-octet upload when accepted, else empty
    std::optional<Message> refusal; // the first fault
    // "N / A" texts that the action sets once it reaches the encryption step,
    // whether or not a later check refuses: wired model, Current encryption
    // and Current password; encryption "None", Current and New password.
    // After an accepted build the dash reset overwrites the Current ones.
    std::optional<QString> currentEncryptionText, currentPasswordText, newPasswordText;

    bool accepted() const { return !refusal; }
};

ChangeResult buildUpload(const ChangeSnapshot &snapshot);

// A password box's text that is a password: not empty, no "N / A" in it,
// not the "----" placeholder.
bool holdsPassword(const QString &text);

// A number as the action reads it: ASCII digits only, at least one. The
// value saturates at `ceiling`, so a number of any length compares
// correctly against it.
std::optional<int> plainDecimal(QStringView text, int ceiling);

}  // namespace rallon
