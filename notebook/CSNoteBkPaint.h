// Drawing geometry of the tabbed notebook: the lines, regions and placements
// that TcsNotebook paints, worked out as plain values from a TcsTabLayout.
//
// Everything here is a pure function, so tests and the painter read the same
// points.  The painter (TcsNotebook::paintEvent) is a thin layer that turns
// these values into pixels.
//
// Lines.  A TcsLine runs from `from` to `to`; every pixel on the way is
// painted except the end point itself, one pixel wide (LinePixels lists them).
// A line from a point to itself paints nothing.  Colours are the toolkit's
// system colours (toolkit/Graphics.h), looked up when painting.
//
// The 3-D look is that of stacked index cards lit from the top left: every
// tab has a dark outline (clWindowFrame), one inner line of highlight
// (clBtnHighlight) on its lit sides and shadow (clBtnShadow) on the others,
// and the active tab a second inner line.  The page frame has an opening under
// the active tab unless the tabs are anchored; the rows behind the front row
// show a frame line 5 pixels inside their outer side.
#pragma once

#include <QString>
#include <array>
#include <vector>

#include "notebook/CSNoteBkLayout.h"
#include "toolkit/Graphics.h"

struct TcsLine {
  platform::Point from;
  platform::Point to;
  tk::TColor color = tk::clWindowFrame;
  friend bool operator==(const TcsLine&, const TcsLine&) = default;
};

namespace csnotebook {

using Outline = std::array<TcsPointObj, 6>;

// The pixels a line paints: from `from` up to, not including, `to`.
std::vector<platform::Point> LinePixels(platform::Point from, platform::Point to);

// ---- tabs -----------------------------------------------------------------------

// The five outline lines P0-P1 ... P4-P5 of a tab, in clWindowFrame.
std::vector<TcsLine> TabOutlineLines(const Outline& pts);
// The 3-D edge lines of an inner outline (inset 1, or inset 2 with `twice`,
// which adds the short lines that fill the chamfered corners).
std::vector<TcsLine> TabEdgeLines(TTabOrientation side, const Outline& pts, bool twice);

// The polygon a tab adds to the card region: its outline (inset 0) with both
// base points moved 6 pixels toward the page, but not past the page frame.
Outline TabCardPolygon(const TcsTabLayout& layout, int row, int position);

// ---- frames ---------------------------------------------------------------------

// The frame of the page (row 0): closed when the layout's tabs are anchored,
// else open under the tab of `activeCaption`.  Outline lines first (inset 0,
// clWindowFrame), then the two 3-D lines (insets 1 and 2).
std::vector<TcsLine> PageFrameLines(const TcsTabLayout& layout, const QString& activeCaption);

// The frame line of back row `row` (1 to rowCount - 1): the outline (inset 0)
// and one 3-D line (inset 1).  Empty for another row.
std::vector<TcsLine> BackRowFrameLines(const TcsTabLayout& layout, int row);

// RowFrameRect(row) with its outer side moved 5 pixels inward (no further
// than its inner side): the part of a back row that the card region covers.
platform::Rect BackRowCardRect(const TcsTabLayout& layout, int row);

// ---- pictures -----------------------------------------------------------------

// Where a picture cell of cw x ch pixels goes inside a tab's inner rectangle
// (right and bottom exclusive).  The alignment is read in the tab's reading
// frame: for side tabs "left" is where a rotated caption starts and "top" the
// side the letters' tops face.  The result is inclusive of its right and
// bottom (x + dw - 1, y + dh - 1), so it is one pixel narrower and lower than
// the size it was made from when copied as right - left by bottom - top.
// baFit fills the inner rectangle; a cell larger than the rectangle is cut
// down to it.
platform::Rect GlyphRect(TTabOrientation side, int alignment, const platform::Rect& inner, int cw, int ch);

// Which cell of a page's picture a tab shows: the normal cell 0, the disabled
// cell 1, or the inactive cell 2.  `greyed` is set when the normal cell stands
// in for a disabled one and must be drawn greyed.
int GlyphCell(bool pageEnabled, bool active, int numGlyphs, bool& greyed);

// The part of a cw x ch cell copied into a destination of dw x dh: trimmed
// evenly on both sides where the destination is smaller (not with baFit).
platform::Rect GlyphSourceRect(int cw, int ch, int dw, int dh, bool fit);

// ---- captions -----------------------------------------------------------------

// A caption cut at its accelerator: piece 1 (possibly empty) is drawn
// underlined between pieces 0 and 2.  Only the first "&" counts: "&&" there
// is a literal "&" and nothing is underlined; a single "&" underlines the
// character after it; a caption ending in a single "&" shows what comes
// before it.
struct CaptionPieces {
  std::array<QString, 3> piece;
  int count = 1;  // 1 (no "&") or 3
};
CaptionPieces SplitCaption(const QString& caption);

// The text whose extent is the caption's width: a single "&" dropped (unless
// it is the last character), "&&" counted as one "&".
QString CaptionMeasureText(const QString& caption);

// The accelerator character of a caption (the character after its first "&"),
// or a null QChar when it has none ("&&" first, or "&" as the last character).
QChar AcceleratorOf(const QString& caption);

// Where a caption of width tw and line height fh starts inside a tab's inner
// rectangle: the left end of the text, and whether `origin.y` is the top of
// the text cell (else its bottom).  With `sideways` on a side tab the placement
// is worked out along the tab and mapped back, so the origin is the point
// where the rotated text starts.  Not meaningful for taInvisible.
struct CaptionPlacement {
  platform::Point origin;
  bool topReference = true;
};
CaptionPlacement PlaceCaption(const TcsTabLayout& layout, int alignment, bool sideways,
                              const platform::Rect& inner, int tw, int fh);

}  // namespace csnotebook
