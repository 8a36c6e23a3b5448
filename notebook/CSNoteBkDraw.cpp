// Painting of the tabbed notebook: a thin layer that turns the lines, regions
// and placements of CSNoteBkPaint.h into pixels.
//
// A paint event paints only its region.  The page's interior, which shows
// nothing but the card colour, is filled straight onto the widget; the rest
// of the region is drawn, band by band around that interior, into an
// off-screen canvas that covers just the region's part of the band, and the
// canvas is copied onto the widget.  Lines, pictures and captions that miss
// the canvas are skipped.  The inverting focus rectangle and the greyed
// pictures and captions work on the canvas's pixels.
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QRegion>
#include <algorithm>
#include <cstring>
#include <optional>

#include "notebook/CSNoteBk.h"
#include "notebook/CSNoteBkPaint.h"

using platform::Point;
using platform::Rect;
namespace nb = csnotebook;

namespace {

QColor Sys(tk::TColor c) { return tk::ColorToQColor(c); }

// Pixel access to an RGB32 canvas whose (0, 0) is the client point `origin`.
struct Pixels {
  uchar* bits;
  qsizetype stride;
  int w, h;
  QPoint origin;

  explicit Pixels(QImage& img, QPoint o)
      : bits(img.bits()), stride(img.bytesPerLine()), w(img.width()), h(img.height()), origin(o) {}
  QRgb* Row(int y) const { return reinterpret_cast<QRgb*>(bits + y * stride); }
  // Client coordinates; points off the canvas are ignored.
  void Set(int x, int y, QRgb c) const {
    x -= origin.x();
    y -= origin.y();
    if (x >= 0 && y >= 0 && x < w && y < h) Row(y)[x] = 0xFF000000u | c;
  }
  QRgb Get(int x, int y) const { return Row(y - origin.y())[x - origin.x()]; }
  bool Holds(int x, int y) const {
    x -= origin.x();
    y -= origin.y();
    return x >= 0 && y >= 0 && x < w && y < h;
  }
};

// The pixels of nb::LinePixels(from, to) in colour `rgb`: straight lines as
// a clipped run, the short slanted ones of the corners point by point with
// the same stepping.
void PlotLine(const Pixels& px, const TcsLine& line, QRgb rgb) {
  const Point a = line.from, b = line.to;
  if (a == b) return;
  if (a.y == b.y) {
    // From a up to, not including, b.
    const int y = a.y - px.origin.y();
    if (y < 0 || y >= px.h) return;
    int x0 = a.x < b.x ? a.x : b.x + 1, x1 = a.x < b.x ? b.x - 1 : a.x;
    x0 = std::max(x0 - px.origin.x(), 0);
    x1 = std::min(x1 - px.origin.x(), px.w - 1);
    QRgb* row = px.Row(y);
    for (int x = x0; x <= x1; ++x) row[x] = 0xFF000000u | rgb;
    return;
  }
  if (a.x == b.x) {
    const int x = a.x - px.origin.x();
    if (x < 0 || x >= px.w) return;
    int y0 = a.y < b.y ? a.y : b.y + 1, y1 = a.y < b.y ? b.y - 1 : a.y;
    y0 = std::max(y0 - px.origin.y(), 0);
    y1 = std::min(y1 - px.origin.y(), px.h - 1);
    for (int y = y0; y <= y1; ++y) px.Row(y)[x] = 0xFF000000u | rgb;
    return;
  }
  const int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
  const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int err = dx + dy;
  Point p = a;
  while (!(p == b)) {
    px.Set(p.x, p.y, rgb);
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
}

// Pixels a merged canvas may cover beyond its parts (see PaintRegion).
constexpr long kMergeSlackPixels = 2048;

bool Meets(const QRect& a, const QRect& b) {
  return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom() && b.top() <= a.bottom();
}

// The rectangle that holds every pixel of a line (both ends included).
QRect LineBox(const TcsLine& l) {
  return QRect(QPoint(std::min(l.from.x, l.to.x), std::min(l.from.y, l.to.y)),
               QPoint(std::max(l.from.x, l.to.x), std::max(l.from.y, l.to.y)));
}

QPolygon ToPolygon(const nb::Outline& pts) {
  QPolygon poly;
  for (const Point& p : pts) poly << QPoint(p.x, p.y);
  return poly;
}

// A frame rectangle is an inclusive outline; the region it encloses takes in
// its right and bottom lines as well.
QRegion FrameRegion(const Rect& r) {
  if (r.right < r.left || r.bottom < r.top) return QRegion();
  return QRegion(QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)));
}

