#include "SplashForm.h"

#include "Artwork.h"
#include "StartupTexts.h"
#include "Style.h"
#include "WindowPlacement.h"

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &rect)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(rect);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

SplashForm::SplashForm(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint
                          | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("frmSplash1"));
    setWindowTitle(QString());
    setFixedSize(twips(7245), twips(4605));
    // Closing it by other means only hides it; it never ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    fraMainFrame = new QFrame(this);
    fraMainFrame->setObjectName(QStringLiteral("fraMainFrame"));
    fraMainFrame->setGeometry(twipsRect(0, 0, 7380, 4590));
    fraMainFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);

    picLogo = makeLabel(fraMainFrame, "picLogo", twipsRect(480, 480, 3825, 885));
    picLogo->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    picLogo->setPixmap(artwork::splashLogoBitmap());

    Image1 = makeLabel(fraMainFrame, "Image1", twipsRect(1560, 1440, 4620, 1290));
    Image1->setPixmap(artwork::splashLogoPicture());
    picLogo->setAccessibleName(startup_text::SmallLogoName);
    Image1->setAccessibleName(startup_text::LogoName);

    lblVersion = makeLabel(fraMainFrame, "lblVersion", twipsRect(3435, 2880, 2025, 300));
    lblVersion->setText(startup_text::Version);
    lblVersion->setFont(sansFont(12, true));
    // The label fits its text; the stand-in face runs wider than the width given.
    lblVersion->resize(qMax(lblVersion->width(), lblVersion->sizeHint().width()),
                       lblVersion->height());

    Label1 = makeLabel(fraMainFrame, "Label1", twipsRect(3480, 3240, 1665, 345));
    Label1->setText(startup_text::Date);
    Label1->setFont(sansFont(12, true));
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::Window, Qt::white);
    Label1->setPalette(palette);
    Label1->setAutoFillBackground(true);

    centreOnScreen(*this);
}
