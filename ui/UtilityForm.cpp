#include "UtilityForm.h"

#include "Artwork.h"
#include "ConfigRecord.h"
#include "Document.h"
#include "MainWindowRows.h"
#include "MainWindowTexts.h"
#include "OutputFile.h"
#include "Plan.h"
#include "Program.h"
#include "Retrieve.h"
#include "Style.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>

using namespace rallon::kit;

namespace rows = rallon::rows;
namespace mainwindow_text = rallon::mainwindow_text;

namespace {

constexpr int RowPassword = 4200;
constexpr int CurrentLeft = 4440, NewLeft = 8640, ValueWidth = 3375;
constexpr int ValueHeight = 450, PasswordHeight = 930;
constexpr int OutOfSight = 13800;

constexpr qreal CaptionPoints = 12;

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

QLineEdit *makeCurrentBox(QWidget *parent, const char *name, int rowTop, qreal points)
{
    auto *box = makeTextBox(parent, name, twipsRect(CurrentLeft, rowTop, ValueWidth, ValueHeight),
                            points);
    makeDisplayOnly(box);
    return box;
}

QLineEdit *makeNewBox(QWidget *parent, const char *name, int rowTop, int maxLength,
                      qreal points)
{
    auto *box = makeTextBox(parent, name, twipsRect(NewLeft, rowTop, ValueWidth, ValueHeight),
                            points);
    box->setMaxLength(maxLength);
    return box;
}

QComboBox *makeList(QWidget *parent, const char *name, int rowTop, rallon::SettingList list,
                    qreal points)
{
    auto *combo = named(new QComboBox(parent), name);
    combo->setGeometry(twipsRect(NewLeft, rowTop, ValueWidth, ValueHeight));
    combo->setFont(monoFont(points));
    combo->setEditable(false);
    combo->addItems(rallon::listItems(list));
    combo->setCurrentIndex(-1);
    rallon::refuseTypedChoice(combo);
    return combo;
}

MultiLineTextBox *makePasswordBox(QWidget *parent, const char *name, int left, int rowTop,
                                  qreal points)
{
    auto *box = named(new MultiLineTextBox(parent), name);
    box->setGeometry(twipsRect(left, rowTop, ValueWidth, PasswordHeight));
    box->setFont(monoFont(points));
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

rallon::AddressBox addressBoxOf(rallon::Setting setting)
{
    switch (setting) {
    case rallon::Setting::Mask: return rallon::AddressBox::Mask;
    case rallon::Setting::Gateway: return rallon::AddressBox::Gateway;
    default: return rallon::AddressBox::Ip;
    }
}

// The text of a row's Current Data box, either kind of box.
QString currentText(const UtilityForm &form, const rallon::rows::SettingRow &row)
{
    return std::visit([&form](auto m) { return (form.*m)->text(); }, row.current);
}

void setCurrentText(UtilityForm &form, const rallon::rows::SettingRow &row, const QString &text)
{
    std::visit([&form, &text](auto m) { (form.*m)->setText(text); }, row.current);
}

// The text of a configuration file, at most rallon::document::MaxInputSize octets.
std::optional<QByteArray> readWhole(const QString &path, QString *reason)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *reason = mainwindow_text::file::NotAFile;
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return std::nullopt;
    }
    const QByteArray text = file.read(rallon::document::MaxInputSize + 1);
    if (file.error() != QFileDevice::NoError) {
        *reason = file.errorString();
        return std::nullopt;
    }
    if (text.size() > rallon::document::MaxInputSize) {
        *reason = mainwindow_text::file::TooLarge;
        return std::nullopt;
    }
    return text;
}

// Why a plan is refused, naming the setting or with the window's message.
QString refusalText(const rallon::document::Plan &plan)
{
    if (plan.refusal)
        return plan.refusal->message();
    if (plan.windowRefusal)
        return plan.windowRefusal->title + QLatin1String("\r\n") + plan.windowRefusal->text;
    return {};
}

}  // namespace

