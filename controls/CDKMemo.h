// TCDKMemo: the toolkit's memo with the first visible line as a property and a
// switch that makes it deaf to mouse buttons.
//
//  * TopLine reads the index (from 0) of the first visible line.  Writing v
//    scrolls by v minus the current first line; the memo goes only as far as
//    its text allows, so a later read returns the line really at the top.
//    Nothing is stored.
//  * AllowCaret (true by default).  When false, every press, release and
//    double-click of the left, right and middle buttons over the text is
//    dropped before the memo sees it: no focus from clicks, no caret, no
//    selection, no mouse events (OnMouseDown, OnMouseUp, OnClick, OnDblClick),
//    no mouse capture and no context menu.  The scroll bars still work, and
//    the keyboard can still focus the memo when it is a tab stop.  A change
//    takes effect with the next mouse button.
#pragma once

#include "toolkit/Memo.h"

class TCDKMemo : public tk::TCustomMemo {
  Q_OBJECT
public:
  explicit TCDKMemo(QWidget* parent = nullptr);

  int TopLine();
  void SetTopLine(int line);
  bool AllowCaret() const { return m_allowCaret; }
  void SetAllowCaret(bool on);

protected:
  bool ClickFocusAllowed() const override { return m_allowCaret; }
  bool viewportEvent(QEvent* e) override;

private:
  bool m_allowCaret = true;
};
