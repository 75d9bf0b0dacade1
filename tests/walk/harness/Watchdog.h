#pragma once
// What a walk leaves for the moment the process dies or hangs: the seed and the last steps
// (crashContext() in Walk.h reads them), and a watchdog thread that ends the process when a
// step has not returned for too long.

#include <string>

namespace kinetra::walk {

void setCrashContext(const std::string& text);

// Starts the watchdog once per process; later calls only change the limit.
void startWatchdog(int limitMs);
void stampProgress();   // a step begins now
void clearProgress();   // no step runs: the watchdog waits

}  // namespace kinetra::walk
