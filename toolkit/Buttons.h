// Buttons with pictures, and bevels.
//
// TBitBtn is a push button that paints a picture beside (or above) its caption.
// Its picture may be a strip of up to two equal images side by side: the first
// is used while the button is enabled, the second while it is disabled (with a
// single image the disabled look is derived from it).  Standard kinds give the
// toolkit's own OK and Help buttons with their pictures.  A button with a modal
// result sets its form's ModalResult when clicked, which ends a modal run.
#pragma once

#include <QFrame>
#include <QPixmap>
#include <QPushButton>

#include "toolkit/Component.h"

namespace tk {

enum class TButtonLayout { blGlyphLeft, blGlyphTop };
enum class TBitBtnKind { bkCustom, bkOK, bkHelp };

class TBitBtn : public QPushButton, public TComponent {
  Q_OBJECT
public:
  explicit TBitBtn(QWidget* parent = nullptr);

  void SetCaption(const QString& caption) { setText(caption); }
  QString Caption() const { return text(); }
  void SetGlyph(const QPixmap& strip, int numGlyphs = 1);
  const QPixmap& Glyph() const { return m_glyph; }
  int NumGlyphs() const { return m_numGlyphs; }
  void SetLayout(TButtonLayout layout);
  TButtonLayout Layout() const { return m_layout; }
  void SetKind(TBitBtnKind kind);
  void SetModalResult(int result) { m_modalResult = result; }
  int ModalResult() const { return m_modalResult; }

  // The image painted in the current state.
  QPixmap CurrentImage() const;
  // Where the picture and the caption are painted, in widget coordinates.
  QRect GlyphRect() const;
  QRect CaptionRect() const;

  // The toolkit's standard pictures (drawn, 18 x 18 pixels).
  static QPixmap StandardGlyph(TBitBtnKind kind);

protected:
  void paintEvent(QPaintEvent* e) override;

private:
  void Arrange(QRect* glyph, QRect* caption) const;

  QPixmap m_glyph;
  int m_numGlyphs = 1;
  TButtonLayout m_layout = TButtonLayout::blGlyphLeft;
  int m_modalResult = 0;
};

// A lowered box that frames a group of controls; it draws only its outline.
class TBevel : public QFrame, public TComponent {
  Q_OBJECT
public:
  explicit TBevel(QWidget* parent = nullptr);
};

}  // namespace tk
