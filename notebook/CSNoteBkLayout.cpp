#include "notebook/CSNoteBkLayout.h"

#include <QHash>
#include <algorithm>

using platform::Point;
using platform::Rect;

int TcsTabLayout::RowExtent(int visiblePages, int tabsPerRow) {
  if (tabsPerRow <= 0) return 1;
  // Truncating division: no visible page still gives one (empty) row.
  return (visiblePages - 1) / tabsPerRow + 1;
}

int TcsTabLayout::RowExtent(std::span<const TcsLayoutPage> pages, int tabsPerRow) {
  int visible = 0;
  for (const TcsLayoutPage& p : pages)
    if (p.visible) ++visible;
  return RowExtent(visible, tabsPerRow);
}

void TcsTabLayout::BuildRows(std::span<const TcsLayoutPage> pages) {
  rowCount = RowExtent(pages, tabsPerRow);
  rows.clear();
  rowTabs.clear();
  rowPages.clear();
  const int n = N();
  QStringList row;
  std::vector<int> indices;
  for (size_t i = 0; i < pages.size(); ++i) {
    const TcsLayoutPage& p = pages[i];
    if (!p.visible) continue;
    row.append(p.caption);
    indices.push_back(static_cast<int>(i));
    if (row.size() == n) {
      rows.push_back(std::move(row));
      rowPages.push_back(std::move(indices));
      row = QStringList();
      indices.clear();
    }
  }
  if (!row.isEmpty()) {
    rows.push_back(std::move(row));
    rowPages.push_back(std::move(indices));
  }
  for (const QStringList& r : rows) rowTabs.emplace_back(r.size(), -1);
}

void TcsTabLayout::RotateRows(const QString& caption) {
  const int k = RowOf(caption);
  if (k <= 0 || k >= static_cast<int>(rows.size())) return;
  std::rotate(rows.begin(), rows.begin() + k, rows.end());
  // Index lists that do not match the rows (rows set by hand) are dropped:
  // the lookups then go by caption.
  for (auto* list : {&rowTabs, &rowPages}) {
    if (list->size() == rows.size())
      std::rotate(list->begin(), list->begin() + k, list->end());
    else
      list->clear();
  }
}

int TcsTabLayout::RowOf(const QString& caption) const {
  for (size_t r = 0; r < rows.size(); ++r)
    if (rows[r].contains(caption, Qt::CaseInsensitive)) return static_cast<int>(r);
  return 0;
}

int TcsTabLayout::PositionOf(const QString& caption) const {
  const int r = RowOf(caption);
  if (r >= static_cast<int>(rows.size())) return -1;
  const QStringList& row = rows[r];
  for (qsizetype p = 0; p < row.size(); ++p)
    if (row[p].compare(caption, Qt::CaseInsensitive) == 0) return static_cast<int>(p);
  return -1;
}

bool TcsTabLayout::HasPosition(int row, int position) const {
  return row >= 0 && position >= 0 && row < static_cast<int>(rows.size()) &&
         position < static_cast<int>(rows[row].size());
}

// ---- rectangles -----------------------------------------------------------------

Rect TcsTabLayout::FrameRect() const { return Rect{0, 0, width - 1, height - 1}; }

Rect TcsTabLayout::TabAreaRect() const {
  const int w = width, h = height;
  const int band = tabHeight * R();
  Rect a;
  switch (orientation) {
    case toTop: a = Rect{0, 0, w - 1, band}; break;
    case toLeft: a = Rect{0, 0, band, h - 1}; break;
    case toBottom: a = Rect{0, h - 1 - band, w - 1, h - 1}; break;
    case toRight: a = Rect{w - 1 - band, 0, w - 1, h - 1}; break;
  }
  if (maxTabWidth > 0) {
    const int m = N() * maxTabWidth;
    switch (orientation) {
      case toTop:
      case toBottom:
        if (a.right - a.left > m) a.right = m - 1;
        break;
      case toLeft:
        if (a.bottom - a.top > m) a.top = a.bottom - m + 1;
        break;
      case toRight:
        if (a.bottom - a.top > m) a.bottom = m - 1;
        break;
    }
  }
  return a;
}

Rect TcsTabLayout::PageBodyRect() const {
  const int band = tabHeight * R();
  Rect f = FrameRect();
  switch (orientation) {
    case toTop: f.top = band; break;
    case toLeft: f.left = band; break;
    case toBottom: f.bottom = height - 1 - band; break;
    case toRight: f.right = width - 1 - band; break;
  }
  return f;
}

Rect TcsTabLayout::RowFrameRect(int i) const {
  const Rect b = PageBodyRect();
  const int r = R(), ind = Indent(), th = tabHeight;
  // Row i is pushed i rows outward; its start end is indented by i rows and its
  // far end pulled in by the rows still standing outside it.
  switch (orientation) {
    case toTop:
      return Rect{b.left + i * ind, b.top - i * th, b.right - (r - i - 1) * ind, b.bottom - i * th};
    case toLeft:
      return Rect{b.left - i * th, b.top + (r - i - 1) * ind, b.right - i * th, b.bottom - i * ind};
    case toBottom:
      return Rect{b.left + i * ind, b.top + i * th, b.right - (r - i - 1) * ind, b.bottom + i * th};
    case toRight:
      return Rect{b.left + i * th, b.top + i * ind, b.right + i * th, b.bottom - (r - i - 1) * ind};
  }
  return b;
}

