// Benchmarks run on an offscreen 1024 x 768 screen unless QT_QPA_PLATFORM says
// otherwise (for example "xcb" under Xvfb).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "platform/Offscreen.h"

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) platform::UseOffscreenScreen(1024, 768);
  QApplication app(argc, argv);
  ::benchmark::Initialize(&argc, argv);
  if (::benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ::benchmark::RunSpecifiedBenchmarks();
  ::benchmark::Shutdown();
  return 0;
}
