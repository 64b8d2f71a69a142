// The message seam with the real QMessageBox: icon, lone OK button, and the
// text line for line, each of its lines one line on screen.

#include "Program.h"
#include "RealMessageBox.h"

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
        const SeenBox seen = lookAtMessageBox([&] { showMessage(nullptr, {title, text, warning}); });

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
