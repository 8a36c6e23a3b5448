// Tab geometry of the tabbed notebook.
//
// TcsTabLayout is a plain value: the notebook's geometry inputs (tab side, row
// sizes, corner size, client size), the rows of tabs and the rectangle of every
// tab.  Its const members are pure functions of that value, so painting, hit
// testing and tests all read the same rectangles; the notebook widget owns one
// TcsTabLayout and copies its properties into it.
//
// Coordinates are the notebook's client pixels, origin top-left, signed 32-bit.
// Rectangles are (left, top, right, bottom).  Where a rectangle is tested for a
// point, right and bottom are exclusive; the frame rectangles (FrameRect,
// PageBodyRect, RowFrameRect) are drawn as inclusive outlines.
//
// Rows: row 0 stands next to the page, higher rows stand further out and are
// indented by `rowIndent` each in the reading direction of the tabs (left to
// right on top and bottom, bottom to top on the left, top to bottom on the
// right).  Rows and tabs are keyed by page caption, compared without case.
// Alongside the captions the layout keeps, per row position, the index of the
// tab entry and of the page, so that painting and outlines go by index; those
// indices are checked against the caption at every use, and a stale one (rows
// or tabs edited by hand) falls back to the search by caption.
//
// The canonical frame: every tab shape is worked out for a tab standing on top
// of the page (outer edge up, page below) and then mapped to the real side: a
// mirror for the bottom, a quarter turn counter-clockwise for the left (the
// canonical left end goes to the bottom), clockwise for the right (the
// canonical left end goes to the top).
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <span>
#include <vector>

#include "platform/Windows.h"

// The side of the notebook along which the tabs stand.
enum TTabOrientation : int { toTop = 0, toLeft = 1, toBottom = 2, toRight = 3 };

// A point of a tab outline.
using TcsPointObj = platform::Point;

// One entry of the tab list: a visible page's caption and its tab rectangle,
// relative to the top-left corner of TabAreaRect().
struct TcsTab {
  QString caption;
  platform::Rect rect;
  friend bool operator==(const TcsTab&, const TcsTab&) = default;
};

// What the layout needs to know of a page.
struct TcsLayoutPage {
  QString caption;
  bool visible = true;
};

struct TcsTabLayout {
  // ---- inputs (the notebook's properties and client size) ----------------
  TTabOrientation orientation = toTop;
  int tabsPerRow = 3;   // N; values below 1 count as 1
  int tabHeight = 25;   // depth of one row
  int rowIndent = 5;    // I; values below 0 count as 0
  int cornerSize = 5;   // chamfer of the tab corners
  int maxTabWidth = 0;  // 0 or less: no width limit
  bool anchoredTabs = false;
  int width = 250;      // client width W
  int height = 150;     // client height H

  // ---- derived state -----------------------------------------------------
  int rowCount = 1;                // R, cached from RowExtent
  std::vector<QStringList> rows;   // captions per row, row 0 next to the page
  std::vector<TcsTab> tabs;        // one entry per tab, in order of creation
  // Parallel to `rows`: the index in `tabs` of each caption's entry (set by
  // ComputeTabRects, -1 before) and the index of its page in the list given to
  // BuildRows.
  std::vector<std::vector<int>> rowTabs;
  std::vector<std::vector<int>> rowPages;

  // 1 when tabsPerRow is 0 (or less), else (visiblePages - 1) div tabsPerRow + 1;
  // so 1 also when no page is visible.
  static int RowExtent(int visiblePages, int tabsPerRow);
  static int RowExtent(std::span<const TcsLayoutPage> pages, int tabsPerRow);

  // Sets rowCount from the pages and rebuilds `rows`: the visible captions in
  // page order, N per row, the last row possibly shorter; no empty rows.
  // rowPages follows; rowTabs waits for ComputeTabRects.
  void BuildRows(std::span<const TcsLayoutPage> pages);

  // Rotates `rows` cyclically so that the row holding `caption` becomes row 0
  // and the rows that stood in front of it go to the back in their order.
  // Nothing when the caption is in row 0 or in no row.  rowTabs and rowPages
  // rotate along.
  void RotateRows(const QString& caption);

