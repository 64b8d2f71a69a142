#include "MainWindowControls.h"

#include "Artwork.h"
#include "Captions.h"
#include "MainWindowRows.h"
#include "MainWindowTexts.h"
#include "Style.h"

#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

using namespace rallon::kit;

namespace rallon {

namespace {

namespace text = mainwindow_text;

constexpr int RowPassword = 4200;
constexpr int CurrentLeft = 4440, NewLeft = 8640, ValueWidth = 3375;
constexpr int ValueHeight = 450, PasswordHeight = 930;
constexpr int OutOfSight = 13800;
// Where the shared key layout's markers wait in the password layout.
constexpr int CurrentHexKeyTop = 6600, NewHexKeyTop = 5160;

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

QComboBox *makeList(QWidget *parent, const char *name, int rowTop, SettingList list, qreal points)
{
    auto *combo = named(new QComboBox(parent), name);
    combo->setGeometry(twipsRect(NewLeft, rowTop, ValueWidth, ValueHeight));
    combo->setFont(monoFont(points));
    combo->setEditable(false);
    combo->addItems(listItems(list));
    combo->setCurrentIndex(-1);
    refuseTypedChoice(combo);
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

AddressBox addressBoxOf(Setting setting)
{
    switch (setting) {
    case Setting::Mask: return AddressBox::Mask;
    case Setting::Gateway: return AddressBox::Gateway;
    default: return AddressBox::Ip;
    }
}

// The FILE menu left of HELP, whose INSTRUCTIONS items the HELP menu's
// code finds by their names.
void buildMenu(QMainWindow &window, MainWindowControls &ui)
{
    namespace menu = text::menu;
    QMenu *help = named(window.menuBar()->addMenu(menu::Help), "HELP_MENU");
    named(help->addAction(menu::About), "ABOUT");
    QMenu *instructions = named(help->addMenu(menu::Instructions), "INSTRUCTIONS");
    named(instructions->addAction(menu::Connect), "Connect");
    named(instructions->addAction(menu::Start), "Start");
    named(instructions->addAction(menu::Enter), "Enter");
    named(instructions->addAction(menu::PassKey), "PassKey");
    named(instructions->addAction(menu::LEDs), "LEDs");

    QMenu *file = named(new QMenu(menu::File, &window), "FILE_MENU");
    window.menuBar()->insertMenu(help->menuAction(), file);
    ui.SAVE_CONFIG = named(file->addAction(menu::SaveConfig), "SAVE_CONFIG");
    ui.OPEN_CONFIG = named(file->addAction(menu::OpenConfig), "OPEN_CONFIG");
    file->addSeparator();
    ui.PROVISION_DEVICES = named(file->addAction(menu::Provision), "PROVISION_DEVICES");
    ui.SAVE_CONFIG->setEnabled(false);
    ui.OPEN_CONFIG->setEnabled(false);
}

void buildHeadings(QWidget *c)
{
    QFont titleFont = monoFont(24);
    titleFont.setItalic(true);
    QLabel *title = makeLabel(c, "TarvexRallonLabel", text::Title,
                              twipsRect(360, 120, 12255, 615), titleFont);
    QPalette palette = title->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    title->setPalette(palette);

    makeLabel(c, "CurrentDataLabel", text::CurrentData, twipsRect(4920, 840, 2415, 375),
              monoFont(14.25));
    makeLabel(c, "ChangeDataLabel", text::NewData, twipsRect(9120, 840, 2415, 375),
              monoFont(14.25));
}

// Caption, Current Data box and New Data control of each row.
void buildRows(QWidget *c, MainWindowControls &ui, const AddressLeft &addressLeft)
{
    for (const rows::SettingRow &row : rows::settingRows()) {
        if (row.captionName) {
            makeCaption(c, row.captionName, QLatin1String(caption::of(row.setting)),
                        row.captionColumn.left, row.captionColumn.width, row.top);
        }

        CurrentBox &current = ui.current[size_t(row.setting)];
        if (!rows::multiLine(row)) {
            current = makeCurrentBox(c, row.currentName, row.top, row.points);
        } else {
            MultiLineTextBox *box = makePasswordBox(c, row.currentName, CurrentLeft, row.top,
                                                    row.points);
            makeDisplayOnly(box);
            applyEntryRule(box, EntryRule::Nothing);
            current = box;
        }

        EntryControl &entry = ui.entry[size_t(row.setting)];
        if (const std::optional<SettingList> list = settingList(row.setting)) {
            entry = makeList(c, row.entryName, row.top, *list, row.points);
        } else if (!rows::multiLine(row)) {
            QLineEdit *box = makeNewBox(c, row.entryName, row.top, row.maxLength, row.points);
            if (row.rule == EntryRule::Address) {
                const AddressBox which = addressBoxOf(row.setting);
                onFocusLost(box, [addressLeft, box, which] { addressLeft(box, which); });
            }
            entry = box;
        } else {
            MultiLineTextBox *box = makePasswordBox(c, row.entryName, NewLeft, row.top, row.points);
            box->setMaxLength(row.maxLength);
            entry = box;
        }
        if (row.rule)
            applyEntryRule(widgetOf(entry), *row.rule);
    }
}

void buildPasswordRow(QWidget *c, MainWindowControls &ui)
{
    ui.btnPASS_SHARED = makeButton(c, "btnPASS_SHARED", text::Password,
                                   twipsRect(840, RowPassword, 2295, 855), 12);

    // Markers of the shared key layout: never editable, never focused.
    auto hexKeyBox = [c](const char *name, int top) {
        QLineEdit *box = makeTextBox(c, name, twipsRect(OutOfSight, top, ValueWidth, PasswordHeight),
                                     20.25);
        box->setText(text::HexKey);
        makeDisplayOnly(box);
        box->setFocusPolicy(Qt::NoFocus);
        return box;
    };
    ui.txtCURRENT_HEX_KEY = hexKeyBox("txtCURRENT_HEX_KEY", CurrentHexKeyTop);
    ui.txtNEW_HEX_KEY = hexKeyBox("txtNEW_HEX_KEY", NewHexKeyTop);

    ui.btnHEX_SELECT = makeButton(c, "btnHEX_SELECT", text::Hex, twipsRect(12120, 4320, 735, 735), 12);
    ui.btnHEX_SELECT->hide();
}

QLabel *buildBottom(QWidget *c, MainWindowControls &ui)
{
    QLabel *logo = named(new QLabel(c), "Image1");
    logo->setGeometry(twipsRect(720, 9000, 3150, 1095));
    logo->setScaledContents(true);
    logo->setPixmap(artwork::mainLogo());

    ui.GetCurrentDataCommand = makeButton(c, "GetCurrentDataCommand", text::Retrieve,
                                          twipsRect(5040, 9120, 2055, 975), 9.75);

    ui.txtSN = makeTextBox(c, "txtSN", twipsRect(7320, 9120, 1695, 495), 15.75);
    ui.txtSN->setText(placeholder::SerialNumber);
    QPalette palette = ui.txtSN->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Text, palette.color(group, QPalette::ButtonText));
    ui.txtSN->setPalette(palette);
    // Focusable, but only the program writes it.
    ui.txtSN->setReadOnly(true);
    applyEntryRule(ui.txtSN, EntryRule::Nothing);

    makeLabel(c, "lblSN", text::SerialNo, twipsRect(6960, 9720, 2415, 255), monoFont(9));

    ui.ChangeConfigCommand = makeButton(c, "ChangeConfigCommand", text::Change,
                                        twipsRect(9240, 9120, 2055, 975), 9.75);
    return logo;
}

void setTabOrderChain(const MainWindowControls &ui)
{
    QList<QWidget *> chain{ui.GetCurrentDataCommand};
    for (const rows::SettingRow &row : rows::settingRows())
        chain.append(ui.entryControl(row.setting));
    chain << ui.ChangeConfigCommand << ui.btnPASS_SHARED << ui.txtSN << ui.btnHEX_SELECT;
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));
}

