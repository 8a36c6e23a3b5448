// Cost of laying out the notebook's tabs as a paint does it: the tab
// rectangles plus the outline of every tab (the three insets the painter
// draws).  It is to grow linearly with the number of tabs: 30 pages at most
// 10 times 4 pages.
#include <benchmark/benchmark.h>

#include "notebook/CSNoteBkLayout.h"
#include "support/Summary.h"

namespace {

TcsTabLayout MakeLayout(int pages, TTabOrientation side) {
  TcsTabLayout l;
  l.orientation = side;
  l.width = 244;
  l.height = 142;
  l.tabHeight = 35;
  l.tabsPerRow = 4;
  l.rowIndent = 5;
  l.cornerSize = 3;
  if (pages > 4) {
    // A larger notebook with many rows.
    l.width = 640;
    l.height = 480;
    l.tabHeight = 20;
    l.tabsPerRow = 6;
  }
  std::vector<TcsLayoutPage> list;
  for (int i = 0; i < pages; ++i) list.push_back({QStringLiteral("Page %1").arg(i), true});
  l.BuildRows(list);
  l.RotateRows(list.back().caption);
  l.ComputeTabRects();
  return l;
}

void LayoutAndOutlines(benchmark::State& state, TTabOrientation side) {
  TcsTabLayout l = MakeLayout(static_cast<int>(state.range(0)), side);
  for (auto _ : state) {
    l.ComputeTabRects();
    for (int r = 0; r < static_cast<int>(l.rows.size()); ++r) {
      for (int p = 0; p < static_cast<int>(l.rows[r].size()); ++p) {
        for (int k = 0; k < 3; ++k) benchmark::DoNotOptimize(l.TabOutline(r, p, k));
      }
    }
    benchmark::ClobberMemory();
  }
  state.counters["tabs"] = static_cast<double>(l.tabs.size());
}

void BM_TabLayoutLeft(benchmark::State& state) { LayoutAndOutlines(state, toLeft); }
void BM_TabLayoutTop(benchmark::State& state) { LayoutAndOutlines(state, toTop); }

}  // namespace

BENCHMARK(BM_TabLayoutLeft)->ArgName("pages")->Arg(4)->Arg(30)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TabLayoutTop)->ArgName("pages")->Arg(4)->Arg(30)->Unit(benchmark::kMicrosecond);

namespace {
const bool kRows = (bench::AddRow("tab layout, side tabs: 30 pages / 4 pages", "BM_TabLayoutLeft/pages:30",
                                  "BM_TabLayoutLeft/pages:4", 10),
                    bench::AddRow("tab layout, top tabs: 30 pages / 4 pages", "BM_TabLayoutTop/pages:30",
                                  "BM_TabLayoutTop/pages:4", 10),
                    true);
}  // namespace
