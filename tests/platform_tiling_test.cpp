// The pure parts of tiling detection (i3's IPC and its layout tree) and of
// keeping a hidden window below the panels it reaches onto.
#include <gtest/gtest.h>

#include <string>

#include "platform/backend/x11/PanelStack.h"
#include "platform/backend/x11/Tiling.h"

namespace {

using platform::Monitor;
using platform::Point;
using platform::Rect;
using namespace platform::x11;

TEST(TilingIpc, MessagesAndHeadersRoundTrip) {
  const std::string m = IpcMessage(kIpcGetTree);
  ASSERT_EQ(m.size(), kIpcHeaderSize);
  EXPECT_EQ(m.substr(0, 6), "i3-ipc");
  const std::optional<IpcHeader> h = ParseIpcHeader(m);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->length, 0u);
  EXPECT_EQ(h->type, kIpcGetTree);
  const std::string with = IpcMessage(7, "abc");
  EXPECT_EQ(with.size(), kIpcHeaderSize + 3);
  EXPECT_EQ(ParseIpcHeader(with)->length, 3u);
  EXPECT_FALSE(ParseIpcHeader(m.substr(0, 13))) << "short";
  EXPECT_FALSE(ParseIpcHeader("i4-ipc" + m.substr(6))) << "no magic";
}

// An i3 layout: a workspace with two tiled windows in a split container and
// one floating window, a dock area with a bar, and the scratchpad.
constexpr const char* kI3Tree = R"({
  "id": 1, "type": "root", "window": null, "nodes": [
    {"type": "output", "name": "__i3", "nodes": [
      {"type": "con", "nodes": [
        {"type": "workspace", "name": "__i3_scratch", "nodes": [], "floating_nodes": [
          {"type": "floating_con", "nodes": [{"type": "con", "window": 500, "nodes": []}]}]}]}]},
    {"type": "output", "name": "screen", "nodes": [
      {"type": "dockarea", "nodes": [{"type": "con", "window": 400, "nodes": []}]},
      {"type": "con", "name": "content", "nodes": [
        {"type": "workspace", "name": "1", "nodes": [
          {"type": "con", "window": 100, "nodes": []},
          {"type": "con", "layout": "splitv", "window": null, "nodes": [
            {"type": "con", "window": 200, "nodes": []}]}],
         "floating_nodes": [
          {"type": "floating_con", "window": null, "nodes": [
            {"type": "con", "window": 300, "floating": "user_on", "nodes": []}]}]}]}]}]})";

TEST(TilingTree, FindsWhereEachWindowStands) {
  struct Row {
    const char* name;
    std::uint32_t window;
    TileState state;
  };
  const Row rows[] = {
      {"a tile of the workspace", 100, TileState::Tiled},
      {"a tile inside a split container", 200, TileState::Tiled},
      {"a floating window", 300, TileState::Floating},
      {"on the scratchpad", 500, TileState::Floating},
      {"not in the layout", 999, TileState::NotFound},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(TileStateIn(kI3Tree, r.window), r.state);
  }
}

TEST(TilingTree, SwaysFloatingViewsAndBadReplies) {
  // sway lists floating views directly among a workspace's floating_nodes.
  constexpr const char* sway = R"({"type": "root", "nodes": [{"type": "output", "nodes": [
      {"type": "workspace", "nodes": [{"type": "con", "window": 7}],
       "floating_nodes": [{"type": "floating_con", "window": 8}]}]}]})";
  EXPECT_EQ(TileStateIn(sway, 7), TileState::Tiled);
  EXPECT_EQ(TileStateIn(sway, 8), TileState::Floating);
  for (const char* bad : {"", "not json", "[1, 2]", R"({"nodes": 5})", R"({"nodes": [1, "x", null]})"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(TileStateIn(bad, 7), TileState::NotFound);
  }
  // Nested past any real layout: searched no further, and no crash.
  std::string deep;
  for (int i = 0; i < 600; ++i) deep += R"({"nodes": [)";
  deep += R"({"window": 9})";
  for (int i = 0; i < 600; ++i) deep += "]}";
  EXPECT_EQ(TileStateIn(deep, 9), TileState::NotFound);
}

