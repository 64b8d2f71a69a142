// The main window and the key entry window as built: window frame, named
// controls, lists, tab order, discarded typing, length limits, the two
// layouts of the password row, the dash reset and the key entry window.

#include "ConfigRecord.h"
#include "Controls.h"
#include "MainWindowRows.h"
#include "OffscreenScreens.h"
#include "UtilityForm.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QtTest>

namespace {

using rallon::control;

// Names of every control of the main window, in no particular order.
const QStringList ControlNames{
    "TarvexRallonLabel", "CurrentDataLabel", "ChangeDataLabel",
    "IPAddressLabel", "SubnetMaskLabel", "DefaultGatewayLabel", "PrimaryPortLabel", "lblSSID",
    "lbEncryption", "Com1BaudLabel", "Com1DataBitsLabel", "Com1ParityTextBox",
    "Com1StopBitsLabel", "Com2BaudLabel", "Com2DataBitsLabel", "Com2ParityTextBox",
    "Com2StopBitsLabel",
    "CurrentIPAddressTextBox", "CurrentSubnetMaskTextBox", "CurrentDefaultGatewayTextBox",
    "CurrentPrimaryPortTextBox", "txtCurrentSSID", "txCurrentEncryptionType",
    "CurrentPasswordTextBox", "CurrentCom1BaudTextBox", "CurrentCom1DataBitsTextBox",
    "CurrentCom1ParityTextBox", "CurrentCom1StopBitTextBox", "CurrentCom2BaudTextBox",
    "CurrentCom2DataBitsTextBox", "CurrentCom2ParityTextBox", "CurrentCom2StopBitTextBox",
    "NewIPAddressTextBox", "NewSubnetMaskTextBox", "NewDefaultGatewayTextBox",
    "NewPrimaryPortTextBox", "txtNewSSID", "NewEncryptionType", "NewPasswordTextBox",
    "NewCom1BaudDropDownBox", "NewCom1DataBitsTextBoxCombo", "NewCom1ParityDropDownBox",
    "NewCom1StopBitCombo", "NewCom2BaudDropDownBox", "NewCom2DataBitsTextBoxCombo",
    "NewCom2ParityDropDownBox", "NewCom2StopBitCombo",
    "btnPASS_SHARED", "txtCURRENT_HEX_KEY", "txtNEW_HEX_KEY", "btnHEX_SELECT",
    "Image1", "GetCurrentDataCommand", "txtSN", "lblSN", "ChangeConfigCommand",
};

const QStringList TabOrder{
    "GetCurrentDataCommand",
    "NewIPAddressTextBox", "NewSubnetMaskTextBox", "NewDefaultGatewayTextBox",
    "NewPrimaryPortTextBox", "txtNewSSID", "NewEncryptionType", "NewPasswordTextBox",
    "NewCom1BaudDropDownBox", "NewCom1DataBitsTextBoxCombo", "NewCom1ParityDropDownBox",
    "NewCom1StopBitCombo", "NewCom2BaudDropDownBox", "NewCom2DataBitsTextBoxCombo",
    "NewCom2ParityDropDownBox", "NewCom2StopBitCombo",
    "ChangeConfigCommand", "btnPASS_SHARED", "txtSN",
};

QList<QLineEdit *> currentBoxes(const UtilityForm &w)
{
    QList<QLineEdit *> boxes;
    for (const char *name :
         {"CurrentIPAddressTextBox", "CurrentSubnetMaskTextBox", "CurrentDefaultGatewayTextBox",
          "CurrentPrimaryPortTextBox", "txtCurrentSSID", "txCurrentEncryptionType",
          "CurrentCom1BaudTextBox", "CurrentCom1DataBitsTextBox", "CurrentCom1ParityTextBox",
          "CurrentCom1StopBitTextBox", "CurrentCom2BaudTextBox", "CurrentCom2DataBitsTextBox",
          "CurrentCom2ParityTextBox", "CurrentCom2StopBitTextBox"})
        boxes.append(control<QLineEdit>(w, name));
    return boxes;
}

// Shown and inside the visible client area.
bool inSight(const UtilityForm &w, const QWidget *control)
{
    return control->isVisibleTo(&w) && w.centralWidget()->rect().contains(control->geometry());
}

// Presses `key` `count` times on whatever has the focus; the focus
// widget's name after each press.
QStringList pressAndRecord(int count, Qt::Key key = Qt::Key_Tab)
{
    QStringList names;
    for (int i = 0; i < count; ++i) {
        QWidget *focus = QApplication::focusWidget();
        if (!focus)
            break;
        QTest::keyClick(focus, key);
        names << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                              : QStringLiteral("<none>"));
    }
    return names;
}

