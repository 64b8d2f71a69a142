#include "BenchWindow.h"

#include "AddressPolicy.h"
#include "BenchEvents.h"
#include "BenchSetup.h"
#include "BenchWindowTexts.h"
#include "FileDialog.h"
#include "Captions.h"
#include "Inventory.h"
#include "Ledger.h"
#include "Program.h"
#include "Stop.h"
#include "Style.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

namespace rallon {

namespace text = benchwindow_text;
using namespace document;
using namespace provision;

namespace {

// What a run returns when STOP or the window's close ended it.
constexpr int StoppedHere = -1;
// The bell's rings for a failure, this far apart.
constexpr int RingGapMs = 250;

// A file of the set-up, whole.
std::optional<QByteArray> readWhole(const QString &path, QString *reason)
{
    return readWholeFile(path, text::NotAFile, text::TooLarge, reason);
}

QLabel *label(QWidget *parent, const char *name, const QString &text = QString())
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

}  // namespace

BenchWindow::BenchWindow(int portNumber, int timeoutMs, QWidget *parent)
    : QWidget(parent, Qt::Window), m_port(portNumber), m_timeoutMs(timeoutMs)
{
    setObjectName(QStringLiteral("BenchWindow"));
    setWindowTitle(text::Caption);
    setFont(kit::sansFont(10, false));
    auto *grid = new QGridLayout(this);
    int row = 0;
    const auto fileRow = [&](const char *name, const QString &caption, const QString &title,
                             const QStringList &filters, bool save) {
        auto *box = new QLineEdit(this);
        box->setObjectName(QLatin1String(name) + QStringLiteral("TextBox"));
        auto *button = new QPushButton(text::Choose, this);
        button->setObjectName(QLatin1String(name) + QStringLiteral("Button"));
        button->setAccessibleName(title);
        QLabel *l = label(this, "", caption);
        l->setBuddy(box);
        grid->addWidget(l, row, 0);
        grid->addWidget(box, row, 1);
        grid->addWidget(button, row, 2);
        ++row;
        connect(button, &QPushButton::clicked, this, [=] { chooseInto(box, title, filters, save); });
        return box;
    };
    m_template = fileRow("Template", text::Template, text::TemplateTitle, text::TemplateFilters, false);
    m_templateSettings = label(this, "TemplateSettingsLabel", text::NoTemplate);
    m_templateSettings->setFont(kit::monoFont(9));
    m_templateSettings->setTextFormat(Qt::PlainText);
    grid->addWidget(m_templateSettings, row++, 1, 1, 2);
    connect(m_template, &QLineEdit::editingFinished, this, &BenchWindow::showTemplate);

    m_range = new QLineEdit(this);
    m_range->setObjectName(QStringLiteral("RangeTextBox"));
    m_range->setPlaceholderText(text::RangeHint);
    grid->addWidget(label(this, "", text::Range), row, 0);
    grid->addWidget(m_range, row++, 1, 1, 2);
    m_inventory = fileRow("Inventory", text::Inventory, text::InventoryTitle, text::CsvFilters, false);
    m_ledger = fileRow("Ledger", text::Ledger, text::LedgerTitle, text::CsvFilters, true);
    m_ledger->setPlaceholderText(text::LedgerHint);
    connect(m_ledger, &QLineEdit::editingFinished, this, &BenchWindow::showHistory);

    m_count = new QSpinBox(this);
    m_count->setObjectName(QStringLiteral("CountBox"));
    m_count->setRange(0, 100000);
    m_count->setSpecialValueText(text::NoCount);
    grid->addWidget(label(this, "", text::Count), row, 0);
    grid->addWidget(m_count, row++, 1, Qt::AlignLeft);
    m_dryRun = new QCheckBox(text::DryRun, this);
    m_dryRun->setObjectName(QStringLiteral("DryRunCheck"));
    grid->addWidget(m_dryRun, row++, 1, 1, 2);

    m_start = new QPushButton(text::Start, this);
    m_start->setObjectName(QStringLiteral("StartCommand"));
    m_stopButton = new QPushButton(text::Stop, this);
    m_stopButton->setObjectName(QStringLiteral("StopCommand"));
    m_stopButton->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_start);
    buttons->addWidget(m_stopButton);
    buttons->addStretch();
    grid->addLayout(buttons, row++, 0, 1, 3);

    m_state = label(this, "StateLabel", text::Idle);
    m_state->setFont(kit::sansFont(12, true));
    m_state->setWordWrap(true);
    grid->addWidget(m_state, row++, 0, 1, 3);
    m_device = label(this, "DeviceLabel");
    m_device->setFont(kit::monoFont(26));
    m_device->setAlignment(Qt::AlignCenter);
    m_device->setAutoFillBackground(true);
    m_device->setMinimumHeight(kit::monoFont(26).pointSize() * 4);
    grid->addWidget(m_device, row++, 0, 1, 3);

