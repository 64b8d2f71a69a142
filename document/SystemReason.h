#pragma once

// Why a system call failed, as the system says it for its error number
// ("No space left on device").

#include <QString>

#include <cstring>

namespace rallon::document {

inline QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

#ifdef Q_OS_WIN
// The same for a Windows error code (GetLastError()).
QString windowsReason(unsigned long error);
#endif

}  // namespace rallon::document