// Greying: in a checkerboard of single pixels anchored at the image's corner,
// the pixels of one colour give way to the background.
void Grey(QImage& img, const QColor& bg) {
  const QRgb b = bg.rgb();
  for (int y = 0; y < img.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = y % 2; x < img.width(); x += 2) row[x] = b;
  }
}

QImage Scratch(int w, int h, const QColor& bg) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(bg);
  return img;
}

// `src` with its pixels of colour `bg` made fully transparent, so that drawing
// it copies only the other pixels.
QImage BackgroundCleared(const QImage& src, const QColor& bg) {
  const QRgb b = bg.rgb();
  QImage out = src.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if (row[x] == b) row[x] = 0;
  }
  return out;
}

QFont CaptionFont(const QFont& base, bool bold, bool underline) {
  QFont f = base;
  f.setWeight(bold || base.bold() ? QFont::Bold : QFont::Normal);
  f.setUnderline(underline || base.underline());
  // Crisp pixels: no smoothing, so the caption keeps exactly its two colours
  // and a greyed one stays readable.
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

}  // namespace

struct TcsNotebook::PaintScene {
  QColor outside;  // around the cards
  QColor card;     // the page and the active tab
  // The whole control is `outside`; else the regions below.
  bool uniform = true;
  QRegion outsideRegion;    // outside the cards
  QRegion cardRegion;       // in the card colour
  QRegion unselectedRegion; // in the unselected tab colour
  // In painting order, with the rectangles that hold their pixels (the
  // notebook's line cache).
  const std::vector<TcsLine>* lines = nullptr;
  const std::vector<QRect>* lineBoxes = nullptr;
  struct Tab {
    TcsPage* page;
    Rect inner;
    bool active;
    QRect box;  // holds the picture and the caption
  };
  std::vector<Tab> tabs;
  QRect focus;  // empty unless the focus rectangle is drawn
  // The page's interior where nothing but the card colour shows; empty when
  // that cannot be told (a notebook too small for its tabs).
  QRect plain;
};

// Puts the pictures and captions of the tabs on a canvas: copies of prepared
// pixels go straight into the canvas, and a QPainter is opened on it only
// for what must really be drawn.
class TcsNotebook::TabPainter {
public:
  TabPainter(QImage& canvas, const Pixels& px) : m_canvas(canvas), m_px(px) {}
  ~TabPainter() = default;

  QPainter& Get() {
    if (!m_painter) m_painter.emplace(&m_canvas);
    return *m_painter;
  }
  // An opaque RGB32 image whose (0, 0) goes to client point `at`: what
  // drawing it gives, copied.
  void Copy(const QImage& img, QPoint at) { Blit(img, at, false); }
  // An image whose every pixel is either fully transparent or opaque: the
  // opaque ones are copied, as drawing it over the canvas would give them.
  void CopyOpaquePixels(const QImage& img, QPoint at) { Blit(img, at, true); }

private:
  void Blit(const QImage& img, QPoint at, bool opaqueOnly) {
    // The part of the image that lands on the canvas.
    const int x0 = std::max(0, m_px.origin.x() - at.x()), y0 = std::max(0, m_px.origin.y() - at.y());
    const int x1 = std::min(img.width(), m_px.origin.x() + m_px.w - at.x());
    const int y1 = std::min(img.height(), m_px.origin.y() + m_px.h - at.y());
    if (x1 <= x0) return;
    const uchar* bits = img.constBits();
    const qsizetype stride = img.bytesPerLine();
    const bool copyRows = !opaqueOnly && img.format() == QImage::Format_RGB32;
    for (int y = y0; y < y1; ++y) {
      const auto* src = reinterpret_cast<const QRgb*>(bits + y * stride);
      QRgb* dst = m_px.Row(at.y() + y - m_px.origin.y()) + (at.x() - m_px.origin.x());
      if (copyRows) {
        std::memcpy(dst + x0, src + x0, sizeof(QRgb) * (x1 - x0));  // RGB32 pixels carry alpha 0xFF
        continue;
      }
      for (int x = x0; x < x1; ++x)
        if (!opaqueOnly || qAlpha(src[x]) == 255) dst[x] = 0xFF000000u | src[x];
    }
  }

