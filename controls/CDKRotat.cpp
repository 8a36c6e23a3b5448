#include "controls/CDKRotat.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Sizes past what a widget can take are cut there, so an absurd ShadowOffset
// cannot overflow the arithmetic.
constexpr long long kMaxExtent = QWIDGETSIZE_MAX;

int ClampExtent(double v) {
  if (!(v > 0)) return 0;
  return static_cast<int>(std::min<double>(v, kMaxExtent));
}

// |round(v)| with halves to even, kept within int.
int AbsRounded(double v) { return ClampExtent(std::fabs(std::rint(v))); }

}  // namespace

TCDKRotate3DLabel::TCDKRotate3DLabel(QWidget* parent) : tk::TCustomLabel(parent) {
  m_shadowColor = tk::clBtnShadow;
  m_highlightColor = tk::clBtnHighlight;
  m_shadowOffset = 1;
  SetTransparent(false);
}

int TCDKRotate3DLabel::NormalizeRotation(long long r) {
  // Positive angles fold to 0..359, the others to -359..0, then into -180..180
  // without touching the two half turns.
  r = r > 0 ? r % 360 : -((r < 0 ? -r : r) % 360);
  if (r > 180)
    r -= 360;
  else if (r < -180)
    r += 360;
  return static_cast<int>(r);
}

bool TCDKRotate3DLabel::IsScalableFont(const QFont& font) {
  const QFontInfo info(font);
  return QFontDatabase::isSmoothlyScalable(info.family(), info.styleName());
}

void TCDKRotate3DLabel::SetRotation(int degrees) {
  const int r = NormalizeRotation(degrees);
  if (r == m_rotation) return;
  m_rotation = r;
  if (!IsLoading() && r != 0 && !IsScalableFont(font())) {
    QFont f = font();
    f.setFamily(QStringLiteral("Arial"));
    setFont(f);  // a font change re-sizes the label
  }
  if (!IsLoading()) ApplyAutoSize();
  update();
}

void TCDKRotate3DLabel::SetShadowStyle(TCDKShadowStyle style) {
  if (style == m_shadowStyle) return;
  m_shadowStyle = style;
  update();
}

void TCDKRotate3DLabel::SetShadowColor(tk::TColor color) {
  if (color == m_shadowColor) return;
  m_shadowColor = color;
  update();
}

void TCDKRotate3DLabel::SetHighlightColor(tk::TColor color) {
  if (color == m_highlightColor) return;
  m_highlightColor = color;
  update();
}

void TCDKRotate3DLabel::SetShadowOffset(int offset) {
  if (offset == m_shadowOffset) return;
  m_shadowOffset = offset;
  // A see-through label repaints the parent under it along with itself, so the
  // copies at the old offset disappear too.
  if (!IsLoading()) ApplyAutoSize();
  update();
}

void TCDKRotate3DLabel::SetUnicodeCaption(bool on) { m_unicodeCaption = on; }

void TCDKRotate3DLabel::SetAlign(TAlign align) {
  if (align == m_align) return;
  m_align = align;
  if (!IsLoading()) ApplyAutoSize();
}

// The base label first sizes itself to the unrotated caption; the sides that
// the alignment holds are given back their size from before.
void TCDKRotate3DLabel::SetCaption(const QString& caption) {
  const QSize before = size();
  tk::TCustomLabel::SetCaption(caption);
  if (!IsLoading()) ApplyAutoSize(before);
}

void TCDKRotate3DLabel::Loaded() {
  const QSize before = size();
  tk::TCustomLabel::Loaded();
  ApplyAutoSize(before);
}

void TCDKRotate3DLabel::changeEvent(QEvent* e) {
  const QSize before = size();
  tk::TCustomLabel::changeEvent(e);
  if (e->type() == QEvent::FontChange && !IsLoading()) ApplyAutoSize(before);
}

QFont TCDKRotate3DLabel::DrawingFont() const {
  const QFont base = font();
  QFont f = base;
  f.setWeight(base.bold() ? QFont::Bold : QFont::Normal);
  f.setItalic(base.italic());
  f.setUnderline(base.underline());
  f.setStrikeOut(base.strikeOut());
  return f;
}

