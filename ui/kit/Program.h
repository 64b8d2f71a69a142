#pragma once

// The program's two ways of speaking to the world beyond its windows: modal
// messages and the end of the program. Tests replace both in-process.

#include "Message.h"

#include <QString>

#include <functional>

class QWidget;

namespace rallon::kit {

// Shows a modal message box with a single OK button and returns when the
// user closes it.
void showMessage(QWidget *parent, const Message &message);

// Ends the program at once.
void endProgram();

// The text as a message box shows it: each CR or CR LF is a line break.
QString displayText(const QString &text);

// In-process replacements; empty functions restore the real behaviour.
void setMessageHook(std::function<void(const Message &)> hook);
void setEndProgramHook(std::function<void()> hook);

}  // namespace rallon::kit
