// The start of the program as it runs: the splash window and its wait, the
// port selection window with its key filter and 1..25 check, the main
// window on the chosen port, the ends of the program (signals included); and
// Delay itself.

#include "Built.h"
#include "CommPortForm.h"
#include "Controls.h"
#include "Delay.h"
#include "OpenFailure.h"
#include "PortList.h"
#include "HookGuard.h"
#include "PortMapping.h"
#include "Program.h"
#include "PtyPeer.h"
#include "SplashForm.h"
#include "Startup.h"
#include "OffscreenScreens.h"
#include "UtilityForm.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QScreen>
#include <QWindow>
#include <QtTest>

#include <csignal>

#include <xcb/xcb.h>

using namespace rallon;
using namespace rallon::kit;

namespace {

// The text of X11 property `name` of `window`; empty when it is absent.
QByteArray x11Property(QWindow &window, const char *name)
{
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11->connection();
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, xcb_window_t(window.winId()), atom->atom,
                         XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
        nullptr);
    const QByteArray value(static_cast<const char *>(xcb_get_property_value(reply)),
                           xcb_get_property_value_length(reply));
    free(reply);
    free(atom);
    return value;
}

constexpr float ShortSplash = 0.3f;

// The port selection window's controls, by their object names.
QLineEdit *numberBox(const CommPortForm &form)
{
    return control<QLineEdit>(form, QStringLiteral("txtCOMMPORT_NO"));
}

QPushButton *button(const CommPortForm &form, const char *name)
{
    return control<QPushButton>(form, QLatin1String(name));
}

const QString InvalidPortTitle = QStringLiteral("COMM Port Selection");
const QString InvalidPortText = QStringLiteral(
    "An invlaid COMM Port has been selected\r\nPlease type a valid serial port for\r\n this "
    "computer or exit from the program.");

// How the program takes its display: it says there is none (one line, exit
// 1), runs on, or leaves the display to Qt, which ends it its own way.
enum class DisplayOutcome { NoneSaid, RunsOn, LeftToQt };

}  // namespace

Q_DECLARE_METATYPE(DisplayOutcome)

class TestStartup : public QObject {
    Q_OBJECT

public:
    // The windows as on a screen that holds them.
    static void initMain() { rallon::useOffscreenScreens(rallon::BigScreen); }

private:
    QList<Message> messages;
    int ends = 0;
    std::optional<HookGuard> hooks;
    QList<int> portsAsked;
    std::unique_ptr<PtyPeer> peer;

    // Start-up with a short splash, run up to the port selection window.
    std::unique_ptr<Startup> startAtPortWindow()
    {
        auto startup = std::make_unique<Startup>(ShortSplash);
        startup->run();
        return startup;
    }

    void done(Startup &startup, const QString &text)
    {
        numberBox(*startup.frmCOMMPORT())->setText(text);
        QTest::mouseClick(button(*startup.frmCOMMPORT(), "btnCOMMPORTDONE"), Qt::LeftButton);
    }

private slots:
    void init()
    {
        portsAsked.clear();
        peer = std::make_unique<PtyPeer>();
        QVERIFY(peer->isOpen());
        const QString path = peer->path();
        setPortMapping([this, path](int n) {
            portsAsked.append(n);
            return path;
        });
        hooks.emplace(messages, &ends);
    }
    void cleanup()
    {
        peer.reset();
        setPortMapping({});
        hooks.reset();
        for (int signal : {SIGINT, SIGTERM, SIGHUP})
            std::signal(signal, SIG_DFL);
    }

