// The memo: a multi-line plain-text edit with the toolkit's properties.
//
//  * Lines: the text, one entry per line.  SetText breaks lines at "\r\n", "\n"
//    and "\r" alike.
//  * Alignment applies to every line.  WordWrap (on by default) breaks lines at
//    the control's width.  ScrollBars: none by default.
//  * BorderStyle bsSingle (the default) draws a border: sunken with Ctl3D (the
//    default), a flat one-pixel line without; bsNone draws none.  ParentCtl3D is
//    kept for forms that set it and has no effect of its own.
//  * Color (default clWindow) is the background behind the text, FontColor
//    (default clWindowText) the text's colour; system colours follow the
//    application's palette.
//  * Cursor is the mouse cursor over the text: crDefault, crArrow or crIBeam
//    (the default).
//  * TabStop (default true): the memo takes the focus when tabbed into.  A
//    click focuses the memo whenever its mouse handling lets clicks through
//    (see ClickFocusAllowed).
//  * Mouse events (OnMouseDown, OnMouseUp, OnClick, OnDblClick) report buttons
//    pressed over the text area, in text-area coordinates.
//  * Lines are counted as they are shown: with word wrap, a long line that is
//    broken in three counts three.  FirstVisibleLine and ScrollLines are the
//    memo's "which line is at the top" query and its relative vertical scroll;
//    the scroll goes only as far as the last line allows (the last page stays
//    full) and not above the first line.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>

#include "toolkit/Component.h"
#include "toolkit/Graphics.h"

namespace tk {

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TFormBorderStyle { bsNone, bsSingle };
enum TCursor : int { crDefault = 0, crArrow = -2, crIBeam = -4 };

class TCustomMemo : public QPlainTextEdit, public TComponent {
  Q_OBJECT
public:
  explicit TCustomMemo(QWidget* parent = nullptr);

  void SetBounds(int left, int top, int width, int height) { setGeometry(left, top, width, height); }

  QString Text() const { return toPlainText(); }
  void SetText(const QString& text);
  QStringList Lines() const;
  void SetLines(const QStringList& lines);

  TAlignment Alignment() const { return m_alignment; }
  void SetAlignment(TAlignment a);
  bool WordWrap() const { return m_wordWrap; }
  void SetWordWrap(bool on);
  TScrollStyle ScrollBars() const { return m_scrollBars; }
  void SetScrollBars(TScrollStyle s);
  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool on) { setReadOnly(on); }
  TFormBorderStyle BorderStyle() const { return m_borderStyle; }
  void SetBorderStyle(TFormBorderStyle s);
  bool Ctl3D() const { return m_ctl3D; }
  void SetCtl3D(bool on);
  bool ParentCtl3D() const { return m_parentCtl3D; }
  void SetParentCtl3D(bool on) { m_parentCtl3D = on; }
  TColor Color() const { return m_color; }
  void SetColor(TColor c);
  TColor FontColor() const { return m_fontColor; }
  void SetFontColor(TColor c);
  TCursor Cursor() const { return m_cursor; }
  void SetCursor(TCursor c);
  bool TabStop() const { return m_tabStop; }
  void SetTabStop(bool on);

  // Index, from 0, of the first line visible at the top.
  int FirstVisibleLine();
  // Scrolls by `lines` (negative: up) as far as the text allows.
  void ScrollLines(int lines);

  void SetOnClick(TNotifyEvent h) { m_onClick = std::move(h); }
  void SetOnDblClick(TNotifyEvent h) { m_onDblClick = std::move(h); }
  void SetOnMouseDown(TMouseEvent h) { m_onMouseDown = std::move(h); }
  void SetOnMouseUp(TMouseEvent h) { m_onMouseUp = std::move(h); }

protected:
  // Whether a mouse click may focus the memo.  Derived memos that keep the
  // mouse out answer false and call UpdateFocusPolicy when that changes.
  virtual bool ClickFocusAllowed() const { return true; }
  void UpdateFocusPolicy();

  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void changeEvent(QEvent* e) override;

private:
  void ApplyColors();
  void ApplyFrame();
  // Makes sure the text is laid out for the current size, so line queries
  // answer what the control shows.
  void EnsureLayout();

  TAlignment m_alignment = TAlignment::taLeftJustify;
  bool m_wordWrap = true;
  TScrollStyle m_scrollBars = TScrollStyle::ssNone;
  TFormBorderStyle m_borderStyle = TFormBorderStyle::bsSingle;
  bool m_ctl3D = true;
  bool m_parentCtl3D = true;
  TColor m_color = clWindow;
  TColor m_fontColor = clWindowText;
  TCursor m_cursor = crIBeam;
  bool m_tabStop = true;
  bool m_pressed = false;
  TNotifyEvent m_onClick, m_onDblClick;
  TMouseEvent m_onMouseDown, m_onMouseUp;
};

}  // namespace tk
