#include "Program.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>
#include <QThread>

#include <cstdlib>

namespace rallon::kit {

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

// A message box as wide as the longest line of its text, up to the
// screen's width, so that the text's own lines are not broken again.
// QMessageBox sizes itself on showing and on each layout request (wrapping
// the text at about 500 pixels); the width is taken back after it.
class LineKeepingBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    bool event(QEvent *event) override
    {
        const bool handled = QMessageBox::event(event);
        if (event->type() == QEvent::LayoutRequest)
            fitLines();
        return handled;
    }

    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        const QSize before = size();
        fitLines();
        // The box was placed over its parent for its first size.
        if (!event->spontaneous() && !testAttribute(Qt::WA_Moved) && size() != before)
            adjustPosition(parentWidget());
    }

private:
    void fitLines()
    {
        auto *label = findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        if (!isVisible() || !label || !label->wordWrap())
            return;  // not wrapped: the box already fits
        label->setWordWrap(false);
        layout()->activate();
        int width = layout()->totalMinimumSize().width();
        const int frame = frameGeometry().width() - this->width();
        const int available = screen()->availableGeometry().width() - frame;
        if (width > available) {
            // Lines longer than the screen: broken between words only.
            label->setWordWrap(true);
            layout()->activate();
            width = available;
        } else {
            width = qMin(qMax(width, this->width()), available);  // a wider title
        }
        const int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width)
                                                         : layout()->totalMinimumSize().height();
        setFixedSize(width, height);
        QCoreApplication::removePostedEvents(this, QEvent::LayoutRequest);
    }
};

}  // namespace

QString displayText(const QString &text)
{
    return withLineFeeds(text);
}

void showMessage(QWidget *parent, const Message &message)
{
    if (messageHook()) {
        messageHook()(message);
        return;
    }
    LineKeepingBox box(message.warning ? QMessageBox::Warning : QMessageBox::NoIcon, message.title,
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

}  // namespace rallon::kit