TCDKRotate3DLabel::Layout TCDKRotate3DLabel::ComputeLayout() const {
  const QFontMetrics fm(DrawingFont());
  QString measured = Caption();
  if (m_unicodeCaption) {
    // The caption's bytes read as 16-bit characters; an odd last byte pairs
    // with the terminating zero, and nothing past the bytes is read.
    const QByteArray bytes = measured.toLatin1();
    measured.clear();
    for (qsizetype i = 0; i < bytes.size(); i += 2) {
      const unsigned lo = static_cast<unsigned char>(bytes[i]);
      const unsigned hi = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0u;
      measured.append(QChar(static_cast<char16_t>(lo | hi << 8)));
    }
  }

  Layout lay;
  lay.textWidth = fm.horizontalAdvance(measured);
  lay.textHeight = fm.height();
  const double W = lay.textWidth, H = lay.textHeight;
  const double a = m_rotation * (1.0 / 180.0) * std::numbers::pi;
  const double s = std::sin(a), c = std::cos(a);
  const double o = m_shadowOffset;
  const int boxW = ClampExtent(std::rint(std::fabs(H * s) + std::fabs(W * c)) + o);
  const int boxH = ClampExtent(std::rint(std::fabs(W * s) + std::fabs(H * c)) + o);
  lay.box = QSize(boxW, boxH);

  // The origin uses the box as computed, including the offset, before any
  // clamping by the widget's limits would matter (boxes that large are cut).
  const int r = m_rotation;
  if (r >= 0 && r <= 90)
    lay.origin = QPoint(0, AbsRounded(W * s));
  else if (r < 0 && r >= -90)
    lay.origin = QPoint(AbsRounded(H * s), 0);
  else if (r > 90 || r == -180)
    lay.origin = QPoint(AbsRounded(W * c), boxH);
  else
    lay.origin = QPoint(boxW, AbsRounded(H * c));
  return lay;
}

void TCDKRotate3DLabel::ApplyAutoSize() { ApplyAutoSize(size()); }

void TCDKRotate3DLabel::ApplyAutoSize(const QSize& held) {
  const QSize box = ComputeLayout().box;
  int w = held.width(), h = held.height();
  if (m_align == TAlign::alNone || m_align == TAlign::alTop || m_align == TAlign::alBottom) h = box.height();
  if (m_align == TAlign::alNone || m_align == TAlign::alLeft || m_align == TAlign::alRight) w = box.width();
  if (w != width() || h != height()) resize(w, h);
}

void TCDKRotate3DLabel::Paint(QPainter& p) {
  if (Opaque()) p.fillRect(rect(), BackgroundColor());

  const QString text = Caption();
  const Layout lay = ComputeLayout();

  // Geometry is not changed in the middle of a paint: the new size follows as
  // soon as the event loop runs, and that size change repaints.
  QSize want = size();
  if (m_align == TAlign::alNone || m_align == TAlign::alTop || m_align == TAlign::alBottom)
    want.setHeight(lay.box.height());
  if (m_align == TAlign::alNone || m_align == TAlign::alLeft || m_align == TAlign::alRight)
    want.setWidth(lay.box.width());
  if (want != size() && !m_resizeQueued) {
    m_resizeQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          m_resizeQueued = false;
          ApplyAutoSize();
        },
        Qt::QueuedConnection);
  }

  const QFont f = DrawingFont();
  const int ascent = QFontMetrics(f).ascent();
  p.setFont(f);
  p.setBrush(Qt::NoBrush);
  auto copy = [&](double dx, double dy, tk::TColor color) {
    const double x = lay.origin.x() + dx, y = lay.origin.y() + dy;
    // Text positions are fixed-point inside the painter; a copy that far away
    // cannot reach the label's rectangle anyway.
    if (std::fabs(x) > kMaxExtent || std::fabs(y) > kMaxExtent) return;
    p.save();
    // The cell's top-left corner is the pivot; Qt turns clockwise, so the
    // counter-clockwise angle is negated.
    p.translate(x, y);
    p.rotate(-m_rotation);
    p.setPen(tk::ColorToQColor(color));
    p.drawText(QPointF(0, ascent), text);
    p.restore();
  };

  const double o = m_shadowOffset;
  const tk::TColor face = FontColor();
  switch (m_shadowStyle) {
    case ssRaised:
      copy(-o, -o, m_highlightColor);
      copy(o, o, m_shadowColor);
      copy(0, 0, face);
      break;
    case ssLowered:
      copy(o, o, m_highlightColor);
      copy(-o, -o, m_shadowColor);
      copy(0, 0, face);
      break;
    case ssHasShadow:
      copy(o, o, m_shadowColor);
      copy(0, 0, face);
      break;
    case ssNormalWithDisable:
      if (isEnabled()) {
        copy(0, 0, face);
      } else {
        copy(o, o, m_highlightColor);
        copy(0, 0, m_shadowColor);
      }
      break;
    case ssNoShadow:
    default:
      copy(0, 0, face);
      break;
  }
}