// Scrolled into sight within `window`'s scroll area, itself within the
// available area of the window's screen.
bool inReach(QWidget &window, QWidget *control)
{
    auto *scroll = window.findChild<QScrollArea *>();
    if (!scroll || !window.screen()->availableGeometry().contains(window.frameGeometry()))
        return false;
    scroll->ensureWidgetVisible(control, 0, 0);
    const QRect seen(scroll->viewport()->mapTo(&window, QPoint()), scroll->viewport()->size());
    return seen.contains(QRect(control->mapTo(&window, QPoint()), control->size()));
}

bool showActive(QWidget &w)
{
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

}  // namespace

class TestMainWindowLayout : public QObject
{
    Q_OBJECT

public:
    // A big screen, and right of it a laptop's 1920 x 1080 at 150 %, less
    // a taskbar: 1280 x 672.
    static void initMain()
    {
        rallon::useOffscreenScreens(QByteArray(rallon::BigScreen)
                                    + R"(, {"name": "laptop", "x": 1920, "width": 1920, "height": 1008, "logicalDpi": 144})");
    }

private slots:
    void windowIsFixedSize();
    void everyControlIsFoundByName();
    void listsHoldProtocolItemsUnchosen();
    void tabOrderSkipsDisplayBoxes();
    void typingIntoListsAndSerialNumberIsDiscarded();
    void multiLineBoxKeepsItsMaxLength();
    void passwordRowSwitchesLayouts();
    void dashResetAndInitialDisplay();
    void keyEntryWindow();
    void smallScreenScrollsToEveryControl();
};

void TestMainWindowLayout::windowIsFixedSize()
{
    UtilityForm w;
    QVERIFY(showActive(w));
    QCOMPARE(w.windowTitle(), QStringLiteral("Tarvex Power Rallon Configuration Utility"));
    QCOMPARE(w.centralWidget()->size(), QSize(875, 704));
    // The menu bar lies above the client area, not inside it.
    QCOMPARE(w.centralWidget()->geometry().top(), w.menuBar()->geometry().bottom() + 1);

    const QSize before = w.size();
    QCOMPARE(w.minimumSize(), w.maximumSize());
    w.resize(before + QSize(200, 150));
    QCOMPARE(w.size(), before);
    QCOMPARE(w.centralWidget()->size(), QSize(875, 704));

    const Qt::WindowFlags flags = w.windowFlags();
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!w.windowIcon().isNull());
}

