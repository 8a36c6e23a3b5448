// The summary table printed after a benchmark program's runs: each row sets
// one benchmark against its peer measured in the same run, so that the ratio
// reads at once.
//
// Times are CPU time per iteration of the thread that runs the benchmark (the
// main thread, where Qt paints), as Google Benchmark measures it.  With
// --benchmark_repetitions=N every benchmark is run N times and the table
// shows the minimum, median and maximum of the N; the ratio is that of the
// medians.  The console shows one line per benchmark (the median when
// repeated) above the table.
//
// Benchmarks are named as the console prints them without the repetition
// suffix: the function name, then "/" and the arguments ("BM_Paint/pages:4").
// A row whose benchmarks did not run (filtered out) is left out.
//
// Benchmarks that time something other than their own thread (how long the
// X server takes to show a window where it was asked, say) report it in
// counters; AddPercentileRow shows three of them side by side in a second
// table, the goal set against the p99.
#pragma once

#include <string>

namespace benchmark {
class BenchmarkReporter;
}

namespace bench {

// The console reporter that prints the table at the end (used by BenchMain).
benchmark::BenchmarkReporter* MakeSummaryReporter();

// Adds the row "ours against peer": ratio median(ours) / median(peer), to be
// at most `goal`.  Returns true, so that a file can add its rows while its
// statics are initialised:  const bool rows = (bench::AddRow(...), ...);
bool AddRow(const std::string& title, const std::string& ours, const std::string& peer, double goal);

// Adds a row with no peer: the median of `ours` to be at most goalNs
// nanoseconds.
bool AddAbsoluteRow(const std::string& title, const std::string& ours, double goalNs);

// Adds a row of counters: PREFIX_p50, PREFIX_p99 and PREFIX_max of `ours`
// (milliseconds; the median over repetitions), the p99 to be at most goalMs.
// A negative goalMs shows the figures with no goal beside them.
bool AddPercentileRow(const std::string& title, const std::string& ours, const std::string& prefix, double goalMs);

}  // namespace bench
