// TCompoundComponentPanel: a windowed panel that hosts several child controls
// as one compound control.  Descendants create their children with the panel
// as parent, lay them out in Resize() and decide where the focus goes.
//
// The panel part
//   Starts 185 x 41 pixels with a raised outer bevel 1 pixel wide, no inner
//   bevel, border width 0 and the colour clBtnFace.  Painting, from the client
//   rectangle inwards:
//     1. the outer bevel (unless bvNone): BevelWidth nested one-pixel frames,
//        the top row and left column in the top colour, the bottom row and
//        right column in the bottom colour; raised is clBtnHighlight over
//        clBtnShadow, lowered clBtnShadow over clBtnHighlight.  In each frame
//        the top-right and bottom-left corner pixels take the bottom colour;
//     2. BorderWidth frames in the panel's Color;
//     3. the inner bevel, as the outer one;
//     4. what is left is filled with Color, unless the panel is see-through
//        (and not designing).
//   The caption is never drawn.  Caption() stores whatever is assigned (a new
//   panel's is empty) and the native window title stays empty.
//
// Geometry and its notifications
//   A size change runs the size handling below and then Resize(), the panel's
//   resize notification (which calls OnResize unless loading); a move runs the
//   move handling.  SetBounds, SetLeft, SetTop, SetWidth and SetHeight deliver
//   these at once even while the panel is hidden, as a control with its own
//   window would; geometry changed through QWidget's own calls on a hidden
//   panel is reported when the panel is shown, as Qt does.
//
// Placement (HorzPlacement, VertPlacement; margins default 16)
//   plNearEdge: Left := P.Left + MarginLeft; plCenter: Left := (P.Left +
//   P.Right - Width) / 2 truncated toward zero (margins ignored); plFarEdge:
//   Left := P.Right - Width - MarginRight; plStretch: Width := the room between
//   the margins, then Left := P.Left + MarginLeft; plNone: Left unchanged.  The
//   same vertically.  P is the parent's client rectangle.  UpdatePlacement runs
//   after every move and size; without a parent or while loading it does
//   nothing.
//
// Size keeping
//   With KeepWidth and a non-zero SavedWidth a resize snaps the width back to
//   SavedWidth; otherwise a stretched panel takes the room between its margins
//   and the resulting width becomes SavedWidth.  The same for the height.
//   Loaded() takes both saved values from the loaded size.  While loading no
//   snapping, stretching or placement takes place.
//
// See-through
//   A see-through panel paints no background of its own (its parent's drawing
//   shows between the bevels).  Every move or size sets NeedsRefresh; the next
//   background erase of a see-through panel clears it and calls
//   RefreshBackground, which has the parent repaint the area under the panel
//   (nothing in design mode).  In design mode a see-through panel paints as an
//   ordinary one.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

#include "toolkit/Graphics.h"

enum TPanelBevel : std::uint8_t { bvNone = 0, bvLowered = 1, bvRaised = 2 };

enum TPlacement : std::uint8_t {
  plNone = 0,      // position left alone
  plNearEdge = 1,  // left or top margin
  plCenter = 2,    // centred in the parent
  plFarEdge = 3,   // right or bottom margin
  plStretch = 4,   // fills the room between the two margins
};

// Control style flags a descendant may clear.  No form designer exists here, so
// they are recorded for descendants and designers only.
enum TPanelControlStyle : unsigned {
  csAcceptsControls = 1u << 0,  // takes child controls dropped at design time
  csSetCaption = 1u << 1,       // a new name is copied into the caption
};

class TCompoundComponentPanel : public QWidget, public tk::TComponent {
  Q_OBJECT
public:
  explicit TCompoundComponentPanel(QWidget* parent = nullptr);

