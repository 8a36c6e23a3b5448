#include "toolkit/Memo.h"

#include <QApplication>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>

namespace tk {

TCustomMemo::TCustomMemo(QWidget* parent) : QPlainTextEdit(parent) {
  resize(185, 89);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  SetScrollBars(TScrollStyle::ssNone);
  ApplyFrame();
  ApplyColors();
  SetCursor(crIBeam);
  UpdateFocusPolicy();
}

void TCustomMemo::SetText(const QString& text) {
  QString t = text;
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  setPlainText(t);
}

QStringList TCustomMemo::Lines() const {
  QStringList lines = toPlainText().split(QLatin1Char('\n'));
  // An empty memo has no lines, as has the empty text after a final break.
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

void TCustomMemo::SetLines(const QStringList& lines) { setPlainText(lines.join(QLatin1Char('\n'))); }

void TCustomMemo::SetAlignment(TAlignment a) {
  if (a == m_alignment) return;
  m_alignment = a;
  QTextOption opt = document()->defaultTextOption();
  switch (a) {
    case TAlignment::taLeftJustify: opt.setAlignment(Qt::AlignLeft); break;
    case TAlignment::taRightJustify: opt.setAlignment(Qt::AlignRight); break;
    case TAlignment::taCenter: opt.setAlignment(Qt::AlignHCenter); break;
  }
  document()->setDefaultTextOption(opt);
  // The plain layout reads the option per block; lay every block out again.
  document()->markContentsDirty(0, document()->characterCount());
  viewport()->update();
}

void TCustomMemo::SetWordWrap(bool on) {
  if (on == m_wordWrap) return;
  m_wordWrap = on;
  setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TCustomMemo::SetScrollBars(TScrollStyle s) {
  m_scrollBars = s;
  const bool h = s == TScrollStyle::ssHorizontal || s == TScrollStyle::ssBoth;
  const bool v = s == TScrollStyle::ssVertical || s == TScrollStyle::ssBoth;
  setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TCustomMemo::SetBorderStyle(TFormBorderStyle s) {
  if (s == m_borderStyle) return;
  m_borderStyle = s;
  ApplyFrame();
}

void TCustomMemo::SetCtl3D(bool on) {
  if (on == m_ctl3D) return;
  m_ctl3D = on;
  ApplyFrame();
}

void TCustomMemo::ApplyFrame() {
  if (m_borderStyle == TFormBorderStyle::bsNone) {
    setFrameStyle(QFrame::NoFrame);
  } else if (m_ctl3D) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  } else {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
  }
}

void TCustomMemo::SetColor(TColor c) {
  if (c == m_color) return;
  m_color = c;
  ApplyColors();
}

void TCustomMemo::SetFontColor(TColor c) {
  if (c == m_fontColor) return;
  m_fontColor = c;
  ApplyColors();
}

void TCustomMemo::ApplyColors() {
  QPalette pal = palette();
  const QColor back = ColorToQColor(m_color);
  const QColor text = ColorToQColor(m_fontColor);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    pal.setColor(group, QPalette::Base, back);
    pal.setColor(group, QPalette::Text, text);
  }
  setPalette(pal);
}

void TCustomMemo::SetCursor(TCursor c) {
  m_cursor = c;
  switch (c) {
    case crArrow: viewport()->setCursor(Qt::ArrowCursor); break;
    case crIBeam: viewport()->setCursor(Qt::IBeamCursor); break;
    default: viewport()->unsetCursor(); break;
  }
}

void TCustomMemo::SetTabStop(bool on) {
  if (on == m_tabStop) return;
  m_tabStop = on;
  UpdateFocusPolicy();
}

void TCustomMemo::UpdateFocusPolicy() {
  int policy = Qt::NoFocus;
  if (m_tabStop) policy |= Qt::TabFocus;
  if (ClickFocusAllowed()) policy |= Qt::ClickFocus;
  setFocusPolicy(static_cast<Qt::FocusPolicy>(policy));
}

void TCustomMemo::EnsureLayout() {
  ensurePolished();
  // A memo that was never shown has not been told its size yet; without it
  // the scroll range would not match the visible lines.
  if (testAttribute(Qt::WA_PendingResizeEvent)) {
    setAttribute(Qt::WA_PendingResizeEvent, false);
    QResizeEvent re(size(), QSize());
    QApplication::sendEvent(this, &re);
  }
}

int TCustomMemo::FirstVisibleLine() {
  EnsureLayout();
  return verticalScrollBar()->value();
}

void TCustomMemo::ScrollLines(int lines) {
  EnsureLayout();
  QScrollBar* bar = verticalScrollBar();
  // Widen before adding so that no count can overflow; the bar clamps.
  const long long target = static_cast<long long>(bar->value()) + lines;
  bar->setValue(static_cast<int>(std::clamp<long long>(target, bar->minimum(), bar->maximum())));
}

void TCustomMemo::mousePressEvent(QMouseEvent* e) {
  m_pressed = e->button() == Qt::LeftButton;
  if (m_onMouseDown) {
    const QPoint pt = e->position().toPoint();
    m_onMouseDown(this, e->button(), e->modifiers(), pt.x(), pt.y());
  }
  QPlainTextEdit::mousePressEvent(e);
}

void TCustomMemo::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint pt = e->position().toPoint();
  const bool click = m_pressed && e->button() == Qt::LeftButton && viewport()->rect().contains(pt);
  if (e->button() == Qt::LeftButton) m_pressed = false;
  if (m_onMouseUp) m_onMouseUp(this, e->button(), e->modifiers(), pt.x(), pt.y());
  if (click && m_onClick) m_onClick(this);
  QPlainTextEdit::mouseReleaseEvent(e);
}

void TCustomMemo::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && m_onDblClick) m_onDblClick(this);
  if (m_onMouseDown) {
    const QPoint pt = e->position().toPoint();
    m_onMouseDown(this, e->button(), e->modifiers(), pt.x(), pt.y());
  }
  QPlainTextEdit::mouseDoubleClickEvent(e);
}

void TCustomMemo::changeEvent(QEvent* e) {
  // System colours follow a new application palette.
  if (e->type() == QEvent::ApplicationPaletteChange) ApplyColors();
  QPlainTextEdit::changeEvent(e);
}

}  // namespace tk
