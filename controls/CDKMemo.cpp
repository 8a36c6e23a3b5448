#include "controls/CDKMemo.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <algorithm>
#include <climits>

TCDKMemo::TCDKMemo(QWidget* parent) : tk::TCustomMemo(parent) {
  m_allowCaret = true;
  UpdateFocusPolicy();
}

int TCDKMemo::TopLine() { return FirstVisibleLine(); }

void TCDKMemo::SetTopLine(int line) {
  const int top = FirstVisibleLine();
  // Widened so that no pair of 32-bit lines can overflow the difference.
  const long long delta = static_cast<long long>(line) - top;
  ScrollLines(static_cast<int>(std::clamp<long long>(delta, INT_MIN, INT_MAX)));
}

void TCDKMemo::SetAllowCaret(bool on) {
  if (on == m_allowCaret) return;
  m_allowCaret = on;
  UpdateFocusPolicy();
}

bool TCDKMemo::viewportEvent(QEvent* e) {
  if (!m_allowCaret) {
    switch (e->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick: {
        const auto b = static_cast<QMouseEvent*>(e)->button();
        if (b == Qt::LeftButton || b == Qt::RightButton || b == Qt::MiddleButton) {
          e->accept();
          return true;
        }
        break;
      }
      case QEvent::ContextMenu:
        // The window system turns a right click into a menu request of its
        // own; it belongs to the click that was dropped.
        if (static_cast<QContextMenuEvent*>(e)->reason() == QContextMenuEvent::Mouse) {
          e->accept();
          return true;
        }
        break;
      default:
        break;
    }
  }
  return tk::TCustomMemo::viewportEvent(e);
}
