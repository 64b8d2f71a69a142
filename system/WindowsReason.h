#pragma once

// Why a Windows call failed, for the Windows files only (the _win.cpp
// files): the system's text for a GetLastError() code.

#include <QString>

namespace rallon::system {

QString windowsReason(unsigned long error);

}  // namespace rallon::system
