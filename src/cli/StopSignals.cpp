#include "cli/StopSignals.h"

#include <cstring>

namespace modules {

StopSignals::StopSignals(void (*handler)(int), bool once)
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = once ? SA_RESETHAND : 0;
    sigaction(SIGINT, &action, &oldInt);
    sigaction(SIGTERM, &action, &oldTerm);
}

StopSignals::~StopSignals()
{
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
}

} // namespace modules