void TestMainWindowLayout::everyControlIsFoundByName()
{
    UtilityForm w;
    QSet<QWidget *> seen;
    for (const QString &name : ControlNames) {
        QWidget *control = w.findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QVERIFY2(!seen.contains(control), qPrintable(name));
        seen.insert(control);
        // Every control lies in the client area's widget, not elsewhere.
        QCOMPARE(control->parentWidget(), w.centralWidget());
    }
    // The controls of the row table are the named objects, of the row's kinds.
    for (const rallon::rows::SettingRow &row : rallon::rows::settingRows()) {
        if (row.captionName)
            QVERIFY(qobject_cast<QLabel *>(w.findChild<QWidget *>(row.captionName)));
        QWidget *current = w.findChild<QWidget *>(row.currentName);
        QWidget *entry = w.findChild<QWidget *>(row.entryName);
        if (rallon::rows::multiLine(row)) {
            QVERIFY(qobject_cast<MultiLineTextBox *>(current) && qobject_cast<MultiLineTextBox *>(entry));
        } else {
            QVERIFY(qobject_cast<QLineEdit *>(current));
            QCOMPARE(!qobject_cast<QComboBox *>(entry), !rallon::settingList(row.setting));
            QCOMPARE(!qobject_cast<QLineEdit *>(entry), bool(rallon::settingList(row.setting)));
        }
    }
    QVERIFY(qobject_cast<QLabel *>(w.findChild<QWidget *>("Com2ParityTextBox")));

    // The HELP menu and its submenu, found by their names.
    auto *help = w.findChild<QMenu *>("HELP_MENU");
    auto *instructions = w.findChild<QMenu *>("INSTRUCTIONS");
    const auto item = [&w](const char *name) { return w.findChild<QAction *>(name); };
    QVERIFY(help && instructions && item("ABOUT"));
    QCOMPARE(help->title(), QStringLiteral("HELP"));
    // FILE stands left of HELP; Alt+F opens it, S and O choose its items.
    auto *file = w.findChild<QMenu *>("FILE_MENU");
    QVERIFY(file);
    QCOMPARE(w.menuBar()->actions(), (QList<QAction *>{file->menuAction(), help->menuAction()}));
    QCOMPARE(file->actions().size(), 4);
    QCOMPARE(file->actions().mid(0, 2), (QList<QAction *>{item("SAVE_CONFIG"), item("OPEN_CONFIG")}));
    QVERIFY(file->actions().at(2)->isSeparator());
    QCOMPARE(file->actions().at(3), item("PROVISION_DEVICES"));
    QCOMPARE(QString(item("PROVISION_DEVICES")->text()).remove('&'), QStringLiteral("PROVISION DEVICES..."));
    QCOMPARE(QString(file->title()).remove('&'), QStringLiteral("FILE"));
    QCOMPARE(QString(item("SAVE_CONFIG")->text()).remove('&'), QStringLiteral("SAVE CONFIGURATION..."));
    QCOMPARE(QString(item("OPEN_CONFIG")->text()).remove('&'), QStringLiteral("OPEN CONFIGURATION..."));
    QCOMPARE(QKeySequence::mnemonic(file->title()), QKeySequence(Qt::ALT | Qt::Key_F));
    QCOMPARE(QKeySequence::mnemonic(item("SAVE_CONFIG")->text()), QKeySequence(Qt::ALT | Qt::Key_S));
    QCOMPARE(QKeySequence::mnemonic(item("OPEN_CONFIG")->text()), QKeySequence(Qt::ALT | Qt::Key_O));
    QCOMPARE(help->actions(), (QList<QAction *>{item("ABOUT"), instructions->menuAction()}));
    QCOMPARE(instructions->actions(),
             (QList<QAction *>{item("Connect"), item("Start"), item("Enter"), item("PassKey"), item("LEDs")}));
    QStringList captions;
    for (QAction *action : instructions->actions()) {
        QCOMPARE(w.findChild<QAction *>(action->objectName()), action);
        captions << action->text();
    }
    QCOMPARE(captions, (QStringList{"How to Connect", "How to Start", "Entering Data",
                                    "PassWord - Shared Key Entry", "LED Indicators"}));
    QCOMPARE(item("ABOUT")->text(), QStringLiteral("ABOUT"));
}

void TestMainWindowLayout::listsHoldProtocolItemsUnchosen()
{
    using rallon::SettingList;
    UtilityForm w;
    const QList<QPair<QComboBox *, SettingList>> lists{
        {control<QComboBox>(w, "NewEncryptionType"), SettingList::Encryption},
        {control<QComboBox>(w, "NewCom1BaudDropDownBox"), SettingList::Baud},
        {control<QComboBox>(w, "NewCom1DataBitsTextBoxCombo"), SettingList::DataBits},
        {control<QComboBox>(w, "NewCom1ParityDropDownBox"), SettingList::Parity},
        {control<QComboBox>(w, "NewCom1StopBitCombo"), SettingList::StopBits},
        {control<QComboBox>(w, "NewCom2BaudDropDownBox"), SettingList::Baud},
        {control<QComboBox>(w, "NewCom2DataBitsTextBoxCombo"), SettingList::DataBits},
        {control<QComboBox>(w, "NewCom2ParityDropDownBox"), SettingList::Parity},
        {control<QComboBox>(w, "NewCom2StopBitCombo"), SettingList::StopBits},
    };
    for (const auto &[combo, list] : lists) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, rallon::listItems(list));
        QCOMPARE(combo->currentIndex(), -1);
        QVERIFY(combo->currentText().isEmpty());
        QVERIFY(!combo->isEditable());
        QVERIFY(combo->isEnabled());
    }
    // Position is the protocol code: code 2 of the encryption list.
    QCOMPARE(control<QComboBox>(w, "NewEncryptionType")->itemText(2), QStringLiteral("WAP (TKIP)"));
}

