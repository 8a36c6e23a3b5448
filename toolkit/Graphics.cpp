#include "toolkit/Graphics.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <array>
#include <cmath>

namespace tk {

// ---- colours ------------------------------------------------------------------

namespace {

struct RoleOf {
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

constexpr std::array<RoleOf, kSysColorCount> kRoles = {{
    {QPalette::Active, QPalette::Button},            // clScrollBar
    {QPalette::Active, QPalette::Window},            // clBackground
    {QPalette::Active, QPalette::Highlight},         // clActiveCaption
    {QPalette::Inactive, QPalette::Highlight},       // clInactiveCaption
    {QPalette::Active, QPalette::Button},            // clMenu
    {QPalette::Active, QPalette::Base},              // clWindow
    {QPalette::Active, QPalette::Shadow},            // clWindowFrame
    {QPalette::Active, QPalette::WindowText},        // clMenuText
    {QPalette::Active, QPalette::Text},              // clWindowText
    {QPalette::Active, QPalette::HighlightedText},   // clCaptionText
    {QPalette::Active, QPalette::Button},            // clActiveBorder
    {QPalette::Active, QPalette::Button},            // clInactiveBorder
    {QPalette::Active, QPalette::Mid},               // clAppWorkSpace
    {QPalette::Active, QPalette::Highlight},         // clHighlight
    {QPalette::Active, QPalette::HighlightedText},   // clHighlightText
    {QPalette::Active, QPalette::Button},            // clBtnFace
    {QPalette::Active, QPalette::Dark},              // clBtnShadow
    {QPalette::Disabled, QPalette::Text},            // clGrayText
    {QPalette::Active, QPalette::ButtonText},        // clBtnText
    {QPalette::Inactive, QPalette::HighlightedText}, // clInactiveCaptionText
    {QPalette::Active, QPalette::Light},             // clBtnHighlight
    {QPalette::Active, QPalette::Shadow},            // cl3DDkShadow
    {QPalette::Active, QPalette::Midlight},          // cl3DLight
    {QPalette::Active, QPalette::ToolTipText},       // clInfoText
    {QPalette::Active, QPalette::ToolTipBase},       // clInfoBk
}};

struct SysColorTable {
  std::array<QColor, kSysColorCount> colors;
  qint64 paletteKey = -1;
  bool filled = false;
};

SysColorTable& Table() {
  static SysColorTable table;
  const QPalette pal = QGuiApplication::palette();
  if (!table.filled || table.paletteKey != pal.cacheKey()) {
    for (int i = 0; i < kSysColorCount; ++i) {
      QColor c = pal.color(kRoles[i].group, kRoles[i].role);
      c.setAlpha(255);
      table.colors[i] = c;
    }
    table.paletteKey = pal.cacheKey();
    table.filled = true;
  }
  return table;
}

}  // namespace

QColor SysColor(int index) {
  if (index < 0 || index >= kSysColorCount) return QColor(0, 0, 0);
  return Table().colors[index];
}

QColor ColorToQColor(TColor color) {
  if (color < 0) return SysColor(color & 0xff);
  return QColor(color & 0xff, (color >> 8) & 0xff, (color >> 16) & 0xff);
}

TColor QColorToColor(const QColor& c) { return RGBColor(c.red(), c.green(), c.blue()); }

QFont MakePixelFont(const QString& family, int pixels, bool bold) {
  QFont f(family);
  f.setPixelSize(pixels > 0 ? pixels : 1);
  f.setBold(bold);
  return f;
}

QFont MakeFont(const QString& family, int points, bool bold) {
  // Whole pixels at 96 per inch, rounded half up like the platform's MulDiv.
  const int pixels = static_cast<int>(std::lround(points * 96.0 / 72.0));
  return MakePixelFont(family, pixels, bold);
}

void Frame3D(QPainter& p, QRect& r, int count, const QColor& topLeft, const QColor& bottomRight) {
  count = std::min(count, std::max(r.width(), r.height()));
  for (int i = 0; i < count; ++i) {
    if (r.width() > 0 && r.height() > 0) {
      p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
      p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
      p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
      p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    }
    r.adjust(1, 1, -1, -1);
  }
}

QFont FitFontToWidth(const QFont& font, const QString& text, int width) {
  auto advance = [&](const QFont& f) { return QFontMetrics(f).horizontalAdvance(text); };
  if (advance(font) <= width) return font;
  QFont f = font;
  for (int stretch = 99; stretch >= 75; --stretch) {
    f.setStretch(stretch);
    if (advance(f) <= width) return f;
  }
  // Quarter pixels of spacing, one whole pixel at the most.
  for (int quarters = 1; quarters <= 4; ++quarters) {
    f.setLetterSpacing(QFont::AbsoluteSpacing, -0.25 * quarters);
    if (advance(f) <= width) return f;
  }
  return f;
}

// ---- graphic controls ----------------------------------------------------------

TGraphicControl::TGraphicControl(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(false);
}

void TGraphicControl::SetColor(TColor color) {
  if (color == m_color && !m_parentColor) return;
  m_color = color;
  m_parentColor = false;
  update();
}

void TGraphicControl::SetParentColor(bool on) {
  if (on == m_parentColor) return;
  m_parentColor = on;
  update();
}

QColor TGraphicControl::BackgroundColor() const {
  if (m_parentColor) {
    if (const auto* gp = qobject_cast<const TGraphicControl*>(parentWidget())) return gp->BackgroundColor();
    if (const QWidget* p = parentWidget()) {
      QColor c = p->palette().color(p->backgroundRole());
      c.setAlpha(255);
      return c;
    }
  }
  return ColorToQColor(m_color);
}

void TGraphicControl::SetOpaque(bool on) {
  if (on == m_opaque) return;
  m_opaque = on;
  setAttribute(Qt::WA_OpaquePaintEvent, on);
  update();
}

void TGraphicControl::Paint(QPainter&) {}

void TGraphicControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setClipRect(rect());
  Paint(p);
}

void TGraphicControl::changeEvent(QEvent* e) {
  switch (e->type()) {
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
      update();
      break;
    default:
      break;
  }
  QWidget::changeEvent(e);
}

void TGraphicControl::mousePressEvent(QMouseEvent* e) {
  m_pressed = e->button() == Qt::LeftButton;
  if (m_onMouseDown) {
    const QPoint pt = e->position().toPoint();
    m_onMouseDown(this, e->button(), e->modifiers(), pt.x(), pt.y());
  }
}

void TGraphicControl::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint pt = e->position().toPoint();
  const bool click = m_pressed && e->button() == Qt::LeftButton && rect().contains(pt);
  if (e->button() == Qt::LeftButton) m_pressed = false;
  if (m_onMouseUp) m_onMouseUp(this, e->button(), e->modifiers(), pt.x(), pt.y());
  if (click && m_onClick) m_onClick(this);
}