Rect TcsTabLayout::PageClientRect() const {
  // Inside the page's 3-D frame: two lines on the lit sides plus the outline,
  // and the inclusive outline's right/bottom make the far sides one less.
  Rect f = RowFrameRect(0);
  return Rect{f.left + 3, f.top + 3, f.right - 2, f.bottom - 2};
}

// ---- tabs -----------------------------------------------------------------------

void TcsTabLayout::ComputeTabRects() {
  const Rect a = TabAreaRect();
  const int wa = a.right - a.left, ha = a.bottom - a.top;
  const int r = R(), n = N(), ind = Indent();
  const bool vertical = Vertical();

  // w is the extent along x and h along y, whichever of them is the tab's
  // length; the indents of the outer rows come off the length first.
  int w, h;
  if (!vertical) {
    w = (wa - (r - 1) * ind) / n;
    h = ha / r;
  } else {
    w = wa / r;
    h = (ha - (r - 1) * ind) / n;
  }
  w = std::max(w, 0);
  h = std::max(h, 0);

  // The entries by index; an index that does not name its caption's entry is
  // looked up once through a table of the exact captions (the caseless search
  // only for a caption the table lacks), so the whole pass stays linear.
  if (rowTabs.size() != rows.size()) rowTabs.assign(rows.size(), {});
  for (size_t i = 0; i < rows.size(); ++i)
    if (rowTabs[i].size() != static_cast<size_t>(rows[i].size())) rowTabs[i].assign(rows[i].size(), -1);
  QHash<QString, int> byCaption;
  auto findOrAdd = [&](const QString& caption) {
    if (byCaption.isEmpty())
      for (int i = static_cast<int>(tabs.size()) - 1; i >= 0; --i) byCaption.insert(tabs[i].caption, i);
    if (auto it = byCaption.constFind(caption); it != byCaption.cend()) return *it;
    if (const TcsTab* tab = FindTab(caption)) return static_cast<int>(tab - tabs.data());
    tabs.push_back(TcsTab{caption, Rect{}});
    const int added = static_cast<int>(tabs.size()) - 1;
    byCaption.insert(caption, added);
    return added;
  };

  int x = orientation == toLeft ? (r - 1) * w : 0;
  int y = orientation == toTop ? (r - 1) * h : orientation == toLeft ? ha - h : 0;

  for (int row = 0; row < r; ++row) {
    for (int p = 0; p < n && HasPosition(row, p); ++p) {
      Rect t{x, y, x + w, y + h};
      if (maxTabWidth == 0 && p == n - 1) {
        // The last tab of a full row takes up the rest of its row.
        const int e = (r - row - 1) * ind;
        switch (orientation) {
          case toTop:
          case toBottom: t.right = a.right - e; break;
          case toLeft: t.top = e; break;
          case toRight: t.bottom = a.bottom - e; break;
        }
      }
      const QString& caption = rows[row][p];
      int& index = rowTabs[row][p];
      if (index < 0 || index >= static_cast<int>(tabs.size()) || tabs[index].caption != caption)
        index = findOrAdd(caption);
      tabs[index].rect = t;

      switch (orientation) {
        case toTop:
        case toBottom: x += w; break;
        case toLeft: y -= h; break;
        case toRight: y += h; break;
      }
    }
    const int next = row + 1;
    switch (orientation) {
      case toTop:
        x = next * ind;
        y = (r - next - 1) * h;
        break;
      case toBottom:
        x = next * ind;
        y += h;
        break;
      case toLeft:
        x = (r - next - 1) * w;
        y = (n - 1) * h + (r - next - 1) * ind;
        break;
      case toRight:
        x = next * w;
        y = next * ind;
        break;
    }
  }
}

const TcsTab* TcsTabLayout::FindTab(const QString& caption) const {
  // Rows and tabs normally carry the very same caption; the exact pass is
  // cheap and the caseless one finds the rest.
  for (const TcsTab& tab : tabs)
    if (tab.caption == caption) return &tab;
  for (const TcsTab& tab : tabs)
    if (tab.caption.compare(caption, Qt::CaseInsensitive) == 0) return &tab;
  return nullptr;
}

bool TcsTabLayout::TabRect(const QString& caption, Rect& rect) const {
  const TcsTab* tab = FindTab(caption);
  if (!tab) return false;
  const Rect a = TabAreaRect();
  rect = Rect{tab->rect.left + a.left, tab->rect.top + a.top, tab->rect.right + a.left, tab->rect.bottom + a.top};
  return true;
}