void TestMainWindowLayout::tabOrderSkipsDisplayBoxes()
{
    UtilityForm w;
    QVERIFY(showActive(w));
    QCOMPARE(QApplication::focusWidget(), control<QPushButton>(w, "GetCurrentDataCommand"));

    // Once round the password layout, back to the start.
    QStringList expected = TabOrder.mid(1);
    expected << TabOrder.first();
    QCOMPARE(pressAndRecord(TabOrder.size()), expected);

    // Backwards from the start reaches the last control first.
    QCOMPARE(pressAndRecord(2, Qt::Key_Backtab),
             (QStringList{"txtSN", "btnPASS_SHARED"}));

    // Clicks into a display box or a hex key box leave the focus where it is.
    control<QPushButton>(w, "GetCurrentDataCommand")->setFocus();
    QTest::mouseClick(control<QLineEdit>(w, "CurrentIPAddressTextBox"), Qt::LeftButton);
    QTest::mouseClick(control<MultiLineTextBox>(w, "CurrentPasswordTextBox")->viewport(),
                      Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), control<QPushButton>(w, "GetCurrentDataCommand"));

    // Shared key layout: the HEX button joins the end of the order, and the
    // password box out of sight leaves it.
    w.applyPasswordLayout(true);
    QTest::mouseClick(control<QLineEdit>(w, "txtNEW_HEX_KEY"), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), control<QPushButton>(w, "GetCurrentDataCommand"));
    expected = TabOrder.mid(1);
    expected.removeOne("NewPasswordTextBox");
    expected << "btnHEX_SELECT" << TabOrder.first();
    QCOMPARE(pressAndRecord(TabOrder.size()), expected);

    for (QWidget *box : currentBoxes(w))
        QVERIFY(!box->isEnabled());
    QVERIFY(!control<MultiLineTextBox>(w, "CurrentPasswordTextBox")->isEnabled());
}

void TestMainWindowLayout::typingIntoListsAndSerialNumberIsDiscarded()
{
    UtilityForm w;
    QVERIFY(showActive(w));

    QComboBox *baud = control<QComboBox>(w, "NewCom1BaudDropDownBox");
    baud->setFocus();
    QTest::keyClicks(baud, "9");
    QCOMPARE(baud->currentIndex(), -1);
    QVERIFY(baud->currentText().isEmpty());

    // Arrow keys still choose; typed digits still change nothing.
    QTest::keyClick(baud, Qt::Key_Down);
    QCOMPARE(baud->currentText(), QStringLiteral("2400"));
    QTest::keyClicks(baud, "9600");
    QTest::keyClick(baud, Qt::Key_Backspace);
    QTest::keyClick(baud, Qt::Key_Space);
    QCOMPARE(baud->currentText(), QStringLiteral("2400"));
    QTest::keyClick(baud, Qt::Key_Down);
    QCOMPARE(baud->currentText(), QStringLiteral("4800"));

    QComboBox *parity = control<QComboBox>(w, "NewCom2ParityDropDownBox");
    parity->setFocus();
    QTest::keyClicks(parity, "oE");
    QCOMPARE(parity->currentIndex(), -1);

    // Dropped down, a list does not search by typing either: Enter takes the
    // item the arrow keys point at, not a typed one.
    QComboBox *encryption = control<QComboBox>(w, "NewEncryptionType");
    encryption->setFocus();
    encryption->showPopup();
    QAbstractItemView *popup = encryption->view();
    QTRY_VERIFY(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Down);
    const QModelIndex pointed = popup->currentIndex();
    QTest::keyClicks(popup, "W2");
    QCOMPARE(popup->currentIndex(), pointed);
    QTest::keyClick(popup, Qt::Key_Enter);
    QTRY_VERIFY(!popup->isVisible());
    QCOMPARE(encryption->currentIndex(), pointed.row());

    control<QLineEdit>(w, "txtSN")->setFocus();
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(w, "txtSN"));
    QTest::keyClicks(control<QLineEdit>(w, "txtSN"), "1234");
    QTest::keyClick(control<QLineEdit>(w, "txtSN"), Qt::Key_Backspace);
    QTest::keyClick(control<QLineEdit>(w, "txtSN"), Qt::Key_Delete);
    QTest::keyClick(control<QLineEdit>(w, "txtSN"), Qt::Key_Home);
    QTest::keyClick(control<QLineEdit>(w, "txtSN"), Qt::Key_Delete);
    QCOMPARE(control<QLineEdit>(w, "txtSN")->text(), QStringLiteral("????"));
    QGuiApplication::clipboard()->setText(QStringLiteral("77"));
    QTest::keySequence(control<QLineEdit>(w, "txtSN"), QKeySequence::Paste);
    QCOMPARE(control<QLineEdit>(w, "txtSN")->text(), QStringLiteral("????"));

    // Tab still leaves both kinds of control.
    QTest::keyClick(control<QLineEdit>(w, "txtSN"), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), control<QPushButton>(w, "btnPASS_SHARED"));
    parity->setFocus();
    QTest::keyClick(parity, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), control<QComboBox>(w, "NewCom2StopBitCombo"));
}

