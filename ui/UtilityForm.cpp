#include "UtilityForm.h"

#include "BenchWindowTexts.h"
#include "MainWindowRows.h"
#include "MainWindowTexts.h"
#include "Program.h"
#include "Style.h"
#include "WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>

using namespace rallon::kit;

namespace mainwindow_text = rallon::mainwindow_text;
using rallon::setTextOf;
using rallon::textOf;

UtilityForm::UtilityForm(QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                              | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                              | Qt::WindowCloseButtonHint),
      ui(rallon::buildMainWindow(*this, [this](QLineEdit *box, rallon::AddressBox which) {
          checkOctets(box, which);
      })),
      m_newData(ui.entry, [this](bool sharedKey, const QStringList &keyTexts) {
          applyPasswordLayout(sharedKey);
          if (!keyTexts.isEmpty())
              frmPASSKEY()->setKeyTexts(keyTexts);
      }),
      m_fileActions(*this, m_newData, m_exchange)
{
    // The client area has one size: the window cannot be resized.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    resetCurrentData();
    applyPasswordLayout(false);
    placeWindow();
    // A screen too small for the window scrolls its client area.
    fitToScreen(*this, *centralWidget());

    connect(ui.btnPASS_SHARED, &QPushButton::clicked, this, [this] { applyPasswordLayout(!m_sharedKeyMode); });
    connect(ui.btnHEX_SELECT, &QPushButton::clicked, this, &UtilityForm::showKeyEntryWindow);
    connect(ui.GetCurrentDataCommand, &QPushButton::clicked, this, [this] {
        if (portIsFree())
            m_exchange.retrieve();
    });
    connect(ui.ChangeConfigCommand, &QPushButton::clicked, this, [this] {
        if (portIsFree())
            m_exchange.change(changeSnapshot());
    });
    // A click on CHANGE leaves the focus where it is: the upload then checks
    // the address being typed instead of the octet check emptying it in the
    // middle of the click, which would upload the device's old address.
    ui.ChangeConfigCommand->setFocusPolicy(Qt::TabFocus);
    connect(&m_exchange, &rallon::DeviceExchange::changeChecked, this, &UtilityForm::showChangeChecked);
    connect(&m_exchange, &rallon::DeviceExchange::recordDecoded, this, &UtilityForm::showRecord);
    connect(&m_exchange, &rallon::DeviceExchange::timedOut, this, &UtilityForm::replyTimedOut);
    connect(ui.SAVE_CONFIG, &QAction::triggered, this, [this] { m_fileActions.saveConfiguration(); });
    connect(ui.OPEN_CONFIG, &QAction::triggered, this, [this] { m_fileActions.openConfiguration(); });
    connect(ui.PROVISION_DEVICES, &QAction::triggered, this, &UtilityForm::showBenchWindow);
    connect(this, &UtilityForm::recordShown, this, [this] {
        ui.SAVE_CONFIG->setEnabled(true);
        ui.OPEN_CONFIG->setEnabled(true);
    });
    ui.GetCurrentDataCommand->setFocus();
}

// A focused box loses the focus when the window's controls are deleted; take
// it away while the window is whole, and without the octet check.
UtilityForm::~UtilityForm()
{
    m_unloading = true;
    QWidget *focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused))
        focused->clearFocus();
}

// Client area (below the menu bar) 45 twips from the left and 615 twips
// from the top of the screen.
void UtilityForm::placeWindow()
{
    layout()->activate();
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QPoint origin = screen ? screen->availableGeometry().topLeft() : QPoint();
    const int top = qMax(0, twips(615) - menuBar()->sizeHint().height());
    setGeometry(QRect(origin + QPoint(twips(45), top), size()));
}

void UtilityForm::applyPasswordLayout(bool sharedKey)
{
    m_sharedKeyMode = sharedKey;
    rallon::placePasswordRow(ui, sharedKey);
}

void UtilityForm::resetCurrentData()
{
    for (int i = 0; i < rallon::SettingCount; ++i)
        setTextOf(ui.current[size_t(i)], rallon::placeholder::of(rallon::Setting(i)));
}

PassKeyForm *UtilityForm::frmPASSKEY()
{
    if (m_passKeyForm.isNull())
        m_passKeyForm = new PassKeyForm(this);
    return m_passKeyForm;
}

bool UtilityForm::Load(int commPortNumber)
{
    m_portNumber = commPortNumber;
    resetCurrentData();
    if (!m_exchange.open(commPortNumber)) {
        qWarning().noquote() << "rallon-config:" << session().errorString();
        showMessage(this, mainwindow_text::PortError);
        endProgram();
        return false;
    }
    return true;
}

