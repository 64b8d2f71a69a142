#include "UtilityForm.h"

#include "Artwork.h"
#include "ConfigRecord.h"
#include "Program.h"
#include "Retrieve.h"
#include "SessionTexts.h"
#include "Style.h"

#include <QCloseEvent>

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>

namespace {

// Row tops of the settings table.
constexpr int RowIp = 1320, RowMask = 1800, RowGateway = 2280, RowPort = 2760,
              RowSsid = 3240, RowEncryption = 3720, RowPassword = 4200,
              RowCom1Baud = 5160, RowCom1DataBits = 5640, RowCom1Parity = 6120,
              RowCom1StopBits = 6600, RowCom2Baud = 7080, RowCom2DataBits = 7560,
              RowCom2Parity = 8040, RowCom2StopBits = 8520;

constexpr int CurrentLeft = 4440, NewLeft = 8640, ValueWidth = 3375;
constexpr int ValueHeight = 450, PasswordHeight = 930;
constexpr int OutOfSight = 13800;

constexpr qreal CaptionPoints = 12, ValuePoints = 14.25, SsidPoints = 12, PasswordPoints = 11.25;

template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, const QRect &rect,
                  const QFont &font)
{
    auto *label = named(new QLabel(text, parent), name);
    label->setGeometry(rect);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::HighlightedText));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    return label;
}

QLabel *makeCaption(QWidget *parent, const char *name, const QString &text, int left, int width,
                    int rowTop)
{
    return makeLabel(parent, name, text, twipsRect(left, rowTop + 120, width, 255),
                     monoFont(CaptionPoints));
}

QLineEdit *makeTextBox(QWidget *parent, const char *name, const QRect &rect, qreal points)
{
    auto *box = named(new QLineEdit(parent), name);
    box->setGeometry(rect);
    box->setFont(monoFont(points));
    box->setAlignment(Qt::AlignCenter);
    return box;
}

// A disabled box that only shows text: the text keeps the normal text
// colour so that it stays readable.
void makeDisplayOnly(QWidget *box)
{
    box->setEnabled(false);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, palette.color(QPalette::Active, QPalette::Text));
    box->setPalette(palette);
}

QLineEdit *makeCurrentBox(QWidget *parent, const char *name, int rowTop,
                          qreal points = ValuePoints)
{
    auto *box = makeTextBox(parent, name, twipsRect(CurrentLeft, rowTop, ValueWidth, ValueHeight),
                            points);
    makeDisplayOnly(box);
    return box;
}

QLineEdit *makeNewBox(QWidget *parent, const char *name, int rowTop, int maxLength,
                      qreal points = ValuePoints)
{
    auto *box = makeTextBox(parent, name, twipsRect(NewLeft, rowTop, ValueWidth, ValueHeight),
                            points);
    box->setMaxLength(maxLength);
    return box;
}

QComboBox *makeList(QWidget *parent, const char *name, int rowTop, rallon::SettingList list)
{
    auto *combo = named(new QComboBox(parent), name);
    combo->setGeometry(twipsRect(NewLeft, rowTop, ValueWidth, ValueHeight));
    combo->setFont(monoFont(ValuePoints));
    combo->setEditable(false);
    combo->addItems(rallon::listItems(list));
    combo->setCurrentIndex(-1);
    rallon::refuseTypedChoice(combo);
    return combo;
}

MultiLineTextBox *makePasswordBox(QWidget *parent, const char *name, int left)
{
    auto *box = named(new MultiLineTextBox(parent), name);
    box->setGeometry(twipsRect(left, RowPassword, ValueWidth, PasswordHeight));
    box->setFont(monoFont(PasswordPoints));
    return box;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text, const QRect &rect,
                        qreal points)
{
    auto *button = named(new WrapButton(text, parent), name);
    button->setGeometry(rect);
    button->setFont(monoFont(points));
    return button;
}

}  // namespace