  QImage& m_canvas;
  const Pixels& m_px;
  std::optional<QPainter> m_painter;
};

void TcsNotebook::paintEvent(QPaintEvent* e) {
  PrepareTabs();
  if (window() != m_watchedForm) WatchForm();
  if (width() <= 0 || height() <= 0) return;
  QPainter painter(this);
  PaintRegion(painter, e->region());
}

TcsNotebook::PaintScene TcsNotebook::BuildScene() {
  PaintScene sc;
  const TcsTabLayout& l = m_layout;
  QWidget* parent = parentWidget();
  sc.outside = parent ? parent->palette().color(parent->backgroundRole()) : palette().color(QPalette::Window);
  sc.card = Color();
  const QString active = ActivePage();

  // Background: the cards are the page frame, every tab (run down to the
  // frame) and the strips of the back rows.
  if (!(m_parentColor && !m_useUnselectedTabColor)) {
    sc.uniform = false;
    QRegion card = FrameRegion(l.RowFrameRect(0));
    QRegion activeTab;
    for (int r = 0; r < static_cast<int>(l.rows.size()); ++r)
      for (int p = 0; p < l.rows[r].size(); ++p) {
        const QRegion poly(ToPolygon(nb::TabCardPolygon(l, r, p)), Qt::OddEvenFill);
        card += poly;
        if (l.rows[r][p].compare(active, Qt::CaseInsensitive) == 0) activeTab = poly;
      }
    for (int r = 1; r < l.R(); ++r) card += FrameRegion(nb::BackRowCardRect(l, r));
    sc.outsideRegion = QRegion(rect()) - card;
    if (m_useUnselectedTabColor && (l.R() == 1 || !l.anchoredTabs)) {
      const QRegion front = (FrameRegion(l.RowFrameRect(0)) + activeTab) & card;
      sc.cardRegion = front;
      sc.unselectedRegion = card - front;
    } else {
      sc.cardRegion = card;
    }
  }
  if (!AnyPageVisible()) return sc;

  // Outlines, then the inner 3-D lines, then the frames of the rows.
  LineCache& lc = m_lineCache;
  if (!lc.valid || lc.active != active || !(lc.layout == l)) {
    lc.valid = true;
    lc.layout = l;
    lc.active = active;
    lc.lines.clear();
    auto add = [&](const std::vector<TcsLine>& lines) { lc.lines.insert(lc.lines.end(), lines.begin(), lines.end()); };
    for (int r = 0; r < static_cast<int>(l.rows.size()); ++r)
      for (int p = 0; p < l.rows[r].size(); ++p) add(nb::TabOutlineLines(l.TabOutline(r, p, 0)));
    for (int r = 0; r < static_cast<int>(l.rows.size()); ++r)
      for (int p = 0; p < l.rows[r].size(); ++p) {
        add(nb::TabEdgeLines(l.orientation, l.TabOutline(r, p, 1), false));
        if (l.rows[r][p].compare(active, Qt::CaseInsensitive) == 0)
          add(nb::TabEdgeLines(l.orientation, l.TabOutline(r, p, 2), true));
      }
    add(nb::PageFrameLines(l, active));
    for (int r = 1; r < l.R(); ++r) add(nb::BackRowFrameLines(l, r));
    lc.boxes.clear();
    lc.boxes.reserve(lc.lines.size());
    for (const TcsLine& line : lc.lines) lc.boxes.push_back(LineBox(line));
    const Rect c = l.PageClientRect();
    const QRect page(c.left, c.top, c.right - c.left, c.bottom - c.top);
    lc.intoPage = std::any_of(lc.boxes.begin(), lc.boxes.end(), [&](const QRect& b) { return Meets(b, page); });
  }
  sc.lines = &lc.lines;
  sc.lineBoxes = &lc.boxes;

  // Pictures and captions, tab by tab in row order.  The page of a tab is
  // found by index, checked against the caption.
  for (int r = 0; r < static_cast<int>(l.rows.size()); ++r)
    for (int p = 0; p < l.rows[r].size(); ++p) {
      const QString& caption = l.rows[r][p];
      int index = l.PageAt(r, p);
      TcsPage* page = Page(index);
      if (!page || page->Caption().compare(caption, Qt::CaseInsensitive) != 0) {
        index = m_access.IndexOf(caption);
        page = Page(index);
      }
      Rect tab;
      if (!page || !l.TabRectAt(r, p, tab)) continue;
      const Rect inner = l.TabInnerRect(tab);
      if (inner.right <= inner.left || inner.bottom <= inner.top) continue;
      const bool isActive = index == m_pageIndex && caption.compare(active, Qt::CaseInsensitive) == 0;
      sc.tabs.push_back(PaintScene::Tab{page, inner, isActive, inner.ToQRect().adjusted(-1, -1, 1, 1)});
    }
  if (m_focusDrawn) sc.focus = FocusRect();

  // The plain interior: the page's client rectangle when it lies inside the
  // page frame (so the background there is the card colour) and no line,
  // tab or focus rectangle reaches into it.
  const Rect f = l.RowFrameRect(0);
  const Rect c = l.PageClientRect();
  const QRect plain(c.left, c.top, c.right - c.left, c.bottom - c.top);
  const QRect frame(QPoint(f.left, f.top), QPoint(f.right, f.bottom));
  bool ok = m_layoutBuilt && !plain.isEmpty() && frame.contains(plain) && !plain.intersects(sc.focus);
  ok = ok && !(sc.lines && lc.intoPage);
  for (size_t i = 0; ok && i < sc.tabs.size(); ++i) ok = !plain.intersects(sc.tabs[i].box);
  if (ok) sc.plain = plain & rect();
  return sc;
}

