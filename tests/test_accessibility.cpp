// Every control of every window can be named by a screen reader, with the
// caption of its row and column.

#include "CommPortForm.h"
#include "SplashForm.h"
#include "OffscreenScreens.h"
#include "UtilityForm.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

namespace {

QString spokenName(QWidget *widget)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

// Controls a user can see, read or operate, with their spoken names.
QMap<QString, QString> namesIn(QWidget *window)
{
    QMap<QString, QString> names;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)
                             || qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QAbstractButton *>(w)
                             || qobject_cast<QLabel *>(w);
        if (control && !w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
            names.insert(w->objectName(), spokenName(w));
    }
    return names;
}

void verifyAllNamed(const QMap<QString, QString> &names)
{
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        QVERIFY2(!it.value().trimmed().isEmpty(), qPrintable(it.key() + " has no name"));
}

}  // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

public:
    // The windows as on a screen that holds them.
    static void initMain() { rallon::useOffscreenScreens(rallon::BigScreen); }

private slots:
    void mainWindowControlsAreNamedByRowAndColumn()
    {
        UtilityForm form;
        const auto names = namesIn(&form);
        QVERIFY(names.size() >= 56);
        verifyAllNamed(names);
        QCOMPARE(names.value("CurrentIPAddressTextBox"), QString("Current IP address"));
        QCOMPARE(names.value("NewIPAddressTextBox"), QString("New IP address"));
        QCOMPARE(names.value("NewPasswordTextBox"), QString("New password"));
        QCOMPARE(names.value("NewCom2ParityDropDownBox"), QString("New Comm 2 parity"));
        QCOMPARE(names.value("CurrentCom1StopBitTextBox"), QString("Current Comm 1 stop bits"));
        QCOMPARE(names.value("txtSN"), QString("Serial number"));
        QCOMPARE(names.value("GetCurrentDataCommand"), QString("RETRIEVE CONFIGURATION"));

        // Each entry control has a name of its own.
        QStringList entries;
        for (auto it = names.cbegin(); it != names.cend(); ++it)
            if (it.key().startsWith("New") || it.key().startsWith("txtNew"))
                entries.append(it.value());
        QCOMPARE(QSet<QString>(entries.begin(), entries.end()).size(), entries.size());
    }

    void smallWindowsAreNamed()
    {
        UtilityForm form;
        const auto keys = namesIn(form.frmPASSKEY());
        verifyAllNamed(keys);
        QCOMPARE(keys.value("Key(0)"), QString("Key octet 1"));
        QCOMPARE(keys.value("Key(63)"), QString("Key octet 64"));

        CommPortForm port;
        verifyAllNamed(namesIn(&port));
        QCOMPARE(namesIn(&port).value("txtCOMMPORT_NO"), QString("COMM port number"));

        SplashForm splash;
        verifyAllNamed(namesIn(&splash));
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
