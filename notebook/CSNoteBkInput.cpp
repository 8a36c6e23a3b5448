// The user's side of the tabbed notebook: clicks on tabs, arrow keys,
// accelerator characters, the focus rectangle and design-mode clicks.  Every
// page change goes through SetPageIndex, so OnPageChanging can refuse it and
// disabled or hidden pages are never chosen.
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "notebook/CSNoteBk.h"
#include "notebook/CSNoteBkPaint.h"
#include "toolkit/Resources.h"

namespace {

// One design-mode press selects at most one page, whichever notebook it was
// in: the latch holds from the press on a tab until the button is released.
bool g_designClickLatch = false;

bool SameCaption(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

QCursor TcsNotebook::TabCursor() {
  // The fingertip of the hand picture is its hot spot.
  static const QCursor cursor = [] {
    const QPixmap hand = tk::LoadResourceBitmap(QStringLiteral("CSTABCURSOR"));
    return hand.isNull() ? QCursor(Qt::ArrowCursor) : QCursor(hand, 11, 1);
  }();
  return cursor;
}

void TcsNotebook::TabClick() {
  if (hasFocus() && !m_focusDrawn) ToggleFocusRect();
  if (OnTabClick) OnTabClick(this);
}

// ---- mouse ----------------------------------------------------------------------------

void TcsNotebook::mousePressEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (OnMouseDown) OnMouseDown(this, e->button(), e->modifiers(), pos.x(), pos.y());
  if (IsDesigning()) {
    DesignHitTest(pos, e->buttons());
    return;
  }
  if (e->button() != Qt::LeftButton || !isEnabled()) return;
  TcsPage* page = Page(TabAtPoint(pos));
  if (!page || !page->PageEnabled()) return;
  setFocus(Qt::MouseFocusReason);
  if (!hasFocus()) return;
  const QString caption = page->Caption();
  SetActivePage(caption);
  if (SameCaption(ActivePage(), caption)) TabClick();
}

void TcsNotebook::mouseReleaseEvent(QMouseEvent* e) {
  if (IsDesigning()) DesignHitTest(e->position().toPoint(), e->buttons());
  QWidget::mouseReleaseEvent(e);
}

void TcsNotebook::mouseMoveEvent(QMouseEvent* e) {
  if (IsDesigning()) DesignSetCursor(e->globalPosition().toPoint());
  QWidget::mouseMoveEvent(e);
}

bool TcsNotebook::DesignHitTest(const QPoint& p, Qt::MouseButtons buttons) {
  if (!IsDesigning()) return false;
  if (buttons & Qt::LeftButton) {
    if (g_designClickLatch) return true;
    const int i = TabAtPoint(p);
    if (i < 0) return false;
    SetPageIndex(i);
    g_designClickLatch = true;
    if (OnDesignerModified) OnDesignerModified(window());
    return true;
  }
  if (g_designClickLatch) {
    g_designClickLatch = false;
    return true;
  }
  return false;
}

bool TcsNotebook::DesignSetCursor(const QPoint& screenPos) {
  m_lastHitPoint = mapFromGlobal(screenPos);
  if (TabAtPoint(m_lastHitPoint) >= 0) {
    setCursor(TabCursor());
    return true;
  }
  unsetCursor();
  return false;
}

// ---- keys -----------------------------------------------------------------------------

void TcsNotebook::keyPressEvent(QKeyEvent* e) {
  int step = 0;
  switch (e->key()) {
    case Qt::Key_Right:
    case Qt::Key_Down: step = 1; break;
    case Qt::Key_Left:
    case Qt::Key_Up: step = -1; break;
    default: QWidget::keyPressEvent(e); return;
  }
  e->accept();
  const int count = PageCount();
  if (count == 0 || m_pageIndex < 0) return;
  int p = m_pageIndex;
  do {
    p = ((p + step) % count + count) % count;
  } while (p != m_pageIndex && !(m_pageList[p]->PageEnabled() && m_pageList[p]->PageVisible()));
  if (p == m_pageIndex) return;
  SetPageIndex(p);
  if (m_pageIndex == p) TabClick();
}

bool TcsNotebook::DialogChar(QChar c) {
  // A notebook out of sight cannot take the focus, so it must not swallow
  // the character either.
  if (!isEnabled() || !isVisible() || c.isNull()) return false;
  TcsPage* target = nullptr;
  for (TcsPage* page : m_pageList) {
    const QChar accel = csnotebook::AcceleratorOf(page->Caption());
    if (!accel.isNull() && accel.toUpper() == c.toUpper() && page->PageEnabled() && page->PageVisible()) {
      target = page;
      break;
    }
  }
  if (!target) return false;
  setFocus(Qt::ShortcutFocusReason);
  if (!hasFocus()) return true;
  const QString caption = target->Caption();
  SetActivePage(caption);
  if (SameCaption(ActivePage(), caption)) TabClick();
  return true;
}

void TcsNotebook::WatchForm() {
  QWidget* form = window();
  if (form == m_watchedForm) return;
  if (m_watchedForm) m_watchedForm->removeEventFilter(this);
  m_watchedForm = form;
  if (form) form->installEventFilter(this);
}

bool TcsNotebook::eventFilter(QObject* watched, QEvent* e) {
  // The form's dialog characters.  A plain character counts when the focused
  // control left it alone, so it comes up to the form as a key press.  Alt
  // with a character is a menu key that no control takes as text: it is
  // caught when the form is asked whether it overrides shortcuts (before the
  // key reaches any control), so an edit never inserts it.
  const bool press = e->type() == QEvent::KeyPress;
  if (watched == m_watchedForm && (press || e->type() == QEvent::ShortcutOverride)) {
    auto* k = static_cast<QKeyEvent*>(e);
    const Qt::KeyboardModifiers mods = k->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if ((press && mods == Qt::NoModifier) || (!press && mods == Qt::AltModifier)) {
      QChar c;
      if (!k->text().isEmpty() && k->text()[0].isPrint())
        c = k->text()[0];
      else if ((k->key() >= Qt::Key_A && k->key() <= Qt::Key_Z) || (k->key() >= Qt::Key_0 && k->key() <= Qt::Key_9))
        c = QChar(k->key());
      if (!c.isNull() && DialogChar(c)) {
        k->accept();
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, e);
}

// ---- focus ----------------------------------------------------------------------------

void TcsNotebook::focusInEvent(QFocusEvent* e) {
  QWidget::focusInEvent(e);
  if (e->reason() != Qt::ActiveWindowFocusReason && OnEnter) OnEnter(this);
  if (AnyPageVisible() && !m_focusDrawn) ToggleFocusRect();
}

void TcsNotebook::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  // The focus leaving with its window is no exit from the notebook; the
  // rectangle stays for when the window comes back.
  if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
  if (OnExit) OnExit(this);
  if (m_focusDrawn) ToggleFocusRect();
}