void TcsNotebook::PaintTabs(QImage& canvas) {
  PaintArea(canvas, QRect(QPoint(0, 0), canvas.size()), BuildScene());
}

void TcsNotebook::PaintRegion(QPainter& painter, const QRegion& region) {
  const QRect whole = rect();
  if (!region.boundingRect().intersects(whole)) return;
  const PaintScene scene = BuildScene();
  // The bands around the plain interior (or the whole control), and for each
  // the bounding box of the region's part of it; worked out on the region's
  // rectangles, which is cheaper than region arithmetic.
  const QRect& plain = scene.plain;
  QRect bands[4];
  int bandCount = 0;
  if (plain.isEmpty()) {
    bands[bandCount++] = whole;
  } else {
    bands[bandCount++] = QRect(QPoint(whole.left(), whole.top()), QPoint(whole.right(), plain.top() - 1));
    bands[bandCount++] = QRect(QPoint(whole.left(), plain.top()), QPoint(plain.left() - 1, plain.bottom()));
    bands[bandCount++] = QRect(QPoint(plain.right() + 1, plain.top()), QPoint(whole.right(), plain.bottom()));
    bands[bandCount++] = QRect(QPoint(whole.left(), plain.bottom() + 1), QPoint(whole.right(), whole.bottom()));
  }
  QRect boxes[4];
  for (const QRect& r : region) {
    const QRect in = r & whole;
    if (in.isEmpty()) continue;
    if (!plain.isEmpty()) {
      const QRect p = in & plain;
      if (!p.isEmpty()) painter.fillRect(p, scene.card);
    }
    for (int i = 0; i < bandCount; ++i) boxes[i] |= in & bands[i];
  }
  // One canvas over all the parts when their bounding box stays off the
  // plain interior and is not much larger than the parts together: a canvas
  // has a fixed cost (fill, tab pictures, copy) of about what filling and
  // copying a couple of thousand pixels costs.  A switch between two tabs of
  // a side row, whose first tab reaches into the band above the interior,
  // is painted on one canvas instead of two.
  QRect merged;
  long partsArea = 0;
  for (int i = 0; i < bandCount; ++i) {
    merged |= boxes[i];
    partsArea += long(boxes[i].width()) * boxes[i].height();
  }
  if (bandCount > 1 && !merged.intersects(plain) &&
      long(merged.width()) * merged.height() <= partsArea + kMergeSlackPixels) {
    boxes[0] = merged;
    bandCount = 1;
  }
  for (int i = 0; i < bandCount; ++i) {
    // The canvas covers the part's bounding box, every pixel of it drawn
    // right; the painter keeps to the event's region by itself.
    const QRect& box = boxes[i];
    if (box.isEmpty()) continue;
    if (m_canvas.width() < box.width() || m_canvas.height() < box.height())
      m_canvas = QImage(std::max(m_canvas.width(), box.width()), std::max(m_canvas.height(), box.height()),
                        QImage::Format_RGB32);
    QImage canvas(m_canvas.bits(), box.width(), box.height(), m_canvas.bytesPerLine(), QImage::Format_RGB32);
    PaintArea(canvas, box, scene);
    painter.drawImage(box.topLeft(), canvas);
  }
}