// Names that a screen reader speaks: the row's caption and the column.
void nameForAccessibility(const MainWindowControls &ui, QLabel *logo)
{
    const auto name = [](QWidget *current, QWidget *entry, const QString &row) {
        current->setAccessibleName(QStringLiteral("Current %1").arg(row));
        entry->setAccessibleName(QStringLiteral("New %1").arg(row));
    };
    for (const rows::SettingRow &row : rows::settingRows()) {
        name(widgetOf(ui.currentBox(row.setting)), ui.entryControl(row.setting),
             QLatin1String(row.spoken));
    }
    name(ui.txtCURRENT_HEX_KEY, ui.txtNEW_HEX_KEY, text::SharedKeyRow);
    ui.txtSN->setAccessibleName(text::SerialNumberName);
    ui.btnHEX_SELECT->setAccessibleName(text::HexButtonName);
    logo->setAccessibleName(text::LogoName);
}

}  // namespace

MainWindowControls buildMainWindow(QMainWindow &window, const AddressLeft &addressLeft)
{
    window.setObjectName(QStringLiteral("UtilityForm"));
    window.setWindowTitle(text::Caption);
    window.setWindowIcon(artwork::windowIcon());

    auto *client = new QWidget(&window);
    client->setObjectName(QStringLiteral("UtilityFormClient"));
    client->setFixedSize(twips(13125), twips(10560));
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, Qt::white);
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    window.setCentralWidget(client);

    MainWindowControls ui;
    buildMenu(window, ui);
    buildHeadings(client);
    buildRows(client, ui, addressLeft);
    buildPasswordRow(client, ui);
    QLabel *logo = buildBottom(client, ui);
    setTabOrderChain(ui);
    nameForAccessibility(ui, logo);

    // Labels and the picture lie beneath the other controls where they meet.
    for (QLabel *label : client->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        label->lower();
    return ui;
}

void placePasswordRow(const MainWindowControls &ui, bool sharedKey)
{
    QWidget *currentBox = widgetOf(ui.currentBox(Setting::Password));
    QWidget *newBox = ui.entryControl(Setting::Password);
    ui.btnPASS_SHARED->setText(sharedKey ? text::SharedKey : text::Password);
    if (sharedKey) {
        ui.txtCURRENT_HEX_KEY->move(twips(CurrentLeft), twips(RowPassword));
        ui.txtNEW_HEX_KEY->move(twips(NewLeft), twips(RowPassword));
        newBox->move(twips(OutOfSight), twips(RowPassword));
        currentBox->move(twips(OutOfSight), twips(RowPassword));
        ui.btnHEX_SELECT->show();
    } else {
        newBox->move(twips(NewLeft), twips(RowPassword));
        currentBox->move(twips(CurrentLeft), twips(RowPassword));
        ui.txtNEW_HEX_KEY->move(twips(OutOfSight), twips(NewHexKeyTop));
        ui.txtCURRENT_HEX_KEY->move(twips(OutOfSight), twips(CurrentHexKeyTop));
        ui.btnHEX_SELECT->hide();
    }
    // A box out of sight takes no focus, so Tab never leads into it.
    newBox->setFocusPolicy(sharedKey ? Qt::NoFocus : Qt::StrongFocus);
}

}  // namespace rallon
