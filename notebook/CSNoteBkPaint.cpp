#include "notebook/CSNoteBkPaint.h"

#include <algorithm>
#include <cstdlib>

using platform::Point;
using platform::Rect;
using tk::clBtnHighlight;
using tk::clBtnShadow;
using tk::clWindowFrame;
using tk::TColor;

namespace csnotebook {

std::vector<Point> LinePixels(Point a, Point b) {
  std::vector<Point> out;
  const int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
  const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int err = dx + dy;
  Point p = a;
  while (!(p == b)) {
    out.push_back(p);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      p.x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      p.y += sy;
    }
  }
  return out;
}

// ---- tabs -----------------------------------------------------------------------

std::vector<TcsLine> TabOutlineLines(const Outline& p) {
  std::vector<TcsLine> out;
  for (int i = 0; i < 5; ++i) out.push_back(TcsLine{p[i], p[i + 1], clWindowFrame});
  return out;
}

std::vector<TcsLine> TabEdgeLines(TTabOrientation side, const Outline& p, bool twice) {
  std::vector<TcsLine> out;
  auto line = [&](Point a, Point b, TColor c) { out.push_back(TcsLine{a, b, c}); };
  // The corner lines of the second edge sit one pixel further in, so the
  // chamfer reads two pixels thick like the straight sides.
  switch (side) {
    case toTop:
      line(p[0], p[1], clBtnHighlight);
      line(p[1], p[2], clBtnHighlight);
      if (twice) line({p[1].x, p[1].y + 1}, {p[2].x + 1, p[2].y}, clBtnHighlight);
      line(p[2], p[3], clBtnHighlight);
      line(p[3], p[4], clBtnShadow);
      if (twice) line({p[3].x - 1, p[3].y}, {p[4].x, p[4].y + 1}, clBtnShadow);
      line(p[4], p[5], clBtnShadow);
      break;
    case toBottom:
      line(p[0], p[1], clBtnHighlight);
      line(p[1], p[2], clBtnShadow);
      if (twice) line({p[1].x, p[1].y - 1}, {p[2].x + 1, p[2].y}, clBtnShadow);
      line(p[2], p[3], clBtnShadow);
      line(p[3], p[4], clBtnShadow);
      if (twice) line({p[3].x - 1, p[3].y}, {p[4].x, p[4].y - 1}, clBtnShadow);
      line(p[4], p[5], clBtnShadow);
      break;
    case toLeft:
      line(p[0], p[1], clBtnShadow);
      line(p[1], p[2], clBtnShadow);
      if (twice) line({p[1].x + 1, p[1].y}, {p[2].x, p[2].y - 1}, clBtnShadow);
      line(p[2], p[3], clBtnHighlight);
      line(p[3], p[4], clBtnHighlight);
      if (twice) line({p[3].x, p[3].y + 1}, {p[4].x + 1, p[4].y}, clBtnHighlight);
      line(p[4], p[5], clBtnHighlight);
      break;
    case toRight:
      line(p[0], p[1], clBtnHighlight);
      line(p[1], p[2], clBtnShadow);
      if (twice) line({p[1].x - 1, p[1].y}, {p[2].x, p[2].y + 1}, clBtnShadow);
      line(p[2], p[3], clBtnShadow);
      line(p[3], p[4], clBtnShadow);
      if (twice) line({p[3].x, p[3].y - 1}, {p[4].x - 1, p[4].y}, clBtnShadow);
      line(p[4], p[5], clBtnShadow);
      break;
  }
  return out;
}

Outline TabCardPolygon(const TcsTabLayout& layout, int row, int position) {
  Outline p = layout.TabOutline(row, position, 0);
  const Rect f = layout.RowFrameRect(0);
  switch (layout.orientation) {
    case toTop: p[0].y = p[5].y = std::min(p[0].y + 6, f.top); break;
    case toLeft: p[0].x = p[5].x = std::min(p[0].x + 6, f.left); break;
    case toBottom: p[0].y = p[5].y = std::max(p[0].y - 6, f.bottom); break;
    case toRight: p[0].x = p[5].x = std::max(p[0].x - 6, f.right); break;
  }
  return p;
}

// ---- frames ---------------------------------------------------------------------

