#pragma once

// The main window on a real pseudo-terminal, which port number 1 leads to,
// as the tests, rallon-shots and rallon-bench set it up. The far end is a
// virtual device in this thread or whatever the caller holds.

#include "ConfigRecord.h"
#include "Controls.h"
#include "SimDevice.h"
#include "SimLine.h"
#include "UtilityForm.h"

#include <QString>

#include <memory>

namespace rallon {

class WindowBench {
public:
    WindowBench() = default;
    ~WindowBench() { closeAll(); }
    WindowBench(const WindowBench &) = delete;
    WindowBench &operator=(const WindowBench &) = delete;

    // Every port number leads to `path` from now on.
    static void routePortsTo(const QString &path);

    // A virtual device with `config` on a new pseudo-terminal; line->path()
    // is the end the window opens.
    bool openDevice(const ConfigRecord &config, SimFault fault, QString *error);
    // A new main window loaded on `path` as port 1, not shown. False when
    // the port cannot be opened (the window has said so and ended the
    // program).
    bool loadWindow(const QString &path);
    // The window goes, then the line and the device; port numbers lead to
    // the computer's ports again.
    void closeAll();

    std::unique_ptr<SimDevice> device;
    std::unique_ptr<SimLine> line;
    std::unique_ptr<UtilityForm> form;
};

// Clicks RETRIEVE CONFIGURATION; true once the window has shown a record,
// within `timeoutMs`.
bool retrieve(UtilityForm &window, int timeoutMs = 5000);

}  // namespace rallon