  // ---- the panel --------------------------------------------------------------
  QString Caption() const { return m_caption; }
  void SetCaption(const QString& caption) { m_caption = caption; }
  TPanelBevel BevelOuter() const { return m_bevelOuter; }
  void SetBevelOuter(TPanelBevel b);
  TPanelBevel BevelInner() const { return m_bevelInner; }
  void SetBevelInner(TPanelBevel b);
  int BevelWidth() const { return m_bevelWidth; }
  void SetBevelWidth(int w);  // values below 1 are taken as 1
  int BorderWidth() const { return m_borderWidth; }
  void SetBorderWidth(int w);  // negative values are taken as 0
  tk::TColor Color() const { return m_color; }
  void SetColor(tk::TColor c);
  unsigned ControlStyle() const { return m_controlStyle; }
  void SetControlStyle(unsigned style) { m_controlStyle = style; }
  void SetOnResize(tk::TNotifyEvent h) { m_onResize = std::move(h); }

  // Geometry in the parent's client coordinates, with the notifications above.
  void SetBounds(int left, int top, int width, int height);
  void SetLeft(int left) { SetBounds(left, y(), width(), height()); }
  void SetTop(int top) { SetBounds(x(), top, width(), height()); }
  void SetWidth(int w) { SetBounds(x(), y(), w, height()); }
  void SetHeight(int h) { SetBounds(x(), y(), width(), h); }
  // The area inside the outer bevel, border and inner bevel.
  QRect InnerRect() const;

  // ---- compound-panel bookkeeping ---------------------------------------------
  bool NeedsRefresh() const { return m_needsRefresh; }
  bool SeeThrough() const { return m_seeThrough; }
  void SetSeeThrough(bool on);
  bool KeepWidth() const { return m_keepWidth; }
  void SetKeepWidth(bool on) { m_keepWidth = on; }
  bool KeepHeight() const { return m_keepHeight; }
  void SetKeepHeight(bool on) { m_keepHeight = on; }
  TPlacement HorzPlacement() const { return m_horzPlacement; }
  void SetHorzPlacement(TPlacement p);
  TPlacement VertPlacement() const { return m_vertPlacement; }
  void SetVertPlacement(TPlacement p);
  int SavedWidth() const { return m_savedWidth; }
  void SetSavedWidth(int w) { m_savedWidth = w; }
  int SavedHeight() const { return m_savedHeight; }
  void SetSavedHeight(int h) { m_savedHeight = h; }
  int MarginTop() const { return m_marginTop; }
  int MarginLeft() const { return m_marginLeft; }
  int MarginBottom() const { return m_marginBottom; }
  int MarginRight() const { return m_marginRight; }
  // New margins apply with the next placement.
  void SetMargins(int left, int top, int right, int bottom);

  // Has the parent repaint the area under the panel (nothing in design mode).
  virtual void RefreshBackground();
  // Places (and for plStretch sizes) the panel inside its parent's client area.
  virtual void UpdatePlacement();

  void Loaded() override;

protected:
  // The resize notification, run after each size handling; calls OnResize
  // unless loading.  Descendants lay out their children here (and call the base
  // if they want OnResize).
  virtual void Resize();

  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void moveEvent(QMoveEvent* e) override;

private:
  void SizeHandling();
  // Sends move and resize events that Qt holds back for a hidden widget.
  void DeliverPendingGeometry(const QRect& old);
  bool Designing() const { return IsDesigning(); }

  QString m_caption;
  TPanelBevel m_bevelOuter = bvRaised;
  TPanelBevel m_bevelInner = bvNone;
  int m_bevelWidth = 1;
  int m_borderWidth = 0;
  tk::TColor m_color = tk::clBtnFace;
  unsigned m_controlStyle = csAcceptsControls | csSetCaption;
  tk::TNotifyEvent m_onResize;

  bool m_needsRefresh = true;
  bool m_seeThrough = false;
  bool m_keepWidth = false;
  bool m_keepHeight = false;
  TPlacement m_horzPlacement = plNone;
  TPlacement m_vertPlacement = plNone;
  int m_savedWidth = 0;
  int m_savedHeight = 0;
  int m_marginTop = 16;
  int m_marginLeft = 16;
  int m_marginBottom = 16;
  int m_marginRight = 16;
};
