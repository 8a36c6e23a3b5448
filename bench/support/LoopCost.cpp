#include "LoopCost.h"

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <sys/resource.h>
#include <time.h>

namespace bench {
namespace {

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

long VoluntarySwitches() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_nvcsw;
}

}  // namespace

void RunLoopFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

LoopCost& LoopCost::operator+=(const LoopCost& other) {
  wall += other.wall;
  cpu += other.cpu;
  switches += other.switches;
  return *this;
}

LoopCost MeasureLoop(int ms) {
  const double c0 = CpuSeconds();
  const long s0 = VoluntarySwitches();
  const auto t0 = std::chrono::steady_clock::now();
  RunLoopFor(ms);
  LoopCost cost;
  cost.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  cost.cpu = CpuSeconds() - c0;
  cost.switches = VoluntarySwitches() - s0;
  return cost;
}

}  // namespace bench