UtilityForm::UtilityForm(QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                              | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                              | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("UtilityForm"));
    setWindowTitle(mainwindow_text::Caption);
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

    connect(btnPASS_SHARED, &QPushButton::clicked, this, [this] { applyPasswordLayout(!m_sharedKeyMode); });
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
    connect(SAVE_CONFIG, &QAction::triggered, this, &UtilityForm::saveConfiguration);
    connect(OPEN_CONFIG, &QAction::triggered, this, &UtilityForm::openConfiguration);
    connect(this, &UtilityForm::recordShown, this, [this] {
        SAVE_CONFIG->setEnabled(true);
        OPEN_CONFIG->setEnabled(true);
    });
    GetCurrentDataCommand->setFocus();
}

void UtilityForm::buildMenu()
{
    namespace menu = mainwindow_text::menu;
    HELP_MENU = named(menuBar()->addMenu(menu::Help), "HELP_MENU");
    ABOUT = named(HELP_MENU->addAction(menu::About), "ABOUT");
    INSTRUCTIONS = named(HELP_MENU->addMenu(menu::Instructions), "INSTRUCTIONS");
    Connect = named(INSTRUCTIONS->addAction(menu::Connect), "Connect");
    Start = named(INSTRUCTIONS->addAction(menu::Start), "Start");
    Enter = named(INSTRUCTIONS->addAction(menu::Enter), "Enter");
    PassKey = named(INSTRUCTIONS->addAction(menu::PassKey), "PassKey");
    LEDs = named(INSTRUCTIONS->addAction(menu::LEDs), "LEDs");

    FILE_MENU = named(new QMenu(menu::File, this), "FILE_MENU");
    menuBar()->insertMenu(HELP_MENU->menuAction(), FILE_MENU);
    SAVE_CONFIG = named(FILE_MENU->addAction(menu::SaveConfig), "SAVE_CONFIG");
    OPEN_CONFIG = named(FILE_MENU->addAction(menu::OpenConfig), "OPEN_CONFIG");
    SAVE_CONFIG->setEnabled(false);
    OPEN_CONFIG->setEnabled(false);
}

void UtilityForm::buildHeadings()
{
    QWidget *client = centralWidget();
    QFont titleFont = monoFont(24);
    titleFont.setItalic(true);
    TarvexRallonLabel = makeLabel(client, "TarvexRallonLabel",
                                  mainwindow_text::Title,
                                  twipsRect(360, 120, 12255, 615), titleFont);
    QPalette palette = TarvexRallonLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    TarvexRallonLabel->setPalette(palette);

    CurrentDataLabel = makeLabel(client, "CurrentDataLabel", mainwindow_text::CurrentData,
                                 twipsRect(4920, 840, 2415, 375), monoFont(14.25));
    ChangeDataLabel = makeLabel(client, "ChangeDataLabel", mainwindow_text::NewData,
                                twipsRect(9120, 840, 2415, 375), monoFont(14.25));
}

void UtilityForm::buildRows()
{
    QWidget *c = centralWidget();
    for (const rallon::rows::SettingRow &row : rallon::rows::settingRows()) {
        if (row.caption) {
            this->*row.caption = makeCaption(c, row.captionName, QLatin1String(row.captionText),
                                             row.captionColumn.left, row.captionColumn.width,
                                             row.top);
        }

        if (auto m = std::get_if<rows::Member<QLineEdit>>(&row.current)) {
            this->*(*m) = makeCurrentBox(c, row.currentName, row.top, row.points);
        } else {
            MultiLineTextBox *box = makePasswordBox(c, row.currentName, CurrentLeft, row.top,
                                                    row.points);
            makeDisplayOnly(box);
            rallon::applyEntryRule(box, rallon::EntryRule::Nothing);
            this->*std::get<rows::Member<MultiLineTextBox>>(row.current) = box;
        }

        QWidget *entry = nullptr;
        if (auto m = std::get_if<rows::Member<QLineEdit>>(&row.entry)) {
            QLineEdit *box = makeNewBox(c, row.entryName, row.top, row.maxLength, row.points);
            if (row.rule == rallon::EntryRule::Address) {
                const rallon::AddressBox which = addressBoxOf(row.setting);
                rallon::onFocusLost(box, [this, box, which] { checkOctets(box, which); });
            }
            entry = this->*(*m) = box;
        } else if (auto m = std::get_if<rows::Member<QComboBox>>(&row.entry)) {
            entry = this->*(*m) = makeList(c, row.entryName, row.top,
                                           *rallon::settingList(row.setting), row.points);
        } else {
            MultiLineTextBox *box = makePasswordBox(c, row.entryName, NewLeft, row.top, row.points);
            box->setMaxLength(row.maxLength);
            entry = this->*std::get<rows::Member<MultiLineTextBox>>(row.entry) = box;
        }
        if (row.rule)
            rallon::applyEntryRule(entry, *row.rule);
    }
}

