#pragma once

// Serial ports as the system names and guards them: device names, lock
// files and the processes named in them, device files' owners and modes,
// and a line's hang-up.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace rallon::system {

// The device for PC serial port `number` (1..25): COMn on Windows; on Linux
// /dev/ttyUSB{n-1} when it exists, else /dev/ttyACM{n-1} when it exists,
// else /dev/ttyS{n-1}.
QString portDevice(int number);

// A serial port's device as this system names it, for examples in help.
const char *examplePortDevice();

// The name a port goes by, from a path or the system's location for it:
// on Windows COMn for \\.\COMn too; any other path as it is.
QString portName(const QString &path);

// Whether two paths name the same port (on Windows COM5, com5 and
// \\.\COM5 do).
bool samePort(const QString &path, const QString &other);

// The folders QSerialPort puts its lock files in, in its order; none on
// Windows, which locks no port by a file.
QStringList portLockFolders();

// Whether process `pid`, other than this one, lives (also another user's).
// Windows: never looked up, false.
bool processAlive(qint64 pid);

// Who may open a file, as stat() tells it; on Windows nothing is told.
struct FileOwner {
    QString owner;  // the user's name, else the uid
    QString group;  // the group's name, else the gid
    uint mode = 0;  // st_mode; 0 when the file could not be examined
};
FileOwner fileOwner(const QString &path);

// `mode` as ls -l shows it, "crw-rw----", without set-id and sticky bits.
// Windows has no modes: "----------".
QString modeText(uint mode);

// Whether a port another program holds is refused as access denied, which
// QSerialPort reports as a permission error: Windows opens a COM port for
// one program at a time.
bool deniedMeansInUse();

// A terminal whose other end hung up reads as end of file. Some Qt versions
// report that as no error at all, and their read notifier then fires without
// end. A notifier on a duplicate of the port's descriptor sees the hang-up
// (POLLHUP) and reports it once, from the event loop. On Windows QSerialPort
// reports a lost port itself: nothing is watched.
class HangUpWatch {
public:
    // `port`: QSerialPort::handle().
    HangUpWatch(qintptr port, std::function<void()> report);
    ~HangUpWatch();
    HangUpWatch(const HangUpWatch &) = delete;
    HangUpWatch &operator=(const HangUpWatch &) = delete;

private:
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace rallon::system