namespace {

// Colours of the 3-D lines per side: the closed page frame (4 lines), the
// open page frame (8, entry 2 being the undrawn opening) and a back row (3).
constexpr TColor HL = clBtnHighlight, SH = clBtnShadow;
constexpr TColor kAnchoredColors[4][4] = {
    {HL, HL, SH, SH}, {HL, SH, SH, HL}, {SH, HL, HL, SH}, {SH, HL, HL, SH}};
constexpr TColor kOpenColors[4][8] = {{HL, SH, 0, HL, HL, HL, SH, SH},
                                      {HL, HL, 0, SH, HL, SH, SH, HL},
                                      {SH, SH, 0, HL, SH, HL, HL, SH},
                                      {SH, SH, 0, HL, SH, HL, HL, SH}};
constexpr TColor kBackRowColors[4][3] = {{HL, SH, SH}, {HL, HL, SH}, {SH, SH, HL}, {SH, SH, HL}};

// The ends of a tab rectangle along the tab edge, in the canonical frame of
// the row frame `f` (whose canonical rectangle is `c`).
void EdgeEnds(TTabOrientation side, const Rect& f, const Rect& c, const Rect& tab, int& s1, int& s2) {
  switch (side) {
    case toTop:
    case toBottom:
      s1 = tab.left;
      s2 = tab.right;
      break;
    case toLeft:
      s1 = c.left + f.bottom - tab.bottom;
      s2 = c.left + f.bottom - tab.top;
      break;
    case toRight:
      s1 = c.left + tab.top - f.top;
      s2 = c.left + tab.bottom - f.top;
      break;
  }
}

}  // namespace

std::vector<TcsLine> PageFrameLines(const TcsTabLayout& layout, const QString& activeCaption) {
  std::vector<TcsLine> out;
  const Rect f = layout.RowFrameRect(0);
  const Rect c = layout.ToCanonical(f);
  const int side = layout.orientation;
  auto back = [&](Point p) { return layout.FromCanonical(p, f, c); };

  Rect active;
  const bool open = !layout.anchoredTabs && layout.TabRect(activeCaption, active);
  if (!open) {
    for (int k = 0; k <= 2; ++k) {
      const Point q[5] = {{c.right - k, c.top + k},
                          {c.left + k, c.top + k},
                          {c.left + k, c.bottom - k},
                          {c.right - k, c.bottom - k},
                          {c.right - k, c.top + k - 1}};
      for (int j = 0; j < 4; ++j)
        out.push_back(TcsLine{back(q[j]), back(q[j + 1]), k == 0 ? clWindowFrame : kAnchoredColors[side][j]});
    }
    return out;
  }
  int s1 = 0, s2 = 0;
  EdgeEnds(layout.orientation, f, c, active, s1, s2);
  for (int k = 0; k <= 2; ++k) {
    const Point q[9] = {{c.right - k, c.top + k}, {s2 - k, c.top + k},       {s2 - k, c.top - 1},
                        {s1 + k, c.top},          {s1 + k, c.top + k},       {c.left + k, c.top + k},
                        {c.left + k, c.bottom - k}, {c.right - k, c.bottom - k}, {c.right - k, c.top + k}};
    for (int j = 0; j < 8; ++j) {
      if (j == 2) continue;  // the opening under the active tab
      out.push_back(TcsLine{back(q[j]), back(q[j + 1]), k == 0 ? clWindowFrame : kOpenColors[side][j]});
    }
  }
  return out;
}