void UtilityForm::buildPasswordRow()
{
    QWidget *c = centralWidget();
    btnPASS_SHARED = makeButton(c, "btnPASS_SHARED", mainwindow_text::Password,
                                twipsRect(840, RowPassword, 2295, 855), 12);

    // Markers of the shared key layout: never editable, never focused.
    auto hexKeyBox = [c](const char *name, int top) {
        QLineEdit *box = makeTextBox(c, name, twipsRect(OutOfSight, top, ValueWidth, PasswordHeight),
                                     20.25);
        box->setText(mainwindow_text::HexKey);
        makeDisplayOnly(box);
        box->setFocusPolicy(Qt::NoFocus);
        return box;
    };
    txtCURRENT_HEX_KEY = hexKeyBox("txtCURRENT_HEX_KEY", 6600);
    txtNEW_HEX_KEY = hexKeyBox("txtNEW_HEX_KEY", 5160);

    btnHEX_SELECT = makeButton(c, "btnHEX_SELECT", mainwindow_text::Hex,
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
                                       mainwindow_text::Retrieve,
                                       twipsRect(5040, 9120, 2055, 975), 9.75);

    txtSN = makeTextBox(c, "txtSN", twipsRect(7320, 9120, 1695, 495), 15.75);
    txtSN->setText(rallon::placeholder::SerialNumber);
    QPalette palette = txtSN->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Text, palette.color(group, QPalette::ButtonText));
    txtSN->setPalette(palette);
    // Focusable, but only the program writes it.
    txtSN->setReadOnly(true);
    rallon::applyEntryRule(txtSN, rallon::EntryRule::Nothing);

    lblSN = makeLabel(c, "lblSN", mainwindow_text::SerialNo, twipsRect(6960, 9720, 2415, 255),
                      monoFont(9));

    ChangeConfigCommand = makeButton(c, "ChangeConfigCommand",
                                     mainwindow_text::Change,
                                     twipsRect(9240, 9120, 2055, 975), 9.75);
}

void UtilityForm::setTabOrderChain()
{
    QList<QWidget *> chain{GetCurrentDataCommand};
    for (const rallon::rows::SettingRow &row : rallon::rows::settingRows())
        chain.append(rallon::rows::widget(*this, row.entry));
    chain << ChangeConfigCommand << btnPASS_SHARED << txtSN << btnHEX_SELECT;
    for (int i = 1; i < chain.size(); ++i)
        setTabOrder(chain.at(i - 1), chain.at(i));
}

// Names that a screen reader speaks: the row's caption and the column.
void UtilityForm::nameForAccessibility()
{
    const auto name = [](QWidget *current, QWidget *entry, const QString &row) {
        current->setAccessibleName(QStringLiteral("Current %1").arg(row));
        entry->setAccessibleName(QStringLiteral("New %1").arg(row));
    };
    for (const rallon::rows::SettingRow &row : rallon::rows::settingRows()) {
        name(rallon::rows::widget(*this, row.current), rallon::rows::widget(*this, row.entry),
             QLatin1String(row.spoken));
    }
    name(txtCURRENT_HEX_KEY, txtNEW_HEX_KEY, mainwindow_text::SharedKeyRow);
    txtSN->setAccessibleName(mainwindow_text::SerialNumberName);
    btnHEX_SELECT->setAccessibleName(mainwindow_text::HexButtonName);
    Image1->setAccessibleName(mainwindow_text::LogoName);
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
    btnPASS_SHARED->setText(sharedKey ? mainwindow_text::SharedKey : mainwindow_text::Password);
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
    for (const rallon::rows::SettingRow &row : rallon::rows::settingRows())
        setCurrentText(*this, row, rallon::placeholder::of(row.setting));
}