void TcsNotebook::PaintArea(QImage& canvas, const QRect& area, const PaintScene& scene) {
  EraseBackground(canvas, area, scene);
  if (!AnyPageVisible()) return;
  const QPoint origin = area.topLeft();
  const Pixels px(canvas, origin);
  // The system colours, looked up once per canvas.
  tk::TColor known[3] = {tk::clWindowFrame, tk::clBtnHighlight, tk::clBtnShadow};
  QRgb rgb[3] = {Sys(known[0]).rgb(), Sys(known[1]).rgb(), Sys(known[2]).rgb()};
  auto colour = [&](tk::TColor c) {
    for (int i = 0; i < 3; ++i)
      if (known[i] == c) return rgb[i];
    return Sys(c).rgb();
  };
  const std::vector<TcsLine>& lines = *scene.lines;
  const std::vector<QRect>& boxes = *scene.lineBoxes;
  for (size_t i = 0; i < lines.size(); ++i)
    if (Meets(boxes[i], area)) PlotLine(px, lines[i], colour(lines[i].color));

  bool any = false;
  for (const PaintScene::Tab& t : scene.tabs) any = any || Meets(t.box, area);
  if (any) {
    // One set of fonts (when captions show) and, when something must really
    // be drawn rather than copied, one painter for the whole canvas.
    const bool captions = m_textAlignment != taInvisible;
    // [bold][underlined]; not even default-constructed without captions.
    std::optional<QFont> fonts[2][2];
    if (captions)
      for (int b = 0; b < 2; ++b)
        for (int u = 0; u < 2; ++u) fonts[b][u].emplace(CaptionFont(m_tabFont, b != 0, u != 0));
    TabPainter painter(canvas, px);
    for (const PaintScene::Tab& t : scene.tabs) {
      if (!Meets(t.box, area)) continue;
      const QColor bg = TabColor(t.active);
      DrawGlyph(painter, origin, t.page, t.active, t.inner, bg);
      if (captions) DrawCaption(painter, origin, t.page, t.active, t.inner, bg, *fonts[t.active][0], *fonts[t.active][1]);
    }
  }

  if (!scene.focus.isEmpty() && scene.focus.adjusted(0, 0, 1, 1).intersects(area)) {
    // The platform's focus rectangle: every other pixel of the outline
    // inverted, so drawing it twice restores the picture.
    const QRect& f = scene.focus;
    auto invert = [&](int x, int y) {
      if ((x + y) % 2 != 0 || !px.Holds(x, y)) return;
      px.Set(x, y, px.Get(x, y) ^ 0x00FFFFFFu);
    };
    for (int x = f.left(); x <= f.right(); ++x) {
      invert(x, f.top());
      if (f.bottom() != f.top()) invert(x, f.bottom());
    }
    for (int y = f.top() + 1; y < f.bottom(); ++y) {
      invert(f.left(), y);
      if (f.right() != f.left()) invert(f.right(), y);
    }
  }
}

