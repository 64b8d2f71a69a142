#include "Program.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

#include <cstdlib>

namespace rallon {

namespace {

std::function<void(const Message &)> &messageHook()
{
    static std::function<void(const Message &)> hook;
    return hook;
}

std::function<void()> &endHook()
{
    static std::function<void()> hook;
    return hook;
}

}  // namespace

QString displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void showMessage(QWidget *parent, const Message &message)
{
    if (messageHook()) {
        messageHook()(message);
        return;
    }
    QMessageBox box(message.warning ? QMessageBox::Warning : QMessageBox::NoIcon, message.title,
                    displayText(message.text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void endProgram()
{
    if (endHook()) {
        endHook()();
        return;
    }
    if (QThread::currentThread()->loopLevel() == 0)
        std::exit(0);
    QCoreApplication::exit(0);
}

void setMessageHook(std::function<void(const Message &)> hook)
{
    messageHook() = std::move(hook);
}

void setEndProgramHook(std::function<void()> hook)
{
    endHook() = std::move(hook);
}

}  // namespace rallon