PassKeyForm *UtilityForm::frmPASSKEY()
{
    if (m_passKeyForm.isNull())
        m_passKeyForm = new PassKeyForm(this);
    return m_passKeyForm;
}

bool UtilityForm::Load(int commPortNumber)
{
    resetCurrentData();
    if (!m_session.open(commPortNumber)) {
        qWarning().noquote() << "rallon-config:" << m_session.errorString();
        rallon::kit::showMessage(this, mainwindow_text::PortError);
        rallon::kit::endProgram();
        return false;
    }
    setDeviceKind(rallon::DeviceKind::Unknown);
    return true;
}

void UtilityForm::requestConfiguration()
{
    m_session.beginRequest();
    m_session.sendRequest();
    m_session.armReplyTimeout();
}

rallon::ChangeSnapshot UtilityForm::changeSnapshot()
{
    rallon::ChangeSnapshot snap;
    snap.deviceKind = m_deviceKind;
    snap.sharedKeyLayout = !btnHEX_SELECT->isHidden();
    for (const rallon::rows::SettingRow &row : rallon::rows::settingRows()) {
        snap.current[row.setting] = currentText(*this, row);
        std::visit([&](auto m) {
            if constexpr (std::is_same_v<decltype(m), rows::Member<QComboBox>>)
                snap.entered.chosenIn(row.setting) = (this->*m)->currentIndex();
            else
                snap.entered[row.setting] = (this->*m)->text();
        }, row.entry);
    }
    if (snap.sharedKeyLayout)
        snap.keyTexts = frmPASSKEY()->keyTexts();
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
        rallon::kit::showMessage(this, *result.refusal);
        return;
    }
    resetCurrentData();
    m_session.beginRequest();
    m_session.write(result.record);
    m_session.armReplyTimeout();
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

void UtilityForm::checkOctets(QLineEdit *box, rallon::AddressBox which)
{
    if (m_unloading)
        return;
    const rallon::OctetFault fault = rallon::octetFault(box->text());
    if (fault == rallon::OctetFault::None)
        return;
    box->clear();
    rallon::kit::showMessage(this, mainwindow_text::octetMessage(which, fault));
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
    const rallon::RecordDisplay shown = rallon::displayOf(*decoded);

    setDeviceKind(shown.deviceKind);
    m_serialNumber = decoded->serialNumber;
    m_lastRecord = *decoded;
    const bool wireless = shown.deviceKind == rallon::DeviceKind::Wireless;
    for (QWidget *control : std::initializer_list<QWidget *>{
             txtNewSSID, NewEncryptionType, NewPasswordTextBox, btnPASS_SHARED})
        control->setEnabled(wireless);

    for (const rallon::rows::SettingRow &row : rallon::rows::settingRows())
        setCurrentText(*this, row, shown.current[row.setting]);
    applyPasswordLayout(shown.sharedKey);
    setKeyBoxes(shown.keyBoxes);
    txtSN->setText(shown.serialNumber);
    emit recordShown();
}

