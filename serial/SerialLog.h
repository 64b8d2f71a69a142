#pragma once

// The serial session's trace, off unless enabled (for example
// QT_LOGGING_RULES="rallon.serial.debug=true"): "open /dev/pts/3",
// "> 43 46 47 3F" for each write, "< 43 46 47 3D ..." for each read, "close".

#include <QLoggingCategory>

namespace rallon {

Q_DECLARE_LOGGING_CATEGORY(lcSerial)

}  // namespace rallon
