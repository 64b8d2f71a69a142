// The HELP menu: the five instruction texts byte for byte through the real
// menu items and in the real message box, each line one line on screen, and
// ABOUT's splash window with its time and a second click during it.

#include "Controls.h"
#include "HelpAbout.h"
#include "HookGuard.h"
#include "Program.h"
#include "RealMessageBox.h"
#include "SplashForm.h"
#include "OffscreenScreens.h"
#include "UtilityForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QtTest>

using namespace rallon;
using namespace rallon::kit;

namespace {

// Records when a watched window is shown and hidden.
class VisibilityLog : public QObject
{
public:
    explicit VisibilityLog(const QElapsedTimer &clock) : m_clock(clock) {}
    QList<qint64> shownAt, hiddenAt;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            shownAt.append(m_clock.elapsed());
        else if (event->type() == QEvent::Hide)
            hiddenAt.append(m_clock.elapsed());
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer &m_clock;
};

// ABOUT's time in these tests; the program's is AboutSeconds.
constexpr int AboutMs = 600;

}  // namespace

class TestHelp : public QObject {
    Q_OBJECT

public:
    // The windows as on a screen that holds them.
    static void initMain() { rallon::useOffscreenScreens(rallon::BigScreen); }

private:
    QList<Message> messages;
    std::optional<HookGuard> hooks;
    std::unique_ptr<SplashForm> splash;
    std::unique_ptr<UtilityForm> form;

private slots:
    void init()
    {
        hooks.emplace(messages);
        splash = std::make_unique<SplashForm>();
        form = std::make_unique<UtilityForm>();
        attachHelp(*form, *splash, AboutMs / 1000.0f);
        form->show();
    }
    void cleanup()
    {
        form.reset();
        splash.reset();
        hooks.reset();
    }

    void instructionTexts_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");

