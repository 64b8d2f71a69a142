#include "Ending.h"

#include "EndSignals.h"
#include "Exit.h"

namespace rallon::cli {

namespace {

int s_endSignal = 0;

batch::Stop &stop()
{
    static batch::Stop stop;
    return stop;
}

}  // namespace

bool watchEndSignals(QObject *context)
{
    return system::onEndSignals(context, [](int signal) {
        s_endSignal = signal;
        stop().request(signalExit(signal));
    });
}

int endSignal()
{
    return s_endSignal;
}

const batch::Stop &ending()
{
    return stop();
}

}  // namespace rallon::cli
