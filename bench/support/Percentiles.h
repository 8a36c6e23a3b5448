// The counters a benchmark that times something outside its own thread
// reports, and Summary.h's AddPercentileRow reads: PREFIX_p50, PREFIX_p99 and
// PREFIX_max of its samples (in ms).
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

namespace bench {

// The sample at fraction p (0..1) of the sorted samples, rounded to the
// nearest; 0 for none.  p = 1 is the largest.
inline double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(i, v.size() - 1)];
}

inline void SetPercentiles(benchmark::State& state, const std::string& prefix, const std::vector<double>& ms) {
  state.counters[prefix + "_p50"] = Percentile(ms, 0.5);
  state.counters[prefix + "_p99"] = Percentile(ms, 0.99);
  state.counters[prefix + "_max"] = Percentile(ms, 1.0);
}

}  // namespace bench