UtilityForm::UtilityForm(QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                              | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                              | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("UtilityForm"));
    setWindowTitle(QStringLiteral("Tarvex Power Rallon Configuration Utility"));
    setWindowIcon(artwork::windowIcon());

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("UtilityFormClient"));
    client->setFixedSize(twips(13125), twips(10560));
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, Qt::white);
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    setCentralWidget(client);

    buildMenu();
    buildHeadings();
    buildRows();
    buildPasswordRow();
    buildBottom();
    setTabOrderChain();
    nameForAccessibility();

    // Labels and the picture lie beneath the other controls where they meet.
    for (QLabel *label : centralWidget()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        label->lower();

    // The client area has one size: the window cannot be resized.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    resetCurrentData();
    applyPasswordLayout(false);
    placeWindow();

    using rallon::EntryRule;
    using rallon::AddressBox;
    const std::pair<QLineEdit *, AddressBox> addressBoxes[] = {
        {NewIPAddressTextBox, AddressBox::Ip},
        {NewSubnetMaskTextBox, AddressBox::Mask},
        {NewDefaultGatewayTextBox, AddressBox::Gateway}};
    for (const auto &[box, which] : addressBoxes) {
        rallon::applyEntryRule(box, EntryRule::Address);
        rallon::onFocusLost(box, [this, box = box, which = which] { checkOctets(box, which); });
    }
    rallon::applyEntryRule(NewPrimaryPortTextBox, EntryRule::Port);
    rallon::applyEntryRule(NewPasswordTextBox, EntryRule::Password);
    rallon::applyEntryRule(CurrentPasswordTextBox, EntryRule::Nothing);

    connect(btnPASS_SHARED, &QPushButton::clicked, this, [this] { applyPasswordLayout(!SharedKeyMode); });
    connect(btnHEX_SELECT, &QPushButton::clicked, this, &UtilityForm::showKeyEntryWindow);
    connect(GetCurrentDataCommand, &QPushButton::clicked, this, &UtilityForm::requestConfiguration);
    connect(ChangeConfigCommand, &QPushButton::clicked, this, &UtilityForm::changeConfiguration);
    // A click on CHANGE leaves the focus where it is: the upload then checks
    // the address being typed instead of the octet check emptying it in the
    // middle of the click, which would upload the device's old address.
    ChangeConfigCommand->setFocusPolicy(Qt::TabFocus);
    connect(&m_session, &rallon::SerialSession::recordReceived, this,
            &UtilityForm::ParseConfigurationRecord);
    connect(&m_session, &rallon::SerialSession::replyTimedOut, this, &UtilityForm::replyTimedOut);
    GetCurrentDataCommand->setFocus();
}

void UtilityForm::buildMenu()
{
    HELP_MENU = named(menuBar()->addMenu(QStringLiteral("HELP")), "HELP_MENU");
    ABOUT = named(HELP_MENU->addAction(QStringLiteral("ABOUT")), "ABOUT");
    INSTRUCTIONS = named(HELP_MENU->addMenu(QStringLiteral("INSTRUCTIONS")), "INSTRUCTIONS");
    Connect = named(INSTRUCTIONS->addAction(QStringLiteral("How to Connect")), "Connect");
    Start = named(INSTRUCTIONS->addAction(QStringLiteral("How to Start")), "Start");
    Enter = named(INSTRUCTIONS->addAction(QStringLiteral("Entering Data")), "Enter");
    PassKey = named(INSTRUCTIONS->addAction(QStringLiteral("PassWord - Shared Key Entry")), "PassKey");
    LEDs = named(INSTRUCTIONS->addAction(QStringLiteral("LED Indicators")), "LEDs");
}

void UtilityForm::buildHeadings()
{
    QWidget *client = centralWidget();
    QFont titleFont = monoFont(24);
    titleFont.setItalic(true);
    TarvexRallonLabel = makeLabel(client, "TarvexRallonLabel",
                                  QStringLiteral("TARVEX POWER RALLON CONFIGURATION"),
                                  twipsRect(360, 120, 12255, 615), titleFont);
    QPalette palette = TarvexRallonLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    TarvexRallonLabel->setPalette(palette);

    CurrentDataLabel = makeLabel(client, "CurrentDataLabel", QStringLiteral("CURRENT DATA"),
                                 twipsRect(4920, 840, 2415, 375), monoFont(14.25));
    ChangeDataLabel = makeLabel(client, "ChangeDataLabel", QStringLiteral("NEW DATA"),
                                twipsRect(9120, 840, 2415, 375), monoFont(14.25));
}