rallon::ChangeSnapshot UtilityForm::changeSnapshot()
{
    rallon::ChangeSnapshot snap;
    snap.deviceKind = deviceKind();
    snap.sharedKeyLayout = !ui.btnHEX_SELECT->isHidden();
    for (int i = 0; i < rallon::SettingCount; ++i)
        snap.current.texts[size_t(i)] = textOf(ui.current[size_t(i)]);
    snap.entered = m_newData.entered();
    if (snap.sharedKeyLayout)
        snap.keyTexts = frmPASSKEY()->keyTexts();
    return snap;
}

void UtilityForm::showChangeChecked(const rallon::ChangeResult &result)
{
    using rallon::Setting;
    if (result.currentEncryptionText)
        setTextOf(ui.currentBox(Setting::Encryption), *result.currentEncryptionText);
    if (result.currentPasswordText)
        setTextOf(ui.currentBox(Setting::Password), *result.currentPasswordText);
    if (result.newPasswordText)
        std::get<MultiLineTextBox *>(ui.entry[size_t(Setting::Password)])->setText(*result.newPasswordText);
    if (result.refusal)
        showMessage(this, *result.refusal);
    else
        resetCurrentData();
}

void UtilityForm::checkOctets(QLineEdit *box, rallon::AddressBox which)
{
    if (m_unloading)
        return;
    const rallon::OctetFault fault = rallon::octetFault(box->text());
    if (fault == rallon::OctetFault::None)
        return;
    box->clear();
    showMessage(this, mainwindow_text::octetMessage(which, fault));
    box->setFocus(Qt::OtherFocusReason);
}

void UtilityForm::showKeyEntryWindow()
{
    PassKeyForm *window = frmPASSKEY();
    window->show();
    window->raise();
    window->activateWindow();
}

void UtilityForm::showRecord(const rallon::RecordDisplay &shown)
{
    using rallon::Setting;
    const bool wireless = shown.deviceKind == rallon::DeviceKind::Wireless;
    for (QWidget *control : std::initializer_list<QWidget *>{
             ui.entryControl(Setting::Ssid), ui.entryControl(Setting::Encryption),
             ui.entryControl(Setting::Password), ui.btnPASS_SHARED})
        control->setEnabled(wireless);

    for (int i = 0; i < rallon::SettingCount; ++i)
        setTextOf(ui.current[size_t(i)], shown.current.texts[size_t(i)]);
    applyPasswordLayout(shown.sharedKey);
    frmPASSKEY()->setKeyTexts(shown.keyBoxes);
    ui.txtSN->setText(shown.serialNumber);
    emit recordShown();
}

void UtilityForm::replyTimedOut()
{
    resetCurrentData();
    ui.txtSN->setText(rallon::placeholder::SerialNumber);
    frmPASSKEY()->setKeyTexts(QStringList(PassKeyForm::KeyCount, rallon::placeholder::KeyOctet));
    showMessage(this, mainwindow_text::NoCommunication);
}

rallon::BenchWindow *UtilityForm::benchWindow()
{
    if (m_benchWindow.isNull()) {
        m_benchWindow = new rallon::BenchWindow(m_portNumber, session().replyTimeoutMs(), this);
        // The loop opens the port by its number; the window lets it go
        // meanwhile and takes it again after.
        connect(m_benchWindow, &rallon::BenchWindow::runStarting, this, [this] { m_exchange.close(); });
        connect(m_benchWindow, &rallon::BenchWindow::runEnded, this, [this] {
            if (!m_exchange.open(m_portNumber))
                qWarning().noquote() << "rallon-config:" << session().errorString();
        });
    }
    return m_benchWindow;
}

void UtilityForm::showBenchWindow()
{
    rallon::BenchWindow *bench = benchWindow();
    bench->show();
    bench->raise();
    bench->activateWindow();
}

bool UtilityForm::portIsFree()
{
    if (m_benchWindow.isNull() || !m_benchWindow->isRunning())
        return true;
    showMessage(this, rallon::benchwindow_text::Busy);
    return false;
}

void UtilityForm::closeEvent(QCloseEvent *event)
{
    // A bench run ends between steps first; the window closes after it.
    if (!m_benchWindow.isNull() && m_benchWindow->isRunning()) {
        event->ignore();
        m_benchWindow->stopThen([this] { close(); });
        return;
    }
    m_exchange.close();
    event->accept();
    hide();
    endProgram();
}