void TGraphicControl::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && m_onDblClick) m_onDblClick(this);
  mousePressEvent(e);
}

void TGraphicControl::mouseMoveEvent(QMouseEvent* e) {
  if (m_onMouseMove) {
    const QPoint pt = e->position().toPoint();
    m_onMouseMove(this, e->modifiers(), pt.x(), pt.y());
  }
}

// ---- labels ---------------------------------------------------------------------

TCustomLabel::TCustomLabel(QWidget* parent) : TGraphicControl(parent) {
  resize(65, 17);
  SetOpaque(true);
}

void TCustomLabel::SetCaption(const QString& caption) {
  if (caption == m_caption) return;
  m_caption = caption;
  AdjustBounds();
  update();
}

void TCustomLabel::SetAlignment(TAlignment a) {
  if (a == m_alignment) return;
  m_alignment = a;
  update();
}

void TCustomLabel::SetAutoSize(bool on) {
  if (on == m_autoSize) return;
  m_autoSize = on;
  AdjustBounds();
}

void TCustomLabel::SetFontColor(TColor c) {
  if (c == m_fontColor) return;
  m_fontColor = c;
  update();
}

void TCustomLabel::SetTransparent(bool on) { SetOpaque(!on); }

void TCustomLabel::SetShowAccelChar(bool on) {
  if (on == m_showAccelChar) return;
  m_showAccelChar = on;
  AdjustBounds();
  update();
}

void TCustomLabel::SetWordWrap(bool on) {
  if (on == m_wordWrap) return;
  m_wordWrap = on;
  AdjustBounds();
  update();
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

int TCustomLabel::DrawTextFlags() const {
  int flags = Qt::AlignTop | Qt::TextExpandTabs;
  switch (m_alignment) {
    case TAlignment::taLeftJustify: flags |= Qt::AlignLeft; break;
    case TAlignment::taRightJustify: flags |= Qt::AlignRight; break;
    case TAlignment::taCenter: flags |= Qt::AlignHCenter; break;
  }
  if (m_wordWrap) flags |= Qt::TextWordWrap;
  if (m_showAccelChar) flags |= Qt::TextShowMnemonic;
  return flags;
}

void TCustomLabel::AdjustBounds() {
  if (!m_autoSize || IsLoading()) return;
  const QFontMetrics fm(font());
  const int flags = DrawTextFlags() & ~(Qt::AlignRight | Qt::AlignHCenter);
  // An empty caption still measures one line, so the label keeps a height.
  const QString text = m_caption.isEmpty() ? QStringLiteral(" ") : m_caption;
  const int limit = m_wordWrap ? width() : 0x7fff;
  const QRect r = fm.boundingRect(QRect(0, 0, limit, 0x7fff), flags, text);
  int left = x();
  if (!m_wordWrap && m_alignment == TAlignment::taRightJustify) left += width() - r.width();
  setGeometry(left, y(), m_wordWrap ? width() : r.width(), r.height());
}

void TCustomLabel::DrawLabelText(QPainter& p, const QRect& rect, int flags, const QString& text,
                                 const QColor& color) {
  p.setFont(font());
  p.setPen(color);
  p.setBrush(Qt::NoBrush);
  p.drawText(rect, flags, text);
}

void TCustomLabel::Paint(QPainter& p) {
  if (Opaque()) p.fillRect(rect(), BackgroundColor());
  const int flags = DrawTextFlags();
  if (isEnabled()) {
    DrawLabelText(p, rect(), flags, m_caption, ColorToQColor(m_fontColor));
  } else {
    DrawLabelText(p, rect().translated(1, 1), flags, m_caption, ColorToQColor(clBtnHighlight));
    DrawLabelText(p, rect(), flags, m_caption, ColorToQColor(clBtnShadow));
  }
}

void TCustomLabel::changeEvent(QEvent* e) {
  if (e->type() == QEvent::FontChange) AdjustBounds();
  TGraphicControl::changeEvent(e);
}

// ---- images ---------------------------------------------------------------------

TImage::TImage(QWidget* parent) : TGraphicControl(parent) { resize(105, 105); }

void TImage::SetPicture(const QPixmap& picture) {
  m_picture = picture;
  if (m_autoSize && !m_picture.isNull()) resize(m_picture.size());
  update();
}

void TImage::SetAutoSize(bool on) {
  if (on == m_autoSize) return;
  m_autoSize = on;
  if (m_autoSize && !m_picture.isNull()) resize(m_picture.size());
}

void TImage::Paint(QPainter& p) {
  if (!m_picture.isNull()) p.drawPixmap(0, 0, m_picture);
}

}  // namespace tk