void TestMainWindowLayout::multiLineBoxKeepsItsMaxLength()
{
    UtilityForm w;
    QVERIFY(showActive(w));
    MultiLineTextBox *box = control<MultiLineTextBox>(w, "NewPasswordTextBox");
    QCOMPARE(box->maxLength(), 30);
    const QString thirtyFive = QStringLiteral("abcdefghijklmnopqrstuvwxyz012345678");

    // Typing stops at 30.
    box->setFocus();
    QTest::keyClicks(box, thirtyFive);
    QCOMPARE(box->text(), thirtyFive.left(30));
    // A full box takes no further character, even at its start.
    box->moveCursor(QTextCursor::Start);
    QTest::keyClicks(box, "Z");
    QCOMPARE(box->text(), thirtyFive.left(30));

    // A paste in the middle keeps the text around it and cuts the pasted tail.
    box->setText(QStringLiteral("abc"));
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(1);
    box->setTextCursor(cursor);
    box->insertPlainText(QString(40, QLatin1Char('X')));
    QCOMPARE(box->text(), QStringLiteral("a") + QString(27, QLatin1Char('X')) + "bc");
    QCOMPARE(box->textCursor().position(), 28);

    // Clipboard paste, by the shortcut and by the slot.
    box->clear();
    QGuiApplication::clipboard()->setText(QString(50, QLatin1Char('P')));
    QTest::keySequence(box, QKeySequence::Paste);
    QCOMPARE(box->text(), QString(30, QLatin1Char('P')));
    box->setText(QStringLiteral("0123456789"));
    box->moveCursor(QTextCursor::End);
    box->paste();
    QCOMPARE(box->text(), QStringLiteral("0123456789") + QString(20, QLatin1Char('P')));

    // Undo after a cut paste gives back the text before the paste.
    box->undo();
    QCOMPARE(box->text(), QStringLiteral("0123456789"));

    // setText cuts too; Tab leaves the box instead of going into the text.
    box->setText(thirtyFive);
    QCOMPARE(box->text(), thirtyFive.left(30));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Tab);
    QCOMPARE(box->text(), thirtyFive.left(30));
    QCOMPARE(QApplication::focusWidget(), control<QComboBox>(w, "NewCom1BaudDropDownBox"));

    // The New Data text boxes' limits (addresses that pass their octet check).
    const QString ones = QStringLiteral("1.1.1.1.1.1.1.1.1.1");
    const QList<std::tuple<QLineEdit *, int, QString>> limits{
        {control<QLineEdit>(w, "NewIPAddressTextBox"), 15, ones},
        {control<QLineEdit>(w, "NewSubnetMaskTextBox"), 15, ones},
        {control<QLineEdit>(w, "NewDefaultGatewayTextBox"), 15, ones},
        {control<QLineEdit>(w, "NewPrimaryPortTextBox"), 5, "777777777"},
        {control<QLineEdit>(w, "txtNewSSID"), 21, QString(25, QLatin1Char('s'))}};
    for (const auto &[edit, limit, typed] : limits) {
        edit->setFocus();
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text().size(), limit);
    }
}

