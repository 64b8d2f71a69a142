#pragma once

// Why a serial port could not be opened, in words for standard error.

#include <QSerialPort>
#include <QString>

namespace rallon {

// The lock file that exists for `device` (LCK..<name> in one of the
// directories QSerialPort locks in; /dev/pts/3 is LCK..pts_3), or empty when
// there is none.
QString existingLockFile(const QString &device);

// The process id `lockFile` holds: ASCII decimal on its first line, blanks
// around it allowed (later lines may name the program and host), or a
// native-endian 4-octet int (a file of exactly 4 octets, one of them 0).
// 0 when the file cannot be read or holds no id.
qint64 lockFileProcess(const QString &lockFile);

// The live process, other than this one, whose id `lockFile` holds; 0 when
// there is none (no file, no id, a process that is gone, this process).
qint64 liveLockHolder(const QString &lockFile);

// Who may open a device file, as stat() tells it (system::fileOwner()).
struct DeviceFile {
    QString path;
    QString owner;  // the user's name, else the uid
    QString group;  // the group's name, else the gid
    uint mode = 0;  // st_mode; 0 when the file could not be examined
};
DeviceFile examineDeviceFile(const QString &path);

// The reason for a port whose lock file names live process `pid` (0: not
// known).
QString lockedReason(const QString &lockFile, qint64 pid);

// The reason from QSerialPort's error and text after a failed open, the lock
// file found for the device (empty: none) and the device file. Tells apart a
// missing device, a port busy or locked by another program, missing access
// rights (with the device file's owner, group and mode, and the dialout
// advice when its group is dialout) and anything else (the system's text).
QString openFailureReason(QSerialPort::SerialPortError error, const QString &systemText,
                          const QString &lockFile, const DeviceFile &device);

}  // namespace rallon
