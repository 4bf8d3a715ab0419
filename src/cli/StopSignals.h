#pragma once

#include <csignal>

namespace modules {

// Points SIGINT and SIGTERM at `handler` for the lifetime of the object and puts the old
// handlers back. With `once`, the handler is reset to the default when it runs: a second
// Ctrl-C then ends the program at once.
class StopSignals {
public:
    StopSignals(void (*handler)(int), bool once);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    struct sigaction oldInt;
    struct sigaction oldTerm;
};

} // namespace modules
