#include "WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWidget>
#include <QWindow>

namespace rallon::kit {

void centreOnScreen(QWidget &window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect area(QPoint(), window.size());
    area.moveCenter(screen->geometry().center());
    window.setGeometry(area);
}

namespace {

class ScreenFit : public QObject
{
public:
    ScreenFit(QWidget &window, QWidget &client) : QObject(&window), m_window(window), m_client(client)
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &m_window && event->type() == QEvent::Show) {
            watchWindow();
            fit();
        } else if (watched == m_watched && m_window.isVisible() && frameMargins() != m_margins
                   && (event->type() == QEvent::Expose || event->type() == QEvent::Move
                       || event->type() == QEvent::Resize)) {
            // The window manager has framed the window since.
            QMetaObject::invokeMethod(this, &ScreenFit::fit, Qt::QueuedConnection);
        }
        return false;
    }

private:
    QMargins frameMargins() const
    {
        const QWindow *handle = m_window.windowHandle();
        return handle ? handle->frameMargins() : QMargins();
    }

    void watchWindow()
    {
        QWindow *handle = m_window.windowHandle();
        if (!handle || m_watched == handle)
            return;
        m_watched = handle;
        handle->installEventFilter(this);
        connect(handle, &QWindow::screenChanged, this, [this](QScreen *screen) {
            watchArea(screen);
            fit();
        });
        watchArea(handle->screen());
    }

    void watchArea(QScreen *screen)
    {
        disconnect(m_area);
        if (screen)
            m_area = connect(screen, &QScreen::availableGeometryChanged, this, &ScreenFit::fit);
    }

    // The client in a scroll area, in the client's place in the window.
    void wrap()
    {
        m_scroll = new QScrollArea(&m_window);
        m_scroll->setObjectName(m_client.objectName() + QStringLiteral("Scroll"));
        m_scroll->setFrameShape(QFrame::NoFrame);
        m_scroll->setFocusPolicy(Qt::NoFocus);
        if (auto *main = qobject_cast<QMainWindow *>(&m_window)) {
            main->takeCentralWidget();
            m_scroll->setWidget(&m_client);
            main->setCentralWidget(m_scroll);
        } else {
            delete m_window.layout()->replaceWidget(&m_client, m_scroll);  // the client's old item
            m_scroll->setWidget(&m_client);
        }
        m_scroll->show();
    }

    void fit()
    {
        const QScreen *screen = m_window.screen();
        if (!screen || !m_window.layout())
            return;
        m_margins = frameMargins();
        const QRect area = screen->availableGeometry();
        const QSize frame(m_margins.left() + m_margins.right(), m_margins.top() + m_margins.bottom());

        m_window.layout()->activate();
        QWidget *holder = m_scroll ? static_cast<QWidget *>(m_scroll) : &m_client;
        // Window and frame around the client: the menu bar, the frame.
        const QSize chrome = m_window.size() - holder->size() + frame;
        const QSize whole = m_client.size() + chrome;
        QRect outer(m_window.geometry().topLeft() - QPoint(m_margins.left(), m_margins.top()), whole);
        const bool holds = whole.width() <= area.width() && whole.height() <= area.height();
        if (holds && outer.right() <= area.right() && outer.bottom() <= area.bottom()) {
            if (m_scroll) {
                m_scroll->setFixedSize(m_client.size());
                m_window.layout()->activate();
            }
            return;
        }

        if (!holds && !m_scroll)
            wrap();
        if (m_scroll) {
            const QSize room = area.size() - chrome;
            const int bar = m_scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll);
            const QSize need = m_client.size();
            bool across = need.width() > room.width();
            const bool down = need.height() > room.height() - (across ? bar : 0);
            across = need.width() > room.width() - (down ? bar : 0);
            m_scroll->setFixedSize(qMin(need.width() + (down ? bar : 0), room.width()),
                                   qMin(need.height() + (across ? bar : 0), room.height()));
            m_window.layout()->activate();
            outer.setSize(m_window.size() + frame);
        }
        outer.moveLeft(qMax(area.left(), qMin(outer.left(), area.right() + 1 - outer.width())));
        outer.moveTop(qMax(area.top(), qMin(outer.top(), area.bottom() + 1 - outer.height())));
        m_window.setGeometry(QRect(outer.topLeft() + QPoint(m_margins.left(), m_margins.top()), m_window.size()));
    }

    QWidget &m_window;
    QWidget &m_client;
    QScrollArea *m_scroll = nullptr;
    QMargins m_margins;
    QPointer<QWindow> m_watched;
    QMetaObject::Connection m_area;
};

}  // namespace

void fitToScreen(QWidget &window, QWidget &client)
{
    new ScreenFit(window, client);
}

}  // namespace rallon::kit
