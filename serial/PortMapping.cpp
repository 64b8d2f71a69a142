#include "PortMapping.h"

#include "Port.h"

namespace rallon {

namespace {

std::function<QString(int)> &substitute()
{
    static std::function<QString(int)> mapping;
    return mapping;
}

}  // namespace

QString portDeviceName(int number)
{
    return substitute() ? substitute()(number) : system::portDevice(number);
}

void setPortMapping(std::function<QString(int)> mapping)
{
    substitute() = std::move(mapping);
}

}  // namespace rallon
