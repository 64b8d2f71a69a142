#include "StartupProbe.h"

#include "Artwork.h"
#include "Clock.h"
#include "SplashForm.h"
#include "Startup.h"

#include <QApplication>
#include <QProcess>
#include <QTimer>
#include <QWindow>

#include <cstdio>

using namespace rallon::kit;

namespace rallon::bench {

namespace {

constexpr int ProbeTimeoutMs = 20000;

class SplashWatch : public QObject
{
public:
    void watch(SplashForm *splash) { m_splash = splash; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_splash || m_done)
            return false;
        if (event->type() == QEvent::Paint && watched == m_splash) {
            m_painted = true;
            if (!m_exposeAt)
                return false;
            if (!m_handlingExpose)  // painted later than the expose
                finish(nowNs());
            return false;
        }
        if (event->type() == QEvent::Expose && !m_exposeAt && m_splash->windowHandle()
            && watched == m_splash->windowHandle()) {
            m_exposeAt = nowNs();
            // Handled here and now (the window paints and flushes), then timed.
            m_handlingExpose = true;
            QCoreApplication::sendEvent(watched, event);
            m_handlingExpose = false;
            if (m_painted)
                finish(nowNs());
            return true;
        }
        return false;
    }

private:
    void finish(qint64 paintedAt)
    {
        m_done = true;
        std::printf("expose %lld\npainted %lld\nmaxrss %ld\n", static_cast<long long>(m_exposeAt),
                    static_cast<long long>(paintedAt), usageNow().ru_maxrss);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    }

    SplashForm *m_splash = nullptr;
    qint64 m_exposeAt = 0;
    bool m_handlingExpose = false;
    bool m_painted = false;
    bool m_done = false;
};

}  // namespace

// As main.cpp starts the program, with a watch on the splash window.
int probeStartup(QApplication &app)
{
    QApplication::setWindowIcon(artwork::windowIcon());
    Startup startup;
    SplashWatch watch;
    app.installEventFilter(&watch);
    watch.watch(startup.frmSplash1());
    QTimer::singleShot(0, &startup, &Startup::run);
    QTimer::singleShot(ProbeTimeoutMs, &app, [] {
        std::printf("timeout\n");
        std::fflush(stdout);
        QCoreApplication::exit(1);
    });
    return app.exec();
}

bool runStartupProbe(Waiter &waiter, StartupTimes *result)
{
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments({ProbeOption});
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&process, &QProcess::finished, &process, [&waiter] { waiter.poke(); });
    QObject::connect(&process, &QProcess::errorOccurred, &process, [&waiter] { waiter.poke(); });
    const qint64 startAt = nowNs();
    process.start();
    if (!waiter.until([&] { return process.state() == QProcess::NotRunning; }, ProbeTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    qint64 exposeAt = 0, paintedAt = 0;
    long peak = 0;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 2)
            continue;
        if (parts[0] == "expose")
            exposeAt = parts[1].toLongLong();
        else if (parts[0] == "painted")
            paintedAt = parts[1].toLongLong();
        else if (parts[0] == "maxrss")
            peak = parts[1].toLong();
    }
    if (process.exitCode() != 0 || !exposeAt || !paintedAt)
        return false;
    result->exposeMs = double(exposeAt - startAt) / 1e6;
    result->paintedMs = double(paintedAt - startAt) / 1e6;
    result->peakMiB = double(peak) / 1024;
    return true;
}

}  // namespace rallon::bench
