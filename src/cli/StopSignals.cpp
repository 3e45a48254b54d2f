#include "cli/StopSignals.h"

#include <csignal>

namespace quorvane {

namespace {

std::atomic<bool> stopAsked{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onStopSignal(int signal)
{
    stopAsked.store(true);
    std::signal(signal, SIG_DFL); // the next one ends the program
}

using Handler = void (*)(int);
Handler previousInterrupt = SIG_DFL;
Handler previousTerminate = SIG_DFL;

} // namespace

StopSignals::StopSignals()
{
    previousInterrupt = std::signal(SIGINT, onStopSignal);
    previousTerminate = std::signal(SIGTERM, onStopSignal);
}

StopSignals::~StopSignals()
{
    std::signal(SIGINT, previousInterrupt == SIG_ERR ? SIG_DFL : previousInterrupt);
    std::signal(SIGTERM, previousTerminate == SIG_ERR ? SIG_DFL : previousTerminate);
}

const std::atomic<bool>& StopSignals::flag()
{
    return stopAsked;
}

} // namespace quorvane
