#pragma once

namespace modules {

class Engine;

// A snapshot of the window's state on standard output when the process gets SIGUSR1, for
// tests and bug reports: the clocks and counters, pause and speed, the camera, each
// vehicle's place on the floor and on the screen, the behaviour map and what the network
// panel shows, and the screen log's lines. The line "End of state." closes it.
void askStateReportOnSignal();
// True once after each SIGUSR1.
bool stateReportAsked();
void printStateReport(const Engine& engine);

} // namespace modules
