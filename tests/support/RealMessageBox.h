#pragma once

// A real QMessageBox, opened by the test and looked at while it is shown;
// its OK button closes it. A box that does not turn up or stays open is
// closed after a while, so the test fails then instead of hanging.

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>

struct SeenBox {
    bool found = false, closedByOk = false;
    QString title, text;  // the text as its label shows it
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    QString buttonText;
    bool modal = false;
    Qt::TextFormat format = Qt::RichText;
    int widestLine = 0, lineHeight = 0;  // of the label's text, in its font
    QSize label;                           // the label's text area
    int boxWidth = 0, screenWidth = 0;     // the box with its frame; the screen's room
};

// Runs `open`, which shows a message box and returns when it is closed.
inline SeenBox lookAtMessageBox(const std::function<void()> &open)
{
    SeenBox seen;
    QElapsedTimer waited;
    waited.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (box && box->isVisible() && !seen.found) {
            seen.found = true;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            seen.buttons = int(box->buttons().size());
            if (const QAbstractButton *ok = box->buttons().value(0))
                seen.buttonText = ok->text();
            seen.modal = box->isModal();
            if (const auto *label = box->findChild<QLabel *>("qt_msgbox_label")) {
                seen.text = label->text();
                seen.format = label->textFormat();
                const QFontMetrics metrics = label->fontMetrics();
                for (const QString &line : seen.text.split('\n'))
                    seen.widestLine = qMax(seen.widestLine, metrics.horizontalAdvance(line));
                seen.lineHeight = metrics.height();
                seen.label = label->contentsRect().size();
            }
            seen.boxWidth = box->frameGeometry().width();
            seen.screenWidth = box->screen()->availableGeometry().width();
        }
        if (box && seen.found && box->isVisible() && box->buttons().value(0)) {
            QTest::mouseClick(box->buttons().value(0), Qt::LeftButton);
            seen.closedByOk = !box->isVisible();
        }
        if (modal && modal->isVisible() && waited.elapsed() > 5000)
            modal->hide();
    });
    poll.start(10);
    open();
    return seen;
}