void TestMainWindowLayout::passwordRowSwitchesLayouts()
{
    UtilityForm w;
    QVERIFY(showActive(w));
    const QRect currentPassword = control<MultiLineTextBox>(w, "CurrentPasswordTextBox")->geometry();
    const QRect newPassword = control<MultiLineTextBox>(w, "NewPasswordTextBox")->geometry();
    const QRect currentHex = control<QLineEdit>(w, "txtCURRENT_HEX_KEY")->geometry();
    const QRect newHex = control<QLineEdit>(w, "txtNEW_HEX_KEY")->geometry();

    // The constructor's password layout.
    QVERIFY(!w.sharedKeyMode());
    QCOMPARE(control<QPushButton>(w, "btnPASS_SHARED")->text(), QStringLiteral("PASSWORD"));
    QVERIFY(inSight(w, control<MultiLineTextBox>(w, "CurrentPasswordTextBox")));
    QVERIFY(inSight(w, control<MultiLineTextBox>(w, "NewPasswordTextBox")));
    QVERIFY(!inSight(w, control<QLineEdit>(w, "txtCURRENT_HEX_KEY")));
    QVERIFY(!inSight(w, control<QLineEdit>(w, "txtNEW_HEX_KEY")));
    QVERIFY(control<QPushButton>(w, "btnHEX_SELECT")->isHidden());

    control<MultiLineTextBox>(w, "NewPasswordTextBox")->setText(QStringLiteral("secret"));
    w.applyPasswordLayout(true);
    QVERIFY(w.sharedKeyMode());
    QCOMPARE(control<QPushButton>(w, "btnPASS_SHARED")->text(), QStringLiteral("SHARED KEY"));
    QVERIFY(!inSight(w, control<MultiLineTextBox>(w, "CurrentPasswordTextBox")));
    QVERIFY(!inSight(w, control<MultiLineTextBox>(w, "NewPasswordTextBox")));
    QVERIFY(inSight(w, control<QPushButton>(w, "btnHEX_SELECT")));
    // The hex key boxes take the password boxes' places in the row.
    QCOMPARE(control<QLineEdit>(w, "txtCURRENT_HEX_KEY")->geometry(), currentPassword);
    QCOMPARE(control<QLineEdit>(w, "txtNEW_HEX_KEY")->geometry(), newPassword);
    QVERIFY(inSight(w, control<QLineEdit>(w, "txtCURRENT_HEX_KEY")));
    QVERIFY(inSight(w, control<QLineEdit>(w, "txtNEW_HEX_KEY")));
    QCOMPARE(control<QLineEdit>(w, "txtNEW_HEX_KEY")->text(), QStringLiteral("HEX KEY"));
    QVERIFY(!control<QLineEdit>(w, "txtNEW_HEX_KEY")->isEnabled());
    // HEX stands right of the New Data column, clear of it.
    QVERIFY(control<QPushButton>(w, "btnHEX_SELECT")->geometry().left() > newPassword.right());

    // Applying it twice changes nothing more.
    w.applyPasswordLayout(true);
    QCOMPARE(control<QLineEdit>(w, "txtNEW_HEX_KEY")->geometry(), newPassword);
    QVERIFY(control<QPushButton>(w, "btnHEX_SELECT")->isVisible());

    w.applyPasswordLayout(false);
    QVERIFY(!w.sharedKeyMode());
    QCOMPARE(control<QPushButton>(w, "btnPASS_SHARED")->text(), QStringLiteral("PASSWORD"));
    QCOMPARE(control<MultiLineTextBox>(w, "CurrentPasswordTextBox")->geometry(), currentPassword);
    QCOMPARE(control<MultiLineTextBox>(w, "NewPasswordTextBox")->geometry(), newPassword);
    QCOMPARE(control<QLineEdit>(w, "txtCURRENT_HEX_KEY")->geometry(), currentHex);
    QCOMPARE(control<QLineEdit>(w, "txtNEW_HEX_KEY")->geometry(), newHex);
    QVERIFY(control<QPushButton>(w, "btnHEX_SELECT")->isHidden());
    // Switching clears nothing.
    QCOMPARE(control<MultiLineTextBox>(w, "NewPasswordTextBox")->text(), QStringLiteral("secret"));
}

