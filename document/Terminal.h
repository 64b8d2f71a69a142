#pragma once

// Text from a device or a document, made safe for a terminal: control
// characters (C0, DEL and C1) are shown as escapes ("\x1b", "\r", "\n",
// "\t", "\x00"), so neither can a device drive the terminal nor a line break
// in a value break the layout. Everything else stays as it is.

#include <QString>

namespace rallon::document {

QString escaped(const QString &text);

// A character escaped() shows as an escape: C0, DEL or C1.
bool isControl(QChar c);

// The escaped text in double quotes, for messages.
QString quoted(const QString &text);

// Standard input, output and error taken as they are: on Windows no CR is
// put before each LF nor taken from a CR LF, so that a program reads and
// prints the same octets on every system, and prints what it writes to a
// file (read --json > FILE and -o FILE). Windows' console ends a line on a
// bare LF.
void plainLineEnds();

}  // namespace rallon::document
