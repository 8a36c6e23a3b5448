// Work areas from the space docks and panels reserve at the edges of an X
// screen (platform/backend/x11/WorkArea.h): layouts of one and two monitors,
// and property values no client should set.
#include <gtest/gtest.h>

#include <random>

#include "platform/backend/x11/WorkArea.h"

namespace {

using platform::Monitor;
using platform::Rect;
using namespace platform::x11;

using Values = std::vector<std::uint32_t>;

// _NET_WM_STRUT_PARTIAL with one edge set, spanning [start, end].
Values Partial(Edge edge, std::uint32_t width, std::uint32_t start, std::uint32_t end) {
  Values v(12, 0);
  const int i = static_cast<int>(edge);
  v[i] = width;
  v[4 + 2 * i] = start;
  v[5 + 2 * i] = end;
  return v;
}

struct Client {
  Values partial, full;
};

Monitor Mon(Rect bounds, bool primary = false) { return Monitor{bounds, bounds, primary}; }

std::vector<Monitor> Apply(std::vector<Monitor> monitors, const std::vector<Client>& clients, int w, int h) {
  std::vector<Band> bands;
  for (const Client& c : clients)
    for (const Band& b : StrutBands(c.partial, c.full, w, h)) bands.push_back(b);
  return ApplyBands(std::move(monitors), bands);
}

std::vector<Rect> Areas(const std::vector<Monitor>& monitors) {
  std::vector<Rect> out;
  for (const Monitor& m : monitors) out.push_back(m.workArea);
  return out;
}

TEST(WorkArea, Layouts) {
  const Rect single{0, 0, 1280, 800};
  const Rect left{0, 0, 1024, 768}, right{1024, 0, 2048, 768};
  const Rect tallRight{1024, 0, 2304, 1024};
  const Rect upper{0, 0, 1024, 768}, lower{0, 768, 1024, 1536};
  const struct {
    const char* name;
    std::vector<Monitor> monitors;
    int rootW, rootH;
    std::vector<Client> clients;
    std::vector<Rect> want;
  } rows[] = {
      {"one monitor, bottom panel",
       {Mon(single, true)}, 1280, 800,
       {{Partial(Edge::Bottom, 30, 0, 1279), {}}},
       {{0, 0, 1280, 770}}},
      {"one monitor, no client reserves anything",
       {Mon(single, true)}, 1280, 800,
       {{{}, {}}},
       {single}},
      {"side by side, panel on the right one only",
       {Mon(left, true), Mon(right)}, 2048, 768,
       {{Partial(Edge::Bottom, 30, 1024, 2047), {}}},
       {left, {1024, 0, 2048, 738}}},
      {"side by side, panel spanning both",
       {Mon(left, true), Mon(right)}, 2048, 768,
       {{Partial(Edge::Top, 24, 0, 2047), {}}},
       {{0, 24, 1024, 768}, {1024, 24, 2048, 768}}},
      {"side by side, a panel one pixel onto the right one",
       {Mon(left, true), Mon(right)}, 2048, 768,
       {{Partial(Edge::Bottom, 30, 0, 1024), {}}},
       {{0, 0, 1024, 738}, {1024, 0, 2048, 738}}},
      {"side by side, a panel ending on the left one's last pixel",
       {Mon(left, true), Mon(right)}, 2048, 768,
       {{Partial(Edge::Bottom, 30, 0, 1023), {}}},
       {{0, 0, 1024, 738}, right}},
      {"side by side, left dock on the right-hand monitor passes over the left one",
       {Mon(left, true), Mon(right)}, 2048, 768,
       {{Partial(Edge::Left, 1024 + 48, 0, 767), {}}},
       {left, {1072, 0, 2048, 768}}},
      {"side by side, right dock on the left-hand monitor passes over the right one",
       {Mon(left, true), Mon(right)}, 2048, 768,
       {{Partial(Edge::Right, 1024 + 40, 0, 767), {}}},
       {{0, 0, 984, 768}, right}},
      {"taller right monitor, left dock on it spanning its height only",
       {Mon(left, true), Mon(tallRight)}, 2304, 1024,
       {{Partial(Edge::Left, 1024 + 48, 0, 1023), {}}},
       {left, {1072, 0, 2304, 1024}}},
      {"taller right monitor, left dock below the left one's bottom",
       {Mon(left, true), Mon(tallRight)}, 2304, 1024,
       {{Partial(Edge::Left, 1024 + 48, 800, 1023), {}}},
       {left, {1072, 0, 2304, 1024}}},
      {"taller right monitor, panel under the shorter left one counts from the root's bottom",
       {Mon(left, true), Mon(tallRight)}, 2304, 1024,
       {{Partial(Edge::Bottom, 1024 - 768 + 30, 0, 1023), {}}},
       {{0, 0, 1024, 738}, tallRight}},
      {"stacked, panel at the bottom of the lower one",
       {Mon(upper, true), Mon(lower)}, 1024, 1536,
       {{Partial(Edge::Bottom, 30, 0, 1023), {}}},
       {upper, {0, 768, 1024, 1506}}},
      {"stacked, panel at the top of the lower one passes over the upper one",
       {Mon(upper, true), Mon(lower)}, 1024, 1536,
       {{Partial(Edge::Top, 768 + 25, 0, 1023), {}}},
       {upper, {0, 793, 1024, 1536}}},
      {"stacked, left dock on the upper one only",
       {Mon(upper, true), Mon(lower)}, 1024, 1536,
       {{Partial(Edge::Left, 64, 0, 767), {}}},
       {{64, 0, 1024, 768}, lower}},
      {"_NET_WM_STRUT alone reserves along the whole edge",
       {Mon(left, true), Mon(right)}, 2048, 768,
       {{{}, {0, 0, 0, 30}}},
       {{0, 0, 1024, 738}, {1024, 0, 2048, 738}}},
      {"_NET_WM_STRUT alone, every edge",
       {Mon(single, true)}, 1280, 800,
       {{{}, {10, 20, 30, 40}}},
       {{10, 30, 1260, 760}}},
      {"_NET_WM_STRUT_PARTIAL wins over _NET_WM_STRUT",
       {Mon(left, true), Mon(right)}, 2048, 768,
       {{Partial(Edge::Bottom, 30, 1024, 2047), {0, 0, 0, 30}}},
       {left, {1024, 0, 2048, 738}}},
      {"a short _NET_WM_STRUT_PARTIAL falls back on _NET_WM_STRUT",
       {Mon(single, true)}, 1280, 800,
       {{Values(11, 500), {0, 0, 0, 30}}},
       {{0, 0, 1280, 770}}},
      {"several clients, the widest reservation on each side wins",
       {Mon(single, true)}, 1280, 800,
       {{Partial(Edge::Bottom, 30, 0, 1279), {}}, {Partial(Edge::Bottom, 50, 0, 639), {}},
        {Partial(Edge::Left, 40, 0, 799), {}}},
       {{40, 0, 1280, 750}}},
      {"top and bottom that together leave nothing: the later one is ignored",
       {Mon(left, true)}, 1024, 768,
       {{Partial(Edge::Top, 400, 0, 1023), {}}, {Partial(Edge::Bottom, 400, 0, 1023), {}}},
       {{0, 400, 1024, 768}}},
      {"a band covering the whole monitor is ignored",
       {Mon(left, true)}, 1024, 768,
       {{Partial(Edge::Left, 1024, 0, 767), {}}},
       {left}},
      {"one pixel left is kept",
       {Mon(left, true)}, 1024, 768,
       {{Partial(Edge::Bottom, 767, 0, 1023), {}}},
       {{0, 0, 1024, 1}}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const std::vector<Monitor> got = Apply(r.monitors, r.clients, r.rootW, r.rootH);
    ASSERT_EQ(got.size(), r.monitors.size());
    EXPECT_EQ(Areas(got), r.want);
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].bounds, r.monitors[i].bounds);
      EXPECT_EQ(got[i].primary, r.monitors[i].primary);
    }
  }
}