std::vector<TcsLine> BackRowFrameLines(const TcsTabLayout& layout, int row) {
  std::vector<TcsLine> out;
  if (row < 1 || row >= layout.R()) return out;
  const Rect f = layout.RowFrameRect(row);
  const Rect c = layout.ToCanonical(f);
  const int n = layout.N(), ind = layout.Indent(), cs = layout.cornerSize;
  const int y0 = c.top + 5;
  const Rect area = layout.TabAreaRect();
  const int areaLength = layout.Vertical() ? area.bottom - area.top : area.right - area.left;
  const int e = std::max(0, (c.right - c.left) - (areaLength - (layout.R() - 1) * ind));

  for (int k = 0; k <= 1; ++k) {
    std::vector<Point> pts(2 * n + 6, Point{0, 0});
    for (int p = 0; p < n; ++p) {
      const bool own = layout.HasPosition(row, p);
      const int fromRow = own ? row : row - 1;
      Rect tab;
      if (!layout.TabRectAt(fromRow, p, tab)) continue;
      int a = 0, b = 0;
      EdgeEnds(layout.orientation, f, c, tab, a, b);
      if (!own) {
        a += ind;
        b += ind;
      }
      Point& from = pts[2 * p];
      Point& to = pts[2 * p + 1];
      if (p == 0) {
        // The frame line shows between the chamfer of the first tab and the
        // indent only when the corner is larger than the indent.
        if (cs > 5 && cs - 5 >= ind) {
          from = {a + k, y0 + k};
          to = {a + std::max(k, cs - 5 - ind - k), y0 + k};
        }
      } else if (layout.HasPosition(row - 1, p)) {
        if (cs > 5) {
          from = {a - ind - std::max(0, cs - 6 - k), y0 + k};
          to = {a - ind + std::max(0, cs - 5 - k), y0 + k};
        }
      } else {
        const int g = cs > 5 ? cs - 6 - k : -1;
        from = {a - ind - g, y0 + k};
        to = {b - k, y0 + k};
      }
    }
    // The stretch from the last tab to the row's far end.
    if (ind < 2 && cs <= 7 && e == 0) {
      if (k == 0) {
        pts[2 * n] = {c.right - ind, y0};
        pts[2 * n + 1] = {c.right - 1, y0};
      }
    } else {
      const int m = cs > 5 ? k + 2 : k + 1;
      const int fcorr = e > 0 ? 1 : 0;
      pts[2 * n] = {c.right - ind - std::max(0, cs - 5) + m - e - fcorr, y0 + k};
      pts[2 * n + 1] = {c.right - k, y0 + k};
    }
    pts[2 * n + 2] = {c.right - k, y0 + k};
    pts[2 * n + 3] = {c.right - k, c.bottom - k};
    pts[2 * n + 4] = {c.right - k, c.bottom - k};
    pts[2 * n + 5] = {c.right - ind, c.bottom - k};

    for (int i = 0; i < 2 * n + 6; i += 2) {
      if (pts[i] == Point{0, 0} && pts[i + 1] == Point{0, 0}) continue;
      TColor color = clWindowFrame;
      if (k == 1) color = kBackRowColors[layout.orientation][i < 2 * n + 2 ? 0 : i == 2 * n + 2 ? 1 : 2];
      out.push_back(TcsLine{layout.FromCanonical(pts[i], f, c), layout.FromCanonical(pts[i + 1], f, c), color});
    }
  }
  return out;
}

Rect BackRowCardRect(const TcsTabLayout& layout, int row) {
  Rect r = layout.RowFrameRect(row);
  switch (layout.orientation) {
    case toTop: r.top = std::min(r.top + 5, r.bottom); break;
    case toLeft: r.left = std::min(r.left + 5, r.right); break;
    case toBottom: r.bottom = std::max(r.bottom - 5, r.top); break;
    case toRight: r.right = std::max(r.right - 5, r.left); break;
  }
  return r;
}

// ---- pictures -----------------------------------------------------------------

namespace {

// Horizontal and vertical placement codes (0 start, 1 centre, 2 end) per
// alignment, for the top/bottom, left and right sides.
struct Codes {
  int hz, vt;
};
constexpr Codes kGlyphCodes[14][3] = {
    {{0, 0}, {0, 2}, {2, 0}},  // baLeftTop
    {{1, 0}, {0, 1}, {2, 1}},  // baCentreTop
    {{1, 0}, {0, 1}, {2, 1}},  // baCenterTop
    {{2, 0}, {0, 0}, {2, 2}},  // baRightTop
    {{0, 1}, {1, 2}, {1, 0}},  // baLeftMiddle
    {{1, 1}, {1, 1}, {1, 1}},  // baCentreMiddle
    {{1, 1}, {1, 1}, {1, 1}},  // baCenterMiddle
    {{2, 1}, {1, 0}, {1, 2}},  // baRightMiddle
    {{0, 2}, {2, 2}, {0, 0}},  // baLeftBottom
    {{1, 2}, {2, 1}, {0, 1}},  // baCentreBottom
    {{1, 2}, {2, 1}, {0, 1}},  // baCenterBottom
    {{2, 2}, {2, 0}, {0, 2}},  // baRightBottom
    {{0, 0}, {0, 0}, {0, 0}},  // baFit
    {{0, 0}, {0, 0}, {0, 0}},  // baInvisible
};

}  // namespace

