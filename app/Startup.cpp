#include "Startup.h"

#include "CommPortForm.h"
#include "Delay.h"
#include "EndSignals.h"
#include "HelpAbout.h"
#include "Program.h"
#include "SplashForm.h"
#include "UtilityForm.h"

using namespace rallon::kit;

Startup::Startup(float splashSeconds, QObject *parent)
    : QObject(parent),
      m_splashSeconds(splashSeconds),
      m_splash(std::make_unique<SplashForm>()),
      m_commPort(std::make_unique<CommPortForm>())
{
    connect(m_commPort.get(), &CommPortForm::portChosen, this, &Startup::openMainWindow);
}

// The main window goes first: its HELP menu refers to the splash window.
Startup::~Startup()
{
    m_main.reset();
    m_commPort.reset();
    m_splash.reset();
}

void Startup::run()
{
    CommPortNumber = 0;
    m_splash->show();
    Delay(m_splashSeconds);
    m_splash->hide();
    m_commPort->show();
    m_commPort->activateWindow();
    m_commPort->focusNumber();
}

bool Startup::endOnSignals()
{
    return rallon::system::onEndSignals(this, [this](int) {
        if (m_main)
            m_main->close();
        else
            rallon::kit::endProgram();
    });
}

void Startup::openMainWindow(int commPortNumber)
{
    if (m_main)
        return;
    m_main = std::make_unique<UtilityForm>();
    attachHelp(*m_main, *m_splash);
    // A port that cannot be opened has ended the program by now.
    if (m_main->Load(commPortNumber))
        m_main->show();
}
