#include "Summary.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <unistd.h>
#include <vector>

namespace bench {
namespace {

struct Row {
  std::string title, ours, peer;
  double goal;  // a ratio, or nanoseconds without a peer
};

std::vector<Row>& Rows() {
  static std::vector<Row> rows;
  return rows;
}

struct PercentileRow {
  std::string title, ours, prefix;
  double goalMs;  // negative: none
};

std::vector<PercentileRow>& PercentileRows() {
  static std::vector<PercentileRow> rows;
  return rows;
}

}  // namespace

bool AddRow(const std::string& title, const std::string& ours, const std::string& peer, double goal) {
  Rows().push_back(Row{title, ours, peer, goal});
  return true;
}

bool AddAbsoluteRow(const std::string& title, const std::string& ours, double goalNs) {
  Rows().push_back(Row{title, ours, std::string(), goalNs});
  return true;
}

bool AddPercentileRow(const std::string& title, const std::string& ours, const std::string& prefix, double goalMs) {
  PercentileRows().push_back(PercentileRow{title, ours, prefix, goalMs});
  return true;
}

// Forwards one line per benchmark to the console and keeps every repetition's
// CPU time for the table.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
  // Colours only on a terminal.
  SummaryReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> shown;
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
        const double ns = r.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(r.time_unit);
        m_times[Key(r)].push_back(ns);
        for (const auto& [name, counter] : r.counters) m_counters[Key(r)][name].push_back(counter.value);
      }
      const bool repeated = r.repetitions > 1;
      if ((r.run_type == Run::RT_Iteration && !repeated) ||
          (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median"))
        shown.push_back(r);
    }
    if (!shown.empty()) ConsoleReporter::ReportRuns(shown);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    PrintTimes();
    PrintPercentiles();
  }

private:
  void PrintTimes() {
    std::vector<const Row*> rows;
    for (const Row& row : Rows())
      if (m_times.count(row.ours) && (row.peer.empty() || m_times.count(row.peer))) rows.push_back(&row);
    if (rows.empty()) return;
    size_t runs = 0;
    for (const auto& [name, t] : m_times) runs = std::max(runs, t.size());
    std::printf("\nSummary: CPU time per iteration, min / median / max of %zu run%s; ratio of the medians\n",
                runs, runs == 1 ? "" : "s");
    std::printf("%-58s %-28s %-28s %8s %8s\n", "row", "ours", "peer", "ratio", "goal");
    for (const Row* row : rows) {
      const Stats ours = StatsOf(row->ours);
      if (row->peer.empty()) {
        std::printf("%-58s %-28s %-28s %8s %8s %s\n", row->title.c_str(), Format(ours).c_str(), "-", "-",
                    Time(row->goal).c_str(), ours.median <= row->goal ? "met" : "NOT MET");
        continue;
      }
      const Stats peer = StatsOf(row->peer);
      const double ratio = peer.median > 0 ? ours.median / peer.median : 0;
      char r[32], g[32];
      std::snprintf(r, sizeof r, "%.3f", ratio);
      std::snprintf(g, sizeof g, "<= %.2f", row->goal);
      std::printf("%-58s %-28s %-28s %8s %8s %s\n", row->title.c_str(), Format(ours).c_str(),
                  Format(peer).c_str(), r, g, ratio <= row->goal ? "met" : "NOT MET");
    }
    std::fflush(stdout);
  }

  void PrintPercentiles() {
    bool header = false;
    for (const PercentileRow& row : PercentileRows()) {
      const auto run = m_counters.find(row.ours);
      if (run == m_counters.end()) continue;
      double v[3];
      const char* names[3] = {"_p50", "_p99", "_max"};
      bool have = true;
      for (int i = 0; i < 3; ++i) {
        const auto c = run->second.find(row.prefix + names[i]);
        if (c == run->second.end()) {
          have = false;
          break;
        }
        v[i] = Median(c->second);
      }
      if (!have) continue;
      if (!header) {
        std::printf("\nLatencies in ms: p50 / p99 / max; the goal is on the p99\n");
        std::printf("%-62s %-24s %10s\n", "row", "p50 / p99 / max", "goal");
        header = true;
      }
      char figures[64], goal[32];
      std::snprintf(figures, sizeof figures, "%.1f / %.1f / %.1f", v[0], v[1], v[2]);
      if (row.goalMs < 0) {
        std::printf("%-62s %-24s %10s\n", row.title.c_str(), figures, "-");
        continue;
      }
      std::snprintf(goal, sizeof goal, "<= %.0f", row.goalMs);
      std::printf("%-62s %-24s %10s %s\n", row.title.c_str(), figures, goal, v[1] <= row.goalMs ? "met" : "NOT MET");
    }
    std::fflush(stdout);
  }

  static double Median(std::vector<double> t) {
    std::sort(t.begin(), t.end());
    const size_t n = t.size();
    return n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2;
  }

  struct Stats {
    double min = 0, median = 0, max = 0;
  };

  static std::string Key(const Run& r) {
    return r.run_name.args.empty() ? r.run_name.function_name : r.run_name.function_name + "/" + r.run_name.args;
  }

  Stats StatsOf(const std::string& name) const {
    std::vector<double> t = m_times.at(name);
    std::sort(t.begin(), t.end());
    const size_t n = t.size();
    const double median = n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2;
    return Stats{t.front(), median, t.back()};
  }

  static std::string Time(double ns) {
    char buf[32];
    if (ns >= 1e6)
      std::snprintf(buf, sizeof buf, "%.3g ms", ns / 1e6);
    else if (ns >= 1e3)
      std::snprintf(buf, sizeof buf, "%.3g us", ns / 1e3);
    else
      std::snprintf(buf, sizeof buf, "%.3g ns", ns);
    return buf;
  }

  static std::string Format(const Stats& s) {
    return Time(s.min) + " / " + Time(s.median) + " / " + Time(s.max);
  }

  std::map<std::string, std::vector<double>> m_times;
  std::map<std::string, std::map<std::string, std::vector<double>>> m_counters;
};

benchmark::BenchmarkReporter* MakeSummaryReporter() { return new SummaryReporter; }

}  // namespace bench