void UtilityForm::buildRows()
{
    using rallon::SettingList;
    QWidget *c = centralWidget();

    // Caption column: three groups with their own Left and Width.
    const int addrLeft = 600, addrWidth = 2415;
    const int midLeft = 720, midWidth = 2415;
    const int commLeft = 0, commWidth = 3975;

    IPAddressLabel = makeCaption(c, "IPAddressLabel", QStringLiteral("IP ADDRESS"), addrLeft, addrWidth, RowIp);
    SubnetMaskLabel = makeCaption(c, "SubnetMaskLabel", QStringLiteral("SUBNET MASK"), addrLeft, addrWidth, RowMask);
    DefaultGatewayLabel = makeCaption(c, "DefaultGatewayLabel", QStringLiteral("DEFAULT GATEWAY"), addrLeft, addrWidth, RowGateway);
    PrimaryPortLabel = makeCaption(c, "PrimaryPortLabel", QStringLiteral("PRIMARY PORT"), midLeft, midWidth, RowPort);
    lblSSID = makeCaption(c, "lblSSID", QStringLiteral("SSID"), midLeft, midWidth, RowSsid);
    lbEncryption = makeCaption(c, "lbEncryption", QStringLiteral("ENCRYPTION"), midLeft, midWidth, RowEncryption);
    Com1BaudLabel = makeCaption(c, "Com1BaudLabel", QStringLiteral("COMM 1 BAUD"), commLeft, commWidth, RowCom1Baud);
    Com1DataBitsLabel = makeCaption(c, "Com1DataBitsLabel", QStringLiteral("COMM 1 DATA BITS"), commLeft, commWidth, RowCom1DataBits);
    Com1ParityTextBox = makeCaption(c, "Com1ParityTextBox", QStringLiteral("COMM 1 PARITY"), commLeft, commWidth, RowCom1Parity);
    Com1StopBitsLabel = makeCaption(c, "Com1StopBitsLabel", QStringLiteral("COMM 1 STOP BITS"), commLeft, commWidth, RowCom1StopBits);
    Com2BaudLabel = makeCaption(c, "Com2BaudLabel", QStringLiteral("COMM 2 BAUD"), commLeft, commWidth, RowCom2Baud);
    Com2DataBitsLabel = makeCaption(c, "Com2DataBitsLabel", QStringLiteral("COMM 2 DATA BITS"), commLeft, commWidth, RowCom2DataBits);
    Com2ParityTextBox = makeCaption(c, "Com2ParityTextBox", QStringLiteral("COMM 2 PARITY"), commLeft, commWidth, RowCom2Parity);
    Com2StopBitsLabel = makeCaption(c, "Com2StopBitsLabel", QStringLiteral("COMM 2 STOP BITS"), commLeft, commWidth, RowCom2StopBits);

    CurrentIPAddressTextBox = makeCurrentBox(c, "CurrentIPAddressTextBox", RowIp);
    CurrentSubnetMaskTextBox = makeCurrentBox(c, "CurrentSubnetMaskTextBox", RowMask);
    CurrentDefaultGatewayTextBox = makeCurrentBox(c, "CurrentDefaultGatewayTextBox", RowGateway);
    CurrentPrimaryPortTextBox = makeCurrentBox(c, "CurrentPrimaryPortTextBox", RowPort);
    txtCurrentSSID = makeCurrentBox(c, "txtCurrentSSID", RowSsid, SsidPoints);
    txCurrentEncryptionType = makeCurrentBox(c, "txCurrentEncryptionType", RowEncryption);
    CurrentCom1BaudTextBox = makeCurrentBox(c, "CurrentCom1BaudTextBox", RowCom1Baud);
    CurrentCom1DataBitsTextBox = makeCurrentBox(c, "CurrentCom1DataBitsTextBox", RowCom1DataBits);
    CurrentCom1ParityTextBox = makeCurrentBox(c, "CurrentCom1ParityTextBox", RowCom1Parity);
    CurrentCom1StopBitTextBox = makeCurrentBox(c, "CurrentCom1StopBitTextBox", RowCom1StopBits);
    CurrentCom2BaudTextBox = makeCurrentBox(c, "CurrentCom2BaudTextBox", RowCom2Baud);
    CurrentCom2DataBitsTextBox = makeCurrentBox(c, "CurrentCom2DataBitsTextBox", RowCom2DataBits);
    CurrentCom2ParityTextBox = makeCurrentBox(c, "CurrentCom2ParityTextBox", RowCom2Parity);
    CurrentCom2StopBitTextBox = makeCurrentBox(c, "CurrentCom2StopBitTextBox", RowCom2StopBits);

    NewIPAddressTextBox = makeNewBox(c, "NewIPAddressTextBox", RowIp, 15);
    NewSubnetMaskTextBox = makeNewBox(c, "NewSubnetMaskTextBox", RowMask, 15);
    NewDefaultGatewayTextBox = makeNewBox(c, "NewDefaultGatewayTextBox", RowGateway, 15);
    NewPrimaryPortTextBox = makeNewBox(c, "NewPrimaryPortTextBox", RowPort, 5);
    txtNewSSID = makeNewBox(c, "txtNewSSID", RowSsid, 21, SsidPoints);
    NewEncryptionType = makeList(c, "NewEncryptionType", RowEncryption, SettingList::Encryption);
    NewCom1BaudDropDownBox = makeList(c, "NewCom1BaudDropDownBox", RowCom1Baud, SettingList::Baud);
    NewCom1DataBitsTextBoxCombo = makeList(c, "NewCom1DataBitsTextBoxCombo", RowCom1DataBits, SettingList::DataBits);
    NewCom1ParityDropDownBox = makeList(c, "NewCom1ParityDropDownBox", RowCom1Parity, SettingList::Parity);
    NewCom1StopBitCombo = makeList(c, "NewCom1StopBitCombo", RowCom1StopBits, SettingList::StopBits);
    NewCom2BaudDropDownBox = makeList(c, "NewCom2BaudDropDownBox", RowCom2Baud, SettingList::Baud);
    NewCom2DataBitsTextBoxCombo = makeList(c, "NewCom2DataBitsTextBoxCombo", RowCom2DataBits, SettingList::DataBits);
    NewCom2ParityDropDownBox = makeList(c, "NewCom2ParityDropDownBox", RowCom2Parity, SettingList::Parity);
    NewCom2StopBitCombo = makeList(c, "NewCom2StopBitCombo", RowCom2StopBits, SettingList::StopBits);
}

