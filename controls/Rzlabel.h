// TRzLabel: the standard label whose caption can stand out raised (embossed) or
// sunk in (engraved).
//
// Two copies of the caption are drawn before the text itself, one moved a pixel
// right and down, the other a pixel left and up:
//   tsRaised    first copy clBtnShadow (down-right), second clBtnHighlight (up-left)
//   tsRecessed  first copy clBtnHighlight (down-right), second clBtnShadow (up-left)
//   tsNone      no copies
// The text then goes on top in the font colour, or clGrayText when the label
// is disabled; the copies keep their colours either way.  The copies reach one
// pixel past the text on every side and are clipped by the label's rectangle.
//
// Painting always breaks the caption at the label's width and expands tabs,
// whatever WordWrap says; without ShowAccelChar an "&" is drawn as it is in
// all three copies.  At most the first 255 characters of the caption are drawn.
// Automatic sizing measures the caption as the standard label does, without the
// copies.
#pragma once

#include <cstdint>

#include "toolkit/Graphics.h"

enum TTextStyle : std::uint8_t { tsNone = 0, tsRaised = 1, tsRecessed = 2 };

class TRzLabel : public tk::TCustomLabel {
  Q_OBJECT
public:
  explicit TRzLabel(QWidget* parent = nullptr);

  TTextStyle TextStyle() const { return m_textStyle; }
  // A new style repaints the label; the current one changes nothing.
  void SetTextStyle(TTextStyle style);

protected:
  void Paint(QPainter& p) override;

private:
  TTextStyle m_textStyle = tsRecessed;
};
