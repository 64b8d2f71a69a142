// The message seam with the real QMessageBox: icon, lone OK button, and the
// text line for line, each of its lines one line on screen.

#include "Program.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QtTest>

using namespace rallon;
using namespace rallon::kit;

class TestProgram : public QObject {
    Q_OBJECT

private:
    // What the open box looked like.
    struct Seen {
        bool found = false, closedByOk = false;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
        QString buttonText;
        bool modal = false;
        Qt::TextFormat format = Qt::RichText;
        int widestLine = 0, lineHeight = 0;  // of the label's text, in its font
        QSize label;                           // the label's text area
        int boxWidth = 0, screenWidth = 0;     // the box with its frame; the screen's room
    };

    // Shows `message` for real and looks at the box; its OK button closes
    // it. A box that does not turn up or stays open is closed after a while,
    // so the test fails then instead of hanging.
    Seen showAndClose(const Message &message)
    {
        Seen seen;
        QElapsedTimer waited;
        waited.start();
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
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
                    seen.format = label->textFormat();
                    const QFontMetrics metrics = label->fontMetrics();
                    for (const QString &line : label->text().split('\n'))
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
        showMessage(nullptr, message);
        return seen;
    }

private slots:
    void boxShowsTextLineForLine_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("warning");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("lines");  // on screen; -1: wider than the screen, so broken

        QTest::newRow("warning, CR LF")
            << "IP Data" << "There is not enough data for\r\nan IP address, please correct." << true
            << "There is not enough data for\nan IP address, please correct." << 2;
        QTest::newRow("instruction: blanks, empty lines")
            << "LED Indicators" << "a\r   b  :\r\rc\r" << false << "a\n   b  :\n\nc\n" << 5;
        const QString noCommunication =
            "The Tarvex Power Rallon is not responding.  Please check the communication cable and "
            "connections,\rand that the Rallon is powered on and in the Configuration Mode (Green "
            "LED blinking about 2 times per second).";
        QTest::newRow("lines wider than a plain box")
            << "No Communication" << noCommunication << true << displayText(noCommunication) << 2;
        const QString tooLong = QString("word ").repeated(300);
        QTest::newRow("a line wider than the screen") << "Long" << tooLong << true << tooLong << -1;
    }
    void boxShowsTextLineForLine()
    {
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(bool, warning);
        QFETCH(QString, shown);
        QFETCH(int, lines);
        const Seen seen = showAndClose({title, text, warning});

        QVERIFY(seen.found);
        QVERIFY(seen.closedByOk);
        QCOMPARE(seen.title, title);
        QCOMPARE(seen.text, shown);
        QCOMPARE(seen.format, Qt::PlainText);
        QCOMPARE(seen.icon, warning ? QMessageBox::Warning : QMessageBox::NoIcon);
        QCOMPARE(seen.buttons, 1);
        QCOMPARE(QString(seen.buttonText).remove('&'), QString("OK"));
        QVERIFY(seen.modal);
        QVERIFY2(seen.boxWidth <= seen.screenWidth,
                 qPrintable(QString("%1 > %2").arg(seen.boxWidth).arg(seen.screenWidth)));
        if (lines > 0) {
            QVERIFY2(seen.widestLine <= seen.label.width(),
                     qPrintable(QString("%1 > %2").arg(seen.widestLine).arg(seen.label.width())));
            const int needed = lines * seen.lineHeight;
            QVERIFY2(seen.label.height() >= needed,
                     qPrintable(QString("%1 < %2").arg(seen.label.height()).arg(needed)));
        } else {
            QVERIFY(seen.widestLine > seen.label.width());
            QVERIFY(seen.label.height() >= 2 * seen.lineHeight);
        }
    }

    void displayTextTurnsEveryCarriageReturnIntoOneBreak()
    {
        QCOMPARE(displayText("a\rb\r\nc\n\r\rd"), QString("a\nb\nc\n\n\nd"));
        QCOMPARE(displayText("no breaks"), QString("no breaks"));
    }
};

QTEST_MAIN(TestProgram)
#include "test_program.moc"