void UtilityForm::buildPasswordRow()
{
    QWidget *c = centralWidget();
    btnPASS_SHARED = makeButton(c, "btnPASS_SHARED", QStringLiteral("PASSWORD"),
                                twipsRect(840, RowPassword, 2295, 855), 12);

    CurrentPasswordTextBox = makePasswordBox(c, "CurrentPasswordTextBox", CurrentLeft);
    makeDisplayOnly(CurrentPasswordTextBox);
    NewPasswordTextBox = makePasswordBox(c, "NewPasswordTextBox", NewLeft);
    NewPasswordTextBox->setMaxLength(30);

    // Markers of the shared key layout: never editable, never focused.
    auto hexKeyBox = [c](const char *name, int top) {
        QLineEdit *box = makeTextBox(c, name, twipsRect(OutOfSight, top, ValueWidth, PasswordHeight),
                                     20.25);
        box->setText(QStringLiteral("HEX KEY"));
        makeDisplayOnly(box);
        box->setFocusPolicy(Qt::NoFocus);
        return box;
    };
    txtCURRENT_HEX_KEY = hexKeyBox("txtCURRENT_HEX_KEY", 6600);
    txtNEW_HEX_KEY = hexKeyBox("txtNEW_HEX_KEY", 5160);

    btnHEX_SELECT = makeButton(c, "btnHEX_SELECT", QStringLiteral("HEX"),
                               twipsRect(12120, 4320, 735, 735), 12);
    btnHEX_SELECT->hide();
}

void UtilityForm::buildBottom()
{
    QWidget *c = centralWidget();
    Image1 = named(new QLabel(c), "Image1");
    Image1->setGeometry(twipsRect(720, 9000, 3150, 1095));
    Image1->setScaledContents(true);
    Image1->setPixmap(artwork::mainLogo());

    GetCurrentDataCommand = makeButton(c, "GetCurrentDataCommand",
                                       QStringLiteral("RETRIEVE CONFIGURATION"),
                                       twipsRect(5040, 9120, 2055, 975), 9.75);

    txtSN = makeTextBox(c, "txtSN", twipsRect(7320, 9120, 1695, 495), 15.75);
    txtSN->setText(QStringLiteral("????"));
    QPalette palette = txtSN->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Text, palette.color(group, QPalette::ButtonText));
    txtSN->setPalette(palette);
    // Focusable, but only the program writes it.
    txtSN->setReadOnly(true);
    rallon::applyEntryRule(txtSN, rallon::EntryRule::Nothing);

    lblSN = makeLabel(c, "lblSN", QStringLiteral("SERIAL NO."), twipsRect(6960, 9720, 2415, 255),
                      monoFont(9));

    ChangeConfigCommand = makeButton(c, "ChangeConfigCommand",
                                     QStringLiteral("CHANGE CONFIGURATION"),
                                     twipsRect(9240, 9120, 2055, 975), 9.75);
}

