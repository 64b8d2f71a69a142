#pragma once

// A message for the user: a title and a text. Every message of the program
// is one of these, wherever it is shown.

#include <QString>

namespace rallon {

struct Message {
    QString title;
    QString text;         // lines joined by CR or CR LF, as the program holds them
    bool warning = true;  // exclamation icon; false: no icon
};

// A message text with its line breaks (CR LF, or CR alone) as one LF each,
// as a terminal or a message box shows them.
inline QString withLineFeeds(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

}  // namespace rallon
