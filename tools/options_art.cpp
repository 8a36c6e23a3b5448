// Draws the options dialog's pictures into the folder given as the only
// argument (the repository's resources/ folder):
//   OPT_HIDING.png    25 x 25  tab picture of the Hiding page: a screen whose
//                              window is half tucked away under the top edge
//   OPT_SOUND.png     25 x 25  Sound: a loudspeaker with sound waves
//   OPT_MOVEMENT.png  25 x 25  Movement: a window sliding right, with trails
//   OPT_GENERAL.png   25 x 25  General: a stopwatch (the open delay)
//   OPT_ACCEPT.png    36 x 18  the Accept button: a green tick, then its
//                              disabled look
// The tab pictures are opaque, on a magenta background that fills their
// bottom-left pixel: the notebook takes that pixel's colour as the transparent
// one.  The button picture keeps real transparency, as the other buttons' do.
// Shapes only, no text, so the pictures do not depend on the installed fonts.
//
// Usage: art_options_art <resources folder>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>

#include "ArtCommon.h"

namespace {

using art::Draw;

const QColor kKey(255, 0, 255);

// A tab picture: 25 x 25, opaque on the key colour.
art::Picture Tab(const char* name, Draw draw) {
  return {name, [draw] {
            QImage out = art::KeyOnto(art::Paint(25, 25, draw), kKey);
            // The notebook reads the key from the bottom-left pixel.
            out.setPixel(0, out.height() - 1, kKey.rgb());
            return out;
          }};
}

void Window(QPainter& p, const QRectF& r, const QColor& title) {
  p.setPen(QPen(QColor(48, 48, 48), 1));
  p.setBrush(Qt::white);
  p.drawRect(r);
  p.setPen(Qt::NoPen);
  p.setBrush(title);
  p.drawRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 0.5, 3));
}

// Hiding: a monitor; the window's lower part still shows under its top edge,
// with an arrow pointing the way it went.
void DrawHiding(QPainter& p) {
  p.setPen(QPen(QColor(48, 48, 48), 1));
  p.setBrush(QColor(0, 128, 128));
  p.drawRect(QRectF(1.5, 2.5, 22, 16));
  p.setBrush(QColor(160, 160, 160));
  p.drawRect(QRectF(9.5, 19.5, 6, 2));
  p.drawRect(QRectF(5.5, 21.5, 14, 2));
  // The tucked window: only its bottom strip remains on the screen.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(224, 224, 224));
  p.drawRect(QRectF(4, 3, 17, 3));
  p.setBrush(QColor(48, 48, 48));
  p.drawRect(QRectF(4, 6, 17, 1));
  // The arrow, up.
  const QPainterPath arrow =
      art::Polygon({{12.5, 8}, {17.5, 13}, {14.5, 13}, {14.5, 17}, {10.5, 17}, {10.5, 13}, {7.5, 13}});
  p.setBrush(QColor(255, 224, 0));
  p.setPen(QPen(QColor(96, 64, 0), 1));
  p.drawPath(arrow);
}

void DrawSound(QPainter& p) {
  const QPainterPath speaker =
      art::Polygon({{2.5, 9.5}, {7.5, 9.5}, {13.5, 3.5}, {13.5, 21.5}, {7.5, 15.5}, {2.5, 15.5}});
  p.setPen(QPen(QColor(32, 32, 32), 1));
  p.setBrush(QColor(64, 96, 192));
  p.drawPath(speaker);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0, 0, 128), 1.6));
  for (int i = 0; i < 3; ++i) {
    const double r = 3.5 + 3.0 * i;
    p.drawArc(QRectF(13.5 - r, 12.5 - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
  }
}

void DrawMovement(QPainter& p) {
  // Motion trails, then the window that leaves them.
  p.setPen(QPen(QColor(0, 128, 0), 1.5));
  for (int i = 0; i < 3; ++i) {
    const double y = 10.5 + 4 * i;
    p.drawLine(QPointF(1.5 + 2 * (i % 2), y), QPointF(7.5, y));
  }
  Window(p, QRectF(9.5, 5.5, 13, 15), QColor(0, 0, 128));
  p.setPen(QPen(QColor(128, 128, 128), 1));
  for (int i = 0; i < 3; ++i) p.drawLine(QPointF(11.5, 12.5 + 3 * i), QPointF(20.5, 12.5 + 3 * i));
}

void DrawGeneral(QPainter& p) {
  // A stopwatch: crown, face, and a hand a quarter of the way round.
  p.setPen(QPen(QColor(48, 48, 48), 1));
  p.setBrush(QColor(160, 160, 160));
  p.drawRect(QRectF(10.5, 1.5, 4, 3));
  p.drawRect(QRectF(18.5, 4.5, 3, 3));
  p.setBrush(QColor(192, 0, 0));
  p.drawEllipse(QPointF(12.5, 14), 10, 10);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(12.5, 14), 7.5, 7.5);
  p.setPen(QPen(QColor(48, 48, 48), 1));
  for (int i = 0; i < 12; ++i) {
    const double a = i * M_PI / 6;
    p.drawLine(QPointF(12.5 + 6.0 * std::sin(a), 14 - 6.0 * std::cos(a)),
               QPointF(12.5 + 7.0 * std::sin(a), 14 - 7.0 * std::cos(a)));
  }
  p.setPen(QPen(QColor(0, 0, 0), 1.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(12.5, 14), QPointF(17, 14));
  p.drawLine(QPointF(12.5, 14), QPointF(12.5, 9));
}

void DrawTick(QPainter& p, const QColor& colour, double width) {
  QPainterPath tick;
  tick.moveTo(3, 9.5);
  tick.lineTo(7, 13.5);
  tick.lineTo(15, 4.5);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(tick);
}

// The enabled tick, then its disabled look.
void DrawAcceptStrip(QPainter& p) {
  DrawTick(p, QColor(0, 64, 0), 3.2);
  DrawTick(p, QColor(0, 176, 0), 2);
  art::Engraved(p, 18, [](QPainter& q, const QColor& c) { DrawTick(q, c, 2.4); });
}

}  // namespace

int main(int argc, char** argv) {
  return art::Main(argc, argv,
                   {Tab("OPT_HIDING", DrawHiding), Tab("OPT_SOUND", DrawSound),
                    Tab("OPT_MOVEMENT", DrawMovement), Tab("OPT_GENERAL", DrawGeneral),
                    art::Painted("OPT_ACCEPT", 36, 18, DrawAcceptStrip)});
}
