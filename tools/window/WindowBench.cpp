#include "WindowBench.h"

#include "PortMapping.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace rallon {

void WindowBench::routePortsTo(const QString &path)
{
    setPortMapping([path](int) { return path; });
}

bool WindowBench::openDevice(const ConfigRecord &config, SimFault fault, QString *error)
{
    device = std::make_unique<SimDevice>(config);
    device->setFault(fault);
    line = std::make_unique<SimLine>(device.get());
    return line->openPty(error);
}

bool WindowBench::loadWindow(const QString &path)
{
    routePortsTo(path);
    form = std::make_unique<UtilityForm>();
    return form->Load(1);
}

void WindowBench::closeAll()
{
    form.reset();
    line.reset();
    device.reset();
    setPortMapping({});
}

bool retrieve(UtilityForm &window, int timeoutMs)
{
    QSignalSpy shown(&window, &UtilityForm::recordShown);
    QTest::mouseClick(control<QPushButton>(window, "GetCurrentDataCommand"), Qt::LeftButton);
    return !shown.isEmpty() || shown.wait(timeoutMs);
}

}  // namespace rallon