QRect TcsNotebook::FocusRect() const {
  Rect r;
  if (!m_layoutBuilt || !m_layout.TabInnerRect(ActivePage(), r)) return QRect();
  r = Rect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
  if (r.right <= r.left || r.bottom <= r.top) return QRect();
  return r.ToQRect();
}

void TcsNotebook::ToggleFocusRect() {
  // The rectangle is drawn by every paint while FocusDrawn holds, so the flag
  // may change before the layout exists (the focus can arrive before the
  // first paint); the first paint then shows it.
  m_focusDrawn = !m_focusDrawn;
  update(FocusRect());
}

void TcsNotebook::EraseBackground(QImage& canvas, const QRect& area, const PaintScene& scene) {
  if (scene.uniform) {
    canvas.fill(scene.outside);
    return;
  }
  const QPoint shift = -area.topLeft();
  QPainter painter(&canvas);
  auto fill = [&](const QRegion& region, const QColor& color) {
    const QRegion here = region & area;
    if (here.isEmpty()) return;
    painter.setClipRegion(here.translated(shift));
    painter.fillRect(canvas.rect(), color);
  };
  fill(scene.outsideRegion, scene.outside);
  fill(scene.cardRegion, scene.card);
  fill(scene.unselectedRegion, m_unselectedTabColor);
}

// ---- captions and pictures ----------------------------------------------------------

void TcsNotebook::DrawGlyph(TabPainter& painter, const QPoint& origin, TcsPage* page, bool active, const Rect& inner,
                            const QColor& bg) {
  const QPixmap& bitmap = page->Bitmap();
  if (m_bitmapAlignment == baInvisible || bitmap.isNull()) return;
  const int cells = std::clamp(page->NumGlyphs(), 1, 3);
  const int cw = bitmap.width() / cells, ch = bitmap.height();
  if (cw <= 0 || ch <= 0) return;
  bool greyed = false;
  const int cell = nb::GlyphCell(page->PageEnabled(), active, cells, greyed);
  const Rect d = nb::GlyphRect(m_layout.orientation, m_bitmapAlignment, inner, cw, ch);
  const int dw = d.right - d.left, dh = d.bottom - d.top;
  if (dw <= 0 || dh <= 0) return;
  const Rect s = nb::GlyphSourceRect(cw, ch, dw, dh, m_bitmapAlignment == baFit);

  // The cell with its transparent pixels (the colour of the picture's
  // bottom-left pixel) in the background colour; kept with the page until
  // something it depends on changes.
  TcsPage::GlyphCache& cache = page->m_glyphCache[active ? 0 : 1];
  const QRgb b = bg.rgb();
  if (cache.image.isNull() || cache.key != bitmap.cacheKey() || cache.cell != cell || !(cache.source == s) ||
      cache.bg != b) {
    const QImage whole = bitmap.toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = whole.pixel(0, whole.height() - 1);
    QImage src = whole.copy(cell * cw + s.left, s.top, s.right - s.left, s.bottom - s.top);
    for (int y = 0; y < src.height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(src.scanLine(y));
      for (int x = 0; x < src.width(); ++x)
        if (row[x] == transparent) row[x] = b;
    }
    cache = TcsPage::GlyphCache{bitmap.cacheKey(), cell, s, b, std::move(src), QSize(), QImage()};
  }
  const QImage& src = cache.image;

  const int x0 = inner.left, y0 = inner.top;
  if (!greyed) {
    // The cell is drawn scaled to dw x dh (nearest pixel).  An opaque cell is
    // scaled once into an image of that size, which is then copied.
    if (cache.drawnSize != QSize(dw, dh)) {
      cache.drawnSize = QSize(dw, dh);
      cache.drawn = QImage();
      bool opaque = true;
      for (int y = 0; opaque && y < src.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; opaque && x < src.width(); ++x) opaque = qAlpha(row[x]) == 255;
      }
      if (opaque) {
        QImage drawn(dw, dh, QImage::Format_RGB32);
        QPainter p(&drawn);
        p.drawImage(QRect(0, 0, dw, dh), src);
        p.end();
        cache.drawn = std::move(drawn);
      }
    }
    if (!cache.drawn.isNull())
      painter.Copy(cache.drawn, QPoint(d.left, d.top));
    else
      painter.Get().drawImage(QRect(d.left - origin.x(), d.top - origin.y(), dw, dh), src);
    return;
  }
  QImage scratch = Scratch(inner.right - inner.left, inner.bottom - inner.top, bg);
  {
    QPainter p(&scratch);
    p.drawImage(QRect(d.left - x0, d.top - y0, dw, dh), src);
  }
  Grey(scratch, bg);
  painter.Copy(scratch, QPoint(x0, y0));
}

