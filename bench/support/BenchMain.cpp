// Benchmarks run on an offscreen 1024 x 768 screen unless QT_QPA_PLATFORM says
// otherwise (for example "xcb" under Xvfb).  The console shows one line per
// benchmark and then the summary table of bench/support/Summary.h.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "Summary.h"
#include "platform/Offscreen.h"

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) platform::UseOffscreenScreen(1024, 768);
  QApplication app(argc, argv);
  ::benchmark::Initialize(&argc, argv);
  if (::benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::unique_ptr<::benchmark::BenchmarkReporter> reporter(bench::MakeSummaryReporter());
  ::benchmark::RunSpecifiedBenchmarks(reporter.get());
  ::benchmark::Shutdown();
  return 0;
}
