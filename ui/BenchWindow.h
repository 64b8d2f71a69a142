#pragma once

// The bench window (FILE > PROVISION DEVICES...): a batch of devices
// configured one after another on the main window's port by the bench loop
// rallon-cli provision runs, with the same set-up checks and ledger. The
// set-up is checked whole before the port is touched; START runs the loop
// until STOP, the count or the window's close, each of which ends it
// between steps.

#include "BenchLoop.h"
#include "FileActions.h"
#include "Ledger.h"

#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace rallon {

namespace batch {
class BenchEvents;
class Stop;
}  // namespace batch

class BenchWindowView;

class BenchWindow : public QWidget
{
    Q_OBJECT
public:
    // On PC serial port `portNumber`, each exchange bounded by `timeoutMs`.
    BenchWindow(int portNumber, int timeoutMs, QWidget *parent = nullptr);
    ~BenchWindow() override;

    bool isRunning() const { return bool(m_stop); }
    // Ends a run between steps (none: nothing to do); `then` runs once it
    // has ended, or at once when none runs.
    void stopThen(std::function<void()> then);

    // Tests replace the file dialog and the bell.
    void setChooser(FileActions::Chooser chooser) { m_chooser = std::move(chooser); }
    void setBell(std::function<void()> bell) { m_bell = std::move(bell); }

    // What START does; returns when the run has ended (at once when the
    // set-up is refused).
    void start();

signals:
    // Right before the loop opens the port, and after it let it go.
    void runStarting();
    void runEnded();
    // The state line says `state`.
    void stateShown(const QString &state);
    // A device's final ledger line, on the disk.
    void deviceRecorded(const rallon::provision::LedgerEntry &entry);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    friend class BenchWindowView;
    // The run's events as the window shows them.
    std::unique_ptr<batch::BenchEvents> events();

    std::optional<batch::BenchLoopOptions> checkedSetup();
    void chooseInto(QLineEdit *box, const QString &title, const QStringList &filters, bool save);
    void showTemplate();
    void showSettings(const document::Wanted &wanted, const QString &note = QString());
    void showHistory();
    void addRow(const provision::LedgerEntry &entry, bool history);
    void setState(const QString &state);
    void showDevice(const QString &text, const QColor &colour);
    void ring(int times);
    void refuse(const QString &title, const QString &text);

    int m_port;
    int m_timeoutMs;
    QLineEdit *m_template, *m_range, *m_inventory, *m_ledger;
    QLabel *m_templateSettings, *m_state, *m_device, *m_counts;
    QSpinBox *m_count;
    QCheckBox *m_dryRun;
    QPushButton *m_start, *m_stopButton;
    QTableWidget *m_table;
    FileActions::Chooser m_chooser;
    std::function<void()> m_bell;
    std::unique_ptr<batch::Stop> m_stop;  // while a run goes on
    std::vector<std::function<void()>> m_afterRun;
};

}  // namespace rallon
