// rallon-shots: shows the utility against an in-process virtual device and
// saves pictures of its windows, for the README and for looking at them.
// A development tool; it is not installed.
//
//   rallon-shots OUTDIR [--hold SECONDS]

#include "BenchWindow.h"
#include "OffscreenScreens.h"
#include "WindowBench.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QPushButton>
#include <QTest>

using namespace rallon;

namespace {

// A virtual device of `model` on a pseudo-terminal, and the main window
// loaded on it.
bool openOn(WindowBench &bench, const QString &model)
{
    QString error;
    if (!bench.openDevice(*simModel(model), SimFault::None, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    return bench.loadWindow(bench.line->path());
}

}  // namespace

int main(int argc, char *argv[])
{
    useOffscreenScreens(BigScreen);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        fprintf(stderr, "usage: rallon-shots OUTDIR [--hold SECONDS]\n");
        return 2;
    }
    const QDir out(args.at(1));
    QDir().mkpath(out.path());
    const int hold = args.indexOf("--hold") > 0 ? args.value(args.indexOf("--hold") + 1).toInt() : 0;

    WindowBench password;
    if (!openOn(password, QStringLiteral("wireless-password")))
        return 1;
    UtilityForm &form = *password.form;
    form.show();
    QTest::qWait(300);
    form.grab().save(out.filePath("main-window-empty.png"));

    if (!retrieve(form))
        return 1;
    form.grab().save(out.filePath("main-window.png"));
    QTest::qWait(hold * 1000);

    // The FILE menu open over the window, as the screen shows it.
    auto *fileMenu = form.findChild<QMenu *>("FILE_MENU");
    const QRect fileItem = form.menuBar()->actionGeometry(fileMenu->menuAction());
    fileMenu->popup(form.menuBar()->mapToGlobal(fileItem.bottomLeft()));
    QTest::qWait(300);
    const QRect area = form.geometry();
    form.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(out.filePath("file-menu.png"));
    fileMenu->close();
    QTest::qWait(hold * 1000);

    WindowBench key;
    if (!openOn(key, QStringLiteral("wireless-key")))
        return 1;
    UtilityForm &keyForm = *key.form;
    form.hide();
    keyForm.show();
    if (!retrieve(keyForm))
        return 1;
    keyForm.grab().save(out.filePath("shared-key-layout.png"));
    QTest::qWait(hold * 1000);

    QTest::mouseClick(control<QPushButton>(keyForm, "btnHEX_SELECT"), Qt::LeftButton);
    PassKeyForm *keys = keyForm.frmPASSKEY();
    QTest::qWait(300);
    keys->grab().save(out.filePath("key-entry-window.png"));
    QTest::qWait(hold * 1000);
    keys->hide();

    // The bench window after one device, on the last window's port.
    QTemporaryDir files;
    QFile plant7(files.filePath("plant7.json"));
    if (!plant7.open(QIODevice::WriteOnly)
        || plant7.write(R"json({"format": "rallon-config/1", "mask": "255.255.255.0", "gateway": "10.1.0.1",
                            "primaryPort": 4001, "ssid": "PLANT-7", "encryption": "WAP (AES)",
                            "password": "correct horse"})json") < 0)
        return 1;
    plant7.close();
    keyForm.findChild<QAction *>("PROVISION_DEVICES")->trigger();
    BenchWindow *bench = keyForm.benchWindow();
    // In the middle of the run: the device just done, at its ring.
    bool shot = false;
    bench->setBell([&] {
        if (shot)
            return;
        shot = true;
        bench->grab().save(out.filePath("bench-window.png"));
        bench->stopThen({});
    });
    control<QLineEdit>(*bench, "TemplateTextBox")->setText(plant7.fileName());
    emit control<QLineEdit>(*bench, "TemplateTextBox")->editingFinished();
    control<QLineEdit>(*bench, "RangeTextBox")->setText(QStringLiteral("10.1.0.20-10.1.0.99"));
    control<QLineEdit>(*bench, "LedgerTextBox")->setText(files.filePath("plant7.csv"));
    bench->show();
    QTest::qWait(300);
    bench->start();
    if (!shot)
        return 1;
    QTest::qWait(hold * 1000);
    return 0;
}