    // The start: the splash for its time (3 s as shipped) while events run,
    // then the port window.
    void splashForItsTimeThenPortWindow()
    {
        CommPortNumber = 7;
        QCOMPARE(Startup::SplashSeconds, 3.0f);  // what the program shows; timed here on a shorter one
        Startup startup(ShortSplash);
        QVERIFY(!startup.frmSplash1()->isVisible());
        QVERIFY(!startup.frmCOMMPORT()->isVisible());

        QElapsedTimer clock;
        int ticks = 0;
        bool splashUpMeanwhile = true, portWindowHiddenMeanwhile = true;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            ++ticks;
            splashUpMeanwhile = splashUpMeanwhile && startup.frmSplash1()->isVisible();
            portWindowHiddenMeanwhile =
                portWindowHiddenMeanwhile && !startup.frmCOMMPORT()->isVisible();
        });
        ticker.start(100);
        clock.start();
        startup.run();
        const qint64 waited = clock.elapsed();

        const int splashMs = int(ShortSplash * 1000);
        QVERIFY2(waited >= splashMs && waited < splashMs + 800, qPrintable(QString::number(waited)));
        QVERIFY2(ticks >= splashMs / 200, qPrintable(QString::number(ticks)));
        QVERIFY(splashUpMeanwhile);
        QVERIFY(portWindowHiddenMeanwhile);
        QCOMPARE(CommPortNumber, qint16(0));

        QVERIFY(!startup.frmSplash1()->isVisible());
        // Its version text fits the label, though the face runs wider.
        const QLabel *version = control<QLabel>(*startup.frmSplash1(), QStringLiteral("lblVersion"));
        QCOMPARE(version->text(), QString("Version 0.0 Beta"));
        QVERIFY(version->width() >= version->fontMetrics().horizontalAdvance(version->text()));

        QVERIFY(startup.frmCOMMPORT()->isVisible());
        QCOMPARE(numberBox(*startup.frmCOMMPORT())->text(), QString("1"));
        QTRY_COMPARE(QApplication::focusWidget(), numberBox(*startup.frmCOMMPORT()));
        QVERIFY(!startup.mainWindow());
        QVERIFY(messages.isEmpty());
        QCOMPARE(ends, 0);
    }

    // No title text in any property; under xcb (its own CTest run under
    // Xvfb) Qt would put the program's name into _NET_WM_NAME.
    void splashWindowHasNoTitle()
    {
        SplashForm splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QVERIFY(splash.windowTitle().isEmpty());
        QVERIFY(splash.windowHandle()->title().isEmpty());
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        for (const char *name : {"_NET_WM_NAME", "WM_NAME", "_NET_WM_ICON_NAME", "WM_ICON_NAME"})
            QVERIFY2(x11Property(*splash.windowHandle(), name).isEmpty(), name);
        QVERIFY(!x11Property(*splash.windowHandle(), "WM_CLASS").isEmpty());  // properties are read
    }

    void portWindowFrameTabOrderAndNoDefaultButton()
    {
        CommPortForm form;
        QCOMPARE(form.objectName(), QString("frmCOMMPORT"));
        QCOMPARE(form.windowTitle(), QString("COMM PORT SELECTION"));
        QCOMPARE(form.minimumSize(), QSize(312, 213));
        QCOMPARE(form.maximumSize(), QSize(312, 213));
        QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(form.geometry().center(), QGuiApplication::primaryScreen()->geometry().center());

        QLineEdit *box = numberBox(form);
        QList<QWidget *> tabOrder{box};
        for (QWidget *w = box->nextInFocusChain(); w != box; w = w->nextInFocusChain()) {
            if (w->focusPolicy() & Qt::TabFocus)
                tabOrder.append(w);
        }
        QCOMPARE(tabOrder, (QList<QWidget *>{box, button(form, "btnCOMMPORTDONE"), button(form, "btnEXIT")}));

        // DONE is not the default button: Enter on it does nothing.
        QSignalSpy chosen(&form, &CommPortForm::portChosen);
        QTest::keyClick(button(form, "btnCOMMPORTDONE"), Qt::Key_Return);
        QTest::keyClick(button(form, "btnCOMMPORTDONE"), Qt::Key_Enter);
        QCOMPARE(chosen.count(), 0);
        QVERIFY(messages.isEmpty());

        // Hovering the number box lists the ports present, as rallon-cli ports does.
        QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(box, &hover);
        QCOMPARE(box->toolTip(), "Serial ports on this computer, with the number to type:\n"
                                     + rallon::portListText(rallon::presentPorts()));
    }

    void keyFilterLetsOnlyDigitsAndBackspaceThrough()
    {
        CommPortForm form;
        QLineEdit *box = numberBox(form);
        QSignalSpy chosen(&form, &CommPortForm::portChosen);
        QCOMPARE(box->text(), QString("1"));
        box->end(false);

        QTest::keyClicks(box, "aZ+-.,/ ");
        QTest::keyClick(box, Qt::Key_Space);
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Enter);
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(box->text(), QString("1"));
        QCOMPARE(chosen.count(), 0);  // Enter pressed no button either

        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QString(""));
        QTest::keyClicks(box, "123");
        QCOMPARE(box->text(), QString("12"));  // a third digit is refused
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, "x9");
        QCOMPARE(box->text(), QString("19"));

        // Text that is not typed obeys the same rule.
        box->clear();
        box->insert("4a");
        QCOMPARE(box->text(), QString(""));
    }

    void outOfRangeNumbersAreRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("26") << "26" << 26;
        QTest::newRow("99") << "99" << 99;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("00") << "00" << 0;
    }
    void outOfRangeNumbersAreRefused()
    {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        auto startup = startAtPortWindow();
        done(*startup, typed);

        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, InvalidPortTitle);
        QCOMPARE(messages[0].text, InvalidPortText);
        QVERIFY(messages[0].warning);
        QCOMPARE(CommPortNumber, qint16(stored));
        QVERIFY(startup->frmCOMMPORT()->isVisible());
        QCOMPARE(numberBox(*startup->frmCOMMPORT())->text(), typed);
        QVERIFY(!startup->mainWindow());
        QVERIFY(portsAsked.isEmpty());
        QCOMPARE(ends, 0);

        // A later DONE with a valid number goes on.
        done(*startup, "3");
        QCOMPARE(messages.size(), 1);
        QVERIFY(startup->mainWindow());
        QCOMPARE(portsAsked, QList<int>{3});
    }

    void validNumberOpensMainWindowOnThatPort_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("port");
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("25") << "25" << 25;
        QTest::newRow("07") << "07" << 7;
    }
    void validNumberOpensMainWindowOnThatPort()
    {
        QFETCH(QString, typed);
        QFETCH(int, port);
        auto startup = startAtPortWindow();
        done(*startup, typed);

        QVERIFY(messages.isEmpty());
        QCOMPARE(CommPortNumber, qint16(port));
        QCOMPARE(portsAsked, QList<int>{port});
        QVERIFY(!startup->frmCOMMPORT()->isVisible());
        QVERIFY(!startup->frmSplash1()->isVisible());
        UtilityForm *form = startup->mainWindow();
        QVERIFY(form);
        QVERIFY(form->isVisible());
        QVERIFY(form->session().isOpen());
        QCOMPARE(form->deviceKind(), DeviceKind::Unknown);
        QCOMPARE(ends, 0);

        // The opened port is the pseudo-terminal: a request reaches it.
        QTest::mouseClick(control<QPushButton>(*form, "GetCurrentDataCommand"), Qt::LeftButton);
        QTRY_COMPARE(peer->received().left(4), QByteArray("CFG?"));
    }

    void portThatCannotBeOpenedEndsTheProgram()
    {
        setPortMapping([this](int n) {
            portsAsked.append(n);
            return QStringLiteral("/nonexistent/ttyRallon");
        });
        auto startup = startAtPortWindow();
        done(*startup, "2");

        QCOMPARE(portsAsked, QList<int>{2});
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, QString("Communication Error"));
        QCOMPARE(ends, 1);
        QVERIFY(startup->mainWindow());
        QVERIFY(!startup->mainWindow()->isVisible());
        QVERIFY(!startup->frmCOMMPORT()->isVisible());
    }

    void endSignalClosesThePortAndEnds_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("SIGINT") << SIGINT;
    }
    void endSignalClosesThePortAndEnds()
    {
        QFETCH(int, signal);
        auto startup = startAtPortWindow();
        QVERIFY(startup->endOnSignals());
        done(*startup, "1");
        UtilityForm *form = startup->mainWindow();
        QVERIFY(form && form->isVisible() && form->session().isOpen());
        const QString lock = existingLockFile(peer->path());
        QVERIFY(!lock.isEmpty());

        QCOMPARE(::raise(signal), 0);
        QTRY_COMPARE(ends, 1);
        QVERIFY(!form->session().isOpen());
        QVERIFY(!form->isVisible());
        QVERIFY2(!QFileInfo::exists(lock), qPrintable(lock));
    }

    void exitAndCloseBoxEndTheProgram_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("EXIT") << false;
        QTest::newRow("close box") << true;
    }
    void exitAndCloseBoxEndTheProgram()
    {
        QFETCH(bool, closeBox);
        auto startup = startAtPortWindow();
        CommPortForm *window = startup->frmCOMMPORT();
        if (closeBox)
            QVERIFY(window->close());
        else
            QTest::mouseClick(button(*window, "btnEXIT"), Qt::LeftButton);

        QCOMPARE(ends, 1);
        QVERIFY(!window->isVisible());
        QVERIFY(!startup->mainWindow());
        QVERIFY(messages.isEmpty());
        QVERIFY(portsAsked.isEmpty());
    }

    // The program itself without a display: one line naming the command line
    // and the virtual device, and exit 1 instead of Qt's abort. The offscreen
    // platform counts as a display; so do a Wayland session and Qt's own
    // -platform and -display options, which are left to Qt.
    void withoutADisplayOneLineAndExit1_data()
    {
        QTest::addColumn<QStringList>("environment");  // DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM removed first
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<DisplayOutcome>("outcome");
        using Outcome = DisplayOutcome;
        QTest::newRow("none set") << QStringList{} << QStringList{} << Outcome::NoneSaid;
        QTest::newRow("xcb without DISPLAY") << QStringList{"QT_QPA_PLATFORM=xcb"} << QStringList{} << Outcome::NoneSaid;
        QTest::newRow("no X server") << QStringList{"DISPLAY=:4242"} << QStringList{} << Outcome::NoneSaid;
        QTest::newRow("offscreen") << QStringList{"QT_QPA_PLATFORM=offscreen"} << QStringList{} << Outcome::RunsOn;
        QTest::newRow("Wayland without DISPLAY")
            << QStringList{"WAYLAND_DISPLAY=rallon-no-compositor"} << QStringList{} << Outcome::LeftToQt;
        QTest::newRow("-platform") << QStringList{} << QStringList{"-platform", "offscreen"} << Outcome::RunsOn;
        QTest::newRow("--platform") << QStringList{} << QStringList{"--platform", "offscreen"} << Outcome::RunsOn;
        QTest::newRow("-display") << QStringList{} << QStringList{"-display", ":4242"} << Outcome::LeftToQt;
        QTest::newRow("--display") << QStringList{} << QStringList{"--display", ":4242"} << Outcome::LeftToQt;
    }
    void withoutADisplayOneLineAndExit1()
    {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, arguments);
        QFETCH(DisplayOutcome, outcome);
        const bool ends = outcome != DisplayOutcome::RunsOn;
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            variables.remove(QLatin1String(name));
        for (const QString &setting : environment)
            variables.insert(setting.section('=', 0, 0), setting.section('=', 1));
        QProcess program;
        program.setProcessEnvironment(variables);
        program.start(built(RALLON_CONFIG_PATH), arguments);
        // Offscreen, the splash waits its three seconds.
        QCOMPARE(program.waitForFinished(ends ? 10000 : 1500), ends);
        if (!ends) {
            program.kill();
            program.waitForFinished();
            return;
        }
        const QByteArray said = program.readAllStandardError();
        if (outcome == DisplayOutcome::LeftToQt) {
            QVERIFY2(!said.contains("rallon-sim"), said);
            return;
        }
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        const QList<QByteArray> lines = said.split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].contains("rallon-cli") && lines[0].contains("rallon-sim"), lines[0]);
    }

    void delayWaitsWhileServingEvents()
    {
        QElapsedTimer clock;
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(20);
        clock.start();
        Delay(0.5f);
        const qint64 waited = clock.elapsed();
        QVERIFY2(waited >= 500 && waited < 900, qPrintable(QString::number(waited)));
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));

        // A wait that is already over serves nothing.
        bool served = false;
        QTimer::singleShot(0, [&] { served = true; });
        Delay(0);
        Delay(-1);
        QVERIFY(!served);
        QTRY_VERIFY(served);
    }

    void nestedDelaysEachWaitTheirOwnTime()
    {
        QElapsedTimer clock;
        qint64 innerEnd = -1;
        clock.start();
        QTimer::singleShot(100, [&] {
            Delay(0.2f);
            innerEnd = clock.elapsed();
        });
        Delay(0.6f);
        const qint64 outerEnd = clock.elapsed();
        QVERIFY2(innerEnd >= 300 && innerEnd < 550, qPrintable(QString::number(innerEnd)));
        QVERIFY2(outerEnd >= 600 && outerEnd < 900, qPrintable(QString::number(outerEnd)));

        // An inner wait that outlasts the outer one holds the outer one up.
        clock.restart();
        QTimer::singleShot(100, [&] {
            Delay(0.5f);
            innerEnd = clock.elapsed();
        });
        Delay(0.2f);
        const qint64 heldEnd = clock.elapsed();
        QVERIFY2(innerEnd >= 600 && heldEnd >= innerEnd && heldEnd < 900,
                 qPrintable(QString("%1 %2").arg(innerEnd).arg(heldEnd)));
    }

    // When the program ends during a wait, the wait stops at once.
    void delayStopsWhenTheApplicationQuits()
    {
        QElapsedTimer clock;
        qint64 returnedAfter = -1;
        QTimer::singleShot(0, [&] {
            clock.start();
            Delay(2);
            returnedAfter = clock.elapsed();
        });
        QTimer::singleShot(200, [] { QCoreApplication::exit(0); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY2(returnedAfter >= 190 && returnedAfter < 1000,
                 qPrintable(QString::number(returnedAfter)));
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