    QTest::newRow("Connect") << "Connect" << "How to Connect" << "How to Connect"
        << QString("Using a Windows PC with a CommPort, connect the Tarvex Rallon \r"
                   "Comm 1 Port to the PC comm port using a straight through serial\r"
                   "cable (M-F).  If the Tarvex Power Rallon has never been configured,\r"
                   "just power it up.  If it already has a configuration you want to change,\r"
                   "continuously press the toggle button on the front of the unit while it\r"
                   "powers up.  You can release the button when the green LED starts to blink\r"
                   "twice a second.  The unit is now in the configure mode.  Once you are finished\r"
                   "configuring the unit, remove power and power it up normally (i.e. without\r"
                   "holding the toggle button) and it will start normal operations, looking for a network\r"
                   "connection.");
    QTest::newRow("Start") << "Start" << "How to Start" << "How to Start"
        << QString("If the green LED is blinking about twice a second, you are in the configuration mode \r"
                   "and may start the configuration process.  First, click on the Retrieve Configuration\r"
                   "button to see what data is currently in the device.  Once the program has retrieved the data, it\r"
                   "will show up in the appropriate text box under the Current Data column.  For any data\r"
                   "that is not going to be changed, you do not have to re-enter it under the New Data Column.\r"
                   "Once you have entered the data to be changed, in the correct format, click on the Change Configuration\r"
                   "button to upload it to the device.  While it is uploading the data under Current Data column\r"
                   "will go to dashes.  Once the upload is complete, the Current Data column will indicate the recently\r"
                   "changed data and the recently entered data in the New Data column will remain there, facilitatng configuration\r"
                   "of other Rallons on the same project.");
    QTest::newRow("Enter") << "Enter" << "Entering Data" << "How to Enter Data"
        << QString("Most data entry is fairly straight forward.  All network data is in the normal four octets\r"
                   "separated by periods.  The Primary Port can be any number from 1 to 32000.\r"
                   "Generally, use numbers above 4000 to ensure they are not used for other purposes.  Designating \r"
                   "the Primary Port also designates the Secondary Port (for an optional serial\r"
                   "port on the Rallon) which will be the Primary Port incremented by one.  Make sure not to use these\r"
                   "secondary ports on other Tarvex Power Rallons.  The SSID is limited to 21 characters.\r"
                   "Most of the other data is entered via drop down boxes.  Erroneous entries for the most part are\r"
                   "precluded from happening.");
    QTest::newRow("PassKey") << "PassKey" << "PassWord - Shared Key Entry" << "How to Enter Data"
        << QString("Password - Shared Key Enrty Instructions:\r"
                   "                                                                        \r"
                   "Security protocols supported by the Tarvex Power Rallon can use either Pass Words or 64 Byte Shared Keys.\r"
                   "It will take as much as 20 seconds for a Rallon to connect using passwords rather than shared keys,\r"
                   "but either method is viable.  Use the button in the left most column to select between these two options.\r"
                   "In the Password option, just type the password (up to 64 characters) in the text box across from the Password Button\r"
                   "and under the New Data column.  Selecting the Shared Key option, will add another button on the right\r"
                   "side of the window, labeled 'HEX'.  Press on this button to bring up another window where you may enter\r"
                   "64 hexidecemial notations for the shared key.  Click on the Done button.  Make sure you leave the toggle\r"
                   "button on the left where its label says 'Shared Key' before clicking Change Configuration button to ensure the\r"
                   "system knows you are using the shared key method.\r");
    QTest::newRow("LEDs") << "LEDs" << "LED Indicators" << "LED Indicators"
        << QString("Normal Operations:\r"
                   "   Red LED       :  On indicates the Power Rallon is powered.\r"
                   "   Yellow LED 4:  (Closest to the Red LED) On indicates the Power Rallon is supplying 120 VAC on the switched outlet.\r"
                   "   Yellow LED 3:  On optional Relay #3 is on.\r"
                   "   Yellow LED 2:  On optional Relay #2 is on.\r"
                   "   Yellow LED 1:  On optional Relay #1 is on.\r"
                   "   Green LED    :  On indicates the Power Rallon is connected to the Master Controller over the network.\r"
                   "\r"
                   "Configuration Operations:\r"
                   "   Red LED      :  On indicates the Power Rallon is powered.\r"
                   "   Green LED    :\r"
                   "      -  Blinking twice per second:  Rallon is ready for configuration operations.\r"
                   "      -  Blinking much faster         :  Communication error.  To recover, press the toggle button on the front.");
    }
    void instructionTexts()
    {
        QFETCH(QString, item);
        QFETCH(QString, caption);
        QFETCH(QString, title);
        QFETCH(QString, text);
        auto *action = form->findChild<QAction *>(item);
        QVERIFY(action);
        QVERIFY(form->findChild<QMenu *>("INSTRUCTIONS")->actions().contains(action));
        QCOMPARE(action->text(), caption);

        action->trigger();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, title);
        QCOMPARE(messages[0].text.toLatin1(), text.toLatin1());
        QVERIFY(!messages[0].warning);
        QVERIFY(!splash->isVisible());

        // The real box: no icon, one OK, blanks and line breaks as held,
        // each line one line on screen.
        setMessageHook({});
        const SeenBox box = lookAtMessageBox([action] { action->trigger(); });
        QVERIFY(box.found);
        QVERIFY(box.closedByOk);
        QCOMPARE(box.title, title);
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.buttons, 1);
        QCOMPARE(box.format, Qt::PlainText);
        QCOMPARE(box.text, QString(text).replace('\r', '\n'));
        QVERIFY2(box.boxWidth <= box.screenWidth,
                 qPrintable(QString("%1 > %2").arg(box.boxWidth).arg(box.screenWidth)));
        QVERIFY2(box.widestLine <= box.label.width(),
                 qPrintable(QString("%1 > %2").arg(box.widestLine).arg(box.label.width())));
        const int needed = int(text.count('\r') + 1) * box.lineHeight;
        QVERIFY2(box.label.height() >= needed,
                 qPrintable(QString("%1 < %2").arg(box.label.height()).arg(needed)));
    }

    void aboutShowsSplashForItsTimeWhileWindowWorks()
    {
        QCOMPARE(AboutSeconds, 3.0f);  // what the program shows; timed here on AboutMs
        QElapsedTimer clock;
        VisibilityLog log(clock);
        splash->installEventFilter(&log);
        int messagesDuringAbout = -1;
        bool splashUpThen = false;
        QTimer::singleShot(AboutMs / 3, [&] {
            form->findChild<QAction *>("Connect")->trigger();
            messagesDuringAbout = messages.size();
            splashUpThen = splash->isVisible();
        });
        clock.start();
        form->findChild<QAction *>("ABOUT")->trigger();
        const qint64 returnedAt = clock.elapsed();

        QCOMPARE(log.shownAt.size(), 1);
        QVERIFY(log.shownAt[0] < AboutMs / 3);
        QCOMPARE(log.hiddenAt.size(), 1);
        QVERIFY2(log.hiddenAt[0] >= AboutMs && log.hiddenAt[0] < AboutMs + 800,
                 qPrintable(QString::number(log.hiddenAt[0])));
        QVERIFY(returnedAt >= log.hiddenAt[0]);
        QVERIFY(!splash->isVisible());
        QCOMPARE(messagesDuringAbout, 1);
        QVERIFY(splashUpThen);
        QCOMPARE(rallon::control<QLabel>(*splash, QStringLiteral("lblVersion"))->text(), QString("Version 0.0 Beta"));
    }

    void secondAboutKeepsSplashUpUntilItsTimeAfterIt()
    {
        QElapsedTimer clock;
        VisibilityLog log(clock);
        splash->installEventFilter(&log);
        bool upAfterFirstTime = false;
        qint64 secondClickedAt = -1, secondReturnedAt = -1;
        const int second = AboutMs / 2;
        // Measured from the click itself: a timer may fire a little early.
        QTimer::singleShot(second, Qt::PreciseTimer, [&] {
            secondClickedAt = clock.elapsed();
            form->findChild<QAction *>("ABOUT")->trigger();
            secondReturnedAt = clock.elapsed();
        });
        // Past the first click's time, before the second's ends.
        QTimer::singleShot(AboutMs + second * 2 / 3,
                           [&] { upAfterFirstTime = splash->isVisible(); });
        clock.start();
        form->findChild<QAction *>("ABOUT")->trigger();
        const qint64 firstReturnedAt = clock.elapsed();

        QVERIFY(upAfterFirstTime);
        QCOMPARE(log.hiddenAt.size(), 1);
        QVERIFY2(log.hiddenAt[0] >= secondClickedAt + AboutMs && log.hiddenAt[0] < second + AboutMs + 800,
                 qPrintable(QString("%1 %2").arg(log.hiddenAt[0]).arg(secondClickedAt)));
        QVERIFY(secondReturnedAt >= secondClickedAt + AboutMs);
        QVERIFY2(firstReturnedAt - secondReturnedAt < 300,
                 qPrintable(QString("%1 %2").arg(firstReturnedAt).arg(secondReturnedAt)));
        QVERIFY(!splash->isVisible());
    }
};

QTEST_MAIN(TestHelp)
#include "test_help.moc"