void TestMainWindowLayout::dashResetAndInitialDisplay()
{
    UtilityForm w;
    const QStringList addressBoxes{"CurrentIPAddressTextBox", "CurrentSubnetMaskTextBox",
                                   "CurrentDefaultGatewayTextBox"};
    auto checkDashes = [&] {
        for (QLineEdit *box : currentBoxes(w)) {
            const QString expected = addressBoxes.contains(box->objectName())
                                         ? QStringLiteral("---.---.---.---")
                                         : QStringLiteral("----");
            QVERIFY2(box->text() == expected, qPrintable(box->objectName()));
        }
        QCOMPARE(control<MultiLineTextBox>(w, "CurrentPasswordTextBox")->text(),
                 QStringLiteral("----"));
    };

    // As the window opens.
    checkDashes();
    QCOMPARE(control<QLineEdit>(w, "txtSN")->text(), QStringLiteral("????"));
    QCOMPARE(control<QLineEdit>(w, "txtSN")->palette().color(QPalette::Text),
             control<QLineEdit>(w, "txtSN")->palette().color(QPalette::ButtonText));
    QVERIFY(control<QLineEdit>(w, "txtSN")->isEnabled());
    QVERIFY(control<QLineEdit>(w, "txtSN")->focusPolicy() & Qt::TabFocus);
    QCOMPARE(w.deviceKind(), rallon::DeviceKind::Unknown);
    for (QLineEdit *edit : {control<QLineEdit>(w, "NewIPAddressTextBox"),
                            control<QLineEdit>(w, "NewSubnetMaskTextBox"),
                            control<QLineEdit>(w, "NewDefaultGatewayTextBox"),
                            control<QLineEdit>(w, "NewPrimaryPortTextBox"),
                            control<QLineEdit>(w, "txtNewSSID")})
        QVERIFY(edit->text().isEmpty());
    QVERIFY(control<MultiLineTextBox>(w, "NewPasswordTextBox")->text().isEmpty());

    // After values were shown.
    for (QLineEdit *box : currentBoxes(w))
        box->setText(QStringLiteral("N / A"));
    control<MultiLineTextBox>(w, "CurrentPasswordTextBox")->setText(QStringLiteral("pass"));
    control<QLineEdit>(w, "txtSN")->setText(QStringLiteral(" 4660"));
    control<QLineEdit>(w, "NewIPAddressTextBox")->setText(QStringLiteral("10.0.0.1"));
    w.resetCurrentData();
    checkDashes();
    // The reset touches the Current Data column only.
    QCOMPARE(control<QLineEdit>(w, "txtSN")->text(), QStringLiteral(" 4660"));
    QCOMPARE(control<QLineEdit>(w, "NewIPAddressTextBox")->text(), QStringLiteral("10.0.0.1"));
}