QString UtilityForm::chooseFile(bool save, const QString &suggested)
{
    QString chosen;
    if (m_fileChooser) {
        chosen = m_fileChooser(this, save, suggested);
    } else {
        namespace file = mainwindow_text::file;
        QFileDialog dialog(this, save ? file::SaveTitle : file::OpenTitle);
        dialog.setObjectName(QStringLiteral("ConfigFileDialog"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setNameFilters(file::Filters);
        if (save)
            dialog.setDefaultSuffix(QStringLiteral("json"));
        dialog.setDirectory(QFileInfo(suggested).isDir() ? suggested : QFileInfo(suggested).path());
        if (save)
            dialog.selectFile(QFileInfo(suggested).fileName());
        if (dialog.exec() == QDialog::Accepted)
            chosen = dialog.selectedFiles().value(0);
        // Back to the window, whose focused control takes the focus again.
        activateWindow();
    }
    return chosen;
}

void UtilityForm::saveConfiguration()
{
    if (!m_lastRecord)
        return;
    const QByteArray text = rallon::document::documentText(*m_lastRecord);
    const QString path = chooseFile(
        true, QDir::home().filePath(mainwindow_text::file::suggestedName(m_lastRecord->serialNumber)));
    if (path.isEmpty())
        return;
    // Whole or not at all; a new file is the owner's alone, as it holds the
    // password or key.
    rallon::document::OutputFile file;
    QString reason;
    if (!file.open(path, &reason) || !file.commit(text, /*secret=*/true, &reason))
        rallon::kit::showMessage(this, mainwindow_text::file::unwritable(QDir::toNativeSeparators(path), reason));
}

void UtilityForm::openConfiguration()
{
    namespace file = mainwindow_text::file;
    using rallon::document::Plan;
    if (!m_lastRecord)
        return;
    const QString path = chooseFile(false, QDir::homePath());
    if (path.isEmpty())
        return;
    QString reason;
    const std::optional<QByteArray> text = readWhole(path, &reason);
    if (!text) {
        rallon::kit::showMessage(this, file::unreadable(QDir::toNativeSeparators(path), reason));
        return;
    }
    rallon::document::InputError error;
    const std::optional<rallon::document::Wanted> wanted = rallon::document::wantedFromDocument(*text, &error);
    if (!wanted) {
        rallon::kit::showMessage(this, file::unusable(error.message()));
        return;
    }
    const Plan plan = rallon::document::planChange(*m_lastRecord, *wanted);
    if (plan.outcome == Plan::Outcome::Refused) {
        rallon::kit::showMessage(this, file::unusable(refusalText(plan)));
        return;
    }
    const rallon::document::NewDataEntries entries = rallon::document::newDataEntries(plan);
    // A text the New Data box cannot hold whole is refused, never cut.
    for (const rallon::rows::SettingRow &row : rallon::rows::settingRows()) {
        const std::optional<QString> &entry = entries.texts[size_t(row.setting)];
        if (entry && row.maxLength > 0 && entry->size() > row.maxLength) {
            rallon::kit::showMessage(this, file::unusable(file::tooLong(QLatin1String(row.spoken),
                                                                        int(entry->size()), row.maxLength)));
            return;
        }
    }

    resetNewData();
    for (const rallon::rows::SettingRow &row : rallon::rows::settingRows()) {
        const std::optional<QString> &entry = entries.texts[size_t(row.setting)];
        if (!entry)
            continue;
        std::visit([this, &entry](auto m) {
            if constexpr (std::is_same_v<decltype(m), rows::Member<QComboBox>>)
                (this->*m)->setCurrentIndex((this->*m)->findText(*entry, Qt::MatchExactly));
            else
                (this->*m)->setText(*entry);
        }, row.entry);
    }
    if (entries.sharedKey) {
        applyPasswordLayout(true);
        setKeyBoxes(rallon::keyBoxTexts(*entries.sharedKey));
    } else if (entries.texts[size_t(rallon::Setting::Password)]) {
        applyPasswordLayout(false);
    }
}

void UtilityForm::resetNewData()
{
    for (const rallon::rows::SettingRow &row : rallon::rows::settingRows()) {
        std::visit([this](auto m) {
            if constexpr (std::is_same_v<decltype(m), rows::Member<QComboBox>>)
                (this->*m)->setCurrentIndex(-1);
            else
                (this->*m)->setText(QString());
        }, row.entry);
    }
    if (m_lastRecord) {
        const rallon::RecordDisplay shown = rallon::displayOf(*m_lastRecord);
        applyPasswordLayout(shown.sharedKey);
        setKeyBoxes(shown.keyBoxes);
    }
}

void UtilityForm::replyTimedOut()
{
    resetCurrentData();
    txtSN->setText(rallon::placeholder::SerialNumber);
    setKeyBoxes(QStringList(PassKeyForm::KeyCount, rallon::placeholder::KeyOctet));
    rallon::kit::showMessage(this, mainwindow_text::NoCommunication);
}

void UtilityForm::setDeviceKind(rallon::DeviceKind kind)
{
    m_deviceKind = kind;
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
    rallon::kit::endProgram();
}
