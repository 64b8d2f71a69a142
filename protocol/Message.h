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

}  // namespace rallon
