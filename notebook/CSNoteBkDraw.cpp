// Painting of the tabbed notebook: a thin layer that turns the lines, regions
// and placements of CSNoteBkPaint.h into pixels.  Everything is drawn into one
// off-screen image per paint, which is then copied onto the widget; the
// inverting focus rectangle and the greyed pictures work on its pixels.
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QRegion>
#include <algorithm>

#include "notebook/CSNoteBk.h"
#include "notebook/CSNoteBkPaint.h"

using platform::Point;
using platform::Rect;
namespace nb = csnotebook;

namespace {

QColor Sys(tk::TColor c) { return tk::ColorToQColor(c); }

void PlotLine(QImage& img, const TcsLine& line) {
  const QRgb rgb = Sys(line.color).rgb();
  for (const Point& p : nb::LinePixels(line.from, line.to))
    if (p.x >= 0 && p.y >= 0 && p.x < img.width() && p.y < img.height()) img.setPixel(p.x, p.y, rgb);
}

void PlotLines(QImage& img, const std::vector<TcsLine>& lines) {
  for (const TcsLine& l : lines) PlotLine(img, l);
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
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((x + y) % 2 == 0) img.setPixel(x, y, b);
}

QImage Scratch(int w, int h, const QColor& bg) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(bg);
  return img;
}

// Copies only the pixels of `src` that differ from `bg`.
void CopyTransparent(QImage& dst, const QImage& src, int x0, int y0, const QColor& bg) {
  const QRgb b = bg.rgb();
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x) {
      const QRgb c = src.pixel(x, y);
      const int dx = x0 + x, dy = y0 + y;
      if (c != b && dx >= 0 && dy >= 0 && dx < dst.width() && dy < dst.height()) dst.setPixel(dx, dy, c);
    }
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

void TcsNotebook::paintEvent(QPaintEvent*) {
  PrepareTabs();
  if (window() != m_watchedForm) WatchForm();
  if (width() <= 0 || height() <= 0) return;
  QImage canvas(size(), QImage::Format_RGB32);
  PaintTabs(canvas);
  QPainter painter(this);
  painter.drawImage(0, 0, canvas);
}

