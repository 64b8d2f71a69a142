#include "WindowsReason.h"

#include <windows.h>

namespace rallon::system {

QString windowsReason(unsigned long error)
{
    wchar_t *text = nullptr;
    const DWORD size = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const QString reason = size ? QString::fromWCharArray(text, int(size)).trimmed()
                                : QStringLiteral("Windows error %1").arg(error);
    ::LocalFree(text);
    return reason;
}

}  // namespace rallon::system