TEST(TilingNudge, AskedOnlyWhereTheAnswerCanBeRead) {
  struct Row {
    const char* name;
    NudgeFacts facts;
    bool asks;
  };
  // xwayland, framed, moveResizeListed, wmTellsWhenDone, maximized
  const Row rows[] = {
      {"unframed, no moves named (dwm)", {false, false, false, false, false}, true},
      {"unframed, moves named, tells when done", {false, false, true, true, false}, true},
      {"unframed, moves named, silent: a late answer would pass for a tile", {false, false, true, false, false}, false},
      {"framed (openbox, metacity, icewm): put back not always exact", {false, true, true, true, false}, false},
      {"framed by a window manager naming no moves", {false, true, false, false, false}, false},
      {"maximized: kept in place by any window manager", {false, false, false, false, true}, false},
      {"XWayland: the compositor places X windows", {true, false, false, false, false}, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(NudgeAsks(r.facts), r.asks);
  }
}

TEST(TilingNudge, StaysOnTheMonitorAndReadsWhatTheFrameDid) {
  const std::vector<Monitor> two{Monitor{{0, 0, 1280, 800}, {0, 0, 1280, 800}, true},
                                 Monitor{{1280, 0, 2560, 1024}, {1280, 0, 2560, 1024}, false}};
  struct Row {
    const char* name;
    Rect frame;
    Point by;
  };
  const Row rows[] = {
      {"a window in the middle", {100, 100, 500, 400}, {1, 0}},
      {"the left tile of two", {0, 19, 700, 800}, {1, 0}},
      {"the right tile: its edge is the monitor's", {704, 19, 1280, 800}, {-1, 0}},
      {"the main bar across the top", {0, 0, 1280, 100}, {0, 1}},
      {"a bar across the bottom", {0, 700, 1280, 800}, {0, -1}},
      {"a monocle tile filling the monitor", {0, 0, 1280, 800}, {1, 0}},
      {"the right tile of the second monitor", {2000, 0, 2560, 1024}, {-1, 0}},
      {"the left tile of the second monitor", {1280, 0, 2000, 1024}, {1, 0}},
      {"across both monitors", {1000, 0, 1600, 500}, {1, 0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(NudgeOffset(r.frame, two), r.by);
  }
  EXPECT_EQ(NudgeOffset({0, 0, 1280, 800}, {}), (Point{1, 0})) << "no monitors known";

  const Rect tile{0, 19, 700, 800};
  EXPECT_EQ(ReadNudge(tile, tile), TileState::Tiled);
  EXPECT_EQ(ReadNudge(tile, Rect{1, 19, 701, 800}), TileState::Floating);
  EXPECT_EQ(ReadNudge(tile, Rect{0, 19, 699, 800}), TileState::Floating) << "a size the window manager changed";
  EXPECT_EQ(ReadNudge(tile, std::nullopt), TileState::NotFound) << "gone meanwhile";
}

TEST(PanelStack, OnlyWhatReachesOffTheWorkAreaNeedsIt) {
  const std::vector<Monitor> topPanel{Monitor{{0, 0, 1280, 800}, {0, 27, 1280, 800}, true}};
  EXPECT_TRUE(ReachesPanels({0, -68, 1280, 32}, topPanel)) << "the main window hidden below a top panel";
  EXPECT_FALSE(ReachesPanels({0, 27, 1280, 127}, topPanel)) << "shown in the work area";
  EXPECT_FALSE(ReachesPanels({-195, 27, 5, 800}, topPanel)) << "the inspector beside it";
  EXPECT_FALSE(ReachesPanels({-500, -500, -100, -100}, topPanel)) << "wholly off the screen";
  const std::vector<Monitor> bare{Monitor{{0, 0, 1280, 800}, {0, 0, 1280, 800}, true}};
  EXPECT_FALSE(ReachesPanels({0, -95, 1280, 5}, bare));
}

TEST(PanelStack, GoesBelowTheLowestPanelItOverlaps) {
  // Bottom to top: a normal window, a bottom panel, a top panel, a second
  // top panel (a launcher above it), ourselves.
  const std::vector<Stacked> stack{
      {10, {0, 27, 600, 400}, false},
      {11, {0, 770, 1280, 800}, true},
      {12, {0, 0, 1280, 27}, true},
      {13, {0, 0, 100, 60}, true},
      {14, {0, -68, 1280, 32}, false},
  };
  EXPECT_EQ(PanelToStackBelow(stack, 14, {0, -68, 1280, 32}), std::optional<std::uint32_t>(12));
  EXPECT_EQ(PanelToStackBelow(stack, 14, {0, 768, 1280, 868}), std::optional<std::uint32_t>(11));
  EXPECT_EQ(PanelToStackBelow(stack, 14, {500, 300, 700, 500}), std::nullopt) << "over no panel";
  EXPECT_EQ(PanelToStackBelow(stack, 12, {0, 0, 1280, 27}), std::optional<std::uint32_t>(13)) << "never itself";
}

TEST(PanelStack, ClipsToTheWorkAreas) {
  // GNOME Shell's top bar: 32 rows reserved by the compositor.
  const std::vector<Monitor> bar{Monitor{{0, 0, 1280, 800}, {0, 32, 1280, 800}, true}};
  EXPECT_EQ(PartsInWorkAreas({0, -63, 1280, 37}, bar), (std::vector<Rect>{{0, 95, 1280, 100}}))
      << "the main window hidden below the bar keeps its last 5 rows";
  EXPECT_EQ(PartsInWorkAreas({0, -20, 1280, 80}, bar), (std::vector<Rect>{{0, 52, 1280, 100}}))
      << "sliding out: the rows below the bar";
  EXPECT_EQ(PartsInWorkAreas({0, 32, 1280, 132}, bar), (std::vector<Rect>{{0, 0, 1280, 100}})) << "all of it";
  EXPECT_TRUE(PartsInWorkAreas({0, -100, 1280, 30}, bar).empty()) << "wholly on the bar";
  EXPECT_TRUE(PartsInWorkAreas({-500, -500, -100, -100}, bar).empty()) << "wholly off the screen";
  // Two monitors side by side, the bar on the left one only: a window across
  // both keeps one part on each.
  const std::vector<Monitor> two{Monitor{{0, 0, 1280, 800}, {0, 32, 1280, 800}, true},
                                 Monitor{{1280, 0, 2560, 800}, {1280, 0, 2560, 800}, false}};
  EXPECT_EQ(PartsInWorkAreas({1000, -63, 1500, 37}, two), (std::vector<Rect>{{0, 95, 280, 100}, {280, 63, 500, 100}}));
  EXPECT_TRUE(PartsInWorkAreas({0, 0, 100, 100}, {}).empty()) << "no monitors";
}

}  // namespace
