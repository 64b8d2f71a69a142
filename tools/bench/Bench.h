#pragma once

// The measurement: start-up probes, the real start sequence, the main window
// retrieving from the device thread, idle and memory.

#include "Clock.h"
#include "DeviceThread.h"
#include "Program.h"
#include "Report.h"
#include "Retrieve.h"
#include "SimDevice.h"

#include <QList>
#include <QObject>

class QWidget;
class UtilityForm;

namespace rallon::bench {

class Bench : public QObject
{
public:
    // Measures, prints the table; with `samples` also one line per retrieve.
    int run(bool samples);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Sample {
        qint64 clickAt = 0, filledAt = 0, paintedAt = 0;
        ThreadTimes filledGui;  // the GUI thread's times at the filled window
    };

    bool retrieve(Sample *sample);
    void checkDecoding(Results *r);
    int measure(Results *results);
    int fail(const QString &text);

    const QString m_model = QStringLiteral("wireless-password");
    Waiter m_waiter;
    DeviceThread m_sim{m_model, [this] {
        QMetaObject::invokeMethod(this, [this] { m_waiter.poke(); }, Qt::QueuedConnection);
    }};
    RecordDisplay m_expected = displayOf(*simModel(m_model));
    QList<Message> m_messages;
    int m_ends = 0;

    // Compared with, never used: the filter may see them as they go.
    QObject *m_splash = nullptr;
    QObject *m_ipBox = nullptr;
    int m_splashPaints = 0;
    CpuSpan m_splashSpan;
    UtilityForm *m_form = nullptr;
    QWidget *m_retrieveButton = nullptr;

    // The retrieve under way.
    qint64 m_filledAt = 0;
    ThreadClock m_guiThread;
    ThreadTimes m_filledGui;
    bool m_filledRight = false;
    bool m_boxPainted = false;
    qint64 m_paintedAt = 0;
    bool m_inUpdate = false;
};

}  // namespace rallon::bench
