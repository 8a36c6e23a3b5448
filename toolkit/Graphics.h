// Colours, fonts and the light-weight controls the add-in's own controls build on.
//
// Colours
//   A TColor is a signed 32-bit value.  Zero or positive: a plain colour laid
//   out as 0x00BBGGRR (so clRed is 0x0000FF).  Negative (the top bit set): a
//   system colour, its index in the low byte; it is looked up in the system
//   colour table when it is used, so it follows the desktop's scheme.
//
// The system colour table
//   One table for the whole toolkit, filled from the application's palette
//   (QGuiApplication::palette()) and filled again whenever that palette has
//   changed.  Which palette role answers which system colour is listed at
//   SysColorRole below; tests set a palette and know every colour.
//
// Graphic controls
//   A graphic control has no window of its own: it paints on its parent's
//   surface, inside its own rectangle.  Here it is a plain child QWidget, which
//   Qt keeps "alien" (no native window) unless something asks for one.  A
//   control that says it is opaque paints every pixel of its rectangle, so its
//   parent need not paint behind it (Qt::WA_OpaquePaintEvent); a control that
//   is not opaque lets its parent show through wherever it does not paint
//   (autoFillBackground stays off, the background is the parent's drawing).
//   Graphic controls never take the keyboard focus.
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "toolkit/Component.h"

class QPainter;

namespace tk {

// ---- colours ------------------------------------------------------------------

using TColor = std::int32_t;

constexpr TColor RGBColor(int r, int g, int b) {
  return static_cast<TColor>((b & 0xff) << 16 | (g & 0xff) << 8 | (r & 0xff));
}

constexpr TColor clBlack = RGBColor(0, 0, 0);
constexpr TColor clMaroon = RGBColor(128, 0, 0);
constexpr TColor clGreen = RGBColor(0, 128, 0);
constexpr TColor clOlive = RGBColor(128, 128, 0);
constexpr TColor clNavy = RGBColor(0, 0, 128);
constexpr TColor clPurple = RGBColor(128, 0, 128);
constexpr TColor clTeal = RGBColor(0, 128, 128);
constexpr TColor clGray = RGBColor(128, 128, 128);
constexpr TColor clSilver = RGBColor(192, 192, 192);
constexpr TColor clRed = RGBColor(255, 0, 0);
constexpr TColor clLime = RGBColor(0, 255, 0);
constexpr TColor clYellow = RGBColor(255, 255, 0);
constexpr TColor clBlue = RGBColor(0, 0, 255);
constexpr TColor clFuchsia = RGBColor(255, 0, 255);
constexpr TColor clAqua = RGBColor(0, 255, 255);
constexpr TColor clWhite = RGBColor(255, 255, 255);

// The system colour with table index `index` (0 to kSysColorCount - 1).
constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | unsigned(index)); }

constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
constexpr int kSysColorCount = 25;

// The palette entry that answers a system colour index:
//   clScrollBar, clMenu, clActiveBorder, clInactiveBorder, clBtnFace: Button
//   clBackground: Window            clAppWorkSpace: Mid
//   clActiveCaption, clHighlight: Highlight
//   clInactiveCaption: Highlight (inactive group)
//   clCaptionText, clHighlightText: HighlightedText
//   clInactiveCaptionText: HighlightedText (inactive group)
//   clWindow: Base                  clWindowText: Text
//   clMenuText: WindowText          clBtnText: ButtonText
//   clWindowFrame, cl3DDkShadow: Shadow
//   clBtnShadow: Dark               clBtnHighlight: Light
//   cl3DLight: Midlight             clGrayText: Text (disabled group)
//   clInfoText: ToolTipText         clInfoBk: ToolTipBase
// Other indices give black.
QColor SysColor(int index);

// The colour a TColor stands for: plain colours as they are, system colours
// from the table.  The result is always opaque.
QColor ColorToQColor(TColor color);
// The plain TColor of a Qt colour (alpha dropped).
TColor QColorToColor(const QColor& c);

// 3-D edges: `count` nested one-pixel frames on r, r shrinking by one pixel on
// every side per frame.  Each frame has topLeft along its top row and left
// column and bottomRight along its right column and bottom row; the
// bottom-right colour owns the top-right and bottom-left corners.  Raised is
// light over dark, sunken dark over light.  Frames past the point where r is
// empty draw nothing.
void Frame3D(QPainter& p, QRect& r, int count, const QColor& topLeft, const QColor& bottomRight);

// A font as the forms describe it.  Points are converted at the toolkit's
// 96 pixels per inch, rounded to whole pixels (8 pt is 11 px, 10 pt 13 px),
// so text measures the same on every screen.
QFont MakeFont(const QString& family, int points, bool bold = false);
// A font given by its character height in pixels.
QFont MakePixelFont(const QString& family, int pixels, bool bold = false);
// The font, narrowed just enough that text is at most width pixels wide: its
// height stays, its letters are condensed (stretch) down to 75 %, and where
// that is not enough the gaps between letters shrink by up to one pixel.  A
// text that already fits keeps the font unchanged.  The forms were laid out
// for a narrower face than the fonts that stand in for it, and their labels
// must keep their designed places.
QFont FitFontToWidth(const QFont& font, const QString& text, int width);

// ---- events ---------------------------------------------------------------------

