#include "controls/Rzlabel.h"

#include <QPainter>

TRzLabel::TRzLabel(QWidget* parent) : tk::TCustomLabel(parent) { m_textStyle = tsRecessed; }

void TRzLabel::SetTextStyle(TTextStyle style) {
  if (style == m_textStyle) return;
  m_textStyle = style;
  update();
}

void TRzLabel::Paint(QPainter& p) {
  if (Opaque()) p.fillRect(rect(), BackgroundColor());
  const QString text = Caption().left(255);
  int flags = DrawTextFlags() | Qt::TextWordWrap;
  const QRect r = rect();

  tk::TColor first = tk::clBtnShadow, second = tk::clBtnHighlight;
  bool copies = true;
  switch (m_textStyle) {
    case tsRaised: first = tk::clBtnShadow; second = tk::clBtnHighlight; break;
    case tsRecessed: first = tk::clBtnHighlight; second = tk::clBtnShadow; break;
    default: copies = false; break;
  }
  if (copies) {
    DrawLabelText(p, r.translated(1, 1), flags, text, tk::ColorToQColor(first));
    DrawLabelText(p, r.translated(-1, -1), flags, text, tk::ColorToQColor(second));
  }
  const tk::TColor face = isEnabled() ? FontColor() : tk::clGrayText;
  DrawLabelText(p, r, flags, text, tk::ColorToQColor(face));
}