const TcsTab* TcsTabLayout::TabAt(int row, int position) const {
  if (!HasPosition(row, position)) return nullptr;
  const QString& caption = rows[row][position];
  if (row < static_cast<int>(rowTabs.size()) && position < static_cast<int>(rowTabs[row].size())) {
    const int i = rowTabs[row][position];
    if (i >= 0 && i < static_cast<int>(tabs.size()) && tabs[i].caption == caption) return &tabs[i];
  }
  return FindTab(caption);
}

bool TcsTabLayout::TabRectAt(int row, int position, Rect& rect) const {
  const TcsTab* tab = TabAt(row, position);
  if (!tab) return false;
  const Rect a = TabAreaRect();
  rect = Rect{tab->rect.left + a.left, tab->rect.top + a.top, tab->rect.right + a.left, tab->rect.bottom + a.top};
  return true;
}

int TcsTabLayout::PageAt(int row, int position) const {
  if (!HasPosition(row, position) || row >= static_cast<int>(rowPages.size()) ||
      position >= static_cast<int>(rowPages[row].size()))
    return -1;
  return rowPages[row][position];
}

Rect TcsTabLayout::TabInnerRect(const Rect& t) const {
  const int c = std::max(3, cornerSize);
  Rect i{t.left + (orientation == toRight ? 1 : c), t.top + (orientation == toBottom ? 1 : c),
         t.right - (orientation == toLeft ? 1 : c), t.bottom - (orientation == toTop ? 1 : c)};
  return Rect{i.left + 1, i.top + 1, i.right - 1, i.bottom - 1};
}

bool TcsTabLayout::TabInnerRect(const QString& caption, Rect& rect) const {
  Rect t;
  if (!TabRect(caption, t)) return false;
  rect = TabInnerRect(t);
  return true;
}

Rect TcsTabLayout::ToCanonical(const Rect& a) const {
  if (!Vertical()) return a;
  return Rect{a.left, a.top, a.left + (a.bottom - a.top), a.top + (a.right - a.left)};
}

Point TcsTabLayout::FromCanonical(Point p, const Rect& a, const Rect& c) const {
  switch (orientation) {
    case toTop: return p;
    case toBottom: return Point{p.x, a.bottom - (p.y - c.top)};
    case toLeft: return Point{a.left + (p.y - c.top), a.bottom - (p.x - c.left)};
    case toRight: return Point{a.left + (c.bottom - p.y), a.top + (p.x - c.left)};
  }
  return p;
}

int TcsTabLayout::Overlap() const { return std::max(0, cornerSize - Indent()); }

std::array<TcsPointObj, 6> TcsTabLayout::TabOutline(int row, int position, int inset) const {
  std::array<TcsPointObj, 6> pts{};
  if (!HasPosition(row, position)) return pts;
  Rect a;
  if (!TabRectAt(row, position, a)) return pts;
  const Rect c = ToCanonical(a);
  const int k = inset, cs = cornerSize, d = Overlap(), ind = Indent();

  // Base of the start side.  A back-row tab's side runs on behind the tab in
  // front of it: by the overlap where a front tab's corner covers the spot,
  // at most 5, or the full 5 where no front tab stands.
  int base0;
  if (row == 0)
    base0 = c.bottom - 1;
  else if (position == 0)
    base0 = c.bottom - 1 + std::max(0, d - k);
  else if (HasPosition(row - 1, position))
    base0 = c.bottom - 1 + std::min(std::max(0, d - k), 5);
  else
    base0 = c.bottom + 5;
  pts[0] = Point{c.left + k, base0};
  pts[1] = Point{c.left + k, c.top + cs};
  pts[2] = Point{c.left + cs, c.top + k};
  pts[3] = Point{c.right - cs, c.top + k};
  pts[4] = Point{c.right - k, c.top + cs};

  // Base of the far side: free when no tab stands in front of its end.
  int base5;
  if (row == 0) {
    base5 = c.bottom;
  } else if (position == N() - 1 || !HasPosition(row - 1, position + 1)) {
    base5 = c.bottom + 5;
  } else {
    int e;
    if (ind == 0)
      e = std::min(5, std::max(0, cs - k));
    else if (ind == 1)
      e = std::min(5, cs - 1 + (k == 1 ? 1 : 0));
    else if (ind <= cs)
      e = std::min(5, d + k);
    else if (ind == cs + 1)
      e = k == 2 ? 1 : 0;
    else
      e = 0;
    base5 = c.bottom + e;
  }
  pts[5] = Point{c.right - k, base5};

  for (Point& p : pts) p = FromCanonical(p, a, c);
  return pts;
}

int TcsTabLayout::TabAtPoint(std::span<const TcsLayoutPage> pages, Point p) const {
  for (size_t i = 0; i < pages.size(); ++i) {
    if (!pages[i].visible) continue;
    Rect t;
    if (TabRect(pages[i].caption, t) && t.Contains(p.x, p.y)) return static_cast<int>(i);
  }
  return -1;
}
