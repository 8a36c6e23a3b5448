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

void DrawHand(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);

  // The outline runs clockwise from the fingertip: index finger up, the three
  // folded fingers as steps to the right, the wrist, the thumb on the left.
  p.drawPath(art::Polygon({
      {10, 2}, {11, 1}, {12, 1}, {13, 2},      // fingertip
      {13, 11},                                // index finger, right side
      {14, 10}, {16, 10}, {17, 11},            // middle finger knuckle
      {18, 11}, {20, 11}, {21, 12},            // ring finger knuckle
      {22, 12}, {24, 12}, {25, 13},            // little finger knuckle
      {25, 21}, {23, 25}, {23, 29},            // wrist, right
      {11, 29}, {11, 26},                      // wrist, left
      {6, 20}, {4, 17}, {5, 15}, {7, 15},      // the thumb
      {10, 18},                                // its tip against the palm
      {10, 2},                                 // index finger, left side
  }));

  // Creases between the folded fingers.
  p.drawLine(17, 12, 17, 16);
  p.drawLine(21, 13, 21, 16);
  // The cuff.
  p.setBrush(Qt::black);
  p.drawRect(11, 27, 12, 2);
}

}  // namespace

int main(int argc, char** argv) {
  return art::Main(argc, argv, {art::Painted("CSTABCURSOR", 32, 32, DrawHand)});
}