  // Gives every tab of `rows` its rectangle (updating existing entries of
  // `tabs` in place, appending new ones).  Entries of captions not in `rows`
  // are left alone.  Tabs share the row length equally; with maxTabWidth 0 the
  // last tab of a full row is stretched to the end of its row.  Sets rowTabs.
  // Linear in the number of tabs.
  void ComputeTabRects();

  // ---- named rectangles ----------------------------------------------------
  // (0, 0, W - 1, H - 1).
  platform::Rect FrameRect() const;
  // The band of rows along the tab side, shortened to N * maxTabWidth when a
  // width limit is set (tabs keep to the left end on top and bottom, the bottom
  // end on the left side and the top end on the right side).
  platform::Rect TabAreaRect() const;
  // FrameRect without the band of rows.
  platform::Rect PageBodyRect() const;
  // Outline of row i: the page outline shifted i rows outward and indented;
  // row 0's is the page's own.
  platform::Rect RowFrameRect(int row) const;
  // Where the active page stands: RowFrameRect(0) inside its 3-D frame
  // (left + 3, top + 3, right - 2, bottom - 2).
  platform::Rect PageClientRect() const;

  // ---- tabs -------------------------------------------------------------------
  // The entry for a caption (compared without case), or nullptr.
  const TcsTab* FindTab(const QString& caption) const;
  // The tab's rectangle in client coordinates; false (rect untouched) when the
  // caption has no tab.
  bool TabRect(const QString& caption, platform::Rect& rect) const;
  // The same for the caption at (row, position), found by index: the entry,
  // or nullptr (and false) when there is no tab at that place.
  const TcsTab* TabAt(int row, int position) const;
  bool TabRectAt(int row, int position, platform::Rect& rect) const;
  // The index, in the list given to BuildRows, of the page at (row,
  // position); -1 when unknown.  Callers check the caption.
  int PageAt(int row, int position) const;
  // The part of a tab rectangle that holds its text, picture and focus
  // rectangle: inset by max(3, cornerSize) on the three outer sides and by 1
  // on the side facing the page, then by 1 more on every side.
  platform::Rect TabInnerRect(const platform::Rect& tabRect) const;
  bool TabInnerRect(const QString& caption, platform::Rect& rect) const;

  // A tab rectangle in the canonical frame (length and depth swapped on the
  // left and right sides), and a canonical point mapped back to the tab side;
  // `tabRect` is the real rectangle, `canonical` its canonical one.
  platform::Rect ToCanonical(const platform::Rect& tabRect) const;
  platform::Point FromCanonical(platform::Point p, const platform::Rect& tabRect,
                                const platform::Rect& canonical) const;

  // How far the corner of a tab reaches over the tab in front of it:
  // cornerSize - rowIndent when positive, else 0.
  int Overlap() const;

  // The six points of the outline of the tab at (row, position), for inset 0
  // (the outline) and 1 or 2 (the inner 3-D lines): base of the outer-start
  // side, the two corners of that side, the two corners of the far side, and
  // the base of the far side.  It is an open polyline: the base faces the page.
  // Tabs behind the front row run on up to 5 pixels toward the page, cut to
  // the overlap where a tab in front covers the spot.  All (0, 0) when there
  // is no tab at that place.
  std::array<TcsPointObj, 6> TabOutline(int row, int position, int inset) const;

  // The first visible page, in page order, whose tab rectangle holds the point;
  // -1 when none does.
  int TabAtPoint(std::span<const TcsLayoutPage> pages, platform::Point p) const;

  // ---- rows -------------------------------------------------------------------
  // The first row holding the caption (without case), or 0 when none does.
  int RowOf(const QString& caption) const;
  // The caption's index within RowOf(caption), or -1.
  int PositionOf(const QString& caption) const;
  // True when row `row` exists and holds more than `position` captions.
  bool HasPosition(int row, int position) const;

  // tabsPerRow and rowIndent as the arithmetic uses them (at least 1 and 0).
  int N() const { return tabsPerRow < 1 ? 1 : tabsPerRow; }
  int Indent() const { return rowIndent < 0 ? 0 : rowIndent; }
  int R() const { return rowCount < 1 ? 1 : rowCount; }
  bool Vertical() const { return orientation == toLeft || orientation == toRight; }

  // Every input and all derived state alike.
  friend bool operator==(const TcsTabLayout&, const TcsTabLayout&) = default;
};
