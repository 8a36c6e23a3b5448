#include "controls/CDK_Comp.h"

#include <QCoreApplication>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

namespace {

// Placement arithmetic runs in 64 bits and lands within what a widget can
// take, so no margin, however absurd, overflows it.
int Clamp(long long v) {
  return static_cast<int>(std::clamp<long long>(v, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

void Bevel(QPainter& p, QRect& r, TPanelBevel kind, int width) {
  if (kind == bvNone) return;
  const QColor light = tk::ColorToQColor(tk::clBtnHighlight);
  const QColor dark = tk::ColorToQColor(tk::clBtnShadow);
  if (kind == bvRaised)
    tk::Frame3D(p, r, width, light, dark);
  else
    tk::Frame3D(p, r, width, dark, light);
}

}  // namespace

TCompoundComponentPanel::TCompoundComponentPanel(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(false);
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  resize(185, 41);
  m_needsRefresh = true;
  m_caption.clear();
  setWindowTitle(QString());
}

void TCompoundComponentPanel::SetBevelOuter(TPanelBevel b) {
  if (b == m_bevelOuter) return;
  m_bevelOuter = b;
  update();
}

void TCompoundComponentPanel::SetBevelInner(TPanelBevel b) {
  if (b == m_bevelInner) return;
  m_bevelInner = b;
  update();
}

void TCompoundComponentPanel::SetBevelWidth(int w) {
  w = std::max(w, 1);
  if (w == m_bevelWidth) return;
  m_bevelWidth = w;
  update();
}

void TCompoundComponentPanel::SetBorderWidth(int w) {
  w = std::max(w, 0);
  if (w == m_borderWidth) return;
  m_borderWidth = w;
  update();
}

void TCompoundComponentPanel::SetColor(tk::TColor c) {
  if (c == m_color) return;
  m_color = c;
  update();
}

void TCompoundComponentPanel::SetSeeThrough(bool on) {
  if (on == m_seeThrough) return;
  m_seeThrough = on;
  // A see-through panel leaves its parent's drawing under it in place.
  setAttribute(Qt::WA_OpaquePaintEvent, !on);
  update();
}

void TCompoundComponentPanel::SetHorzPlacement(TPlacement p) {
  if (p == m_horzPlacement) return;
  m_horzPlacement = p;
  UpdatePlacement();
}

void TCompoundComponentPanel::SetVertPlacement(TPlacement p) {
  if (p == m_vertPlacement) return;
  m_vertPlacement = p;
  UpdatePlacement();
}

void TCompoundComponentPanel::SetMargins(int left, int top, int right, int bottom) {
  m_marginLeft = left;
  m_marginTop = top;
  m_marginRight = right;
  m_marginBottom = bottom;
}

void TCompoundComponentPanel::SetBounds(int left, int top, int width, int height) {
  const QRect old = geometry();
  setGeometry(Clamp(left), Clamp(top), std::max(Clamp(width), 0), std::max(Clamp(height), 0));
  DeliverPendingGeometry(old);
}

void TCompoundComponentPanel::DeliverPendingGeometry(const QRect& old) {
  if (testAttribute(Qt::WA_PendingMoveEvent) && pos() != old.topLeft()) {
    setAttribute(Qt::WA_PendingMoveEvent, false);
    QMoveEvent e(pos(), old.topLeft());
    QCoreApplication::sendEvent(this, &e);
  }
  if (testAttribute(Qt::WA_PendingResizeEvent) && size() != old.size()) {
    setAttribute(Qt::WA_PendingResizeEvent, false);
    QResizeEvent e(size(), old.size());
    QCoreApplication::sendEvent(this, &e);
  }
}

QRect TCompoundComponentPanel::InnerRect() const {
  QRect r = rect();
  auto shrink = [&r](int n) { r.adjust(n, n, -n, -n); };
  if (m_bevelOuter != bvNone) shrink(m_bevelWidth);
  shrink(m_borderWidth);
  if (m_bevelInner != bvNone) shrink(m_bevelWidth);
  return r;
}

void TCompoundComponentPanel::RefreshBackground() {
  if (Designing()) return;
  // Repainting the parent under the panel is what hiding and showing the panel
  // would achieve, without the focus and visibility side effects.
  if (QWidget* p = parentWidget())
    p->update(geometry());
  else
    update();
}

void TCompoundComponentPanel::UpdatePlacement() {
  QWidget* parent = parentWidget();
  if (parent == nullptr || IsLoading()) return;
  if (m_horzPlacement == plNone && m_vertPlacement == plNone) {
    if (m_seeThrough) RefreshBackground();
    return;
  }
  const QRect p = parent->rect();
  // Exclusive right and bottom edges, as the placement arithmetic is written.
  const long long pLeft = p.left(), pTop = p.top();
  const long long pRight = pLeft + p.width(), pBottom = pTop + p.height();
  long long left = x(), top = y();

  switch (m_horzPlacement) {
    case plNearEdge: left = pLeft + m_marginLeft; break;
    case plCenter: left = (pLeft + pRight - width()) / 2; break;
    case plFarEdge: left = pRight - width() - m_marginRight; break;
    case plStretch:
      SetWidth(Clamp(pRight - m_marginRight - pLeft - m_marginLeft));
      left = pLeft + m_marginLeft;
      break;
    default: break;
  }
  const int w = width();

  switch (m_vertPlacement) {
    case plNearEdge: top = pTop + m_marginTop; break;
    case plCenter: top = (pTop + pBottom - height()) / 2; break;
    case plFarEdge: top = pBottom - height() - m_marginBottom; break;
    case plStretch:
      SetHeight(Clamp(pBottom - m_marginBottom - pTop - m_marginTop));
      top = pTop + m_marginTop;
      break;
    default: break;
  }
  SetBounds(Clamp(left), Clamp(top), w, height());
  if (m_seeThrough) RefreshBackground();
}

void TCompoundComponentPanel::Loaded() {
  tk::TComponent::Loaded();
  m_savedWidth = width();
  m_savedHeight = height();
}

void TCompoundComponentPanel::Resize() {
  if (!IsLoading() && m_onResize) m_onResize(this);
}

void TCompoundComponentPanel::SizeHandling() {
  m_needsRefresh = true;
  const bool loading = IsLoading();
  const QWidget* parent = parentWidget();
  const QRect p = parent ? parent->rect() : QRect();

  if (m_keepWidth && m_savedWidth != 0 && !loading) {
    SetWidth(m_savedWidth);
  } else {
    if (m_horzPlacement == plStretch && !loading && parent)
      SetWidth(Clamp(static_cast<long long>(p.width()) - m_marginRight - m_marginLeft));
    m_savedWidth = width();
  }

  if (m_keepHeight && m_savedHeight != 0 && !loading) {
    SetHeight(m_savedHeight);
  } else {
    if (m_vertPlacement == plStretch && !loading && parent)
      SetHeight(Clamp(static_cast<long long>(p.height()) - m_marginBottom - m_marginTop));
    m_savedHeight = height();
  }

  Resize();
  UpdatePlacement();
}

void TCompoundComponentPanel::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  SizeHandling();
}

void TCompoundComponentPanel::moveEvent(QMoveEvent* e) {
  m_needsRefresh = true;
  QWidget::moveEvent(e);
  UpdatePlacement();
}

void TCompoundComponentPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const bool seeThrough = m_seeThrough && !Designing();
  // The erase step: a see-through panel counts its background as erased and
  // asks once per move or size for the parent to repaint under it.
  if (seeThrough && m_needsRefresh) {
    m_needsRefresh = false;
    RefreshBackground();
  }
  QRect r = rect();
  Bevel(p, r, m_bevelOuter, m_bevelWidth);
  const QColor color = tk::ColorToQColor(m_color);
  tk::Frame3D(p, r, m_borderWidth, color, color);
  Bevel(p, r, m_bevelInner, m_bevelWidth);
  if (!seeThrough && r.width() > 0 && r.height() > 0) p.fillRect(r, color);
}