TEST(WorkArea, NeverLargerThanTheToolkitSays) {
  const Rect b{0, 0, 1280, 800};
  const Values bottom30 = Partial(Edge::Bottom, 30, 0, 1279);
  const struct {
    const char* name;
    Rect given;
    Rect want;
  } rows[] = {
      {"the toolkit's is larger", Rect{0, 0, 1280, 800}, Rect{0, 0, 1280, 770}},
      {"the toolkit's is smaller", Rect{0, 0, 1280, 760}, Rect{0, 0, 1280, 760}},
      {"the toolkit's is smaller on another side", Rect{20, 0, 1280, 800}, Rect{20, 0, 1280, 770}},
      {"an empty one counts as the bounds", Rect{0, 0, 0, 0}, Rect{0, 0, 1280, 770}},
      {"one beyond the bounds counts as the bounds", Rect{-10, 0, 1280, 900}, Rect{0, 0, 1280, 770}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const auto got = ApplyBands({Monitor{b, r.given, true}}, StrutBands(bottom30, {}, 1280, 800));
    EXPECT_EQ(got.at(0).workArea, r.want);
  }
  const Rect none{100, 100, 100, 100};
  EXPECT_EQ(ApplyBands({Monitor{none, none, true}}, StrutBands(bottom30, {}, 1280, 800)).at(0).workArea, none)
      << "a monitor without area keeps its bounds";
}

TEST(WorkArea, BadPropertyValues) {
  constexpr std::uint32_t kMinus30 = 0xFFFFFFE2u;  // -30 read as a CARDINAL
  const struct {
    const char* name;
    Values partial, full;
    int rootW, rootH;
    std::vector<Band> want;
  } rows[] = {
      {"nothing set", {}, {}, 1280, 800, {}},
      {"all zero", Values(12, 0), {}, 1280, 800, {}},
      {"zero width with a span", Partial(Edge::Top, 0, 0, 1279), {}, 1280, 800, {}},
      {"start past end", Partial(Edge::Bottom, 30, 900, 100), {}, 1280, 800, {}},
      {"span starting beyond the root", Partial(Edge::Bottom, 30, 1280, 2000), {}, 1280, 800, {}},
      {"span ending beyond the root is clipped", Partial(Edge::Bottom, 30, 1000, 0xFFFFFFFFu), {}, 1280, 800,
       {{Edge::Bottom, Rect{1000, 770, 1280, 800}}}},
      {"width beyond the root is clipped", Partial(Edge::Right, 0xFFFFFFFFu, 0, 799), {}, 1280, 800,
       {{Edge::Right, Rect{0, 0, 1280, 800}}}},
      {"a negative width is a huge one", Partial(Edge::Left, kMinus30, 0, 799), {}, 1280, 800,
       {{Edge::Left, Rect{0, 0, 1280, 800}}}},
      {"a negative start is a huge one", Partial(Edge::Left, 30, kMinus30, 799), {}, 1280, 800, {}},
      {"short _NET_WM_STRUT", {}, {10, 10, 10}, 1280, 800, {}},
      {"extra values are ignored", [] { Values v = Partial(Edge::Top, 20, 0, 99); v.push_back(7); return v; }(),
       {}, 1280, 800, {{Edge::Top, Rect{0, 0, 100, 20}}}},
      {"a root without size", Partial(Edge::Top, 20, 0, 99), {}, 0, 800, {}},
      {"a negative root size", {}, {10, 10, 10, 10}, -5, -5, {}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(StrutBands(r.partial, r.full, r.rootW, r.rootH), r.want);
  }
  const Rect b{0, 0, 1280, 800};
  EXPECT_EQ(ApplyBands({Mon(b, true)}, StrutBands(Partial(Edge::Left, kMinus30, 0, 799), {}, 1280, 800))
                .at(0)
                .workArea,
            b)
      << "a reservation of the whole screen takes nothing";
}

// Whatever the clients set, every work area stays a non-empty part of its
// monitor, and a monitor no band reaches keeps all of it.
TEST(WorkArea, AnyValuesLeaveEveryMonitorSomething) {
  std::mt19937 rng(20261207);
  const std::uint32_t picks[] = {0, 1, 30, 767, 768, 1023, 1024, 1500, 2047, 2048, 0x7FFFFFFFu, 0xFFFFFFFFu};
  const auto pick = [&] {
    return rng() % 3 == 0 ? static_cast<std::uint32_t>(rng()) : picks[rng() % std::size(picks)];
  };
  const std::vector<Monitor> monitors{Mon({0, 0, 1024, 768}, true), Mon({1024, 0, 2048, 1024}),
                                      Mon({0, 768, 1024, 1024})};
  for (int round = 0; round < 2000; ++round) {
    std::vector<Band> bands;
    for (int c = 0; c < 4; ++c) {
      Values partial(rng() % 14), full(rng() % 6);
      for (auto& v : partial) v = pick();
      for (auto& v : full) v = pick();
      for (const Band& b : StrutBands(partial, full, 2048, 1024)) {
        ASSERT_LT(b.area.left, b.area.right);
        ASSERT_LT(b.area.top, b.area.bottom);
        ASSERT_TRUE(b.area.left >= 0 && b.area.top >= 0 && b.area.right <= 2048 && b.area.bottom <= 1024);
        bands.push_back(b);
      }
    }
    for (const Monitor& m : ApplyBands(monitors, bands)) {
      SCOPED_TRACE(round);
      EXPECT_LT(m.workArea.left, m.workArea.right);
      EXPECT_LT(m.workArea.top, m.workArea.bottom);
      EXPECT_TRUE(m.workArea.left >= m.bounds.left && m.workArea.top >= m.bounds.top &&
                  m.workArea.right <= m.bounds.right && m.workArea.bottom <= m.bounds.bottom);
    }
  }
}

}  // namespace
