// Each monitor's work area from the space that docks and panels reserve at the
// edges of the X screen: pure arithmetic, no X calls (X11Screens reads the
// properties and applies it).
//
// A dock or panel reserves space with _NET_WM_STRUT_PARTIAL (twelve
// CARDINALs: left, right, top, bottom widths, then for each edge the first
// and last pixel it spans along that edge: left_start_y, left_end_y,
// right_start_y, right_end_y, top_start_x, top_end_x, bottom_start_x,
// bottom_end_x) or the older _NET_WM_STRUT (the four widths alone, each
// spanning its whole edge).  Widths count from the edges of the root window,
// not from a monitor's: a panel along the bottom of a monitor that ends 256 px
// above the bottom of a taller neighbour's reserves 256 px more than its own
// height.  So each reservation is a band of the root window touching one of
// its edges:
//
//   left   x in [0, left)             y in [left_start_y, left_end_y]
//   right  x in [W - right, W)        y in [right_start_y, right_end_y]
//   top    y in [0, top)              x in [top_start_x, top_end_x]
//   bottom y in [H - bottom, H)       x in [bottom_start_x, bottom_end_x]
//
// (W x H the root's size; the end pixels are inclusive, as the property
// names them.)
//
// A band shrinks the work area of every monitor it overlaps, on the side it
// comes from: a left band moves the left edge of an overlapped monitor's work
// area to the band's right edge, and so on.  A band that begins on another
// monitor (a left band of a dock on the left edge of the right-hand monitor
// of two side by side) passes over the monitors between; a monitor that a
// band would cover from one side to the other keeps that side as it was, so a
// reservation meant for its neighbour never takes a whole monitor away.
//
// Bad values have a defined result: a width of 0, a short property, a span
// whose start lies past its end or outside the root make no band; widths and
// spans beyond the root are clipped to it (CARDINALs are read unsigned, so
// "negative" values are huge ones).  A band that would leave a monitor's work
// area empty is ignored for that monitor, so every work area keeps at least
// one pixel each way.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/backend/Backend.h"

namespace platform::x11 {

enum class Edge { Left, Right, Top, Bottom };

// Space reserved along one edge of the root window, in root coordinates
// (right and bottom exclusive); never empty.
struct Band {
  Edge edge = Edge::Left;
  Rect area;
  friend bool operator==(const Band&, const Band&) = default;
};

// The bands one client reserves: from its _NET_WM_STRUT_PARTIAL when that
// holds twelve values or more (extra values are ignored), else from its
// _NET_WM_STRUT when that holds four or more; none otherwise.  Either span
// may be empty (the property is not set).  rootWidth and rootHeight: the root
// window's size; nothing is reserved on a root without one.
std::vector<Band> StrutBands(std::span<const std::uint32_t> partial, std::span<const std::uint32_t> full,
                             int rootWidth, int rootHeight);

// The monitors with their work areas shrunk by the bands (in the order
// given, each side of each band tested against what the earlier ones left).
// A monitor's work area as given is the most it may be (what the toolkit
// already reports); one that is empty or not inside its bounds counts as the
// bounds.  A work area comes out inside its monitor's bounds and non-empty,
// except for a monitor whose bounds are themselves empty, which keeps them.
std::vector<Monitor> ApplyBands(std::vector<Monitor> monitors, const std::vector<Band>& bands);

}  // namespace platform::x11