void UtilityForm::setTabOrderChain()
{
    const QList<QWidget *> chain{
        GetCurrentDataCommand,
        NewIPAddressTextBox, NewSubnetMaskTextBox, NewDefaultGatewayTextBox,
        NewPrimaryPortTextBox, txtNewSSID, NewEncryptionType, NewPasswordTextBox,
        NewCom1BaudDropDownBox, NewCom1DataBitsTextBoxCombo, NewCom1ParityDropDownBox,
        NewCom1StopBitCombo, NewCom2BaudDropDownBox, NewCom2DataBitsTextBoxCombo,
        NewCom2ParityDropDownBox, NewCom2StopBitCombo,
        ChangeConfigCommand, btnPASS_SHARED, txtSN, btnHEX_SELECT,
    };
    for (int i = 1; i < chain.size(); ++i)
        setTabOrder(chain.at(i - 1), chain.at(i));
}

// Names that a screen reader speaks: the row's caption and the column.
void UtilityForm::nameForAccessibility()
{
    const struct {
        const char *row;
        QWidget *current;
        QWidget *entry;
    } rows[] = {
        {"IP address", CurrentIPAddressTextBox, NewIPAddressTextBox},
        {"subnet mask", CurrentSubnetMaskTextBox, NewSubnetMaskTextBox},
        {"default gateway", CurrentDefaultGatewayTextBox, NewDefaultGatewayTextBox},
        {"primary port", CurrentPrimaryPortTextBox, NewPrimaryPortTextBox},
        {"SSID", txtCurrentSSID, txtNewSSID},
        {"encryption", txCurrentEncryptionType, NewEncryptionType},
        {"password", CurrentPasswordTextBox, NewPasswordTextBox},
        {"shared key", txtCURRENT_HEX_KEY, txtNEW_HEX_KEY},
        {"Comm 1 baud", CurrentCom1BaudTextBox, NewCom1BaudDropDownBox},
        {"Comm 1 data bits", CurrentCom1DataBitsTextBox, NewCom1DataBitsTextBoxCombo},
        {"Comm 1 parity", CurrentCom1ParityTextBox, NewCom1ParityDropDownBox},
        {"Comm 1 stop bits", CurrentCom1StopBitTextBox, NewCom1StopBitCombo},
        {"Comm 2 baud", CurrentCom2BaudTextBox, NewCom2BaudDropDownBox},
        {"Comm 2 data bits", CurrentCom2DataBitsTextBox, NewCom2DataBitsTextBoxCombo},
        {"Comm 2 parity", CurrentCom2ParityTextBox, NewCom2ParityDropDownBox},
        {"Comm 2 stop bits", CurrentCom2StopBitTextBox, NewCom2StopBitCombo},
    };
    for (const auto &row : rows) {
        row.current->setAccessibleName(QStringLiteral("Current %1").arg(QLatin1String(row.row)));
        row.entry->setAccessibleName(QStringLiteral("New %1").arg(QLatin1String(row.row)));
    }
    txtSN->setAccessibleName(QStringLiteral("Serial number"));
    btnHEX_SELECT->setAccessibleName(QStringLiteral("Enter the shared key"));
    Image1->setAccessibleName(QStringLiteral("Tarvex Power Rallon logo"));
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
    SharedKeyMode = sharedKey;
    btnPASS_SHARED->setText(sharedKey ? QStringLiteral("SHARED KEY") : QStringLiteral("PASSWORD"));
    if (sharedKey) {
        txtCURRENT_HEX_KEY->move(twips(CurrentLeft), twips(RowPassword));
        txtNEW_HEX_KEY->move(twips(NewLeft), twips(RowPassword));
        NewPasswordTextBox->move(twips(OutOfSight), twips(RowPassword));
        CurrentPasswordTextBox->move(twips(OutOfSight), twips(RowPassword));
        btnHEX_SELECT->show();
    } else {
        NewPasswordTextBox->move(twips(NewLeft), twips(RowPassword));
        CurrentPasswordTextBox->move(twips(CurrentLeft), twips(RowPassword));
        txtNEW_HEX_KEY->move(twips(OutOfSight), twips(5160));
        txtCURRENT_HEX_KEY->move(twips(OutOfSight), twips(6600));
        btnHEX_SELECT->hide();
    }
    // A box out of sight takes no focus, so Tab never leads into it.
    NewPasswordTextBox->setFocusPolicy(sharedKey ? Qt::NoFocus : Qt::StrongFocus);
}