using TNotifyEvent = std::function<void(QObject* sender)>;
// button, the modifier keys held, and the position in the control.
using TMouseEvent =
    std::function<void(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(QObject* sender, Qt::KeyboardModifiers shift, int x, int y)>;

// ---- graphic controls ----------------------------------------------------------

class TGraphicControl : public QWidget, public TComponent {
  Q_OBJECT
public:
  explicit TGraphicControl(QWidget* parent = nullptr);

  void SetBounds(int left, int top, int width, int height) { setGeometry(left, top, width, height); }

  // The control's colour.  While ParentColor is true (the default) the control
  // takes its parent's background colour and Color() reports what it was last
  // set to; setting a colour turns ParentColor off.
  TColor Color() const { return m_color; }
  void SetColor(TColor color);
  bool ParentColor() const { return m_parentColor; }
  void SetParentColor(bool on);
  // The colour the control paints its background with, resolved now.
  QColor BackgroundColor() const;

  bool Opaque() const { return m_opaque; }

  void SetOnClick(TNotifyEvent h) { m_onClick = std::move(h); }
  void SetOnDblClick(TNotifyEvent h) { m_onDblClick = std::move(h); }
  void SetOnMouseDown(TMouseEvent h) { m_onMouseDown = std::move(h); }
  void SetOnMouseUp(TMouseEvent h) { m_onMouseUp = std::move(h); }
  void SetOnMouseMove(TMouseMoveEvent h) { m_onMouseMove = std::move(h); }

protected:
  // Declares whether Paint covers every pixel of the control.
  void SetOpaque(bool on);
  // Draws the control; the painter is clipped to the control's rectangle.
  virtual void Paint(QPainter& painter);

  void paintEvent(QPaintEvent* e) override;
  void changeEvent(QEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

private:
  TColor m_color = clBtnFace;
  bool m_parentColor = true;
  bool m_opaque = false;
  bool m_pressed = false;
  TNotifyEvent m_onClick, m_onDblClick;
  TMouseEvent m_onMouseDown, m_onMouseUp;
  TMouseMoveEvent m_onMouseMove;
};

// ---- labels ---------------------------------------------------------------------

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// The standard label: a caption drawn in the control's font.
//
//  * Colour: the background colour (clBtnFace, following the parent by
//    default), filled unless the label is transparent; FontColor (default
//    clWindowText) for the text.  A disabled label draws its text engraved: once
//    in clBtnHighlight one pixel down-right, then in clBtnShadow.
//  * Text is drawn from the top of the label with the alignment, tabs expanded,
//    broken into lines at the label's width when WordWrap is on.  With
//    ShowAccelChar (the default) an "&" marks the next character as the
//    accelerator (underlined, "&&" shows one "&"); without it "&" is drawn as it is.
//  * AutoSize (the default) sizes the label to its caption whenever caption,
//    font or wrapping changes, and once when loading ends: width and height of
//    the text on one line (or, with WordWrap, the height of the text broken at
//    the current width).  A right-aligned label keeps its right edge.
//  * The font follows the parent's font until one is set.
class TCustomLabel : public TGraphicControl {
  Q_OBJECT
public:
  explicit TCustomLabel(QWidget* parent = nullptr);

  QString Caption() const { return m_caption; }
  void SetCaption(const QString& caption);
  TAlignment Alignment() const { return m_alignment; }
  void SetAlignment(TAlignment a);
  bool AutoSize() const { return m_autoSize; }
  void SetAutoSize(bool on);
  TColor FontColor() const { return m_fontColor; }
  void SetFontColor(TColor c);
  bool Transparent() const { return !Opaque(); }
  void SetTransparent(bool on);
  bool ShowAccelChar() const { return m_showAccelChar; }
  void SetShowAccelChar(bool on);
  bool WordWrap() const { return m_wordWrap; }
  void SetWordWrap(bool on);
  // The control that an accelerator of the caption focuses.
  QWidget* FocusControl() const { return m_focusControl; }
  void SetFocusControl(QWidget* w) { m_focusControl = w; }

  void Loaded() override;

  // Qt text flags for the caption as this label draws it (alignment, top,
  // tab expansion, wrapping, accelerator processing).
  int DrawTextFlags() const;

protected:
  // Sizes the label to its caption when AutoSize asks for it.
  void AdjustBounds();
  // Draws text into rect with the given flags, font and colour.
  void DrawLabelText(QPainter& p, const QRect& rect, int flags, const QString& text, const QColor& color);

  void Paint(QPainter& p) override;
  void changeEvent(QEvent* e) override;

private:
  QString m_caption;
  TAlignment m_alignment = TAlignment::taLeftJustify;
  bool m_autoSize = true;
  TColor m_fontColor = clWindowText;
  bool m_showAccelChar = true;
  bool m_wordWrap = false;
  QWidget* m_focusControl = nullptr;
};

// ---- images ---------------------------------------------------------------------

// A picture on its parent's surface.  Not opaque: where the picture is
// transparent, or does not reach, the parent shows.  AutoSize (off by default)
// sizes the control to the picture whenever one is set.
class TImage : public TGraphicControl {
  Q_OBJECT
public:
  explicit TImage(QWidget* parent = nullptr);

  const QPixmap& Picture() const { return m_picture; }
  void SetPicture(const QPixmap& picture);
  bool AutoSize() const { return m_autoSize; }
  void SetAutoSize(bool on);

protected:
  void Paint(QPainter& p) override;

private:
  QPixmap m_picture;
  bool m_autoSize = false;
};

}  // namespace tk
