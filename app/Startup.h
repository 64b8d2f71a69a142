#pragma once

// The start of the program: the splash window for a while, then the port
// selection window, then the main window on the chosen port.

#include <QObject>

#include <memory>

class CommPortForm;
class SplashForm;
class UtilityForm;

class Startup : public QObject
{
    Q_OBJECT
public:
    static constexpr float SplashSeconds = 3;

    // Owns the three windows for the rest of the run.
    explicit Startup(float splashSeconds = SplashSeconds, QObject *parent = nullptr);
    ~Startup() override;

    // Sets CommPortNumber to 0, shows the splash window for splashSeconds
    // (events served meanwhile), hides it and shows the port selection
    // window. Returns then; DONE with a valid number opens the main window.
    void run();

    // SIGTERM, SIGHUP and SIGINT end the program as closing the main window
    // does (port closed, its lock file removed); before the main window is
    // open, as EXIT does. False when the handlers cannot be installed.
    bool endOnSignals();

    SplashForm *frmSplash1() const { return m_splash.get(); }
    CommPortForm *frmCOMMPORT() const { return m_commPort.get(); }
    // Null until a valid DONE.
    UtilityForm *mainWindow() const { return m_main.get(); }

private:
    void openMainWindow(int commPortNumber);

    float m_splashSeconds;
    std::unique_ptr<SplashForm> m_splash;
    std::unique_ptr<CommPortForm> m_commPort;
    std::unique_ptr<UtilityForm> m_main;
};
