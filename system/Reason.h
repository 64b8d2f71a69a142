#pragma once

// Why a system call failed, as the system says it for its error number
// ("No space left on device").

#include <QString>

#include <cstring>

namespace rallon::system {

inline QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace rallon::system
