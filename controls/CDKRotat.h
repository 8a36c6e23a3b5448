// TCDKRotate3DLabel: a label that draws its caption at any angle, optionally
// embossed, engraved or with a drop shadow, and sizes itself to the bounding
// box of the rotated text.
//
// Geometry
//   Rotation is in whole degrees counter-clockwise, held in -180..180 (a write
//   folds the value into one turn; 180 and -180 both stay as written).  With W
//   and H the caption's width and height along the text's own axes (the
//   advance of the whole caption, and the font's ascent plus descent), A the
//   angle and o the ShadowOffset:
//     width  = round(|H sin A| + |W cos A|) + o
//     height = round(|W sin A| + |H cos A|) + o      (halves round to even)
//   The top-left corner of the text's cell goes to
//       0 <= R <= 90:    (0, |round(W sin A)|)
//     -90 <= R < 0:      (|round(H sin A)|, 0)
//      90 < R <= 180:    (|round(W cos A)|, height)
//    -180 <= R < -90:    (width, |round(H cos A)|)     (-180 draws as 180)
//   and the text runs from there along the angle.
//
// Auto-size
//   The label always takes that size, limited by Align: alNone, alTop and
//   alBottom take the height, alNone, alLeft and alRight the width, alClient
//   keeps its size.  It is applied whenever the caption, the font, Rotation or
//   ShadowOffset changes (outside loading), when loading ends, and by any paint
//   that finds the size out of date (the paint draws at once and the new size
//   follows from the event loop; this is how a UnicodeCaption change, which
//   repaints nothing by itself, reaches the size).  Align only limits the
//   sizing; moving the label to its parent's edge is the parent's business.
//
// Painting
//   An opaque label (Transparent false, the default) first fills its rectangle
//   with its background colour.  Then copies of the caption, each the whole
//   caption in one colour moved by (dx, dy), in this order: highlight, shadow,
//   the text itself.
//     ssNoShadow            text (0,0) in FontColor
//     ssRaised              highlight (-o,-o), shadow (o,o), text (0,0)
//     ssLowered             highlight (o,o), shadow (-o,-o), text (0,0)
//     ssHasShadow           shadow (o,o), text (0,0)
//     ssNormalWithDisable   enabled: text (0,0) in FontColor; disabled:
//                           highlight (o,o), then the text in ShadowColor
//   Enabled matters only for ssNormalWithDisable.  The caption is drawn as
//   plain text: "&" is itself, nothing is wrapped or broken into lines, and
//   the base label's alignment, accelerator and word-wrap settings do not
//   apply.  The drawing font is the label's font with only bold (as the one
//   heavy weight), italic, underline and strike-out carried over.
//
// Scalable faces
//   Only a scalable face can be drawn at an angle.  A face counts as scalable
//   (the "TrueType" test) when the face that actually renders the font, after
//   the font system's substitutions, is an outline face; a bitmap face (such as
//   a BDF or PCF font) is not.  So a family that is not installed but is
//   substituted by an outline face counts as scalable.  Writing a non-zero
//   Rotation while the font is not scalable changes the font's family to
//   "Arial"; a write while loading, or of 0, leaves the font alone, and the
//   test needs no parent.
//
// UnicodeCaption
//   A plain flag that changes only how W is measured: the caption's 8-bit
//   (Latin-1) bytes are read in pairs as little-endian 16-bit characters, an
//   odd last byte paired with the string's terminating zero, and the width of
//   that text is measured.  The count never reaches past the caption's bytes.
//   Drawing is unchanged.
#pragma once

#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>
#include <cstdint>

#include "toolkit/Graphics.h"

enum TCDKShadowStyle : std::uint8_t {
  ssRaised = 0,
  ssLowered = 1,
  ssHasShadow = 2,
  ssNormalWithDisable = 3,
  ssNoShadow = 4,
};

class TCDKRotate3DLabel : public tk::TCustomLabel {
  Q_OBJECT
public:
  enum class TAlign : std::uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };

  explicit TCDKRotate3DLabel(QWidget* parent = nullptr);

  int Rotation() const { return m_rotation; }
  void SetRotation(int degrees);
  TCDKShadowStyle ShadowStyle() const { return m_shadowStyle; }
  void SetShadowStyle(TCDKShadowStyle style);
  tk::TColor ShadowColor() const { return m_shadowColor; }
  void SetShadowColor(tk::TColor color);
  tk::TColor HighlightColor() const { return m_highlightColor; }
  void SetHighlightColor(tk::TColor color);
  int ShadowOffset() const { return m_shadowOffset; }
  void SetShadowOffset(int offset);
  bool UnicodeCaption() const { return m_unicodeCaption; }
  void SetUnicodeCaption(bool on);
  TAlign Align() const { return m_align; }
  void SetAlign(TAlign align);

  // Hides the base's setter so that the rotated size follows at once.
  void SetCaption(const QString& caption);

  // Folds any angle into -180..180 as a Rotation write does.
  static int NormalizeRotation(long long degrees);
  // True when the face that renders `font` is an outline face.
  static bool IsScalableFont(const QFont& font);

  // The geometry the next paint uses, from the current caption, font,
  // Rotation and ShadowOffset.
  struct Layout {
    double textWidth = 0;   // W
    double textHeight = 0;  // H
    QSize box;              // the auto-size
    QPoint origin;          // top-left corner of the text's cell
  };
  Layout ComputeLayout() const;

  void Loaded() override;

protected:
  void Paint(QPainter& p) override;
  void changeEvent(QEvent* e) override;

private:
  // Resizes the label to the rotated box as far as Align allows.
  void ApplyAutoSize();
  // The same, with the sides that Align holds taken from `held`.
  void ApplyAutoSize(const QSize& held);
  QFont DrawingFont() const;

  int m_rotation = 0;
  int m_shadowOffset = 1;
  TCDKShadowStyle m_shadowStyle = ssRaised;
  tk::TColor m_highlightColor = tk::clBtnHighlight;
  tk::TColor m_shadowColor = tk::clBtnShadow;
  bool m_unicodeCaption = false;
  TAlign m_align = TAlign::alNone;
  bool m_resizeQueued = false;
};
