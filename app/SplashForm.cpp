#include "SplashForm.h"

#include "Artwork.h"
#include "StartupTexts.h"
#include "Style.h"
#include "WindowPlacement.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

using namespace rallon::kit;

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &rect)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(rect);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// On X11 Qt names a window with an empty title after the program
// (_NET_WM_NAME "rallon-config"); the window keeps no name at all instead.
void dropFallbackName(QWidget &window)
{
#if QT_CONFIG(xcb)
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;  // the offscreen platform offers the interface too, without a display
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    static const char name[] = "_NET_WM_NAME";
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    if (!atom)
        return;
    xcb_delete_property(connection, xcb_window_t(window.winId()), atom->atom);
    xcb_flush(connection);
    free(atom);
#else
    Q_UNUSED(window);
#endif
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

    auto *fraMainFrame = new QFrame(this);
    fraMainFrame->setObjectName(QStringLiteral("fraMainFrame"));
    fraMainFrame->setGeometry(twipsRect(0, 0, 7380, 4590));
    fraMainFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);

    QLabel *picLogo = makeLabel(fraMainFrame, "picLogo", twipsRect(480, 480, 3825, 885));
    picLogo->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    picLogo->setPixmap(artwork::splashLogoBitmap());

    QLabel *Image1 = makeLabel(fraMainFrame, "Image1", twipsRect(1560, 1440, 4620, 1290));
    Image1->setPixmap(artwork::splashLogoPicture());
    picLogo->setAccessibleName(rallon::startup_text::Splash.smallLogoName);
    Image1->setAccessibleName(rallon::startup_text::Splash.logoName);

    QLabel *lblVersion = makeLabel(fraMainFrame, "lblVersion", twipsRect(3435, 2880, 2025, 300));
    lblVersion->setText(rallon::startup_text::Splash.version);
    lblVersion->setFont(sansFont(12, true));
    // The label fits its text; the stand-in face runs wider than the width given.
    lblVersion->resize(qMax(lblVersion->width(), lblVersion->sizeHint().width()),
                       lblVersion->height());

    QLabel *Label1 = makeLabel(fraMainFrame, "Label1", twipsRect(3480, 3240, 1665, 345));
    Label1->setText(rallon::startup_text::Splash.date);
    Label1->setFont(sansFont(12, true));
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::Window, Qt::white);
    Label1->setPalette(palette);
    Label1->setAutoFillBackground(true);

    centreOnScreen(*this);
}

// The native window exists by now and is not mapped yet.
void SplashForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    dropFallbackName(*this);
}