    m_table = new QTableWidget(0, text::Columns.size(), this);
    m_table->setObjectName(QStringLiteral("LedgerTable"));
    m_table->setHorizontalHeaderLabels(text::Columns);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    grid->addWidget(m_table, row++, 0, 1, 3);
    m_counts = label(this, "CountsLabel", text::counts(0, 0, 0));
    grid->addWidget(m_counts, row++, 0, 1, 3);
    m_state->setAccessibleName(text::StateName);
    m_device->setAccessibleName(text::DeviceName);
    m_table->setAccessibleName(text::TableName);
    m_counts->setAccessibleName(text::CountsName);
    grid->setRowStretch(row - 2, 1);
    grid->setColumnStretch(1, 1);

    connect(m_start, &QPushButton::clicked, this, &BenchWindow::start);
    connect(m_stopButton, &QPushButton::clicked, this, [this] { stopThen({}); });
    m_bell = [] { QApplication::beep(); };
    resize(860, 640);
}

// A focused box loses the focus while the window goes: nothing is read then.
BenchWindow::~BenchWindow()
{
    for (QLineEdit *box : {m_template, m_ledger})
        disconnect(box, nullptr, this, nullptr);
}

void BenchWindow::chooseInto(QLineEdit *box, const QString &title, const QStringList &filters, bool save)
{
    QString chosen;
    const QString suggested = box->text().isEmpty() ? QDir::homePath() : box->text();
    if (m_chooser) {
        chosen = m_chooser(this, save, suggested);
    } else {
        // The ledger: a new file or an existing one, appended to.
        chosen = askForFile(*this, {title, QStringLiteral("BenchFileDialog"), filters, save, suggested, QString(),
                                    /*confirmOverwrite=*/false});
    }
    if (chosen.isEmpty())
        return;
    box->setText(chosen);
    emit box->editingFinished();
}

// The template's settings as the main window's captions name them; a
// secret is not shown.
void BenchWindow::showTemplate()
{
    if (m_stop)  // the run's template stays shown
        return;
    QString reason;
    InputError error;
    const std::optional<QByteArray> json = readWhole(m_template->text(), &reason);
    const std::optional<Wanted> wanted = json ? batch::benchTemplate(*json, &error) : std::nullopt;
    if (!wanted) {
        m_templateSettings->setText(m_template->text().isEmpty() ? text::NoTemplate
                                    : json ? text::fileRefused(m_template->text(), error.message())
                                           : text::unreadable(m_template->text(), reason));
        return;
    }
    showSettings(*wanted);
}

void BenchWindow::showSettings(const Wanted &wanted, const QString &note)
{
    QStringList lines;
    for (int i = 0; i < SettingCount; ++i) {
        const Setting s = Setting(i);
        if (const std::optional<QString> &value = wanted[s])
            lines << QStringLiteral("%1  %2").arg(QLatin1String(caption::of(s)), -18)
                         .arg(s == Setting::Password ? text::Given : *value);
    }
    if (wanted.sharedKey)
        lines << QStringLiteral("%1  %2").arg(QLatin1String(caption::SharedKey), -18).arg(text::KeyGiven);
    if (!note.isEmpty())
        lines << note;
    m_templateSettings->setText(lines.join(QLatin1Char('\n')));
}

// An existing ledger's lines, listed as history before the run's own.
void BenchWindow::showHistory()
{
    m_table->setRowCount(0);
    QString reason;
    const QString path = m_ledger->text();
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    const std::optional<QByteArray> content = readWhole(path, &reason);
    InputError error;
    const auto entries = content ? ledgerEntries(*content, path, &error) : std::nullopt;
    for (const LedgerEntry &entry : entries.value_or(QList<LedgerEntry>()))
        addRow(entry, true);
}

void BenchWindow::addRow(const LedgerEntry &entry, bool history)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    const QStringList cells{entry.time, QString::number(entry.serial), entry.model, entry.ip, entry.outcome,
                            entry.detail};
    for (int column = 0; column < cells.size(); ++column) {
        auto *item = new QTableWidgetItem(cells[column]);
        if (history)
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        m_table->setItem(row, column, item);
    }
    m_table->scrollToBottom();
}

void BenchWindow::setState(const QString &state)
{
    m_state->setText(state);
    emit stateShown(state);
}

void BenchWindow::showDevice(const QString &shown, const QColor &colour)
{
    m_device->setText(shown);
    QPalette p = palette();
    if (colour.isValid()) {
        p.setColor(QPalette::Window, colour);
        p.setColor(QPalette::WindowText, Qt::white);
    }
    m_device->setPalette(p);
}