void TcsNotebook::DrawCaption(TabPainter& painter, const QPoint& origin, TcsPage* page, bool active, const Rect& inner,
                              const QColor& bg, const QFont& font, const QFont& underlined) {
  const QString caption = page->Caption();
  const nb::CaptionPieces pieces = nb::SplitCaption(caption);
  TcsPage::CaptionCache& cache = page->m_captionCache[active ? 0 : 1];
  if (cache.caption != caption || cache.font != font || cache.underlined != underlined) {
    const QFontMetrics fm(font);
    cache = TcsPage::CaptionCache{};
    cache.caption = caption;
    cache.font = font;
    cache.underlined = underlined;
    cache.width = fm.horizontalAdvance(nb::CaptionMeasureText(caption));
    cache.height = fm.ascent() + fm.descent() + fm.leading();
  }
  const nb::CaptionPlacement place =
      nb::PlaceCaption(m_layout, m_textAlignment, m_sidewaysText, inner, cache.width, cache.height);
  const bool sideways = m_sidewaysText && m_layout.Vertical();
  const QColor color = active ? m_selectedColor : m_unselectedColor;

  // Draws the pieces from the origin onward, on a surface whose (0, 0) is at
  // `shift` of the notebook.
  auto draw = [&](QPainter& p, QPoint shift) {
    p.translate(place.origin.x - shift.x(), place.origin.y - shift.y());
    if (sideways) p.rotate(m_layout.orientation == toLeft ? -90 : 90);
    p.setPen(color);
    int x = 0;
    for (int i = 0; i < pieces.count; ++i) {
      const QFont& f = i == 1 ? underlined : font;
      p.setFont(f);
      const QFontMetrics m(f);
      const int baseline = place.topReference ? m.ascent() : -m.descent();
      p.drawText(QPoint(x, baseline), pieces.piece[i]);
      x += m.horizontalAdvance(pieces.piece[i]);
    }
  };
  const QRect clip = inner.ToQRect();
  if (page->PageEnabled()) {
    // The caption drawn once on a transparent picture of the tab's inner
    // rectangle; kept when every pixel is either untouched or wholly the
    // text colour, so that copying it gives exactly what drawing gives.
    const QPoint at(place.origin.x - clip.left(), place.origin.y - clip.top());
    const int turned = sideways ? m_layout.orientation : -1;
    if (!cache.drawnValid || cache.size != clip.size() || cache.at != at || cache.color != color.rgba() ||
        cache.turned != turned || cache.topReference != place.topReference) {
      cache.drawnValid = true;
      cache.size = clip.size();
      cache.at = at;
      cache.color = color.rgba();
      cache.turned = turned;
      cache.topReference = place.topReference;
      QImage img(clip.size(), QImage::Format_ARGB32_Premultiplied);
      img.fill(Qt::transparent);
      {
        QPainter p(&img);
        draw(p, clip.topLeft());
      }
      bool whole = true;
      for (int y = 0; whole && y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; whole && x < img.width(); ++x) whole = qAlpha(row[x]) == 0 || qAlpha(row[x]) == 255;
      }
      cache.drawn = whole ? img : QImage();
    }
    if (!cache.drawn.isNull()) {
      painter.CopyOpaquePixels(cache.drawn, clip.topLeft());
      return;
    }
    QPainter& p = painter.Get();
    p.save();
    p.setClipRect(clip.translated(-origin));
    draw(p, origin);
    p.restore();
    return;
  }
  QImage scratch = Scratch(clip.width(), clip.height(), bg);
  {
    QPainter p(&scratch);
    draw(p, clip.topLeft());
  }
  Grey(scratch, bg);
  painter.CopyOpaquePixels(BackgroundCleared(scratch, bg), clip.topLeft());
}