Rect GlyphRect(TTabOrientation side, int alignment, const Rect& inner, int cw, int ch) {
  alignment = std::clamp(alignment, 0, 13);
  const int column = side == toLeft ? 1 : side == toRight ? 2 : 0;
  const Codes codes = kGlyphCodes[alignment][column];
  const int w = inner.right - inner.left, h = inner.bottom - inner.top;
  const bool fit = alignment == 12;
  const int dw = fit ? w : std::min(cw, w);
  const int dh = fit ? h : std::min(ch, h);
  const int x = codes.hz == 0 ? inner.left : codes.hz == 1 ? inner.left + w / 2 - dw / 2 : inner.right - dw + 1;
  const int y = codes.vt == 0 ? inner.top : codes.vt == 1 ? inner.top + h / 2 - dh / 2 : inner.bottom - dh + 1;
  return Rect{x, y, x + dw - 1, y + dh - 1};
}

int GlyphCell(bool pageEnabled, bool active, int numGlyphs, bool& greyed) {
  greyed = false;
  if (pageEnabled) return (!active && numGlyphs == 3) ? 2 : 0;
  if (numGlyphs >= 2) return 1;
  greyed = true;
  return 0;
}

Rect GlyphSourceRect(int cw, int ch, int dw, int dh, bool fit) {
  Rect r{0, 0, cw, ch};
  if (fit) return r;
  if (dw < cw) {
    const int t = (cw - dw) / 2;
    r.left += t;
    r.right -= t;
  }
  if (dh < ch) {
    const int t = (ch - dh) / 2;
    r.top += t;
    r.bottom -= t;
  }
  return r;
}

// ---- captions -----------------------------------------------------------------

CaptionPieces SplitCaption(const QString& caption) {
  CaptionPieces out;
  const int amp = caption.indexOf(QLatin1Char('&'));
  if (amp < 0) {
    out.piece[0] = caption;
    return out;
  }
  out.count = 3;
  if (amp + 1 < caption.size() && caption[amp + 1] == QLatin1Char('&')) {
    out.piece[0] = caption.left(amp + 1);
    out.piece[2] = caption.mid(amp + 2);
    return out;
  }
  out.piece[0] = caption.left(amp);
  out.piece[1] = caption.mid(amp + 1, 1);
  out.piece[2] = caption.mid(amp + 2);
  return out;
}

QString CaptionMeasureText(const QString& caption) {
  const CaptionPieces p = SplitCaption(caption);
  // A trailing single "&" is measured as a character although it is not drawn.
  const int amp = caption.indexOf(QLatin1Char('&'));
  if (amp >= 0 && amp == caption.size() - 1) return caption;
  return p.piece[0] + p.piece[1] + p.piece[2];
}

QChar AcceleratorOf(const QString& caption) {
  const int amp = caption.indexOf(QLatin1Char('&'));
  if (amp < 0 || amp + 1 >= caption.size() || caption[amp + 1] == QLatin1Char('&')) return QChar();
  return caption[amp + 1];
}

CaptionPlacement PlaceCaption(const TcsTabLayout& layout, int alignment, bool sideways, const Rect& inner, int tw,
                              int fh) {
  const bool turned = sideways && layout.Vertical();
  const Rect t = turned ? layout.ToCanonical(inner) : inner;
  alignment = std::clamp(alignment, 0, 11);
  const int column = alignment % 4;  // left, centre (two spellings), right
  const int band = alignment / 4;    // top, middle, bottom
  CaptionPlacement out;
  out.origin.x = column == 0 ? t.left : column == 3 ? t.right - tw : (t.left + t.right - tw) / 2;
  if (band == 0) {
    out.origin.y = t.top;
  } else if (band == 1) {
    out.origin.y = (t.top + t.bottom - fh) / 2;
  } else {
    out.origin.y = t.bottom;
    out.topReference = false;
  }
  if (turned) out.origin = layout.FromCanonical(out.origin, inner, t);
  return out;
}

}  // namespace csnotebook