void BenchWindow::ring(int times)
{
    m_bell();
    for (int i = 1; i < times; ++i)
        QTimer::singleShot(i * RingGapMs, this, [this] { m_bell(); });
}

void BenchWindow::refuse(const QString &title, const QString &shown)
{
    kit::showMessage(this, Message{title, shown});
}

// The set-up as rallon-cli provision checks it, every file read whole; a
// refusal is shown and none returned.
std::optional<batch::BenchLoopOptions> BenchWindow::checkedSetup()
{
    batch::BenchLoopOptions options;
    options.port = QString::number(m_port);
    options.timeoutMs = m_timeoutMs;
    options.dryRun = m_dryRun->isChecked();
    options.count = m_count->value();
    options.ledger = m_ledger->text();
    const QString templatePath = m_template->text(), inventoryPath = m_inventory->text();
    if (templatePath.isEmpty())
        return refuse(text::TemplateRefused, text::NeedsTemplate), std::nullopt;
    if (options.ledger.isEmpty())
        return refuse(text::LedgerRefused, text::NeedsLedger), std::nullopt;
    if (m_range->text().trimmed().isEmpty() && inventoryPath.isEmpty())
        return refuse(text::RangeRefused, text::NeedsAddresses), std::nullopt;

    // A file read and checked, or the refusal shown under `title`.
    const auto checked = [this](const QString &title, const QString &path, auto check) {
        QString reason;
        InputError error;
        const std::optional<QByteArray> content = readWhole(path, &reason);
        auto value = content ? check(*content, &error) : std::nullopt;
        if (!content)
            refuse(title, text::unreadable(path, reason));
        else if (!value)
            refuse(title, text::fileRefused(path, error.message()));
        return value;
    };
    const auto common = checked(text::TemplateRefused, templatePath, batch::benchTemplate);
    if (!common)
        return std::nullopt;
    options.common = *common;
    if (!inventoryPath.isEmpty()) {
        const auto inventory = checked(text::InventoryRefused, inventoryPath, [](const QByteArray &csv, InputError *e) {
            return inventoryFromCsv(csv, QString(), e);
        });
        if (!inventory)
            return std::nullopt;
        options.inventory = *inventory;
    }
    if (!m_range->text().trimmed().isEmpty()) {
        InputError error;
        options.range = batch::benchRange(m_range->text().trimmed(), options.common, text::Range, &error);
        if (!options.range)
            return refuse(text::RangeRefused, text::refused(error.message())), std::nullopt;
    }
    InputError fault;
    if (!batchTakeable(options.common, options.inventory, options.range, templatePath, inventoryPath, &fault))
        return refuse(text::InventoryRefused, text::fileRefused(fault.field, fault.reason)), std::nullopt;
    return options;
}

void BenchWindow::start()
{
    if (m_stop)
        return;
    const std::optional<batch::BenchLoopOptions> options = checkedSetup();
    if (!options)
        return;
    showHistory();
    showSettings(options->common, text::TemplateKept);
    m_counts->setText(text::counts(0, 0, 0));
    showDevice(QString(), QColor());
    m_stop = std::make_unique<batch::Stop>();
    for (QWidget *w : std::initializer_list<QWidget *>{m_template, m_range, m_inventory, m_ledger, m_count, m_dryRun,
                                                        m_start})
        w->setEnabled(false);
    for (QPushButton *b : findChildren<QPushButton *>(QRegularExpression(QStringLiteral("Button$"))))
        b->setEnabled(false);
    m_stopButton->setEnabled(true);
    setState(text::waiting(m_port));
    emit runStarting();

    const std::unique_ptr<batch::BenchEvents> view = events();
    batch::runBenchLoop(*options, *view, *m_stop);

    m_stop.reset();
    for (QWidget *w : findChildren<QWidget *>())
        w->setEnabled(true);
    m_stopButton->setEnabled(false);
    setState(text::Ended);
    emit runEnded();
    const auto after = std::move(m_afterRun);
    m_afterRun.clear();
    for (const auto &then : after)
        then();
}

void BenchWindow::stopThen(std::function<void()> then)
{
    if (!m_stop) {
        if (then)
            then();
        return;
    }
    if (then)
        m_afterRun.push_back(std::move(then));
    setState(text::Stopping);
    m_stopButton->setEnabled(false);
    m_stop->request(StoppedHere);
}

// Closing the window ends a run first, between steps.
void BenchWindow::closeEvent(QCloseEvent *event)
{
    if (!m_stop)
        return event->accept();
    event->ignore();
    stopThen([this] { close(); });
}

}  // namespace rallon
