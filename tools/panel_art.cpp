// Draws the control panel's button pictures into the folder given as the only
// argument (the repository's resources/ folder):
//   BTN_START.png    32 x 32, shown above the caption of the tall Start button
//   BTN_STOP.png     18 x 18
//   BTN_HIDE.png     18 x 18
//   BTN_ABOUT.png    18 x 18
//   BTN_OPTIONS.png  36 x 18, the enabled image then the disabled one
// The small ones match the toolkit's own 18-pixel standard pictures, so all
// buttons of a row line up.  Everything is drawn with shapes, not text, so the
// pictures do not depend on the fonts installed.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

#include "ArtCommon.h"

namespace {

using art::Draw;

// The green arrow through `corners` that says where a window goes.
void GoArrow(QPainter& p, std::initializer_list<QPointF> corners) {
  p.setPen(QPen(QColor(0, 96, 0), 1));
  p.setBrush(QColor(32, 176, 32));
  p.drawPath(art::Polygon(corners));
}

// Start: two windows tucked against the screen's top and right edges, and a
// green "go" arrow pointing at them.
void DrawStart(QPainter& p) {
  // The screen.
  p.setPen(QPen(QColor(64, 64, 64), 1));
  p.setBrush(QColor(224, 232, 240));
  p.drawRect(QRectF(2.5, 4.5, 27, 21));
  // The main window, half gone above the top edge: only its bottom shows.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 128));
  p.drawRect(QRectF(3, 5, 26, 3));
  // The inspector, tucked against the right edge.
  p.setBrush(QColor(0, 0, 128));
  p.drawRect(QRectF(26, 8, 3, 17));
  // Stand of the screen.
  p.setBrush(QColor(96, 96, 96));
  p.drawRect(QRectF(12, 26, 8, 2));
  p.drawRect(QRectF(9, 28, 14, 2));
  GoArrow(p, {{7, 12}, {15, 12}, {15, 8.5}, {22, 15}, {15, 21.5}, {15, 18}, {7, 18}});
}

// Stop: a red octagon with a white bar.
void DrawStop(QPainter& p) {
  const double c = 4.5;  // corner cut of a 15-pixel octagon
  const QPainterPath oct = art::Polygon({{1.5 + c, 1.5}, {16.5 - c, 1.5}, {16.5, 1.5 + c}, {16.5, 16.5 - c},
                                         {16.5 - c, 16.5}, {1.5 + c, 16.5}, {1.5, 16.5 - c}, {1.5, 1.5 + c}});
  p.setPen(QPen(QColor(128, 0, 0), 1));
  p.setBrush(QColor(208, 32, 32));
  p.drawPath(oct);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(5, 7.5, 8, 3));
}

// Hide: a small window with a downward arrow into a tray.
void DrawHide(QPainter& p) {
  p.setPen(QPen(QColor(64, 64, 64), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(1.5, 1.5, 11, 9));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 128));
  p.drawRect(QRectF(2, 2, 10, 2));
  // The tray.
  p.setBrush(QColor(128, 128, 128));
  p.drawRect(QRectF(2, 15, 14, 2));
  GoArrow(p, {{11, 6}, {14, 6}, {14, 10}, {16.5, 10}, {12.5, 14}, {8.5, 10}, {11, 10}});
}

// About: a white "i" in a teal disc.
void DrawAbout(QPainter& p) {
  p.setPen(QPen(QColor(0, 80, 96), 1));
  p.setBrush(QColor(0, 128, 160));
  p.drawEllipse(QRectF(1.5, 1.5, 15, 15));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(7.5, 3.5, 3, 3));
  p.drawRect(QRectF(7.5, 7.5, 3, 7));
}

// Options: three sliders, as on a mixing desk.
void DrawOptions(QPainter& p, const QColor& track, const QColor& knob) {
  // Centres on pixel centres, so tracks and knobs cover whole pixels.
  const double x[] = {4.5, 9.5, 14.5};
  const double y[] = {10.5, 5.5, 12.5};
  for (int i = 0; i < 3; ++i) {
    p.setPen(QPen(track, 1));
    p.drawLine(QPointF(x[i], 2), QPointF(x[i], 16));
    p.setPen(Qt::NoPen);
    p.setBrush(knob);
    p.drawRect(QRectF(x[i] - 2.5, y[i] - 1.5, 5, 3));
  }
}

// The enabled sliders, then their disabled look.
void DrawOptionsStrip(QPainter& p) {
  DrawOptions(p, QColor(64, 64, 64), QColor(0, 0, 160));
  art::Engraved(p, 18, [](QPainter& q, const QColor& c) { DrawOptions(q, c, c); });
}

}  // namespace

int main(int argc, char** argv) {
  using art::Painted;
  return art::Main(argc, argv,
                   {Painted("BTN_START", 32, 32, DrawStart), Painted("BTN_STOP", 18, 18, DrawStop),
                    Painted("BTN_HIDE", 18, 18, DrawHide), Painted("BTN_ABOUT", 18, 18, DrawAbout),
                    Painted("BTN_OPTIONS", 36, 18, DrawOptionsStrip)});
}
