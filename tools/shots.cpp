// rallon-shots: shows the utility against an in-process virtual device and
// saves pictures of its windows, for the README and for looking at them.
// A development tool; it is not installed.
//
//   rallon-shots OUTDIR [--hold SECONDS]

#include "Controls.h"
#include "PortMapping.h"
#include "SimDevice.h"
#include "SimLine.h"
#include "UtilityForm.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace rallon;

namespace {

bool retrieveFrom(UtilityForm &form)
{
    QSignalSpy shown(&form, &UtilityForm::recordShown);
    QTest::mouseClick(control<QPushButton>(form, "GetCurrentDataCommand"), Qt::LeftButton);
    return !shown.isEmpty() || shown.wait(5000);
}

// A virtual device of `model` on a pseudo-terminal, and the main window
// loaded on it.
struct Bench {
    explicit Bench(const QString &model) : device(*simModel(model)), line(&device) {}

    bool open()
    {
        QString error;
        if (!line.openPty(&error)) {
            fprintf(stderr, "%s\n", qPrintable(error));
            return false;
        }
        const QString path = line.path();
        setPortMapping([path](int) { return path; });
        return form.Load(1);
    }

    SimDevice device;
    SimLine line;
    UtilityForm form;
};

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        fprintf(stderr, "usage: rallon-shots OUTDIR [--hold SECONDS]\n");
        return 2;
    }
    const QDir out(args.at(1));
    QDir().mkpath(out.path());
    const int hold = args.indexOf("--hold") > 0 ? args.value(args.indexOf("--hold") + 1).toInt() : 0;

    Bench password(QStringLiteral("wireless-password"));
    if (!password.open())
        return 1;
    UtilityForm &form = password.form;
    form.show();
    QTest::qWait(300);
    form.grab().save(out.filePath("main-window-empty.png"));

    if (!retrieveFrom(form))
        return 1;
    form.grab().save(out.filePath("main-window.png"));
    QTest::qWait(hold * 1000);

    Bench key(QStringLiteral("wireless-key"));
    if (!key.open())
        return 1;
    UtilityForm &keyForm = key.form;
    form.hide();
    keyForm.show();
    if (!retrieveFrom(keyForm))
        return 1;
    keyForm.grab().save(out.filePath("shared-key-layout.png"));
    QTest::qWait(hold * 1000);

    QTest::mouseClick(control<QPushButton>(keyForm, "btnHEX_SELECT"), Qt::LeftButton);
    PassKeyForm *keys = keyForm.frmPASSKEY();
    QTest::qWait(300);
    keys->grab().save(out.filePath("key-entry-window.png"));
    QTest::qWait(hold * 1000);
    return 0;
}