void TcsNotebook::PaintTabs(QImage& canvas) {
  EraseBackground(canvas);
  if (!AnyPageVisible()) return;
  const QString active = ActivePage();
  const TcsTabLayout& l = m_layout;

  // Outlines, then the inner 3-D lines, then the frames of the rows.
  for (int r = 0; r < static_cast<int>(l.rows.size()); ++r)
    for (int p = 0; p < l.rows[r].size(); ++p) PlotLines(canvas, nb::TabOutlineLines(l.TabOutline(r, p, 0)));
  for (int r = 0; r < static_cast<int>(l.rows.size()); ++r)
    for (int p = 0; p < l.rows[r].size(); ++p) {
      PlotLines(canvas, nb::TabEdgeLines(l.orientation, l.TabOutline(r, p, 1), false));
      if (l.rows[r][p].compare(active, Qt::CaseInsensitive) == 0)
        PlotLines(canvas, nb::TabEdgeLines(l.orientation, l.TabOutline(r, p, 2), true));
    }
  PlotLines(canvas, nb::PageFrameLines(l, active));
  for (int r = 1; r < l.R(); ++r) PlotLines(canvas, nb::BackRowFrameLines(l, r));

  DrawTabCaptions(canvas);

  if (m_focusDrawn) {
    // The platform's focus rectangle: every other pixel of the outline
    // inverted, so drawing it twice restores the picture.
    const QRect f = FocusRect();
    auto invert = [&](int x, int y) {
      if ((x + y) % 2 != 0 || !canvas.rect().contains(x, y)) return;
      canvas.setPixel(x, y, canvas.pixel(x, y) ^ 0x00FFFFFFu);
    };
    if (!f.isEmpty()) {
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

void TcsNotebook::EraseBackground(QImage& canvas) {
  QWidget* parent = parentWidget();
  const QColor outside = parent ? parent->palette().color(parent->backgroundRole()) : palette().color(QPalette::Window);
  if (m_parentColor && !m_useUnselectedTabColor) {
    canvas.fill(outside);
    return;
  }
  const TcsTabLayout& l = m_layout;
  const QString active = ActivePage();
  QRegion card = FrameRegion(l.RowFrameRect(0));
  QRegion activeTab;
  for (int r = 0; r < static_cast<int>(l.rows.size()); ++r)
    for (int p = 0; p < l.rows[r].size(); ++p) {
      const QRegion poly(ToPolygon(nb::TabCardPolygon(l, r, p)), Qt::OddEvenFill);
      card += poly;
      if (l.rows[r][p].compare(active, Qt::CaseInsensitive) == 0) activeTab = poly;
    }
  for (int r = 1; r < l.R(); ++r) card += FrameRegion(nb::BackRowCardRect(l, r));

  QPainter painter(&canvas);
  painter.setClipRegion(QRegion(canvas.rect()) - card);
  painter.fillRect(canvas.rect(), outside);
  if (m_useUnselectedTabColor && (l.R() == 1 || !l.anchoredTabs)) {
    const QRegion front = (FrameRegion(l.RowFrameRect(0)) + activeTab) & card;
    painter.setClipRegion(front);
    painter.fillRect(canvas.rect(), Color());
    painter.setClipRegion(card - front);
    painter.fillRect(canvas.rect(), m_unselectedTabColor);
  } else {
    painter.setClipRegion(card);
    painter.fillRect(canvas.rect(), Color());
  }
}

// ---- captions and pictures ----------------------------------------------------------

void TcsNotebook::DrawTabCaptions(QImage& canvas) {
  const QString active = ActivePage();
  // One set of fonts for the whole paint.
  const QFont plain = CaptionFont(m_tabFont, false, false);
  const QFont plainUnderlined = CaptionFont(m_tabFont, false, true);
  const QFont bold = CaptionFont(m_tabFont, true, false);
  const QFont boldUnderlined = CaptionFont(m_tabFont, true, true);
  for (const QStringList& row : m_layout.rows)
    for (const QString& caption : row) {
      const int index = m_access.IndexOf(caption);
      TcsPage* page = Page(index);
      Rect inner;
      if (!page || !m_layout.TabInnerRect(caption, inner)) continue;
      if (inner.right <= inner.left || inner.bottom <= inner.top) continue;
      const bool isActive = index == m_pageIndex && caption.compare(active, Qt::CaseInsensitive) == 0;
      const QColor bg = TabColor(isActive);
      DrawGlyph(canvas, page, isActive, inner, bg);
      if (m_textAlignment != taInvisible)
        DrawCaption(canvas, page, isActive, inner, bg, isActive ? bold : plain,
                    isActive ? boldUnderlined : plainUnderlined);
    }
}

void TcsNotebook::DrawGlyph(QImage& canvas, TcsPage* page, bool active, const Rect& inner, const QColor& bg) {
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

  const QImage whole = bitmap.toImage().convertToFormat(QImage::Format_ARGB32);
  const QRgb transparent = whole.pixel(0, whole.height() - 1);
  QImage src = whole.copy(cell * cw + s.left, s.top, s.right - s.left, s.bottom - s.top);
  const QRgb b = bg.rgb();
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x)
      if (src.pixel(x, y) == transparent) src.setPixel(x, y, b);

  const int x0 = inner.left, y0 = inner.top;
  if (!greyed) {
    QPainter p(&canvas);
    p.drawImage(QRect(d.left, d.top, dw, dh), src);
    return;
  }
  QImage scratch = Scratch(inner.right - inner.left, inner.bottom - inner.top, bg);
  {
    QPainter p(&scratch);
    p.drawImage(QRect(d.left - x0, d.top - y0, dw, dh), src);
  }
  Grey(scratch, bg);
  QPainter p(&canvas);
  p.drawImage(x0, y0, scratch);
}

void TcsNotebook::DrawCaption(QImage& canvas, TcsPage* page, bool active, const Rect& inner, const QColor& bg,
                              const QFont& font, const QFont& underlined) {
  const QString caption = page->Caption();
  const nb::CaptionPieces pieces = nb::SplitCaption(caption);
  const QFontMetrics fm(font);
  const int tw = fm.horizontalAdvance(nb::CaptionMeasureText(caption));
  const int fh = fm.ascent() + fm.descent() + fm.leading();
  const nb::CaptionPlacement place = nb::PlaceCaption(m_layout, m_textAlignment, m_sidewaysText, inner, tw, fh);
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
    QPainter p(&canvas);
    p.setClipRect(clip);
    draw(p, QPoint(0, 0));
    return;
  }
  QImage scratch = Scratch(clip.width(), clip.height(), bg);
  {
    QPainter p(&scratch);
    draw(p, clip.topLeft());
  }
  Grey(scratch, bg);
  CopyTransparent(canvas, scratch, clip.left(), clip.top(), bg);
}
