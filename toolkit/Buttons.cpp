#include "toolkit/Buttons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "toolkit/Form.h"

namespace tk {
namespace {
constexpr int kSpacing = 4;  // between picture and caption
}

TBitBtn::TBitBtn(QWidget* parent) : QPushButton(parent) {
  setAutoDefault(false);
  connect(this, &QPushButton::clicked, this, [this] {
    if (m_modalResult == 0) return;
    if (auto* form = qobject_cast<TForm*>(window())) form->SetModalResult(m_modalResult);
  });
}

void TBitBtn::SetGlyph(const QPixmap& strip, int numGlyphs) {
  m_glyph = strip;
  m_numGlyphs = numGlyphs < 1 ? 1 : (numGlyphs > 2 ? 2 : numGlyphs);
  update();
}

void TBitBtn::SetLayout(TButtonLayout layout) {
  if (layout == m_layout) return;
  m_layout = layout;
  update();
}

void TBitBtn::SetKind(TBitBtnKind kind) {
  switch (kind) {
    case TBitBtnKind::bkOK:
      SetCaption(QStringLiteral("OK"));
      SetGlyph(StandardGlyph(kind));
      m_modalResult = mrOk;
      break;
    case TBitBtnKind::bkHelp:
      SetCaption(QStringLiteral("&Help"));
      SetGlyph(StandardGlyph(kind));
      break;
    case TBitBtnKind::bkCustom:
      break;
  }
}

QPixmap TBitBtn::CurrentImage() const {
  if (m_glyph.isNull()) return {};
  const int w = m_glyph.width() / m_numGlyphs;
  if (isEnabled()) return m_glyph.copy(0, 0, w, m_glyph.height());
  if (m_numGlyphs >= 2) return m_glyph.copy(w, 0, w, m_glyph.height());
  QStyleOption opt;
  opt.initFrom(this);
  return style()->generatedIconPixmap(QIcon::Disabled, m_glyph.copy(0, 0, w, m_glyph.height()), &opt);
}

void TBitBtn::Arrange(QRect* glyph, QRect* caption) const {
  const QRect area = rect().adjusted(3, 3, -3, -3);
  const QSize g = m_glyph.isNull() ? QSize(0, 0) : QSize(m_glyph.width() / m_numGlyphs, m_glyph.height());
  const QSize t = fontMetrics().size(Qt::TextShowMnemonic, text());
  const int gap = (g.isEmpty() || t.isEmpty()) ? 0 : kSpacing;
  if (m_layout == TButtonLayout::blGlyphTop) {
    const int block = g.height() + gap + t.height();
    const int top = area.top() + (area.height() - block) / 2;
    *glyph = QRect(area.left() + (area.width() - g.width()) / 2, top, g.width(), g.height());
    *caption = QRect(area.left(), top + g.height() + gap, area.width(), t.height());
  } else {
    const int block = g.width() + gap + t.width();
    const int left = area.left() + (area.width() - block) / 2;
    *glyph = QRect(left, area.top() + (area.height() - g.height()) / 2, g.width(), g.height());
    *caption = QRect(left + g.width() + gap, area.top(), t.width(), area.height());
  }
}

QRect TBitBtn::GlyphRect() const {
  QRect g, c;
  Arrange(&g, &c);
  return g;
}

QRect TBitBtn::CaptionRect() const {
  QRect g, c;
  Arrange(&g, &c);
  return c;
}

void TBitBtn::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  opt.text.clear();
  opt.icon = QIcon();
  p.drawControl(QStyle::CE_PushButtonBevel, opt);
  QRect g, c;
  Arrange(&g, &c);
  if (isDown()) {
    g.translate(1, 1);
    c.translate(1, 1);
  }
  const QPixmap img = CurrentImage();
  if (!img.isNull()) p.drawPixmap(g.topLeft(), img);
  p.drawItemText(c, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(), text(),
                 QPalette::ButtonText);
  if (hasFocus()) {
    QStyleOptionFocusRect fr;
    fr.initFrom(this);
    fr.rect = rect().adjusted(4, 4, -4, -4);
    p.drawPrimitive(QStyle::PE_FrameFocusRect, fr);
  }
}

QPixmap TBitBtn::StandardGlyph(TBitBtnKind kind) {
  QPixmap pm(18, 18);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  if (kind == TBitBtnKind::bkOK) {
    // A green tick.
    QPainterPath tick;
    tick.moveTo(2, 10);
    tick.lineTo(7, 15);
    tick.lineTo(16, 3);
    p.setPen(QPen(QColor(0, 128, 0), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
  } else if (kind == TBitBtnKind::bkHelp) {
    // A question mark in a navy disc.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    p.drawEllipse(QRectF(1, 1, 16, 16));
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 18, 18), Qt::AlignCenter, QStringLiteral("?"));
  }
  return pm;
}

TBevel::TBevel(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::Box);
  setFrameShadow(QFrame::Sunken);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

}  // namespace tk
