#include "CommPortForm.h"

#include "EntryRules.h"
#include "PortList.h"
#include "Program.h"
#include "StartupTexts.h"
#include "Style.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

using namespace rallon::kit;

qint16 CommPortNumber = 0;

namespace {

// The tooltip lists the ports present when it is shown, with their numbers.
class PortsToolTip : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ToolTip)
            static_cast<QWidget *>(watched)->setToolTip(
                rallon::startup_text::PortWindow.portsToolTip + rallon::portListText(rallon::presentPorts()));
        return QObject::eventFilter(watched, event);
    }
};

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption,
                        const QRect &rect)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(rect);
    button->setFont(sansFont(8.25, true));
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

CommPortForm::CommPortForm(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmCOMMPORT"));
    setWindowTitle(rallon::startup_text::PortWindow.caption);
    setFixedSize(twips(4680), twips(3195));
    // The program ends through endProgram() alone.
    setAttribute(Qt::WA_QuitOnClose, false);

    txtCOMMPORT_NO = new QLineEdit(rallon::startup_text::PortWindow.proposedPort, this);
    txtCOMMPORT_NO->setObjectName(QStringLiteral("txtCOMMPORT_NO"));
    txtCOMMPORT_NO->setAccessibleName(rallon::startup_text::PortWindow.boxName);
    txtCOMMPORT_NO->setGeometry(twipsRect(1680, 1080, 1335, 735));
    txtCOMMPORT_NO->setFont(sansFont(24, false));
    txtCOMMPORT_NO->setAlignment(Qt::AlignCenter);
    txtCOMMPORT_NO->setMaxLength(2);
    // Pasted or dropped text obeys the same rule as typing.
    txtCOMMPORT_NO->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,2}")), txtCOMMPORT_NO));
    rallon::applyEntryRule(txtCOMMPORT_NO, rallon::EntryRule::Port);
    txtCOMMPORT_NO->installEventFilter(new PortsToolTip(txtCOMMPORT_NO));

    auto *lblCOMMPORT = new QLabel(rallon::startup_text::PortWindow.useCommPort, this);
    lblCOMMPORT->setObjectName(QStringLiteral("lblCOMMPORT"));
    lblCOMMPORT->setGeometry(twipsRect(960, 360, 2775, 615));
    lblCOMMPORT->setFont(sansFont(13.5, true));
    lblCOMMPORT->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QPushButton *btnCOMMPORTDONE = makeButton(this, "btnCOMMPORTDONE", rallon::startup_text::PortWindow.done,
                                              twipsRect(360, 2160, 1575, 735));
    QPushButton *btnEXIT = makeButton(this, "btnEXIT", rallon::startup_text::PortWindow.exit,
                                      twipsRect(2760, 2160, 1575, 735));

    setTabOrder(txtCOMMPORT_NO, btnCOMMPORTDONE);
    setTabOrder(btnCOMMPORTDONE, btnEXIT);
    txtCOMMPORT_NO->setFocus();

    connect(btnCOMMPORTDONE, &QPushButton::clicked, this, &CommPortForm::doneClicked);
    connect(btnEXIT, &QPushButton::clicked, this, &CommPortForm::exitClicked);

    centreOnScreen(*this);
}

void CommPortForm::focusNumber()
{
    txtCOMMPORT_NO->setFocus();
}

void CommPortForm::doneClicked()
{
    CommPortNumber = qint16(txtCOMMPORT_NO->text().toInt());
    if (CommPortNumber < 1 || CommPortNumber > 25) {
        rallon::kit::showMessage(this, rallon::startup_text::PortWindow.invalidPort);
        return;
    }
    hide();
    emit portChosen(CommPortNumber);
}

void CommPortForm::exitClicked()
{
    hide();
    rallon::kit::endProgram();
}

void CommPortForm::closeEvent(QCloseEvent *event)
{
    event->accept();
    exitClicked();
}