void TestMainWindowLayout::keyEntryWindow()
{
    UtilityForm w;
    QVERIFY(showActive(w));
    QVERIFY(!w.hasPassKeyForm());
    QVERIFY(!w.findChild<PassKeyForm *>());

    PassKeyForm *form = w.frmPASSKEY();
    QVERIFY(form);
    QVERIFY(w.hasPassKeyForm());
    QCOMPARE(w.frmPASSKEY(), form);
    QVERIFY(form->isWindow());
    QVERIFY(form->isHidden());
    QCOMPARE(form->parentWidget(), &w);
    QCOMPARE(form->objectName(), QStringLiteral("frmPASSKEY"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Pass Key"));
    QVERIFY(!(form->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(form->windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(form->keyTexts(), QStringList(64, QStringLiteral("00")));

    // Boxes and labels by name; boxes fill rows of eight, left to right.
    const auto key = [form](int i) { return control<QLineEdit>(*form, QStringLiteral("Key(%1)").arg(i)); };
    QCOMPARE(form->findChildren<QLineEdit *>().size(), 64);
    for (int i = 0; i < 64; ++i) {
        QVERIFY(form->rect().contains(key(i)->geometry()));
        if (i % 8)
            QVERIFY(key(i)->x() > key(i - 1)->geometry().right());
        else if (i)
            QVERIFY(key(i)->y() > key(i - 8)->geometry().bottom());
    }
    QStringList labels;
    for (int row = 0; row < 8; ++row) {
        QLabel *label = control<QLabel>(*form, QStringLiteral("Label1(%1)").arg(row));
        labels << label->text();
        // Each label sits left of its row of boxes.
        QVERIFY(label->geometry().right() < key(row * 8)->x());
    }
    QCOMPARE(labels, (QStringList{"1 - 8", "9 - 16", "17 - 24", "25 - 32", "33 - 40",
                                  "41 - 48", "49 - 56", "57 - 64"}));
    QCOMPARE(control<QPushButton>(*form, "btnPASSKEYDONE")->text(), QStringLiteral("DONE"));

    // Shown: fixed size, tab order through the boxes to DONE.
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QCOMPARE(form->size(), QSize(626, 713));
    QTRY_COMPARE(QApplication::activeWindow(), form);
    key(0)->setFocus();
    const QStringList order = pressAndRecord(65);
    QCOMPARE(order.first(), QStringLiteral("Key(1)"));
    QCOMPARE(order.at(62), QStringLiteral("Key(63)"));
    QCOMPARE(order.at(63), QStringLiteral("btnPASSKEYDONE"));
    QCOMPARE(order.at(64), QStringLiteral("Key(0)"));
    for (int i = 1; i < 64; ++i)
        QCOMPARE(order.at(i - 1), QStringLiteral("Key(%1)").arg(i));

    // Two characters at most.
    key(5)->selectAll();
    QTest::keyClicks(key(5), "ABC");
    QCOMPARE(key(5)->text(), QStringLiteral("AB"));

    // DONE hides and keeps the values.
    QStringList texts = form->keyTexts();
    texts[0] = "1F";
    texts[63] = "7";
    form->setKeyTexts(texts);
    QTest::mouseClick(control<QPushButton>(*form, "btnPASSKEYDONE"), Qt::LeftButton);
    QVERIFY(form->isHidden());
    QVERIFY(w.isVisible());
    QCOMPARE(w.frmPASSKEY(), form);
    QCOMPARE(form->keyTexts(), texts);

    // The close box hides too and keeps the values.
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QPointer<PassKeyForm> guard(form);
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard);
    QVERIFY(form->isHidden());
    QVERIFY(w.hasPassKeyForm());
    QCOMPARE(w.frmPASSKEY(), form);
    QCOMPARE(form->keyTexts(), texts);
    QVERIFY(w.isVisible());
}

void TestMainWindowLayout::smallScreenScrollsToEveryControl()
{
    QScreen *laptop = QGuiApplication::screens().value(1);
    if (!laptop)
        QSKIP("one screen: not the offscreen platform");
    UtilityForm w;
    w.move(laptop->geometry().topLeft());
    QVERIFY(showActive(w));
    QCOMPARE(w.screen(), laptop);
    for (const QString &name : ControlNames) {
        QWidget *c = control<QWidget>(w, name);
        // Not the password row's boxes out of sight.
        if (c->isVisibleTo(&w) && c->parentWidget()->rect().contains(c->geometry()))
            QVERIFY2(inReach(w, c), qPrintable(name));
    }
    // The scroll area takes no place in the tab order.
    control<QWidget>(w, "GetCurrentDataCommand")->setFocus();
    QCOMPARE(pressAndRecord(TabOrder.size()), TabOrder.mid(1) + QStringList{"GetCurrentDataCommand"});
    PassKeyForm *keys = w.frmPASSKEY();
    keys->move(laptop->geometry().topLeft());
    keys->show();
    QVERIFY(QTest::qWaitForWindowExposed(keys));
    QVERIFY(inReach(*keys, control<QPushButton>(*keys, "btnPASSKEYDONE")));
}

QTEST_MAIN(TestMainWindowLayout)
#include "test_main_window_layout.moc"
