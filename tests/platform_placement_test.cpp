// The arithmetic of placing X windows: frames and clients, and whether a frame
// rectangle needs the window withdrawn from the window manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "platform/backend/x11/Placement.h"

namespace {

using platform::Monitor;
using platform::Point;
using platform::Rect;
using namespace platform::x11;

TEST(Placement, ClientAndFrameConvertBothWays) {
  const Extents openbox{1, 1, 20, 5};
  const Rect frame{-195, 0, 5, 800};
  const Rect client = ClientFromFrame(frame, openbox);
  EXPECT_EQ(client, (Rect{-194, 20, 4, 795}));
  EXPECT_EQ(FrameFromClient(client, openbox), frame);
  EXPECT_EQ(ExtentsBetween(frame, client), openbox);
  EXPECT_EQ(ExtentsBetween(client, frame), Extents{}) << "a client bigger than its frame has no extents";
}

TEST(Placement, WhollyOnMonitors) {
  const Monitor left{Rect{0, 0, 1024, 768}, Rect{0, 0, 1024, 740}, true};
  const Monitor right{Rect{1024, 0, 2048, 768}, Rect{1024, 0, 2048, 768}, false};
  const Monitor tallRight{Rect{1024, 0, 2304, 1024}, Rect{1024, 0, 2304, 1024}, false};
  const struct {
    const char* name;
    Rect r;
    std::vector<Monitor> monitors;
    bool want;
  } rows[] = {
      {"inside one monitor", Rect{10, 110, 210, 700}, {left}, true},
      {"the whole monitor", Rect{0, 0, 1024, 768}, {left}, true},
      {"one pixel off the top", Rect{0, -1, 1024, 100}, {left}, false},
      {"one pixel off the right", Rect{825, 0, 1025, 768}, {left}, false},
      {"hidden strip off the left", Rect{-195, 0, 5, 768}, {left}, false},
      {"across two monitors side by side", Rect{900, 100, 1200, 300}, {left, right}, true},
      {"below the shorter of two monitors", Rect{900, 700, 1200, 800}, {left, tallRight}, false},
      {"on the taller one only", Rect{1100, 700, 1300, 1000}, {left, tallRight}, true},
      {"no monitors", Rect{0, 0, 10, 10}, {}, false},
      {"empty, corner on a monitor", Rect{5, 5, 5, 5}, {left}, true},
      {"empty, corner off", Rect{-5, 5, -5, 5}, {left}, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(WhollyOnMonitors(r.r, r.monitors), r.want);
  }
}

TEST(Placement, OnlyFramesOffTheScreenUnderAWindowManagerGoUnmanaged) {
  const std::vector<Monitor> one{Monitor{Rect{0, 0, 1280, 800}, Rect{0, 0, 1280, 775}, true}};
  const Rect hidden{0, -115, 1280, 5}, shown{0, 0, 1280, 120};
  EXPECT_EQ(ModeFor(hidden, one, true), Mode::Unmanaged);
  EXPECT_EQ(ModeFor(shown, one, true), Mode::Managed);
  EXPECT_EQ(ModeFor(hidden, one, false), Mode::Managed) << "without a window manager every move is exact";
  EXPECT_EQ(ModeFor(hidden, {}, true), Mode::Managed) << "with no monitor known nothing is known to be off";
  EXPECT_EQ(ModeFor(Rect{0, 0, 1282, 112}, one, true), Mode::Managed)
      << "a screen-wide client's frame a border wider stays managed";
  EXPECT_EQ(ModeFor(Rect{-4, 0, 1284, 112}, one, true), Mode::Managed);
  EXPECT_EQ(ModeFor(Rect{0, -5, 1280, 112}, one, true), Mode::Unmanaged) << "five pixels off is off";
  EXPECT_EQ(ModeFor(Rect{1275, 0, 1475, 800}, one, true), Mode::Unmanaged) << "a strip of five on the right";
  EXPECT_EQ(ModeFor(Rect{-3, 10, 3, 16}, one, true), Mode::Unmanaged) << "too small to spare a border";
  // With the frame's own borders: xfwm4 frames a 1278-px client at 0 in 1288
  // pixels, 8 past the screen's right edge, and leaves it there.
  const Extents xfwm4{5, 5, 29, 5};
  EXPECT_EQ(ModeFor(Rect{0, 0, 1288, 121}, one, true, xfwm4), Mode::Managed) << "home under xfwm4";
  EXPECT_EQ(ModeFor(Rect{0, 0, 1288, 121}, one, true), Mode::Unmanaged) << "as much off without borders";
  EXPECT_EQ(ModeFor(Rect{0, -116, 1288, 5}, one, true, xfwm4), Mode::Unmanaged) << "hidden under xfwm4";
  EXPECT_EQ(ModeFor(Rect{-245, 0, 5, 800}, one, true, xfwm4), Mode::Unmanaged) << "inspector hidden under xfwm4";
  // Lazarus's main bar at home under i3: its title bar and 18 rows of the
  // client above the screen, where i3 keeps it framed.
  const Extents i3{2, 2, 18, 2};
  const Rect i3Home{-4, -36, 1278, 71};
  EXPECT_EQ(ModeFor(i3Home, one, true, i3), Mode::Unmanaged) << "that far off, were it not its home";
  EXPECT_EQ(ModeFor(i3Home, one, true, i3, i3Home), Mode::Managed) << "back home, framed as the manager kept it";
  EXPECT_EQ(ModeFor(Rect{-4, -102, 1278, 5}, one, true, i3, i3Home), Mode::Unmanaged) << "hidden from that home";
  EXPECT_EQ(ModeFor(Rect{-4, -35, 1278, 72}, one, true, i3, i3Home), Mode::Unmanaged) << "a pixel from home";
}

// Where a window must be asked to stand, by its gravity, for its frame to land
// at one rectangle: openbox's extents (1, 1, 20, 5) around a 184 x 394 client.
// Lazarus's main bar: minimum 0 x 87, maximum 32767 x 87, base 1278 x 87.
SizeHints FixedHeight(std::uint32_t h) {
  SizeHints v(18, 0);
  v[0] = hint::kPMinSize | hint::kPMaxSize | hint::kPBaseSize | hint::kPWinGravity;
  v[6] = h;
  v[7] = 32767;
  v[8] = h;
  v[15] = 1278;
  v[16] = h;
  v[17] = kNorthWest;
  return v;
}

TEST(Placement, AnUnmanagedClientKeepsItsOwnBoundsAndTheOnScreenEdge) {
  const Monitor left{Rect{0, 0, 1280, 800}, Rect{0, 0, 1280, 800}, true};
  const Monitor right{Rect{1280, 0, 2560, 800}, Rect{1280, 0, 2560, 800}, false};
  SizeHints narrow(18, 0);  // at most 200 wide, at least 100
  narrow[0] = hint::kPMinSize | hint::kPMaxSize;
  narrow[5] = 100;
  narrow[7] = 200;
  SizeHints baseOnly(18, 0);  // a base size and no minimum: the base is the minimum
  baseOnly[0] = hint::kPBaseSize;
  baseOnly[15] = 300;
  baseOnly[16] = 300;
  SizeHints topsyTurvy(18, 0);  // a maximum below the minimum: the minimum wins
  topsyTurvy[0] = hint::kPMinSize | hint::kPMaxSize;
  topsyTurvy[6] = 90;
  topsyTurvy[8] = 80;
  SizeHints zeroMax(18, 0);  // a maximum of 0 bounds nothing
  zeroMax[0] = hint::kPMaxSize;
  const struct {
    const char* name;
    Rect frame;
    SizeHints hints;
    std::vector<Monitor> monitors;
    Rect want;
  } rows[] = {
      {"no hints: the whole rectangle", Rect{0, -107, 1280, 5}, {}, {left}, Rect{0, -107, 1280, 5}},
      {"hints that allow it", Rect{0, -82, 1280, 5}, FixedHeight(87), {left}, Rect{0, -82, 1280, 5}},
      {"held height, hidden off the top: the bottom stays", Rect{0, -107, 1280, 5}, FixedHeight(87), {left},
       Rect{0, -82, 1280, 5}},
      {"held height, half way down a slide", Rect{0, -50, 1280, 62}, FixedHeight(87), {left},
       Rect{0, -25, 1280, 62}},
      {"held height, off the bottom: the top stays", Rect{0, 795, 1280, 907}, FixedHeight(87), {left},
       Rect{0, 795, 1280, 882}},
      {"held width, off the left: the right edge stays", Rect{-245, 0, 5, 800}, narrow, {left},
       Rect{-195, 0, 5, 800}},
      {"held width, off the right: the left edge stays", Rect{1275, 0, 1525, 800}, narrow, {left},
       Rect{1275, 0, 1475, 800}},
      {"too narrow for the minimum, off the left", Rect{-45, 0, 5, 800}, narrow, {left}, Rect{-95, 0, 5, 800}},
      {"off the left of the right monitor only: on the desktop, the left edge stays", Rect{1200, 0, 1500, 800},
       narrow, {left, right}, Rect{1200, 0, 1400, 800}},
      {"base size as the minimum", Rect{-195, 0, 5, 800}, baseOnly, {left}, Rect{-295, 0, 5, 800}},
      {"maximum below minimum", Rect{0, -115, 1280, 5}, topsyTurvy, {left}, Rect{0, -85, 1280, 5}},
      {"a maximum of 0", Rect{0, -115, 1280, 5}, zeroMax, {left}, Rect{0, -115, 1280, 5}},
      {"no monitors known: the corner stays", Rect{0, -107, 1280, 5}, FixedHeight(87), {}, Rect{0, -107, 1280, -20}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(UnmanagedRect(r.frame, r.hints, r.monitors), r.want);
  }
}

TEST(Placement, RequestPositionByGravity) {
  const Extents e{1, 1, 20, 5};
  const Rect frame{10, 110, 196, 529};  // client 11,130 .. 195,524
  const struct {
    const char* name;
    int gravity;
    int border;
    Point want;
  } rows[] = {
      {"NorthWest: the frame's corner", kNorthWest, 0, {10, 110}},
      {"unknown gravity reads as NorthWest", 0, 0, {10, 110}},
      {"out of range reads as NorthWest", 42, 0, {10, 110}},
      {"North: top edge, centred (spare 2 px across)", kNorth, 0, {11, 110}},
      {"NorthEast: the frame's top right", kNorthEast, 0, {12, 110}},
      {"West: left edge, centred (spare 25 px down, halved down)", kWest, 0, {10, 122}},
      {"Center", kCenter, 0, {11, 122}},
      {"East", kEast, 0, {12, 122}},
      {"SouthWest: the frame's bottom left", kSouthWest, 0, {10, 135}},
      {"South", kSouth, 0, {11, 135}},
      {"SouthEast", kSouthEast, 0, {12, 135}},
      {"Static: the client's own corner", kStatic, 0, {11, 130}},
      {"Static with a border: its outer corner", kStatic, 2, {9, 128}},
      {"SouthEast with a border takes it into the window", kSouthEast, 2, {8, 131}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(RequestPosition(frame, e, r.gravity, r.border), r.want);
  }
  EXPECT_EQ(RequestPosition(frame, Extents{}, kSouthEast), (Point{10, 110})) << "no frame: every gravity agrees";
}

TEST(Placement, LandedFreelyOnlyClearOfEveryEdge) {
  // 1280 x 800 with a 26-px panel along the bottom (work area 0,0 .. 1280,774).
  const Monitor panel{Rect{0, 0, 1280, 800}, Rect{0, 0, 1280, 774}, true};
  const Monitor right{Rect{1280, 0, 2560, 800}, Rect{1280, 0, 2560, 800}, false};
  const Monitor noWorkArea{Rect{0, 0, 1280, 800}, Rect{}, true};
  const struct {
    const char* name;
    Rect got;
    std::vector<Monitor> monitors;
    bool want;
  } rows[] = {
      {"mid-screen", Rect{1046, 55, 1240, 653}, {panel}, true},
      {"one pixel clear of each edge", Rect{1, 1, 1279, 773}, {panel}, true},
      {"flush with the right edge (pushed there, or asked)", Rect{1086, 0, 1280, 700}, {panel}, false},
      {"its border past the right edge (icewm keeps only the client on)", Rect{1091, 10, 1285, 700}, {panel}, false},
      {"past the panel's edge, on the monitor", Rect{0, 5, 194, 779}, {panel}, false},
      {"flush with the top", Rect{100, 0, 294, 700}, {panel}, false},
      {"across two monitors", Rect{1200, 100, 1400, 300}, {panel, right}, false},
      {"inside the second monitor", Rect{1300, 100, 1500, 300}, {panel, right}, true},
      {"no work area known: the bounds", Rect{10, 780, 200, 790}, {noWorkArea}, true},
      {"no monitors", Rect{10, 10, 200, 200}, {}, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(LandedFreely(r.got, r.monitors), r.want);
  }
  // Asked frames: touching the work area's edges is within it.
  EXPECT_TRUE(WithinWorkArea(Rect{1086, 0, 1280, 774}, {panel})) << "shown at the right edge, above the panel";
  EXPECT_TRUE(WithinWorkArea(Rect{1300, 0, 2560, 800}, {panel, right}));
  EXPECT_FALSE(WithinWorkArea(Rect{0, 0, 194, 800}, {panel})) << "over the panel";
  EXPECT_FALSE(WithinWorkArea(Rect{0, -23, 1280, 71}, {panel})) << "partly off the top";
  EXPECT_FALSE(WithinWorkArea(Rect{1200, 100, 1400, 300}, {panel, right})) << "across two monitors";
  EXPECT_TRUE(WithinWorkArea(Rect{0, 700, 1280, 800}, {noWorkArea}));
}

// A window manager that reads a request's position as the frame's corner
// whatever the gravity, and then keeps the client inside the work area, its
// frame sticking out by its borders (icewm's limitPosition).
Rect CornerReadingEdgeHolding(Point corner, int w, int h, const Extents& e, const Rect& area) {
  const int cw = w - e.left - e.right, ch = h - e.top - e.bottom;
  int cx = corner.x + e.left, cy = corner.y + e.top;
  cx = std::clamp(cx, area.left, area.right - cw);
  cy = std::clamp(cy, area.top, area.bottom - ch);
  return Rect{cx - e.left, cy - e.top, cx - e.left + w, cy - e.top + h};
}

TEST(Placement, PositionReadingLearnsTheWindowManagersOffset) {
  const Extents icewm{5, 5, 24, 5};
  const Monitor panel{Rect{0, 0, 1280, 800}, Rect{0, 0, 1280, 774}, true};
  const std::vector<Monitor> monitors{panel};
  const struct {
    const char* name;
    int gravity;
    Rect midScreen;  // a move first, where nothing holds the frame back
    Rect atEdge;     // then one against the screen's edges
  } rows[] = {
      {"NorthEast (xterm -X+Y) shown at the right edge", kNorthEast, Rect{1046, 55, 1240, 653},
       Rect{1086, 0, 1280, 774}},
      {"SouthEast (xterm -X-Y) shown at the left edge", kSouthEast, Rect{318, 306, 512, 718}, Rect{0, 0, 194, 774}},
      {"SouthWest (xterm +X-Y) shown at the bottom", kSouthWest, Rect{318, 306, 512, 718}, Rect{0, 100, 194, 774}},
      {"NorthWest: the corner reading is the gravity's", kNorthWest, Rect{318, 306, 512, 718}, Rect{1086, 0, 1280, 774}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    PositionReading reading;
    auto land = [&](const Rect& frame) {
      const Point asked = reading.Ask(PositionReading::kRequest, frame, icewm, r.gravity, 0);
      const Rect got = CornerReadingEdgeHolding(asked, frame.Width(), frame.Height(), icewm, panel.workArea);
      reading.Learn(PositionReading::kRequest, asked, frame, got, icewm, r.gravity, 0, monitors);
      return got;
    };
    // Asked by the gravity, the mid-screen frame lands off by the spare
    // between frame and client on the gravity's sides; asked again, exactly.
    const Rect first = land(r.midScreen);
    EXPECT_EQ(land(r.midScreen), r.midScreen) << "corrected by what it learned from " << first.left << "," << first.top;
    // At the edge, asked with the learned offset, it lands at once (asked by
    // the gravity, it would be held back by the edge, its border past it).
    EXPECT_EQ(land(r.atEdge), r.atEdge);
    // A landing held back teaches nothing: the offset stays.
    const Point before = reading.Offset(PositionReading::kRequest, icewm, r.gravity, 0);
    reading.Learn(PositionReading::kRequest, Point{1200, 0}, r.atEdge, Rect{1091, 0, 1285, 774}, icewm, r.gravity, 0,
                  monitors);
    EXPECT_EQ(reading.Offset(PositionReading::kRequest, icewm, r.gravity, 0), before);
  }
}

TEST(Placement, PositionReadingKeepsEachOffsetToItsOwnKindAndFrame) {
  const Extents icewm{5, 5, 24, 5}, other{1, 1, 20, 5};
  const std::vector<Monitor> monitors{Monitor{Rect{0, 0, 1280, 800}, Rect{0, 0, 1280, 774}, true}};
  const Rect frame{1006, 110, 1200, 533};
  PositionReading reading;
  EXPECT_EQ(reading.Ask(PositionReading::kMap, frame, icewm, kNorthEast, 0),
            RequestPosition(frame, icewm, kNorthEast, 0))
      << "nothing learned: the gravity's reading";
  // Mapped at the gravity's position, 1016: icewm framed it at 1007, 1 px right.
  reading.Learn(PositionReading::kMap, Point{1016, 110}, frame, Rect{1007, 110, 1201, 533}, icewm, kNorthEast, 0,
                monitors);
  EXPECT_EQ(reading.Offset(PositionReading::kMap, icewm, kNorthEast, 0), (Point{-1, 0}));
  EXPECT_EQ(reading.Ask(PositionReading::kMap, frame, icewm, kNorthEast, 0), (Point{1015, 110}));
  EXPECT_EQ(reading.Offset(PositionReading::kRequest, icewm, kNorthEast, 0), (Point{0, 0}))
      << "a map teaches nothing about requests";
  const struct {
    const char* name;
    Extents e;
    int gravity;
    int border;
  } forgotten[] = {
      {"other extents (another frame style, another window manager)", other, kNorthEast, 0},
      {"another gravity (the client wrote new hints)", icewm, kSouthEast, 0},
      {"another border", icewm, kNorthEast, 1},
  };
  for (const auto& f : forgotten) {
    SCOPED_TRACE(f.name);
    EXPECT_EQ(reading.Offset(PositionReading::kMap, f.e, f.gravity, f.border), (Point{0, 0}));
  }
  // A landing at another size (hints held it) teaches nothing.
  reading.Learn(PositionReading::kRequest, Point{1016, 110}, frame, Rect{1006, 110, 1200, 520}, icewm, kNorthEast, 0,
                monitors);
  EXPECT_EQ(reading.Offset(PositionReading::kRequest, icewm, kNorthEast, 0), (Point{0, 0}));
  // A landing exactly where asked teaches, at a screen edge too: asked at
  // 1086 for a frame flush with the right edge, a corner-reading window
  // manager put it there, 10 px left of what NorthEast names (1096).
  reading.Learn(PositionReading::kRequest, Point{1086, 0}, Rect{1086, 0, 1280, 774}, Rect{1086, 0, 1280, 774}, icewm,
                kNorthEast, 0, monitors);
  EXPECT_EQ(reading.Offset(PositionReading::kRequest, icewm, kNorthEast, 0), (Point{-10, 0}));
  // A later free landing replaces what was learned.
  reading.Learn(PositionReading::kMap, Point{1016, 110}, frame, frame, icewm, kNorthEast, 0, monitors);
  EXPECT_EQ(reading.Offset(PositionReading::kMap, icewm, kNorthEast, 0), (Point{0, 0}));
}

// An xterm's own hints: USPosition, USSize, PMinSize, PResizeInc, PBaseSize,
// PWinGravity; 184 x 394 client of 6 x 13 cells on a 4 x 4 base, min 10 x 17.
const SizeHints kXterm{859, 10, 110, 184, 394, 10, 17, 0, 0, 6, 13, 0, 0, 0, 0, 4, 4, 3};

TEST(Placement, SizeAllowedByHints) {
  const SizeHints maxOnly{hint::kPMaxSize, 0, 0, 0, 0, 0, 0, 300, 200};
  const SizeHints baseNoMin{hint::kPBaseSize | hint::kPResizeInc, 0, 0, 0, 0, 0, 0, 0, 0, 10, 10,
                            0, 0, 0, 0, 5, 5, 0};
  const SizeHints minNoBase{hint::kPMinSize | hint::kPResizeInc, 0, 0, 0, 0, 8, 8, 0, 0, 4, 4};
  const SizeHints square{hint::kPAspect, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1};
  const SizeHints shortList{hint::kPResizeInc, 0, 0, 0, 0};  // increments named but cut off
  const struct {
    const char* name;
    SizeHints hints;
    int w, h;
    bool want;
  } rows[] = {
      {"no hints at all", {}, 1280, 71, true},
      {"the xterm at its own size", kXterm, 184, 394, true},
      {"the xterm a screen wide", kXterm, 1278, 394, false},
      {"the xterm a work area high", kXterm, 184, 775, false},
      {"the xterm below its minimum", kXterm, 4, 4, false},
      {"nothing is no size", {}, 0, 10, false},
      {"within a maximum", maxOnly, 300, 200, true},
      {"past a maximum", maxOnly, 301, 200, false},
      {"base stands in for a missing minimum", baseNoMin, 4, 15, false},
      {"increments count from the base", baseNoMin, 25, 15, true},
      {"increments count from the minimum without a base", minNoBase, 12, 16, true},
      {"off the minimum's grid", minNoBase, 13, 16, false},
      {"aspect met", square, 50, 50, true},
      {"aspect broken", square, 60, 50, false},
      {"flags naming fields a short list lacks", shortList, 77, 33, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(SizeAllowed(r.hints, r.w, r.h), r.want);
  }
}

TEST(Placement, HintsForPlacementAllowTheSizeAndKeepTheGravity) {
  const Rect shown{1, 20, 1279, 795};  // a screen-wide client: off the xterm's grid
  const SizeHints worn = HintsForPlacement(kXterm, shown, Point{1094, 0});
  EXPECT_TRUE(SizeAllowed(worn, shown.Width(), shown.Height()));
  EXPECT_EQ(WinGravity(worn), kNorthEast) << "the client's own gravity";
  EXPECT_EQ(worn[0] & (hint::kUSPosition | hint::kUSSize), hint::kUSPosition | hint::kUSSize);
  EXPECT_EQ(worn[0] & hint::kPResizeInc, 0u);
  EXPECT_EQ((std::vector<std::uint32_t>{worn[1], worn[2], worn[3], worn[4]}),
            (std::vector<std::uint32_t>{1094, 0, 1278, 775}));

  // At a size its own hints allow, only the position and size are named.
  const SizeHints home = HintsForPlacement(kXterm, Rect{11, 130, 195, 524}, Point{12, 110});
  EXPECT_EQ(Normalized(home), Normalized(kXterm));
  EXPECT_EQ(home[1], 12u);

  // A minimum above and a maximum below the size are widened to it.
  const SizeHints bounds{hint::kPMinSize | hint::kPMaxSize, 0, 0, 0, 0, 500, 500, 600, 600};
  EXPECT_TRUE(SizeAllowed(HintsForPlacement(bounds, Rect{0, 0, 100, 900}, Point{}), 100, 900));

  // A client without hints gets hints that name only the place and size.
  const SizeHints none = HintsForPlacement({}, Rect{0, 0, 300, 200}, Point{5, 6});
  ASSERT_EQ(none.size(), 18u);
  EXPECT_EQ(none[0], hint::kUSPosition | hint::kUSSize);
  EXPECT_EQ(WinGravity(none), kNorthWest);
}

TEST(Placement, NormalizedHintsCompareByMeaning) {
  // An xterm writes its hints back with its new size in the obsolete fields,
  // and Xlib zeroes the fields of flags not set.
  SizeHints written = kXterm;
  written[3] = 1280;
  written[4] = 94;
  EXPECT_EQ(Normalized(written), Normalized(kXterm));
  SizeHints noInc = kXterm;
  noInc[0] &= ~hint::kPResizeInc;
  SizeHints noIncZeroed = noInc;
  noIncZeroed[9] = noIncZeroed[10] = 0;
  EXPECT_EQ(Normalized(noInc), Normalized(noIncZeroed));
  EXPECT_NE(Normalized(noInc), Normalized(kXterm));
  SizeHints newFont = kXterm;
  newFont[9] = 7;
  EXPECT_NE(Normalized(newFont), Normalized(kXterm)) << "new increments are new hints";
  EXPECT_EQ(Normalized({}), SizeHints(18, 0));
}

TEST(Placement, PlanMovePicksTheWayByWhatIsKnownOfTheWindow) {
  const std::vector<Monitor> one{Monitor{Rect{0, 0, 1280, 800}, Rect{0, 0, 1280, 775}, true}};
  const Rect hidden{0, -115, 1280, 5}, shown{0, 0, 1280, 120};
  // A title bar and thin borders, as most window managers frame.
  const Extents framed{1, 1, 20, 1};
  MoveFacts managed;
  managed.wmRunning = managed.shown = true;
  managed.borders = framed;
  MoveFacts unmanaged = managed;
  unmanaged.unmanaged = true;
  MoveFacts withdrawing = unmanaged;
  withdrawing.withdrawing = true;
  MoveFacts noWm;
  noWm.shown = true;
  MoveFacts unshown = managed;
  unshown.shown = false;
  MoveFacts unshownUnmanaged = unmanaged;
  unshownUnmanaged.shown = false;
  MoveFacts pinned = managed;
  pinned.placesWindows = false;
  // Lazarus's main bar under i3: framed at home with its title bar and part
  // of the client above the screen.
  const Rect highHome{0, -36, 1280, 84};
  MoveFacts keptHigh = unmanaged;
  keptHigh.home = highHome;
  const struct {
    const char* name;
    MoveFacts facts;
    Rect frame;
    std::vector<Monitor> monitors;
    MoveWay want;
  } rows[] = {
      {"managed, on the screen", managed, shown, one, MoveWay::Managed},
      {"managed, off the screen", managed, hidden, one, MoveWay::Withdraw},
      {"managed, sticking out by no more than its borders", managed, Rect{-1, -20, 1281, 101}, one,
       MoveWay::Managed},
      {"managed, off the screen where windows cannot hide", pinned, hidden, one, MoveWay::Stay},
      {"managed, no monitor known", managed, hidden, {}, MoveWay::Managed},
      {"held unmanaged, off the screen", unmanaged, hidden, one, MoveWay::PlaceUnmanaged},
      {"held unmanaged, on the screen", unmanaged, shown, one, MoveWay::GiveBack},
      {"held unmanaged, back where the window manager kept it framed", keptHigh, highHome, one, MoveWay::GiveBack},
      {"held unmanaged and hidden by its client, off the screen", unshownUnmanaged, hidden, one,
       MoveWay::PlaceUnmanaged},
      {"held unmanaged and hidden by its client, home", unshownUnmanaged, shown, one, MoveWay::GiveBack},
      {"being withdrawn, a later step off the screen", withdrawing, Rect{0, -100, 1280, 20}, one, MoveWay::Retarget},
      {"being withdrawn, asked back on the screen", withdrawing, shown, one, MoveWay::FinishWithdrawal},
      {"nobody shows it, off the screen", unshown, hidden, one, MoveWay::ConfigureHidden},
      {"nobody shows it, on the screen", unshown, shown, one, MoveWay::ConfigureHidden},
      {"no window manager, off the screen", noWm, hidden, one, MoveWay::Configure},
      {"no window manager, on the screen", noWm, shown, one, MoveWay::Configure},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(PlanMove(r.facts, r.frame, r.monitors), r.want);
  }
}

}  // namespace

// Window managers as functions from the position asked to where the frame
// lands, and how many requests a move then takes.
TEST(Placement, CorrectionsAskAgainWhileTheFrameComesCloser) {
  const Rect frame{-3, 100, 397, 400};  // asked a little past the left edge
  using Wm = std::function<std::optional<Rect>(Point corner, const Rect& before)>;
  const auto at = [](Point p) { return Rect{p.x, p.y, p.x + 400, p.y + 300}; };
  const struct {
    const char* name;
    Wm wm;
    bool reachable;
    int requests;                 // the first one and the corrections
    std::optional<Rect> landing;  // where the last one left the frame
  } rows[] = {
      {"lands where asked", [&](Point p, const Rect&) { return at(p); }, true, 1, frame},
      {"reads the position off by its title bar, then lands exactly",
       [&](Point p, const Rect&) { return at(Point{p.x, p.y + 20}); }, true, 2, frame},
      // Keeps the frame's left edge at -1 or right of it until asked 6 px
      // further out (icewm keeps the client on the screen, its border
      // sticking out), then lands free and the next correction is exact.
      {"held back at the edge, comes home as the corrections double",
       [&](Point p, const Rect&) { return at(Point{p.x > -9 ? -1 : p.x + 6, p.y}); }, true, 3, frame},
      {"never lets the frame past the edge: gives up after five corrections",
       [&](Point p, const Rect&) { return at(Point{std::max(p.x, 0), p.y}); }, true, 6, at(Point{0, 100})},
      {"moves nothing, the frame past the work area: one correction, then no use",
       [&](Point, const Rect& before) { return before; }, false, 2, at(Point{50, 50})},
      {"holds the size to the client's increments: asked once more as it is",
       [&](Point p, const Rect&) { return Rect{p.x, p.y, p.x + 396, p.y + 299}; }, true, 2,
       Rect{-3, 100, 393, 399}},
      {"the window is gone", [&](Point, const Rect&) { return std::optional<Rect>{}; }, true, 1, std::nullopt},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    Point corner{frame.left, frame.top};
    Corrections corrections(frame, corner, r.reachable);
    std::optional<Rect> got = r.wm(corner, at(Point{50, 50}));
    int requests = 1;
    while (const std::optional<Point> next = corrections.Next(got)) {
      ASSERT_LT(requests, 20) << "asked for ever";
      corner = *next;
      got = r.wm(corner, *got);
      ++requests;
    }
    EXPECT_EQ(requests, r.requests);
    EXPECT_EQ(got, r.landing);
  }
}
