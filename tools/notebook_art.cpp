// Draws the notebook's tab cursor into the folder given as the only argument
// (the repository's resources/ folder):
//   CSTABCURSOR.png  32 x 32, a pointing hand, transparent around it; the tip
//                    of the index finger, the cursor's hot spot, is pixel (11, 1)
// Drawn without smoothing, in black and white only, so it reads like the
// platform's own cursors at any background.
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "ArtCommon.h"

namespace {

QImage Hand() {
  QImage img(32, 32, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);

  // The outline runs clockwise from the fingertip: index finger up, the three
  // folded fingers as steps to the right, the wrist, the thumb on the left.
  QPainterPath hand;
  hand.moveTo(10, 2);
  hand.lineTo(11, 1);
  hand.lineTo(12, 1);
  hand.lineTo(13, 2);
  hand.lineTo(13, 11);  // index finger, right side
  hand.lineTo(14, 10);
  hand.lineTo(16, 10);
  hand.lineTo(17, 11);  // middle finger knuckle
  hand.lineTo(18, 11);
  hand.lineTo(20, 11);
  hand.lineTo(21, 12);  // ring finger knuckle
  hand.lineTo(22, 12);
  hand.lineTo(24, 12);
  hand.lineTo(25, 13);  // little finger knuckle
  hand.lineTo(25, 21);
  hand.lineTo(23, 25);
  hand.lineTo(23, 29);  // wrist, right
  hand.lineTo(11, 29);  // wrist, left
  hand.lineTo(11, 26);
  hand.lineTo(6, 20);   // thumb's back
  hand.lineTo(4, 17);
  hand.lineTo(5, 15);
  hand.lineTo(7, 15);
  hand.lineTo(10, 18);  // thumb's tip against the palm
  hand.lineTo(10, 2);   // index finger, left side
  hand.closeSubpath();
  p.drawPath(hand);

  // Creases between the folded fingers.
  p.drawLine(17, 12, 17, 16);
  p.drawLine(21, 13, 21, 16);
  // The cuff.
  p.setBrush(Qt::black);
  p.drawRect(11, 27, 12, 2);
  return img;
}

}  // namespace

int main(int argc, char** argv) { return art::Main(argc, argv, {{"CSTABCURSOR", Hand}}); }