void UtilityForm::resetCurrentData()
{
    for (QLineEdit *box : {CurrentIPAddressTextBox, CurrentSubnetMaskTextBox,
                           CurrentDefaultGatewayTextBox})
        box->setText(rallon::placeholder::Address);
    for (QLineEdit *box : {CurrentPrimaryPortTextBox, txtCurrentSSID, txCurrentEncryptionType})
        box->setText(rallon::placeholder::Value);
    CurrentPasswordTextBox->setText(rallon::placeholder::Value);
    for (QLineEdit *box : {CurrentCom1BaudTextBox, CurrentCom1DataBitsTextBox,
                           CurrentCom1ParityTextBox, CurrentCom1StopBitTextBox,
                           CurrentCom2BaudTextBox, CurrentCom2DataBitsTextBox,
                           CurrentCom2ParityTextBox, CurrentCom2StopBitTextBox})
        box->setText(rallon::placeholder::Value);
}

PassKeyForm *UtilityForm::frmPASSKEY()
{
    if (m_passKeyForm.isNull())
        m_passKeyForm = new PassKeyForm(this);
    return m_passKeyForm;
}

std::array<QLineEdit *, rallon::SerialSettingCount> UtilityForm::currentSerialBoxes() const
{
    return {CurrentCom1BaudTextBox, CurrentCom1DataBitsTextBox, CurrentCom1StopBitTextBox,
            CurrentCom1ParityTextBox, CurrentCom2BaudTextBox, CurrentCom2DataBitsTextBox,
            CurrentCom2StopBitTextBox, CurrentCom2ParityTextBox};
}

std::array<QComboBox *, rallon::SerialSettingCount> UtilityForm::newSerialLists() const
{
    return {NewCom1BaudDropDownBox, NewCom1DataBitsTextBoxCombo, NewCom1StopBitCombo,
            NewCom1ParityDropDownBox, NewCom2BaudDropDownBox, NewCom2DataBitsTextBoxCombo,
            NewCom2StopBitCombo, NewCom2ParityDropDownBox};
}

bool UtilityForm::Load(int commPortNumber)
{
    resetCurrentData();
    if (!m_session.open(commPortNumber)) {
        qWarning().noquote() << "rallon-config:" << m_session.errorString();
        rallon::showMessage(this, {rallon::session_text::PortErrorTitle,
                                   rallon::session_text::PortErrorText});
        rallon::endProgram();
        return false;
    }
    DeviceKind = 3;
    return true;
}

void UtilityForm::requestConfiguration()
{
    m_session.beginRequest();
    m_session.write(rallon::frame::requestCommand());
    for (int i = 0; i < rallon::frame::FillerCount; ++i)
        m_session.write(QByteArray(1, rallon::frame::Filler));
    m_session.armReplyTimeout();
}

