// The message seam with the real QMessageBox: icon, lone OK button, text.

#include "Program.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using namespace rallon;

class TestProgram : public QObject {
    Q_OBJECT

private:
    // Shows `message` for real and returns what the open box looked like; its
    // OK button closes it. A box that does not turn up or stays open is
    // closed after a while, so the test fails then instead of hanging.
    struct Seen {
        bool found = false, closedByOk = false;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
        QString buttonText;
        bool modal = false;
    };
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
                seen = {true, false, box->windowTitle(), box->text(), box->icon(), int(box->buttons().size()),
                        box->buttons().value(0) ? box->buttons().value(0)->text() : QString(),
                        box->isModal()};
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
    void warningBoxHasIconOkAndLines()
    {
        const Seen seen = showAndClose({"IP Data", "There is not enough data for\r\nan IP address, please correct."});
        QVERIFY(seen.found);
        QVERIFY(seen.closedByOk);
        QCOMPARE(seen.title, QString("IP Data"));
        QCOMPARE(seen.text, QString("There is not enough data for\nan IP address, please correct."));
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.buttons, 1);
        QCOMPARE(QString(seen.buttonText).remove('&'), QString("OK"));
        QVERIFY(seen.modal);
    }

    void instructionBoxHasNoIconAndKeepsBlanks()
    {
        const Seen seen = showAndClose({"LED Indicators", "a\r   b  :\r\rc\r", false});
        QVERIFY(seen.found);
        QVERIFY(seen.closedByOk);
        QCOMPARE(seen.icon, QMessageBox::NoIcon);
        QCOMPARE(seen.buttons, 1);
        QCOMPARE(seen.text, QString("a\n   b  :\n\nc\n"));
    }

    void displayTextTurnsEveryCarriageReturnIntoOneBreak()
    {
        QCOMPARE(displayText("a\rb\r\nc\n\r\rd"), QString("a\nb\nc\n\n\nd"));
        QCOMPARE(displayText("no breaks"), QString("no breaks"));
    }
};

QTEST_MAIN(TestProgram)
#include "test_program.moc"
