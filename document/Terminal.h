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

}  // namespace rallon::document