rallon::ChangeSnapshot UtilityForm::changeSnapshot()
{
    rallon::ChangeSnapshot snap;
    snap.deviceKind = DeviceKind;
    snap.sharedKeyLayout = !btnHEX_SELECT->isHidden();
    snap.newIp = NewIPAddressTextBox->text();
    snap.currentIp = CurrentIPAddressTextBox->text();
    snap.newMask = NewSubnetMaskTextBox->text();
    snap.currentMask = CurrentSubnetMaskTextBox->text();
    snap.newGateway = NewDefaultGatewayTextBox->text();
    snap.currentGateway = CurrentDefaultGatewayTextBox->text();
    snap.newSsid = txtNewSSID->text();
    snap.currentSsid = txtCurrentSSID->text();
    snap.newPort = NewPrimaryPortTextBox->text();
    snap.currentPort = CurrentPrimaryPortTextBox->text();
    snap.newEncryption = NewEncryptionType->currentIndex();
    snap.currentEncryption = txCurrentEncryptionType->text();
    snap.newPassword = NewPasswordTextBox->text();
    snap.currentPassword = CurrentPasswordTextBox->text();
    if (snap.sharedKeyLayout)
        snap.keyTexts = frmPASSKEY()->keyTexts();
    const auto lists = newSerialLists();
    const auto boxes = currentSerialBoxes();
    for (int i = 0; i < rallon::SerialSettingCount; ++i) {
        snap.newSerial[i] = lists[i]->currentIndex();
        snap.currentSerial[i] = boxes[i]->text();
    }
    return snap;
}

void UtilityForm::changeConfiguration()
{
    const rallon::ChangeResult result = rallon::buildUpload(changeSnapshot());
    if (result.currentEncryptionText)
        txCurrentEncryptionType->setText(*result.currentEncryptionText);
    if (result.currentPasswordText)
        CurrentPasswordTextBox->setText(*result.currentPasswordText);
    if (result.newPasswordText)
        NewPasswordTextBox->setText(*result.newPasswordText);
    if (result.refusal) {
        rallon::showMessage(this, {result.refusal->title, result.refusal->text});
        return;
    }
    resetCurrentData();
    m_session.beginRequest();
    m_session.write(result.record);
    m_session.armReplyTimeout();
}

void UtilityForm::checkOctets(QLineEdit *box, rallon::AddressBox which)
{
    const rallon::OctetFault fault = rallon::octetFault(box->text());
    if (fault == rallon::OctetFault::None)
        return;
    box->clear();
    const rallon::OctetMessage message = rallon::octetMessage(which, fault);
    rallon::showMessage(this, {message.title, message.text});
    box->setFocus(Qt::OtherFocusReason);
}

void UtilityForm::showKeyEntryWindow()
{
    PassKeyForm *window = frmPASSKEY();
    window->show();
    window->raise();
    window->activateWindow();
}

void UtilityForm::ParseConfigurationRecord(const QByteArray &record)
{
    const std::optional<rallon::ConfigRecord> decoded = rallon::decodeRecord(record);
    if (!decoded)
        return;
    const rallon::CurrentData shown = rallon::currentDataOf(*decoded);

    DeviceKind = shown.deviceKind;
    SerialNumber = decoded->serialNumber;
    const bool wireless = DeviceKind == 0;
    for (QWidget *control : std::initializer_list<QWidget *>{
             txtNewSSID, NewEncryptionType, NewPasswordTextBox, btnPASS_SHARED})
        control->setEnabled(wireless);

    CurrentIPAddressTextBox->setText(shown.ip);
    CurrentSubnetMaskTextBox->setText(shown.mask);
    CurrentDefaultGatewayTextBox->setText(shown.gateway);
    txtCurrentSSID->setText(shown.ssid);
    CurrentPrimaryPortTextBox->setText(shown.primaryPort);
    txCurrentEncryptionType->setText(shown.encryption);
    CurrentPasswordTextBox->setText(shown.password);
    applyPasswordLayout(shown.sharedKey);
    setKeyBoxes(shown.keyBoxes);

    const auto boxes = currentSerialBoxes();
    for (int i = 0; i < rallon::SerialSettingCount; ++i)
        boxes[i]->setText(shown.serial[i]);
    txtSN->setText(shown.serialNumber);
}

void UtilityForm::replyTimedOut()
{
    resetCurrentData();
    txtSN->setText(rallon::placeholder::SerialNumber);
    setKeyBoxes(QStringList(PassKeyForm::KeyCount, rallon::placeholder::KeyOctet));
    rallon::showMessage(this, {rallon::session_text::NoCommunicationTitle,
                               rallon::session_text::NoCommunicationText});
}

void UtilityForm::setKeyBoxes(const QStringList &texts)
{
    frmPASSKEY()->setKeyTexts(texts);
}

void UtilityForm::closeEvent(QCloseEvent *event)
{
    m_session.close();
    event->accept();
    hide();
    rallon::endProgram();
}
