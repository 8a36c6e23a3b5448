// What the process spends while its event loop runs with nothing to do: the
// figures the idle benchmarks report (CPU share, wake-ups per second).
#pragma once

namespace bench {

// Runs the event loop for `ms` milliseconds (a precise timer ends it).
void RunLoopFor(int ms);

// Wall-clock and CPU seconds of the whole process (every thread), and its
// voluntary context switches, each a wake-up after a wait.
struct LoopCost {
  double wall = 0;
  double cpu = 0;
  long switches = 0;
  LoopCost& operator+=(const LoopCost& other);
};

// Runs the event loop for `ms` milliseconds and measures the process meanwhile.
LoopCost MeasureLoop(int ms);

}  // namespace bench
