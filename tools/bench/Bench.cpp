#include "Bench.h"

#include "Artwork.h"
#include "CommPortForm.h"
#include "SplashForm.h"
#include "StartupProbe.h"
#include "Startup.h"
#include "UtilityForm.h"
#include "WindowBench.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <cstdio>

using namespace rallon::kit;

namespace rallon::bench {

namespace {

constexpr int IdleMs = 10000;
constexpr int GapMs = 20;  // between retrieves: the dashes are painted, the line is quiet
constexpr int RetrieveTimeoutMs = 3000;

}  // namespace

int Bench::fail(const QString &text)
{
    std::fprintf(stderr, "rallon-bench: %s\n", qPrintable(text));
    for (const Message &message : std::as_const(m_messages))
        std::fprintf(stderr, "rallon-bench: message box: %s: %s\n", qPrintable(message.title),
                     qPrintable(displayText(message.text)));
    m_sim.stop();
    return 1;
}

bool Bench::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Hide:
        if (watched == m_splash && !m_splashSpan.ended())
            m_splashSpan.end();
        break;
    case QEvent::Expose:
        m_waiter.poke();
        break;
    case QEvent::Paint:
        if (watched == m_splash)
            ++m_splashPaints;
        if (watched == m_ipBox && m_filledAt)
            m_boxPainted = true;
        break;
    case QEvent::UpdateRequest:
        // The window's repaint: handled here and now, then timed.
        if (m_filledAt && !m_paintedAt && !m_inUpdate) {
            m_inUpdate = true;
            QCoreApplication::sendEvent(watched, event);
            m_inUpdate = false;
            if (m_boxPainted) {
                m_paintedAt = nowNs();
                m_waiter.poke();
            }
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

bool Bench::retrieve(Sample *sample)
{
    m_form->resetCurrentData();
    Waiter::serve(GapMs);
    m_filledAt = 0;
    m_filledRight = false;
    m_boxPainted = false;
    m_paintedAt = 0;
    const int answers = m_sim.answersDone();

    sample->clickAt = nowNs();
    QTest::mouseClick(m_retrieveButton, Qt::LeftButton);
    const bool done = m_waiter.until(
        [&] { return m_filledAt && m_paintedAt && m_sim.answersDone() > answers; }, RetrieveTimeoutMs);
    sample->filledAt = m_filledAt;
    sample->paintedAt = m_paintedAt;
    sample->filledGui = m_filledGui;
    return done && m_filledRight && m_messages.isEmpty();
}

// How much slower the same code runs when it has not run for a while.
void Bench::checkDecoding(Results *r)
{
    const QByteArray record = encodeRecord(*simModel(m_model));
    auto decodeMs = [&] {
        const qint64 before = m_guiThread.now().runNs;
        const bool decoded = displayOf(*decodeRecord(record)).current[Setting::Ip] == m_expected.current[Setting::Ip];
        return decoded ? double(m_guiThread.now().runNs - before) / 1e6 : -1;
    };
    for (int i = 0; i < ColdChecks; ++i) {
        Waiter::serve(RecordLineMs);
        r->coldDecode.push_back(decodeMs());
        r->hotDecode.push_back(decodeMs());
    }
}

int Bench::measure(Results *r)
{
    setMessageHook([this](const Message &message) {
        m_messages.append(message);
        m_waiter.poke();
    });
    setEndProgramHook([this] {
        ++m_ends;
        m_waiter.poke();
    });
    r->loadBefore = loadAverage();

    // (d) Start-up to the splash window, in child processes.
    for (int i = 0; i < StartupProbes; ++i) {
        StartupTimes result;
        if (!runStartupProbe(m_waiter, &result))
            return fail(QStringLiteral("the start-up probe failed"));
        r->exposeMs.push_back(result.exposeMs);
        r->paintedMs.push_back(result.paintedMs);
        r->probePeakMiB = std::max(r->probePeakMiB, result.peakMiB);
    }

    // (b) The real start sequence with the shipped splash time.
    r->build.begin();
    QApplication::setWindowIcon(artwork::windowIcon());
    Startup startup;
    r->build.end();
    m_splash = startup.frmSplash1();
    m_splash->installEventFilter(this);
    m_splashSpan.begin();
    startup.run();
    if (!m_splashSpan.ended())
        m_splashSpan.end();
    r->splash = m_splashSpan;
    r->splashPaints = m_splashPaints;

    QString path, error;
    if (!m_sim.start(&path, &error))
        return fail(QStringLiteral("cannot open a pseudo-terminal: ") + error);
    WindowBench::routePortsTo(path);
    control<QLineEdit>(*startup.frmCOMMPORT(), QStringLiteral("txtCOMMPORT_NO"))->setText(QStringLiteral("1"));
    QTest::mouseClick(control<QPushButton>(*startup.frmCOMMPORT(), QStringLiteral("btnCOMMPORTDONE")), Qt::LeftButton);
    m_form = startup.mainWindow();
    if (!m_form || m_ends || !m_messages.isEmpty())
        return fail(QStringLiteral("the main window did not open on ") + path);

    // Looked up once: the lookups stay out of the measured stretch.
    m_retrieveButton = control<QPushButton>(*m_form, "GetCurrentDataCommand");
    auto *ipBox = control<QLineEdit>(*m_form, "CurrentIPAddressTextBox");
    auto *serialNumberBox = control<QLineEdit>(*m_form, "txtSN");
    // The Current Data column is filled by now.
    QObject::connect(m_form, &UtilityForm::recordShown, this, [this, ipBox, serialNumberBox] {
        m_filledAt = nowNs();
        m_filledGui = m_guiThread.now();
        m_filledRight = ipBox->text() == m_expected.current[Setting::Ip]
                        && serialNumberBox->text() == m_expected.serialNumber;
        m_waiter.poke();
    });
    m_ipBox = ipBox;
    m_ipBox->installEventFilter(this);
    m_form->installEventFilter(this);
    QWindow *window = m_form->windowHandle();
    if (!window)
        return fail(QStringLiteral("the main window has no native window"));
    window->installEventFilter(this);
    if (!m_waiter.until([&] { return window->isExposed(); }, 5000))
        return fail(QStringLiteral("the main window was never exposed"));

    // (b) Idle after a retrieve.
    Sample first;
    if (!retrieve(&first))
        return fail(QStringLiteral("the first retrieve failed"));
    r->idle.begin();
    Waiter::serve(IdleMs);
    r->idle.end();
    checkDecoding(r);

    // (a) Retrieves, (c) memory after them.
    m_sim.clear();
    std::vector<Sample> samples(Retrieves);
    for (int i = 0; i < Retrieves; ++i) {
        if (!retrieve(&samples[size_t(i)]))
            return fail(QStringLiteral("retrieve %1 of %2 failed").arg(i + 1).arg(Retrieves));
    }
    r->peakMiB = peakMiB();
    const DeviceThread::Times times = m_sim.times();
    m_sim.stop();
    if (times.lastOctet.size() != samples.size() || times.firstOctet.size() != samples.size())
        return fail(QStringLiteral("the device sent %1 answers for %2 retrieves")
                        .arg(times.lastOctet.size())
                        .arg(samples.size()));
    for (size_t i = 0; i < samples.size(); ++i) {
        const Sample &sample = samples[i];
        r->latency.push_back(double(sample.filledAt - sample.clickAt) / 1e6);
        r->overhead.push_back(double(sample.filledAt - times.lastOctet[i]) / 1e6);
        r->answer.push_back(double(times.lastOctet[i] - times.firstOctet[i]) / 1e6);
        r->repaint.push_back(double(sample.paintedAt - sample.filledAt) / 1e6);
        r->guiRan.push_back(double(sample.filledGui.runNs - times.gui[i].runNs) / 1e6);
        r->guiWaited.push_back(double(sample.filledGui.waitNs - times.gui[i].waitNs) / 1e6);
    }
    return 0;
}

int Bench::run(bool samples)
{
    Results results;
    const int code = measure(&results);
    if (code == 0)
        printReport(results, samples);
    return code;
}

}  // namespace rallon::bench
